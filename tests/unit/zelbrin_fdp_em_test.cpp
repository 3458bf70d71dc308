#include "korbent/zelbrin_fdp_em.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "comun/zelbrin.hpp"
#include "korbent/zelbrin_fdp_entrena.hpp"

namespace {

using prueba::con_filas;
using prueba::objetivo;

// A diagonal Gaussian cluster: its centre and standard deviations per input, and how many rows it gives.
struct Grupo {
  std::vector<long double> centro, desv;
  int filas;
};

// Rows drawn from each cluster, then shifted and scaled so that their mean and population standard deviation
// along every input are exactly the cluster's.
MATRIZ grupos(const std::vector<Grupo>& gs, unsigned semilla) {
  std::mt19937 gen(semilla);
  std::normal_distribution<double> z;
  std::vector<std::vector<long double>> filas;
  for (const Grupo& g : gs) {
    const std::size_t ni = g.centro.size(), desde = filas.size();
    for (int n = 0; n < g.filas; ++n) {
      filas.emplace_back(ni);
      for (long double& v : filas.back()) v = z(gen);
    }
    for (std::size_t j = 0; j < ni; ++j) {
      long double m = 0, v = 0;
      for (std::size_t n = desde; n < filas.size(); ++n) m += filas[n][j];
      m /= g.filas;
      for (std::size_t n = desde; n < filas.size(); ++n) v += (filas[n][j] - m) * (filas[n][j] - m);
      const long double s = std::sqrt(v / g.filas);
      for (std::size_t n = desde; n < filas.size(); ++n) filas[n][j] = g.centro[j] + g.desv[j] * (filas[n][j] - m) / s;
    }
  }
  return prueba::matriz(filas);
}

// Overlapping clusters, a row far from every kernel and a duplicated row; scaled inputs, so that the
// kernels live in the normalised space.
class IteracionEmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    datos = grupos(
        {{{0, 0, 0}, {1, 0.5, 0.8}, 120}, {{1.5, 1, -1}, {0.6, 1.2, 0.7}, 80}, {{-2, 2, 1}, {0.3, 0.3, 2}, 60}}, 4);
    datos.d.push_back({1e4, 1e4, 1e4});
    datos.d.push_back(datos.d[7]);
    datos.ndat = static_cast<std::uint32_t>(datos.d.size());
    net = prueba::red_identidad(3, 4, 0);
    net->ibuf[0].a = 1.5;
    net->ibuf[0].b = -0.25;
    net->ibuf[2].a = 0.7;
    con_filas(*net, datos);
  }
  // A random start: centres among the rows, widths of either sign, unequal mixing weights.
  std::vector<long double> arranque(unsigned semilla) const {
    std::mt19937 gen(semilla);
    std::uniform_real_distribution<double> u(-1.5, 1.5), ancho(0.4, 2.0);
    std::vector<long double> w(tam_parametros_zelbrin_fdp(*net));
    const std::size_t nr = std::size_t{net->ni} * net->nh;
    for (std::size_t k = 0; k < nr; ++k) w[k] = u(gen);
    for (std::size_t k = nr; k < 2 * nr; ++k) w[k] = ancho(gen) * (gen() % 2 ? 1 : -1);
    for (std::size_t k = 2 * nr; k < w.size(); ++k) w[k] = u(gen);
    return w;
  }
  MATRIZ datos;
  std::unique_ptr<ZELBRIN_FDP> net;
};

// esperanza gives the objective of the conjugate gradients, and no iteration raises it.
TEST_F(IteracionEmTest, NoIterationRaisesTheObjective) {
  for (unsigned semilla = 1; semilla <= 6; ++semilla) {
    std::vector<long double> w = arranque(semilla);
    IteracionEm em(*net);
    long double antes = objetivo(*net, w);
    for (int it = 0; it < 40; ++it) {
      EXPECT_NEAR(em.esperanza(w), antes, 1e-15L * std::abs(antes)) << semilla << " " << it;
      em.maximiza(w);
      const long double despues = objetivo(*net, w);
      ASSERT_LE(despues, antes + 1e-17L * std::abs(antes)) << "start " << semilla << ", iteration " << it;
      antes = despues;
    }
  }
}

TEST_F(IteracionEmTest, ItsFixedPointIsAStationaryPointOfTheObjective) {
  std::vector<long double> w = arranque(2);
  IteracionEm em(*net);
  // Until the objective no longer falls at all.
  long double e = 1e30L, antes = 2e30L;
  for (int it = 0; it < 20000 && e < antes; ++it) {
    antes = e;
    e = em.esperanza(w);
    em.maximiza(w);
  }
  std::vector<long double> g;
  objetivo(*net, w, &g);
  for (std::size_t k = 0; k < g.size(); ++k) EXPECT_LT(std::abs(g[k]), 1e-8L) << k;
}

TEST_F(IteracionEmTest, ThreadCountChangesNoBit) {
  const std::vector<std::vector<long double>> filas = datos.d;
  for (int n = 0; n < 15; ++n) datos.d.insert(datos.d.end(), filas.begin(), filas.end());
  datos.ndat = static_cast<std::uint32_t>(datos.d.size());
  std::vector<long double> w1;
  long double e1 = 0;
  for (unsigned hilos : {1u, 2u, 3u}) {
    auto red = prueba::red_identidad(3, 4, 0);
    red->hilos = hilos;
    con_filas(*red, datos);
    std::vector<long double> w = arranque(3);
    IteracionEm em(*red);
    long double e = 0;
    for (int it = 0; it < 3; ++it) {
      e = em.esperanza(w);
      em.maximiza(w);
    }
    if (hilos == 1) w1 = w, e1 = e;
    EXPECT_EQ(w, w1) << hilos;
    EXPECT_EQ(e, e1) << hilos;
  }
}

