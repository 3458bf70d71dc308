#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "common/errmess.hpp"
#include "comun/salida.hpp"
#include "comun/zelbrin.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"

namespace {

VECTOR dims(long double ni, long double nh, long double no) { return {{ni, nh, no}, 3}; }
using prueba::identidad_en_entradas;
using prueba::red;

long double evalua_en(ZELBRIN_FDP& net, std::initializer_list<long double> x) {
  std::copy(x.begin(), x.end(), net.i.begin());
  net.evalua(net);
  return net.p;
}

TEST(ZelbrinFdp, OneKernelDensityIsTheGaussianWithTheProgramsPi) {
  for (std::uint32_t ni : {1u, 2u, 3u}) {
    auto net = red(ni, 1, 0);
    const long double a[] = {2, 0.5, 3}, b[] = {1, -1, 0.25}, r[] = {0.3, -0.2, 1}, bw[] = {1.5, 0.7, 2};
    const long double x[] = {0.4, 1.1, 0.2};
    long double esperado = 1, exponente = 0;
    for (std::uint32_t j = 0; j < ni; ++j) {
      net->ibuf[j].a = a[j];
      net->ibuf[j].b = b[j];
      net->rb[0].r[j] = r[j];
      net->rb[0].b[j] = bw[j];
      net->i[j] = x[j];
      const long double sigma = 1 / (std::sqrt(2.0L) * bw[j]);
      const long double d = a[j] * x[j] + b[j] - r[j];
      exponente += d * d / (2 * sigma * sigma);
      esperado *= a[j] / (std::sqrt(2.0L) * sigma);
    }
    net->wa[0] = 0.8;
    esperado *= std::exp(-exponente) / std::pow(3.14159L, ni * 0.5L);
    net->evalua(*net);
    EXPECT_NEAR(net->p / esperado, 1, 1e-15) << "ni " << ni;
    // A negative input scale mirrors the data: the density stays the same and positive.
    net->ibuf[0].a = -a[0];
    net->i[0] = (a[0] * x[0] + b[0] - b[0]) / -a[0];
    net->evalua(*net);
    EXPECT_NEAR(net->p / esperado, 1, 1e-15) << "ni " << ni;
  }
}

TEST(ZelbrinFdp, MixtureIntegratesToOneInOneDimension) {
  auto net = red(1, 3, 0);
  net->ibuf[0].a = 2;  // the density is carried back to the data's units
  net->ibuf[0].b = 1;
  const long double r[] = {-1, 0.5, 2}, b[] = {0.8, 2, 0.3}, wa[] = {1, -0.5, 0.7};
  for (int h = 0; h < 3; ++h) {
    net->rb[h].r[0] = r[h];
    net->rb[h].b[0] = b[h];
    net->wa[h] = wa[h];
  }
  const long double dx = 0.001;
  long double suma = 0;
  for (long double x = -30; x < 30; x += dx) suma += evalua_en(*net, {x});
  EXPECT_NEAR(suma * dx, 1, 1e-5);  // 3.14159 for pi leaves about 4e-7
}

TEST(ZelbrinFdp, MixtureIntegratesToOneInTwoDimensions) {
  auto net = red(2, 2, 0);
  identidad_en_entradas(*net);
  net->ibuf[1].a = 0.5;
  const long double r[2][2] = {{-1, 0.5}, {1, -0.5}}, b[2][2] = {{1, 0.6}, {0.5, 1.2}};
  for (int h = 0; h < 2; ++h)
    for (int j = 0; j < 2; ++j) {
      net->rb[h].r[j] = r[h][j];
      net->rb[h].b[j] = b[h][j];
    }
  net->wa[0] = 1;
  net->wa[1] = 2;
  const long double d = 0.02;
  long double suma = 0;
  for (long double x = -8; x < 8; x += d)
    for (long double y = -12; y < 12; y += d) suma += evalua_en(*net, {x, y});
  EXPECT_NEAR(suma * d * d, 1, 1e-4);
}

TEST(ZelbrinFdp, KernelWithAZeroInverseWidthContributesNothing) {
  auto net = red(2, 2, 1);
  identidad_en_entradas(*net);
  net->obuf[0].a = 1;
  for (int j = 0; j < 2; ++j) {
    net->rb[0].b[j] = 1;
    net->rb[1].b[j] = 1;
  }
  net->rb[1].b[1] = 0;
  net->wa[0] = 1;
  net->wa[1] = 1;
  net->prbout[0].w[0] = 4;
  net->prbout[0].w[1] = 100;
  evalua_en(*net, {0.1, 0.2});
  EXPECT_EQ(net->rb[1].o, 0);
  EXPECT_EQ(net->obuf[0].o, 4);  // the output is kernel 0's value alone
  EXPECT_EQ(net->emax[0], 6);
  // Its mixing weight still counts in the normalisation: half the density of kernel 0 alone.
  const long double p2 = net->p;
  net->wa[1] = 0;
  evalua_en(*net, {0.1, 0.2});
  EXPECT_NEAR(p2 / net->p, 0.5, 1e-18);
  // No kernel active at all: every output is 0, not 0/0.
  net->rb[0].b[0] = 0;
  evalua_en(*net, {0.1, 0.2});
  EXPECT_EQ(net->obuf[0].o, 0);
  EXPECT_EQ(net->p, 0);
}

TEST(ZelbrinFdp, DensityOnlyNetworkHasNoOutputs) {
  auto net = red(3, 2, 0);
  EXPECT_TRUE(net->prbout.empty());
  EXPECT_TRUE(net->obuf.empty());
  EXPECT_TRUE(net->emax.empty());
  identidad_en_entradas(*net);
  for (long double& b : net->anchos) b = 1;
  net->wa[0] = 1;
  EXPECT_GT(evalua_en(*net, {0, 0, 0}), 0);
}

TEST(ZelbrinFdp, FreshNetworkHasDensityZeroNotNaN) {
  auto net = red(2, 3, 1);  // every mixing weight is 0
  evalua_en(*net, {1, 2});
  EXPECT_EQ(net->p, 0);
  EXPECT_FALSE(std::isnan(net->vlr));
}

TEST(ZelbrinFdp, KeepsAtMost79CharactersOfTheName) {
  auto net = construye_zelbrin_fdp(std::string(120, 'n'), dims(1, 1, 0));
  EXPECT_EQ(net->name, std::string(79, 'n'));
}

class NivelZelbrin : public ::testing::Test {
 protected:
  void SetUp() override {
    net = red(1, 1, 0);
    net->p0 = 1e-1;
    net->p95 = 1e-2;
    net->p99 = 1e-3;
    net->p100 = 1e-4;
    net->p_100 = 1e-5;
  }
  std::unique_ptr<ZELBRIN_FDP> net;
};

TEST_F(NivelZelbrin, TakesTheBandValuesAtEachThreshold) {
  EXPECT_EQ(nivel_zelbrin_fdp(*net, 10), 1.0L);
  EXPECT_EQ(nivel_zelbrin_fdp(*net, net->p0), 1.0L);
  EXPECT_EQ(nivel_zelbrin_fdp(*net, net->p95), static_cast<long double>(0.8));
  EXPECT_EQ(nivel_zelbrin_fdp(*net, net->p99), 0.5L);
  EXPECT_EQ(nivel_zelbrin_fdp(*net, net->p100), -0.5L);
  EXPECT_EQ(nivel_zelbrin_fdp(*net, net->p_100), -1.0L);
  EXPECT_EQ(nivel_zelbrin_fdp(*net, 1e-6), -1.0L);
  EXPECT_EQ(nivel_zelbrin_fdp(*net, 0), -1.0L);
}

TEST_F(NivelZelbrin, InterpolatesInLogBetweenThresholds) {
  const struct {
    long double log_p, vlr;
  } casos[] = {{-1.5, 0.9}, {-2.5, 0.65}, {-3.5, 0}, {-4.5, -0.75}, {-1.1, 0.98}};
  for (const auto& c : casos)
    EXPECT_NEAR(nivel_zelbrin_fdp(*net, std::pow(10.0L, c.log_p)), c.vlr, 1e-15) << "log p " << c.log_p;
}

TEST_F(NivelZelbrin, DegenerateBandsStillGiveANumberInRange) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const struct {
    long double p0, p95, p99, p100, p_100;
  } umbrales[] = {
      {1e-1, 1e-2, 1e-3, 0, 0},         // the least dense training row had density 0
      {0, 0, 0, 0, 1e-30},              // every training density 0
      {1e-2, 1e-2, 1e-2, 1e-2, 1e-2},   // one training row
      {1, 1 - 1e-19L, 0.5, 0.5, 0.25},  // thresholds whose logarithms coincide
      {1, -1, -2, -3, -4},              // impossible thresholds from a damaged file
      {inf, 1, 0.5, 0.1, 0.01},
  };
  for (const auto& u : umbrales) {
    net->p0 = u.p0;
    net->p95 = u.p95;
    net->p99 = u.p99;
    net->p100 = u.p100;
    net->p_100 = u.p_100;
    for (long double p : {0.0L, 1e-40L, 1e-5L, 1e-3L, 0.3L, 0.5L, 1 - 1e-19L, 2.0L, inf}) {
      const long double v = nivel_zelbrin_fdp(*net, p);
      EXPECT_TRUE(v >= -1 && v <= 1) << "p0 " << u.p0 << " p100 " << u.p100 << " p " << p << " vlr " << v;
    }
  }
  // Between a zero lowest density and p99 the index climbs with the density.
  net->p0 = 1e-1;
  net->p95 = 1e-2;
  net->p99 = 1e-3;
  net->p100 = 0;
  net->p_100 = 0;
  EXPECT_EQ(nivel_zelbrin_fdp(*net, 0), -0.5L);
  EXPECT_LT(nivel_zelbrin_fdp(*net, 1e-4), nivel_zelbrin_fdp(*net, 5e-4));
}

