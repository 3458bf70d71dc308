#include "korbent/zelbrin_fdp_centil.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "comun/directorio_propio.hpp"
#include "comun/zelbrin.hpp"

namespace {

namespace fs = std::filesystem;
using prueba::matriz;

std::unique_ptr<ZELBRIN_FDP> red_unitaria(std::uint32_t ni, std::uint32_t nh, std::uint32_t no) {
  auto net = prueba::red_identidad(ni, nh, no);
  for (long double& b : net->anchos) b = 1;
  for (long double& a : net->wa) a = 1;
  return net;
}

long double densidad(ZELBRIN_FDP& net, long double x) {
  net.i[0] = x;
  net.evalua(net);
  return net.p;
}

// Rows 0.1 i, i = 0 .. n-1, around one kernel at 0: the density falls with i, so sorted ascending by
// density position m holds row n-1-m.
class Centiles : public ::testing::TestWithParam<int> {};

TEST_P(Centiles, ThresholdsAndRangesSitAtTheirPositions) {
  const int n = GetParam();
  auto net = red_unitaria(1, 1, 0);
  std::vector<std::vector<long double>> filas;
  for (int i = 0; i < n; ++i) filas.push_back({0.1L * i});
  compute_zelbrin_fdp_centil(*net, filas, static_cast<std::uint32_t>(n));
  const int n95 = n == 1 ? 0 : n == 21 ? 1 : 5, n99 = n == 101 ? 1 : 0;
  const auto fila = [&](int m) { return n - 1 - m; };
  EXPECT_EQ(net->p0, densidad(*net, 0));
  EXPECT_EQ(net->p100, densidad(*net, filas[fila(0)][0]));
  EXPECT_EQ(net->p95, densidad(*net, filas[fila(n95)][0]));
  EXPECT_EQ(net->p99, densidad(*net, filas[fila(n99)][0]));
  EXPECT_EQ(net->p_100, net->p100 * net->p99 / net->p0);
  EXPECT_EQ(net->maxp0, 0);
  EXPECT_EQ(net->maxp100, filas[fila(0)][0]);
  // The bands hold their threshold row and every denser one: rows 0 .. fila(n95).
  EXPECT_EQ(net->minp95, 0);
  EXPECT_EQ(net->maxp95, filas[fila(n95)][0]);
  EXPECT_EQ(net->minp99, 0);
  EXPECT_EQ(net->maxp99, filas[fila(n99)][0]);
  EXPECT_EQ(net->rb[0].nvr, static_cast<std::uint32_t>(n));
}

INSTANTIATE_TEST_SUITE_P(Filas, Centiles, ::testing::Values(1, 21, 101));

TEST(CentilesZelbrin, OneRowCollapsesEverything) {
  auto net = red_unitaria(2, 1, 0);
  const std::vector<std::vector<long double>> filas{{0.3, -0.2}};
  compute_zelbrin_fdp_centil(*net, filas, 1);
  EXPECT_GT(net->p0, 0);
  for (long double v : {net->p95, net->p99, net->p100, net->p_100}) EXPECT_EQ(v, net->p0);
  for (long double v : {net->maxp95, net->minp95, net->maxp99, net->minp99, net->maxp100, net->maxp0})
    EXPECT_EQ(v, filas[0][0]);
}

TEST(CentilesZelbrin, AllDensitiesZeroGiveTheFloorThreshold) {
  auto net = red_unitaria(1, 2, 0);
  const std::vector<std::vector<long double>> filas{{1e4}, {-1e4}, {2e4}};
  compute_zelbrin_fdp_centil(*net, filas, 3);
  EXPECT_EQ(net->p0, 0);
  EXPECT_EQ(net->p100, 0);
  EXPECT_EQ(net->p_100, 1e-30);
  EXPECT_EQ(net->rb[0].nvr, 3u);  // every output 0: the lower kernel wins each tie
  EXPECT_EQ(net->rb[1].nvr, 0u);
}

TEST(CentilesZelbrin, EqualKernelsLeaveTheWinsToTheLowerOne) {
  auto net = red_unitaria(1, 3, 0);
  net->centros = {2, 0.5, 0.5};
  const std::vector<std::vector<long double>> filas{{0.4}, {0.6}, {2.1}};
  compute_zelbrin_fdp_centil(*net, filas, 3);
  EXPECT_EQ(net->rb[0].nvr, 1u);
  EXPECT_EQ(net->rb[1].nvr, 2u);
  EXPECT_EQ(net->rb[2].nvr, 0u);
}

class Orden : public ::testing::Test {
 protected:
  void SetUp() override {
    net = red_unitaria(2, 3, 1);
    net->ibuf[0].a = 2;  // x0 = (u0 - 1) / 2
    net->ibuf[0].b = 1;
    net->ibuf[1].a = -1;  // x1 = -u1
    // Sums in the data's units: 1.5 - 1 = 0.5, -0.5 + 3 = 2.5, 0 - 0 = 0. Last coordinates: 1, -3, 0.
    net->centros = {4, 1, 0, -3, 1, 0};
    net->anchos = {10, 11, 20, 21, 30, 31};
    net->wa = {0.1L, 0.2L, 0.3L};
    net->prbout[0].w = {5, 6, 7, 99};
    for (std::uint32_t h = 0; h < 3; ++h) net->rb[h].nvr = 100 + h;
  }
  void espera_orden(std::vector<std::uint32_t> antes) {
    const std::vector<long double> c{4, 1, 0, -3, 1, 0}, b{10, 11, 20, 21, 30, 31}, wa{0.1L, 0.2L, 0.3L}, w{5, 6, 7};
    for (std::size_t m = 0; m < 3; ++m) {
      const std::uint32_t h = antes[m];
      EXPECT_EQ(net->rb[m].r[0], c[2 * h]) << m;
      EXPECT_EQ(net->rb[m].r[1], c[2 * h + 1]) << m;
      EXPECT_EQ(net->rb[m].b[0], b[2 * h]) << m;
      EXPECT_EQ(net->rb[m].b[1], b[2 * h + 1]) << m;
      EXPECT_EQ(net->wa[m], wa[h]) << m;
      EXPECT_EQ(net->prbout[0].w[m], w[h]) << m;
      EXPECT_EQ(net->rb[m].nvr, 100 + h) << m;
      EXPECT_EQ(net->rb[m].r.data(), net->centros.data() + 2 * m);  // the kernels keep their rows
    }
    EXPECT_EQ(net->prbout[0].w[3], 99);
  }
  std::unique_ptr<ZELBRIN_FDP> net;
};

TEST_F(Orden, BySumInTheDataUnits) {
  ordena_zelbrin_fdp(*net, ClaveOrden::suma);
  espera_orden({2, 0, 1});
}

TEST_F(Orden, ByLastNormalisedCoordinate) {
  ordena_zelbrin_fdp(*net, ClaveOrden::ultima_coordenada);
  espera_orden({1, 2, 0});
}

TEST_F(Orden, TheNetworksOwnKeyAndEqualKeysKeepTheirOrder) {
  net->clave = ClaveOrden::ultima_coordenada;
  net->centros = {4, 1, 0, 1, 1, -3};
  ordena_zelbrin_fdp(*net);
  EXPECT_EQ(net->wa[0], 0.3L);
  EXPECT_EQ(net->wa[1], 0.1L);
  EXPECT_EQ(net->wa[2], 0.2L);
}

TEST_F(Orden, KeepsTheMixtureDensity) {
  net->anchos = {1, 0.5L, 2, 1, 0.7L, 1.3L};
  const long double x[] = {0.2L, -0.4L};
  std::copy(std::begin(x), std::end(x), net->i.begin());
  net->evalua(*net);
  const long double p = net->p, y = net->prbout[0].o;
  ordena_zelbrin_fdp(*net, ClaveOrden::suma);
  net->evalua(*net);
  EXPECT_NEAR(net->p, p, 1e-18 * p);
  EXPECT_NEAR(net->prbout[0].o, y, 1e-17);
}

// Runs in a fresh directory, since the test writes <name>.out where the program runs.
class Salida : public DirectorioPropio {
 protected:
};

TEST_F(Salida, EmptyValidationSetWritesNoFile) {
  auto net = red_unitaria(1, 2, 1);
  EXPECT_EQ(net->test(*net, MATRIZ{}), 0);
  EXPECT_FALSE(fs::exists("prueba.out"));
}

TEST_F(Salida, OneLinePerRowWithEveryFieldFollowedByATab) {
  auto net = red_unitaria(1, 2, 1);
  net->centros = {-1, 1};
  net->wa = {1, 2};
  net->prbout[0].w = {4, 9, 0};
  net->obuf[0].a = 1;
  const std::vector<std::vector<long double>> entreno{{-1}, {0}, {1}, {0.5}};
  compute_zelbrin_fdp_centil(*net, entreno, 4);
  const MATRIZ v = matriz(2, {{-1, 0}, {1e4, 0}, {0.9, 0}});
  const long double r = net->test(*net, v);
  const std::string out = lee("prueba.out");

  std::vector<std::vector<std::string>> lineas;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) {
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(l.back(), '\t');
    std::vector<std::string> campos;
    std::istringstream ls(l);
    for (std::string c; std::getline(ls, c, '\t');) campos.push_back(c);
    EXPECT_EQ(campos.size(), 7u) << l;
    lineas.push_back(campos);
  }
  ASSERT_EQ(lineas.size(), 3u);
  EXPECT_EQ(out.back(), '\n');