// A kernel on a duplicated row is held off collapsing by the penalty alone, and one that no row reaches
// keeps its centre and widths; nothing becomes infinite or not a number.
TEST(IteracionEmSana, DuplicatedRowAndUnreachedKernel) {
  MATRIZ m = grupos({{{0, 0}, {1, 1}, 40}}, 7);
  m.d.push_back({6, 6});
  m.d.push_back({6, 6});
  m.ndat = 42;
  auto net = prueba::red_identidad(2, 3, 0);
  con_filas(*net, m);
  std::vector<long double> w = {0.1, -0.1, 6, 6, 1e3, 1e3, 1, 1, 50, 50, 1, 1, 1, 1, 1};
  IteracionEm em(*net);
  for (int it = 0; it < 200; ++it) {
    em.esperanza(w);
    em.maximiza(w);
  }
  for (long double v : w) EXPECT_TRUE(std::isfinite(v));
  // Two rows' worth of responsibility, no spread: b^2 = 2 / (2 c), c = 0.001 * 42 / 3.
  const long double tope = std::sqrt(2 / (2 * 0.001L * 42 / 3));
  EXPECT_NEAR(w[2], 6, 1e-9);
  EXPECT_NEAR(w[8], tope, 1e-6);
  EXPECT_NEAR(w[9], tope, 1e-6);
  EXPECT_EQ(w[4], 1e3);
  EXPECT_EQ(w[10], 1);
  EXPECT_EQ(w[14], 0);  // its share of the rows
  EXPECT_TRUE(std::isfinite(objetivo(*net, w)));
}

// Two spikes sharing a lone row hold half a row each, too little to move them: they are still widened to the
// penalty's bound for one row, without raising the objective.
TEST(IteracionEmSana, KernelsBelowOneRowAreWidenedToThePenaltysBound) {
  MATRIZ m = grupos({{{0, 0}, {1, 1}, 40}}, 7);
  m.d.push_back({6, 6});
  m.ndat = 41;
  auto net = prueba::red_identidad(2, 3, 0);
  con_filas(*net, m);
  std::vector<long double> w = {0, 0, 6, 6, 6, 6, 1, 1, 200, 200, 200, -200, 1, 1, 1};
  IteracionEm em(*net);
  const long double antes = em.esperanza(w);
  em.maximiza(w);
  EXPECT_LE(em.esperanza(w), antes);
  const long double tope = std::sqrt(1 / (2 * 0.001L * 41 / 3));
  for (std::size_t k = 8; k < 12; ++k) EXPECT_NEAR(std::abs(w[k]), tope, 1e-12) << k;
  EXPECT_LT(w[11], 0);
  EXPECT_EQ(w[4], 6);
}

// Clusters far apart whose rows have exactly the truth's means and spreads: from the truth perturbed, the
// cycles go back to it (the widths as the penalty widens them, s^2 + 0.001 / (nh share)) and end by
// themselves; a report that asks to stop ends them at once.
TEST(IteracionEmSana, ReturnsToAKnownMixtureFromItsTruthPerturbed) {
  const std::vector<Grupo> verdad = {{{0, 0}, {1, 0.8}, 200}, {{12, 3}, {0.9, 1.3}, 300}, {{-4, 14}, {1.1, 1}, 500}};
  const MATRIZ m = grupos(verdad, 11);
  auto net = prueba::red_identidad(2, 3, 0);
  con_filas(*net, m);
  std::vector<long double> w(15);
  for (std::size_t h = 0; h < 3; ++h) {
    w[12 + h] = std::sqrt((h + 2) / 9.0L);
    for (std::size_t j = 0; j < 2; ++j) {
      w[h * 2 + j] = verdad[h].centro[j] + (j ? 0.3 : -0.4);
      w[6 + h * 2 + j] = 1.25 / (std::sqrt(2.0L) * verdad[h].desv[j]);
    }
  }
  const std::vector<long double> inicio = w;
  unsigned informes = 0;
  FinGconj fin;
  em_zelbrin_fdp(
      *net, w, 1000, [&](std::span<const long double>, long double) { return ++informes > 1000; }, &fin);
  EXPECT_EQ(fin.motivo, MotivoFin::sin_mejora);
  EXPECT_LT(fin.ciclos, 1000u);
  EXPECT_EQ(informes, fin.ciclos);
  long double s = 0;
  for (std::size_t h = 0; h < 3; ++h) s += w[12 + h] * w[12 + h];
  for (std::size_t h = 0; h < 3; ++h) {
    const long double parte = verdad[h].filas / 1000.0L;
    EXPECT_NEAR(w[12 + h] * w[12 + h] / s, parte, 1e-3) << h;
    for (std::size_t j = 0; j < 2; ++j) {
      const long double d = verdad[h].desv[j];
      EXPECT_NEAR(w[h * 2 + j], verdad[h].centro[j], 1e-3) << h << j;
      EXPECT_NEAR(w[6 + h * 2 + j], 1 / std::sqrt(2 * (d * d + 0.001 / (3 * parte))), 1e-3) << h << j;
    }
  }

  w = inicio;
  informes = 0;
  em_zelbrin_fdp(
      *net, w, 1000, [&](std::span<const long double>, long double) { return ++informes == 2; }, &fin);
  EXPECT_EQ(fin.motivo, MotivoFin::usuario);
  EXPECT_EQ(fin.ciclos, 2u);
}

}  // namespace