TEST(ZelbrinFdpDeathTest, RefusesBadDimensionsWithStatusZero) {
  const VECTOR malas[] = {dims(0, 3, 1), dims(2, 0, 1), dims(2, 3, -1), dims(-1, 3, 1), dims(0.5, 3, 1)};
  for (const VECTOR& d : malas)
    EXPECT_EXIT((a_stderr(), construye_zelbrin_fdp("prueba", d)), ::testing::ExitedWithCode(kEntradaErronea),
                "\n\nDimensiones de red prueba incorrectas\n\n$");
}

TEST(ZelbrinFdpDeathTest, RefusesFewerThanThreeParametersWithStatusOne) {
  EXPECT_EXIT((a_stderr(), construye_zelbrin_fdp("prueba", VECTOR{{2, 3, 1}, 2})), ::testing::ExitedWithCode(1),
              "\n\nN\xFAmero de par\xE1metros incorrecto en la llamada a construye_zelbrin_fdp\\(\\)\n\n$");
}

// A network with every field of its state set to distinct values.
void llena(ZELBRIN_FDP& net, long double semilla) {
  long double v = semilla;
  auto siguiente = [&v] { return v = std::fmod(v * 1.618033988749895L + 0.1234L, 2.0L) - 0.5L; };
  for (BUF_UNIT& u : net.ibuf) {
    u.a = 1 + siguiente();
    u.b = siguiente();
  }
  for (long double& r : net.centros) r = siguiente();
  for (long double& b : net.anchos) b = 1 + siguiente();
  for (long double& a : net.wa) a = siguiente();
  for (PRBOUT_NEURON& u : net.prbout)
    for (std::uint32_t h = 0; h < net.nh; ++h) u.w[h] = 10 * siguiente();
  for (BUF_UNIT& u : net.obuf) {
    u.a = 2 + siguiente();
    u.b = siguiente();
  }
  for (std::uint32_t h = 0; h < net.nh; ++h) net.rb[h].nvr = 7 * h + 3;
  net.p0 = 0.5;
  net.maxp0 = 1;
  net.p95 = 0.1;
  net.minp95 = -2;
  net.maxp95 = 2;
  net.p99 = 0.01;
  net.minp99 = -3;
  net.maxp99 = 3;
  net.p100 = 0.001;
  net.maxp100 = 4;
  net.p_100 = 0.0002;
}

