#include "korbent/zelbrin_fdp_inic.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "comun/directorio_propio.hpp"
#include "comun/salida.hpp"
#include "comun/zelbrin.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"
#include "korbent/zelbrin_fdp_rep.hpp"

namespace {

namespace fs = std::filesystem;
using prueba::matriz;
using prueba::red;

const long double kRaiz2 = std::sqrt(2.0L);

// Three inputs: a constant 5, a constant 0 and a column of mean 2 and spread 2; then one output column.
MATRIZ tres_columnas() { return matriz({{5, 0, 0, 9}, {5, 0, 4, 8}, {5, 0, 4, 7}, {5, 0, 0, 6}}); }

// Mode 3 reads a representation from the current directory.
using Inicializacion = DirectorioPropio;

TEST_F(Inicializacion, InputsAreStandardisedAndConstantColumnsOnlyScaled) {
  auto net = red(3, 1, 1);
  const MATRIZ m = tres_columnas();
  net->inicializa_pesos(*net, m, 1);
  EXPECT_EQ(net->ibuf[0].a, 1 / 5.0L);
  EXPECT_EQ(net->ibuf[0].b, 0);
  EXPECT_EQ(net->ibuf[1].a, 1);
  EXPECT_EQ(net->ibuf[1].b, 0);
  EXPECT_EQ(net->ibuf[2].a, 0.5);
  EXPECT_EQ(net->ibuf[2].b, -1);
  for (const auto& fila : m.d) {
    std::copy(fila.begin(), fila.begin() + 3, net->i.begin());
    net->evalua(*net);
    EXPECT_EQ(net->ibuf[0].o, 1);  // a constant 5 becomes exactly 1
    EXPECT_EQ(net->ibuf[1].o, 0);
  }
  // The outputs are not rescaled and start without values.
  EXPECT_EQ(net->obuf[0].a, 1);
  EXPECT_EQ(net->obuf[0].b, 0);
  EXPECT_EQ(net->prbout[0].w[0], 0);
}

TEST_F(Inicializacion, OneKernelByKmeansSitsAtTheMeanWithUnitWidths) {
  auto net = red(3, 1, 1);
  net->inicializa_pesos(*net, tres_columnas(), 1);
  EXPECT_NEAR(net->rb[0].r[0], 1, 1e-18);
  EXPECT_NEAR(net->rb[0].r[1], 0, 1e-18);
  EXPECT_NEAR(net->rb[0].r[2], 0, 1e-18);
  // Standardised spread 1; the constant columns have none and get the least width, 0.01.
  EXPECT_NEAR(net->rb[0].b[0], 1 / (kRaiz2 * 0.01), 1e-12);
  EXPECT_NEAR(net->rb[0].b[1], 1 / (kRaiz2 * 0.01), 1e-12);
  EXPECT_NEAR(net->rb[0].b[2], 1 / kRaiz2, 1e-17);
  EXPECT_EQ(net->wa[0], 1);
}

TEST_F(Inicializacion, UnknownModeLeavesTheCentresAtTheOrigin) {
  auto net = red(1, 3, 0);
  net->inicializa_pesos(*net, matriz({{1}, {3}, {5}, {7}}), 7);
  for (const ZELBRIN_NEURON& k : net->rb) EXPECT_EQ(k.r[0], 0);
  // All rows are nearest to kernel 0 (the first of equal distances); the others have no cluster.
  EXPECT_NEAR(net->rb[0].b[0], 1 / kRaiz2, 1e-17);
  EXPECT_NEAR(net->rb[1].b[0], 1 / (kRaiz2 * 0.01), 1e-12);
  EXPECT_NEAR(net->rb[2].b[0], 1 / (kRaiz2 * 0.01), 1e-12);
  for (long double wa : net->wa) EXPECT_NEAR(wa * wa, 1 / 3.0L, 1e-18);
}

// Two tight groups far apart: each clustering mode puts one kernel on each.
class ModoDeInicializacion : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(ModoDeInicializacion, PlacesOneKernelOnEachGroupAndLeavesTheRowsAsRead) {
  std::vector<std::vector<long double>> filas;
  for (int k = 0; k < 20; ++k) {
    const long double e = 0.01L * (k % 5);
    filas.push_back({k < 10 ? 1 + e : 9 + e, k < 10 ? -3 - e : 3 - e, 0.5L * k});
  }
  const MATRIZ m = matriz(filas);
  const MATRIZ copia = m;
  auto net = red(2, 2, 1);
  if (GetParam() == 0) a_stderr();  // neural gas prints its progress
  net->inicializa_pesos(*net, m, GetParam());
  EXPECT_EQ(m.d, copia.d);
  std::vector<long double> x0;
  for (const ZELBRIN_NEURON& k : net->rb) x0.push_back((k.r[0] - net->ibuf[0].b) / net->ibuf[0].a);
  std::sort(x0.begin(), x0.end());
  EXPECT_NEAR(x0[0], 1.02, 0.05);
  EXPECT_NEAR(x0[1], 9.02, 0.05);
}

INSTANTIATE_TEST_SUITE_P(Clustering, ModoDeInicializacion, ::testing::Values(0, 1, 2));

TEST_F(Inicializacion, ModeThreeLoadsTheRepresentationAndNothingElse) {
  auto escrita = red(2, 2, 1);
  escrita->inicializa_pesos(*escrita, matriz({{1, 2, 0}, {3, 5, 0}, {4, 1, 0}}), 2);
  escribe_rep_sig_fdp(*escrita);
  auto leida = red(2, 2, 1);
  leida->inicializa_pesos(*leida, matriz({{100, 200, 0}, {300, 500, 0}}), 3);
  EXPECT_EQ(leida->ibuf[0].a, 1);  // the stored representation is in the data's units
  EXPECT_EQ(leida->ibuf[1].b, 0);
  for (std::size_t h = 0; h < 2; ++h)
    EXPECT_NEAR(leida->rb[h].r[1], (escrita->rb[h].r[1] - escrita->ibuf[1].b) / escrita->ibuf[1].a, 1e-5);
}

}  // namespace
