#include "mp/mp.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "common/ajustes.hpp"
#include "common/errmess.hpp"
#include "common/random.hpp"
#include "comun/diferencia.hpp"
#include "comun/perceptron.hpp"
#include "comun/salida.hpp"

namespace {

TEST(TanhRecortada, ClipsOnlyBeyondOneHundred) {
  EXPECT_EQ(tanh_recortada(100), std::tanh(100.0));
  EXPECT_EQ(tanh_recortada(-100), std::tanh(-100.0));
  EXPECT_EQ(tanh_recortada(100.0000001), 1.0);
  EXPECT_EQ(tanh_recortada(-1e300), -1.0);
  EXPECT_EQ(tanh_recortada(0.5), std::tanh(0.5));
}

TEST(TanhRecortada, DerivativeIsTinyButNonZeroBeyondOneHundred) {
  const double t = std::tanh(100.0);
  EXPECT_EQ(dtanh_recortada(100), 1 - t * t);  // not 1e-8 at the edge itself
  EXPECT_EQ(dtanh_recortada(-100), 1 - t * t);
  EXPECT_EQ(dtanh_recortada(100.0000001), 1e-8);
  EXPECT_EQ(dtanh_recortada(-5000), 1e-8);
  EXPECT_EQ(derivada_identidad(-1e300), 1.0);
}

// The slope the derivatives use is taken from the unit's output; it must be df(s) bit for bit.
TEST(TanhRecortada, UnitSlopeMatchesDerivativeOfNetInput) {
  for (double s : {0.0, 0.3, -2.5, 19.0, 99.99, 100.0, -100.0, 100.0000001, -250.0, 1e-300}) {
    MP_UNIT u;
    u.f = tanh_recortada;
    u.df = dtanh_recortada;
    u.s = s;
    u.o = u.f(s);
    EXPECT_EQ(u.pendiente(), dtanh_recortada(s)) << "s = " << s;
  }
}

// A perceptron whose inputs read an array the test owns, with a = 1 and b = 0 on the input buffers.
struct Red {
  std::unique_ptr<MP> mp;
  std::vector<double> x;
  Red(int ni, int nh, int no, int fsal, unsigned semilla) : mp(build_mp("red", ni, nh, no, fsal)), x(ni) {
    for (std::size_t k = 0; k < x.size(); ++k) mp->ibuf[k].i = &x[k];
    std::srand(semilla);
    aleatorio_pesos(*mp);
    for (double& v : x) v = aleatorio<AjustesVelmor>(1.5);
  }
  std::vector<double> pesos() const { return prueba::pesos(*mp); }
  std::vector<double> salidas() { return prueba::salidas(*mp); }
};

TEST(Mp, WeightCountAndPackingOrder) {
  Red r(1, 1, 1, 0, 1);
  EXPECT_EQ(r.mp->nw, 4u);

  Red g(3, 2, 2, 0, 1);
  ASSERT_EQ(g.mp->nw, 4u * 2 + 3 * 2);
  std::vector<double> w(g.mp->nw);
  std::iota(w.begin(), w.end(), 0.0);
  desempaqueta_pesos(*g.mp, w);
  for (std::size_t h = 0; h < 2; ++h)
    for (std::size_t k = 0; k <= 3; ++k) EXPECT_EQ(g.mp->hl[h].w[k], double(h * 4 + k));
  for (std::size_t j = 0; j < 2; ++j)
    for (std::size_t k = 0; k <= 2; ++k) {
      EXPECT_EQ(g.mp->ol[j].w[k], double(8 + j * 3 + k));
      EXPECT_EQ(indice_peso_salida(*g.mp, j, k), 8 + j * 3 + k);
    }
  EXPECT_EQ(indice_peso_oculta(*g.mp, 1, 2), 6u);
  EXPECT_EQ(g.pesos(), w);
}

TEST(Mp, RandomWeightsAreDrawnInPackingOrder) {
  Red r(3, 5, 2, 1, 99);
  std::srand(99);
  for (double w : r.pesos()) EXPECT_EQ(w, aleatorio<AjustesVelmor>(1.0));
}

TEST(Mp, EveryUnitReadsTheSameBiasConstant) {
  Red r(2, 3, 2, 0, 5);
  std::vector<double> w(r.mp->nw, 0.0);
  for (std::size_t h = 0; h < 3; ++h) w[indice_peso_oculta(*r.mp, h, 0)] = 0.25 * double(h + 1);
  for (std::size_t j = 0; j < 2; ++j) w[indice_peso_salida(*r.mp, j, 0)] = -0.5 * double(j + 1);
  desempaqueta_pesos(*r.mp, w);
  r.salidas();
  for (std::size_t h = 0; h < 3; ++h) EXPECT_EQ(r.mp->hl[h].s, 0.25 * double(h + 1));
  for (std::size_t j = 0; j < 2; ++j) EXPECT_EQ(r.mp->obuf[j].o, -0.5 * double(j + 1));
}

TEST(Mp, LayersOfEverySizeSumInInputOrder) {
  // Hidden layers of 1 to 13 units go through every mix of the batched and plain paths.
  for (int nh = 1; nh <= 13; ++nh) {
    Red r(4, nh, 3, 1, 11);
    r.salidas();
    for (const MP_UNIT& u : r.mp->hl) {
      double s = 0;
      for (std::size_t k = 0; k < u.i.size(); ++k) s = *u.i[k] * u.w[k] + s;
      ASSERT_EQ(u.s, s) << "nh " << nh;
      ASSERT_EQ(u.o, tanh_recortada(s));
    }
  }
}

// Derivatives against central differences of eval_mp, for both output kinds.
class Derivadas : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Salidas, Derivadas, ::testing::Values(0, 1),
                         [](const auto& p) { return p.param == 0 ? std::string("Identidad") : std::string("Tanh"); });