  // Row 0 sits on kernel 0, row 2 near kernel 1; row 1 has density 0.
  long double suma = 0;
  for (long double x : {-1.0L, 0.9L}) suma += std::log(densidad(*net, x));
  EXPECT_NEAR(r, -suma / 3, 1e-15);
  char esperado[64];
  std::snprintf(esperado, sizeof esperado, "%Lf", std::log10(densidad(*net, -1)));
  EXPECT_EQ(lineas[0][0], esperado);
  EXPECT_EQ(lineas[0][2], "0");
  EXPECT_EQ(lineas[2][2], "1");
  EXPECT_EQ(lineas[1][0], "-4916.473389");
  EXPECT_EQ(lineas[1][1], "-1.000000");
  EXPECT_EQ(lineas[1][3], "0.0");
  EXPECT_EQ(lineas[1][4], "0.0");
  for (const auto& l : {lineas[0], lineas[2]}) {
    EXPECT_NEAR(std::stold(l[3]) + std::stold(l[4]), 1, 2e-6);
    const long double y = std::stold(l[5]);
    EXPECT_GT(y, 4);
    EXPECT_LT(y, 9);
    EXPECT_NEAR(std::stold(l[6]), 3 * std::sqrt(y), 1e-5);
  }
}

TEST_F(Salida, NoOutputsGiveThreePlusKernelFieldsAndTiesGoToTheLowerKernel) {
  auto net = red_unitaria(1, 3, 0);
  net->centros = {2, 0, 0};  // kernels 1 and 2 are the same
  net->test(*net, matriz(1, {{0.1}}));
  const std::string out = lee("prueba.out");
  EXPECT_EQ(std::count(out.begin(), out.end(), '\t'), 6);
  std::istringstream in(out);
  std::string p, vlr, hmax;
  std::getline(in, p, '\t');
  std::getline(in, vlr, '\t');
  std::getline(in, hmax, '\t');
  EXPECT_EQ(hmax, "1");
}

TEST_F(Salida, NoMixingWeightWritesNoNumberThatIsNot) {
  auto net = red_unitaria(1, 2, 1);
  net->wa = {0, 0};
  net->test(*net, matriz(2, {{0.1, 0}}));
  const std::string out = lee("prueba.out");
  EXPECT_EQ(out.find("nan"), std::string::npos) << out;
  EXPECT_EQ(out.rfind("-4916.473389\t", 0), 0u) << out;
}

}  // namespace