struct Forma {
  std::uint32_t ni, nh, no;
};

class PesosZelbrin : public ::testing::TestWithParam<Forma> {};

TEST_P(PesosZelbrin, RoundTripReproducesEveryEvaluationBitForBit) {
  const Forma f = GetParam();
  auto a = red(f.ni, f.nh, f.no);
  llena(*a, 0.37);
  const VECTOR w = a->salva_pesos(*a);
  ASSERT_EQ(w.ndat, 2 * f.ni + 2 * f.ni * f.nh + f.nh * f.no + 2 * f.no + 2 * f.nh + 14);
  ASSERT_EQ(w.d.size(), w.ndat);
  EXPECT_EQ(w.d[0], f.ni);
  EXPECT_EQ(w.d[3], a->ibuf[0].a);
  EXPECT_EQ(w.d[w.ndat - 11], a->p0);  // the centiles in the order of the representation files
  EXPECT_EQ(w.d[w.ndat - 1], a->p_100);
  auto b = red(f.ni, f.nh, f.no);
  b->carga_pesos(*b, w);
  EXPECT_EQ(b->salva_pesos(*b).d, w.d);
  for (int n = 0; n < 20; ++n) {
    for (std::uint32_t j = 0; j < f.ni; ++j) a->i[j] = b->i[j] = 0.1L * n - 0.05L * j - 0.7L;
    a->evalua(*a);
    b->evalua(*b);
    EXPECT_EQ(a->p, b->p);
    EXPECT_EQ(a->vlr, b->vlr);
    for (std::uint32_t h = 0; h < f.nh; ++h) EXPECT_EQ(a->rb[h].o, b->rb[h].o);
    for (std::uint32_t k = 0; k < f.no; ++k) {
      EXPECT_EQ(a->obuf[k].o, b->obuf[k].o);
      EXPECT_EQ(a->emax[k], b->emax[k]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formas, PesosZelbrin,
                         ::testing::Values(Forma{1, 1, 0}, Forma{2, 5, 1}, Forma{4, 8, 3}, Forma{3, 2, 0}));

TEST(PesosZelbrinDeathTest, RefusesAnotherNetworksVectorWithStatusZero) {
  auto cinco = red(2, 5, 1);
  llena(*cinco, 0.2);
  const VECTOR w = cinco->salva_pesos(*cinco);
  const std::uint32_t otras[][3] = {{2, 6, 1}, {3, 5, 1}, {2, 5, 0}};
  for (const auto& o : otras) {
    auto otra = red(o[0], o[1], o[2]);
    EXPECT_EXIT((a_stderr(), otra->carga_pesos(*otra, w)), ::testing::ExitedWithCode(kEntradaErronea),
                "\n\nPesos incompatibles\n\n$");
  }
}

TEST(PesosZelbrinDeathTest, RefusesAVectorShorterThanItsLayout) {
  auto net = red(2, 5, 1);
  VECTOR w = net->salva_pesos(*net);
  VECTOR corto = w;
  corto.ndat -= 1;
  corto.d.resize(corto.ndat);
  EXPECT_EXIT((a_stderr(), net->carga_pesos(*net, corto)), ::testing::ExitedWithCode(kEntradaErronea),
              "Pesos incompatibles");
  corto.ndat = 2;  // not even the dimensions
  EXPECT_EXIT((a_stderr(), net->carga_pesos(*net, corto)), ::testing::ExitedWithCode(kEntradaErronea),
              "Pesos incompatibles");
  w.ndat = w.ndat / 2;  // a count that claims less than the values it holds
  EXPECT_EXIT((a_stderr(), net->carga_pesos(*net, w)), ::testing::ExitedWithCode(kEntradaErronea),
              "Pesos incompatibles");
}

TEST(PesosZelbrin, WinCountsOutOfRangeAreClampedNotUndefined) {
  auto net = red(1, 3, 0);
  VECTOR w = net->salva_pesos(*net);
  const std::size_t nvr = 3 + 2 + 3 + 3 + 3;
  w.d[nvr] = -5;
  w.d[nvr + 1] = 1e30L;
  w.d[nvr + 2] = 41.9L;
  net->carga_pesos(*net, w);
  EXPECT_EQ(net->rb[0].nvr, 0u);
  EXPECT_EQ(net->rb[1].nvr, 4294967295u);
  EXPECT_EQ(net->rb[2].nvr, 41u);
}

}  // namespace