TEST_P(Derivadas, WithRespectToInputsMatchCentralDifferences) {
  Red r(4, 6, 3, GetParam(), 21);
  r.salidas();
  std::vector<double> dydx(3 * 4);
  dydx_mp(*r.mp, dydx);
  for (std::size_t k = 0; k < 4; ++k) {
    const auto dif = prueba::diferencia_central(r.x, k, [&] { return r.salidas(); });
    for (std::size_t j = 0; j < 3; ++j) EXPECT_NEAR(dydx[j * 4 + k], dif[j], 1e-7) << "output " << j << " input " << k;
  }
}

TEST_P(Derivadas, WithRespectToTrailingInputsOnlyTouchesThoseColumns) {
  Red r(5, 9, 2, GetParam(), 23);
  r.salidas();
  std::vector<double> todo(2 * 5), cola(2 * 5, -7.0);
  dydx_mp(*r.mp, todo);
  dydx_mp(*r.mp, cola, 3);
  for (std::size_t j = 0; j < 2; ++j)
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(cola[j * 5 + k], k < 3 ? -7.0 : todo[j * 5 + k]) << j << k;
}

TEST_P(Derivadas, WithRespectToWeightsMatchCentralDifferences) {
  Red r(3, 5, 2, GetParam(), 37);
  r.salidas();
  const std::size_t nw = r.mp->nw;
  std::vector<double> dydw(2 * nw, 123.0);  // stale contents must not survive
  dydw_mp(*r.mp, dydw);
  std::vector<double> w = r.pesos();
  for (std::size_t m = 0; m < nw; ++m) {
    const auto dif = prueba::diferencia_central(w, m, [&] {
      desempaqueta_pesos(*r.mp, w);
      return r.salidas();
    });
    for (std::size_t j = 0; j < 2; ++j)
      EXPECT_NEAR(dydw[j * nw + m], dif[j], 1e-7) << "output " << j << " weight " << m;
  }
  // Row j is exactly 0 on the weights of the other output unit.
  for (std::size_t k = 0; k <= 5; ++k) {
    EXPECT_EQ(dydw[0 * nw + indice_peso_salida(*r.mp, 1, k)], 0.0);
    EXPECT_EQ(dydw[1 * nw + indice_peso_salida(*r.mp, 0, k)], 0.0);
  }
}

TEST(Derivadas, SaturatedHiddenUnitKeepsTheTinySlope) {
  Red r(1, 1, 1, 0, 3);
  std::vector<double> w{0.0, 1.0, 0.0, 2.0};  // hidden s = x, output = 2 o
  desempaqueta_pesos(*r.mp, w);
  r.x[0] = 150;
  r.salidas();
  std::vector<double> dydx(1), dydw(4);
  dydx_mp(*r.mp, dydx);
  dydw_mp(*r.mp, dydw);
  EXPECT_EQ(dydx[0], 1.0 * (1e-8 * 2.0 * 1.0));
  EXPECT_EQ(dydw[1], 1e-8 * 1.0 * 2.0 * 150);
  EXPECT_EQ(dydw[3], 1.0);  // d out / d w_out = hidden output, clipped to 1
}

TEST(Mp, KeepsAtMost79CharactersOfTheName) {
  const std::string largo(100, 'n');
  EXPECT_EQ(build_mp(largo, 1, 1, 1, 0)->name, std::string(79, 'n'));
}

struct TamanoNulo {
  const char* caso;
  int ni, nh, no;
  const char* mensaje;
};
void PrintTo(const TamanoNulo& t, std::ostream* os) { *os << t.caso; }

class TamanosNulos : public ::testing::TestWithParam<TamanoNulo> {};
INSTANTIATE_TEST_SUITE_P(Mp, TamanosNulos,
                         ::testing::Values(TamanoNulo{"SinEntradas", 0, 2, 1, "entradas nulo"},
                                           TamanoNulo{"TodoNegativoONulo", -3, 0, 0, "entradas nulo"},
                                           TamanoNulo{"SinOcultas", 2, 0, 1, "unidades ocultas nulo"},
                                           TamanoNulo{"SinSalidas", 2, 2, 0, "unidades de salida nulo"}),
                         [](const auto& p) { return std::string(p.param.caso); });

TEST_P(TamanosNulos, StopWithStatusZeroNamingTheNetFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const TamanoNulo t = GetParam();
  EXPECT_EXIT((a_stderr(), build_mp("aux", t.ni, t.nh, t.no, 0)), ::testing::ExitedWithCode(kEntradaErronea),
              std::string("Error de sintaxis en el fichero aux\\.net: n\xA7 de ") + t.mensaje + "\n\n$");
}

}  // namespace
