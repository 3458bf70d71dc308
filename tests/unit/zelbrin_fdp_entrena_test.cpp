#include "korbent/zelbrin_fdp_entrena.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "comun/diferencia.hpp"
#include "comun/zelbrin.hpp"
#include "korbent/zelbrin_fdp_centil.hpp"

namespace {

using prueba::con_filas;
using prueba::matriz;
using prueba::objetivo;

// The penalty's share of the objective, 0.001 sum(b^2) / nh, and of its gradient.
long double penalizacion(const ZELBRIN_FDP& net, const std::vector<long double>& w, std::vector<long double>* g) {
  const std::size_t nr = std::size_t{net.ni} * net.nh;
  long double b2 = 0;
  for (std::size_t k = nr; k < 2 * nr; ++k) {
    b2 += w[k] * w[k];
    if (g) (*g)[k] = 0.002 * w[k] / net.nh;
  }
  return 0.001 * b2 / net.nh;
}

struct CasoGradiente {
  const char* nombre;
  std::uint32_t ni, nh;
  int lejanas;  // rows far from every kernel, whose mixture is exactly 0
  bool sin_penalizacion;
};

void PrintTo(const CasoGradiente& c, std::ostream* os) { *os << c.nombre; }

class GradienteZelbrin : public ::testing::TestWithParam<CasoGradiente> {};

TEST_P(GradienteZelbrin, AgreesWithCentralDifferences) {
  const CasoGradiente c = GetParam();
  auto net = prueba::red_identidad(c.ni, c.nh, 0);
  net->ibuf[0].a = 1.5;
  net->ibuf[0].b = -0.25;
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> u(-1, 1), ancho(0.6, 1.4);
  std::vector<std::vector<long double>> filas;
  for (int n = 0; n < 12; ++n) {
    std::vector<long double> x(c.ni);
    for (long double& v : x) v = u(gen);
    filas.push_back(x);
  }
  for (int n = 0; n < c.lejanas; ++n) filas.push_back(std::vector<long double>(c.ni, 1e3L * (n + 1)));
  const MATRIZ m = matriz(c.ni, filas);
  con_filas(*net, m);

  const std::size_t nr = std::size_t{c.ni} * c.nh;
  std::vector<long double> w(2 * nr + c.nh), dw(w.size());
  for (std::size_t k = 0; k < nr; ++k) w[k] = u(gen);
  for (std::size_t k = nr; k < 2 * nr; ++k) w[k] = ancho(gen) * (k % 3 == 0 ? -1 : 1);  // signs of b matter
  for (std::size_t k = 2 * nr; k < w.size(); ++k) w[k] = u(gen) + (k % 2 ? 1.2 : -1.2);
  evalua_grad_zelbrin_fdp(w, dw, *net);
  std::vector<long double> gpen(w.size(), 0);
  if (c.sin_penalizacion) penalizacion(*net, w, &gpen);

  for (std::size_t k = 0; k < w.size(); ++k) {
    long double fd = prueba::diferencia_central(w, k, [&] { return objetivo(*net, w); });
    if (c.sin_penalizacion) fd -= prueba::diferencia_central(w, k, [&] { return penalizacion(*net, w, nullptr); });
    const long double analitico = dw[k] - gpen[k];
    EXPECT_NEAR(analitico, fd, 1e-9 * std::max(1.0L, std::abs(fd))) << "weight " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, GradienteZelbrin,
                         ::testing::Values(CasoGradiente{"cerca", 2, 3, 0, false},
                                           CasoGradiente{"con_lejanas", 3, 4, 3, false},
                                           CasoGradiente{"sin_penalizacion", 2, 3, 2, true},
                                           CasoGradiente{"una_entrada", 1, 2, 1, true}),
                         [](const auto& i) { return std::string(i.param.nombre); });

TEST(ObjetivoZelbrin, RowsFarFromEveryKernelOnlyDivide) {
  auto net = prueba::red_identidad(2, 2, 0);
  const std::vector<long double> w{0.1, -0.2, 0.4, 0.3, 1.1, 0.9, -1.3, 0.8, 0.7, 1.2};
  const MATRIZ cerca = matriz(2, {{0.1, 0.1}, {0.3, -0.2}, {-0.4, 0.5}});
  const MATRIZ mezcla = matriz(2, {{0.1, 0.1}, {1e4, 1e4}, {0.3, -0.2}, {-0.4, 0.5}, {-1e4, 2e4}});
  std::vector<long double> g1(w.size()), g2(w.size());
  con_filas(*net, cerca);
  const long double e1 = evalua_grad_zelbrin_fdp(w, g1, *net);
  con_filas(*net, mezcla);
  const long double e2 = evalua_grad_zelbrin_fdp(w, g2, *net);
  std::vector<long double> p(w.size(), 0);
  const long double ep = penalizacion(*net, w, &p);
  EXPECT_NEAR(e2 - ep, (e1 - ep) * 3 / 5, 1e-15);
  for (std::size_t k = 0; k < w.size(); ++k) EXPECT_NEAR(g2[k] - p[k], (g1[k] - p[k]) * 3 / 5, 1e-15) << k;
}

TEST(ObjetivoZelbrin, ZeroWidthFactorGivesAFiniteGradient) {
  auto net = prueba::red_identidad(2, 2, 0);
  const std::vector<long double> w{0.1, -0.2, 0.4, 0.3, 1.1, 0.0, -1.3, 0.8, 0.7, 1.2};
  const MATRIZ m = matriz(2, {{0.1, 0.1}, {0.3, -0.2}});
  con_filas(*net, m);
  std::vector<long double> g(w.size());
  EXPECT_TRUE(std::isfinite(evalua_grad_zelbrin_fdp(w, g, *net)));
  for (long double v : g) EXPECT_TRUE(std::isfinite(v));
}

// Reports seen by the progress callback, with a stop request at a chosen cycle.
struct Informe {
  std::uint32_t iter;
  long double etr, ets;
};
std::vector<Informe> informes;
std::uint32_t parar_en = 1000;
char anota(std::uint32_t iter, long double etr, long double ets) {
  informes.push_back({iter, etr, ets});
  return iter >= parar_en ? 1 : 0;
}

// The pass and the report share rows and kernels out among threads; every count gives the same bits. Rows
// for several blocks, kernels that do not share out evenly, and rows far from every kernel.
TEST(ObjetivoZelbrin, ThreadCountChangesNoBit) {
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> u(-1, 1), ancho(0.6, 1.4);
  std::vector<std::vector<long double>> filas;
  for (int n = 0; n < 4000; ++n) filas.push_back({u(gen), u(gen), n % 97 == 0 ? 1e3 : u(gen)});
  const MATRIZ m = matriz(3, filas);
  std::vector<long double> w(35);
  for (std::size_t k = 0; k < w.size(); ++k) w[k] = k < 15 ? u(gen) : ancho(gen);
  long double e1 = 0, etr1 = 0;
  std::vector<long double> g1;
  for (unsigned hilos : {1u, 2u, 3u}) {
    auto net = prueba::red_identidad(3, 5, 0);
    net->hilos = hilos;
    con_filas(*net, m);
    net->lp->seguimiento = anota;
    informes.clear();
    std::vector<long double> g(w.size());
    const long double e = evalua_grad_zelbrin_fdp(w, g, *net);
    Marcador<long double> marcador;
    actualiza_zelbrin_fdp(w, *net, marcador);
    ASSERT_EQ(informes.size(), 1u);
    if (hilos == 1) {
      e1 = e;
      g1 = g;
      etr1 = informes[0].etr;
    }
    EXPECT_EQ(e, e1) << hilos;
    EXPECT_EQ(g, g1) << hilos;
    EXPECT_EQ(informes[0].etr, etr1) << hilos;
  }
}

class Conserva : public ::testing::Test {
 protected:
  void SetUp() override {
    informes.clear();
    parar_en = 1000;
    net = prueba::red_identidad(1, 1, 0);
    net->anchos[0] = 1;
    net->wa[0] = 1;
    con_filas(*net, entreno);
    net->lp->seguimiento = anota;
  }
  void con_test() {
    net->tp = std::make_unique<ZELBRIN_FDP_TP>();
    net->tp->ts = prueba.d;
    net->tp->tsize = prueba.ndat;
  }
  // A kernel at c: the test row at 0 sees the same density from c and -c.
  static std::vector<long double> en(long double c) { return {c, 1, 1}; }
  void informa(long double c) { actualiza_zelbrin_fdp(en(c), *net, marcador); }

  MATRIZ entreno = matriz(1, {{0.2}, {0.7}, {-0.1}});
  MATRIZ prueba = matriz(1, {{0.0}});
  std::unique_ptr<ZELBRIN_FDP> net;
  Marcador<long double> marcador;
};

TEST_F(Conserva, KeepsTheStrictlyLowestTestValueStartingPointIncluded) {
  con_test();
  informa(2.0);
  EXPECT_EQ(net->lp->wopt, en(2.0));  // the starting point is kept until something beats it
  informa(0.5);
  informa(-0.5);  // the same test value: not kept
  informa(3.0);
  EXPECT_EQ(net->lp->wopt, en(0.5));
  ASSERT_EQ(informes.size(), 4u);
  EXPECT_EQ(informes[2].ets, informes[1].ets);
  EXPECT_NE(informes[2].etr, informes[1].etr);
  for (std::uint32_t k = 0; k < 4; ++k) EXPECT_EQ(informes[k].iter, k);
}

TEST_F(Conserva, WithoutTestSetKeepsTheLastReportAndReportsZero) {
  informa(0.5);
  informa(3.0);
  EXPECT_EQ(net->lp->wopt, en(3.0));
  for (const Informe& i : informes) EXPECT_EQ(i.ets, 0);
}

TEST_F(Conserva, ReportedValuesAreMinusMeanLogDensity) {
  con_test();
  informa(0.5);
  long double suma = 0;
  for (const auto& x : entreno.d) {
    net->i[0] = x[0];
    net->evalua(*net);
    suma += std::log(net->p);
  }
  net->i[0] = 0;
  net->evalua(*net);
  ASSERT_EQ(informes.size(), 1u);
  EXPECT_EQ(informes[0].etr, -suma / 3);
  EXPECT_EQ(informes[0].ets, -std::log(net->p));
}

class Entrena : public ::testing::Test {
 protected:
  void SetUp() override {
    informes.clear();
    parar_en = 1000;
    net = prueba::red_identidad(1, 2, 1);
    net->centros = {-0.8L, 0.9L};  // rows, not the spans: the spans stay wired to them
    net->anchos = {1.5L, 0.7L};
    net->wa = {1, 0.6L};
  }
  std::vector<long double> parametros() const {
    std::vector<long double> w(tam_parametros_zelbrin_fdp(*net));
    empaqueta_zelbrin_fdp(*net, w);
    return w;
  }
  MATRIZ entreno = matriz(2, {{-1.0, 1}, {-0.5, 1}, {0.2, 3}, {0.8, 3}, {1.1, 3}, {0.6, 3}, {-0.9, 1}});
  MATRIZ vacio;
  std::unique_ptr<ZELBRIN_FDP> net;
};

TEST_F(Entrena, NoCyclesKeepsTheStartAndStillComputesTheRest) {
  const std::vector<long double> antes = parametros();
  net->entrena(*net, 0, entreno, vacio, anota);
  EXPECT_TRUE(informes.empty());
  EXPECT_EQ(parametros(), antes);  // already in order by either key
  EXPECT_FALSE(net->lp);
  EXPECT_FALSE(net->tp);
  EXPECT_GT(net->p0, 0);
  EXPECT_EQ(net->rb[0].nvr + net->rb[1].nvr, 7u);
  EXPECT_GT(net->prbout[0].w[0], 1);  // kernel 0 sits on the rows whose target is 1
  EXPECT_LT(net->prbout[0].w[0], net->prbout[0].w[1]);
}

TEST_F(Entrena, OneCycleReportsOnceAndEndsWithTheStart) {
  const std::vector<long double> antes = parametros();
  net->entrena(*net, 1, entreno, vacio, anota);
  ASSERT_EQ(informes.size(), 1u);
  EXPECT_EQ(informes[0].iter, 0u);
  EXPECT_EQ(parametros(), antes);
}

TEST_F(Entrena, StopRequestEndsWithTheBestReportSoFar) {
  parar_en = 2;
  const MATRIZ prueba = matriz(2, {{0.1, 0}, {-0.6, 0}});
  net->entrena(*net, 50, entreno, prueba, anota);
  ASSERT_EQ(informes.size(), 3u);
  // The objective falls from the start, so the kept point is no longer the start.
  EXPECT_LT(informes[2].etr, informes[0].etr);
  const long double mejor = std::min({informes[0].ets, informes[1].ets, informes[2].ets});
  long double ets = 0;
  for (const auto& x : prueba.d) {
    net->i[0] = x[0];
    net->evalua(*net);
    ets -= std::log(net->p);
  }
  EXPECT_NEAR(ets / 2, mejor, 1e-15);  // the network holds the parameters of the best report
}

TEST(SalidasZelbrin, KernelWithoutShareGetsZeroOutputs) {
  auto net = prueba::red_identidad(1, 2, 2);
  net->centros = {0, 5};
  net->anchos = {1, 0};  // kernel 1 has no width factor: its output is 0 everywhere
  net->wa = {1, 1};
  net->obuf[1].a = 7;
  const MATRIZ m = matriz(3, {{0.1, 4, 2}, {-0.3, 4, 6}});
  calcula_zelbrin_fdp_e2(*net, m);
  EXPECT_NEAR(net->prbout[0].w[0], 4, 1e-18);
  EXPECT_GT(net->prbout[1].w[0], 2);
  EXPECT_LT(net->prbout[1].w[0], 6);
  EXPECT_EQ(net->prbout[0].w[1], 0);
  EXPECT_EQ(net->prbout[1].w[1], 0);
  EXPECT_EQ(net->obuf[1].a, 1);
  EXPECT_EQ(net->obuf[1].b, 0);
}

}  // namespace
