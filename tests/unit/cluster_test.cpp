#include "common/cluster.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "common/errmess.hpp"
#include "common/pareja.hpp"
#include "comun/salida.hpp"

namespace {

// Centre storage owned by the test, handed to the routines as pointers, as the network does.
struct Centros {
  std::vector<std::vector<long double>> c;
  std::vector<long double*> p;
  explicit Centros(std::vector<std::vector<long double>> iniciales) : c(std::move(iniciales)) {
    for (auto& x : c) p.push_back(x.data());
  }
  Centros(std::size_t nr, std::size_t dim)
      : Centros(std::vector<std::vector<long double>>(nr, std::vector<long double>(dim))) {}
  std::uint32_t nr() const { return static_cast<std::uint32_t>(c.size()); }
};

std::uint32_t n(const Filas& v) { return static_cast<std::uint32_t>(v.size()); }

bool es_una_fila(const std::vector<long double>& x, const Filas& v) {
  for (const auto& f : v)
    if (std::equal(x.begin(), x.end(), f.begin())) return true;
  return false;
}

// Two tight groups of 50 points, around (0, 0) and (10, 10).
Filas dos_grupos() {
  Filas v;
  for (int k = 0; k < 50; ++k) {
    const long double a = (k % 7) * 0.05 - 0.15, b = (k % 5) * 0.05 - 0.1;
    v.push_back({a, b});
    v.push_back({10 + b, 10 - a});
  }
  return v;
}

TEST(Generador, SrandAlsoReseedsTheLongRandomDraws) {
  std::srand(1);
  const long a = random(), b = random();
  std::srand(1);
  EXPECT_EQ(random(), a);
  EXPECT_EQ(random(), b);
}

TEST(Parejas, SortAscendingWithNaNLast) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  std::vector<PAREJA> p{{0, 3}, {1, nan}, {2, 1}, {3, 2}, {4, nan}, {5, -1}};
  ordena_parejas(p);
  const std::vector<std::uint32_t> esperado{5, 2, 3, 0};
  for (std::size_t k = 0; k < esperado.size(); ++k) EXPECT_EQ(p[k].ind, esperado[k]) << "position " << k;
  EXPECT_TRUE(std::isnan(p[4].val) && std::isnan(p[5].val));
  EXPECT_EQ(compara_parejas({0, 1}, {1, 2}), -1);
  EXPECT_EQ(compara_parejas({0, 2}, {1, 2}), 0);
  EXPECT_EQ(compara_parejas({0, nan}, {1, 2}), 1);
}

TEST(KMeans, SingleCentreEndsAtTheMeanAfterOnePassWithoutSeeding) {
  const Filas v{{1, 2, 99}, {3, 6, 99}, {5, 1, 99}, {7, 3, 99}};  // the third column is past dim
  Centros r({{100, -100}});
  std::vector<std::uint32_t> nvr(1);
  k_means(1, r.p, nvr, n(v), v, 2, 1);
  EXPECT_EQ(r.c[0], (std::vector<long double>{4, 3}));
  EXPECT_EQ(nvr[0], 4u);
}

struct Siembra {
  const char* caso;
  std::vector<std::vector<long double>> iniciales;
  bool resembrado;
};

class KMeansSiembra : public ::testing::TestWithParam<Siembra> {};

// With no passes only the seeding test acts: either the given centres, or the rows the fixed seed picks.
TEST_P(KMeansSiembra, UnsetCentresBecomeTheRowsTheFixedSeedDraws) {
  const Filas v{{0, 0}, {1, 10}, {2, 20}, {3, 30}, {4, 40}, {5, 50}, {6, 60}};
  Centros r(GetParam().iniciales);
  std::vector<std::uint32_t> nvr(r.nr());
  k_means(r.nr(), r.p, nvr, n(v), v, 2, 0);
  if (!GetParam().resembrado) {
    EXPECT_EQ(r.c, GetParam().iniciales);
    return;
  }
  std::srand(1);
  for (std::uint32_t i = 0; i < r.nr(); ++i) EXPECT_EQ(r.c[i], v[static_cast<std::size_t>(random() % 7)]) << i;
}

INSTANTIATE_TEST_SUITE_P(Casos, KMeansSiembra,
                         ::testing::Values(Siembra{"all_zero", {{0, 0}, {0, 0}, {0, 0}}, true},
                                           Siembra{"differences_cancel", {{1, 0}, {0, 1}}, true},
                                           Siembra{"differ_by_less_than_1e_7", {{1e-7, 0}, {0, 0}}, true},
                                           Siembra{"differ", {{1, 0}, {0, 0}}, false},
                                           Siembra{"negative_sum", {{0, 0}, {0, 1}}, false},
                                           Siembra{"single_centre_is_kept", {{0, 0}}, false}),
                         [](const auto& info) { return std::string(info.param.caso); });

TEST(KMeans, CentresThatWinNothingAreReseededAndCountZero) {
  const Filas v{{1, 1}, {1, 1}, {10, 10}, {10, 10}, {1, 1}};  // an unreseeded empty centre would sit at 0
  Centros r(4, 2);
  std::vector<std::uint32_t> nvr(4, 77);
  k_means(4, r.p, nvr, n(v), v, 2, 5);
  std::uint32_t total = 0, vacios = 0;
  for (std::uint32_t i = 0; i < 4; ++i) {
    total += nvr[i];
    if (nvr[i] == 0) ++vacios;
    EXPECT_TRUE(es_una_fila(r.c[i], v)) << "centre " << i;
  }
  EXPECT_EQ(total, 5u);
  EXPECT_GE(vacios, 2u);
}

TEST(KMeans, RepeatsExactlyWhateverTheGeneratorStateBefore) {
  const Filas v = dos_grupos();
  Centros a(3, 2), b(3, 2);
  std::vector<std::uint32_t> na(3), nb(3);
  k_means(3, a.p, na, n(v), v, 2, 10);
  std::srand(12345);
  for (int k = 0; k < 17; ++k) (void)random();
  k_means(3, b.p, nb, n(v), v, 2, 10);
  EXPECT_EQ(a.c, b.c);
  EXPECT_EQ(na, nb);
}

TEST(Leader, WithNoGivenCentreStartsAtThePatternNearestTheMean) {
  struct Caso {
    Filas v;
    std::vector<std::vector<long double>> esperado;
  };
  const Caso casos[] = {
      {{{0, 0}, {2, 2}}, {{0, 0}, {2, 2}}},  // both equally near the mean: the first wins
      {{{2, 2}, {0, 0}}, {{2, 2}, {0, 0}}},
      {{{0}, {1}, {10}, {4}}, {{4}, {10}, {0}}},  // then the farthest from all chosen so far
  };
  for (const auto& c : casos) {
    const auto dim = static_cast<std::uint32_t>(c.v[0].size());
    Centros r(c.esperado.size(), dim);
    leader(r.nr(), 0, r.p, n(c.v), c.v, dim);
    EXPECT_EQ(r.c, c.esperado);
  }
}

TEST(Leader, KeepsTheGivenCentres) {
  const Filas v{{0}, {1}, {10}, {4}};
  Centros r({{1}, {-5}, {-5}});
  leader(3, 1, r.p, n(v), v, 1);
  EXPECT_EQ(r.c, (std::vector<std::vector<long double>>{{1}, {10}, {4}}));
}

class NGas : public ::testing::Test {
 protected:
  // Runs the neural gas and returns what it printed.
  std::string corre(Centros& r, std::vector<std::uint32_t>& nvr, const Filas& v, std::uint32_t nc) {
    ::testing::internal::CaptureStdout();
    n_gas(r.nr(), r.p, nvr, n(v), v, static_cast<std::uint32_t>(r.c[0].size()), nc);
    return ::testing::internal::GetCapturedStdout();
  }
};

TEST_F(NGas, PrintsAProgressLineEveryHundredSteps) {
  const Filas v = dos_grupos();
  Centros r(2, 2);
  std::vector<std::uint32_t> nvr(2);
  EXPECT_EQ(corre(r, nvr, v, 150),
            "\n\t\tCiclo 0000 del algoritmo NEURAL GAS"
            "\n\t\tCiclo 0100 del algoritmo NEURAL GAS");
  EXPECT_EQ(corre(r, nvr, v, 0), "");
}

TEST_F(NGas, PlacesOneCentreInEachOfTwoSeparateGroups) {
  const Filas v = dos_grupos();
  Centros r(2, 2);
  std::vector<std::uint32_t> nvr(2);
  corre(r, nvr, v, 1000);
  const long double origen[2] = {0, 0}, lejos[2] = {10, 10};
  const bool cero_en_origen = distance(r.p[0], origen, 2) < 0.5;
  EXPECT_LT(distance(r.p[cero_en_origen ? 0 : 1], origen, 2), 0.5);
  EXPECT_LT(distance(r.p[cero_en_origen ? 1 : 0], lejos, 2), 0.5);
  EXPECT_EQ(nvr, (std::vector<std::uint32_t>{50, 50}));
}

TEST_F(NGas, RepeatsExactly) {
  const Filas v = dos_grupos();
  Centros a(4, 2), b(4, 2);
  std::vector<std::uint32_t> na(4), nb(4);
  corre(a, na, v, 300);
  std::srand(99);
  corre(b, nb, v, 300);
  EXPECT_EQ(a.c, b.c);
  EXPECT_EQ(na, nb);
}

TEST_F(NGas, EqualDistancesRankTheLowerCentreFirst) {
  const Filas v{{1}};
  Centros r({{0}, {5}, {0}});  // centres 0 and 2 coincide; 0 and 1 differ, so no seeding
  std::vector<std::uint32_t> nvr(3);
  corre(r, nvr, v, 1);
  EXPECT_EQ(r.c[0][0], 0.5L);                                            // rank 0: half-way
  EXPECT_EQ(r.c[2][0], static_cast<long double>(0.5 * std::exp(-0.1)));  // rank 1
  EXPECT_EQ(nvr, (std::vector<std::uint32_t>{1, 0, 0}));
}

TEST(EstimaSig, RootMeanSquareDeviationPerClusterAndDimension) {
  // Cluster 0: one pattern on its centre. Cluster 1: spread along x only. Cluster 2: empty.
  const Filas v{{0, 0, 0}, {9, 1, 5}, {11, 1, 5}, {7, 1, 5}, {13, 1, 5}};
  Centros r({{0, 0, 0}, {10, 1, 5}, {-50, -50, -50}});
  Centros sig(3, 3);
  estima_sig(3, r.p, n(v), v, 3, sig.p);
  const long double c = 0.01;  // the double constant, widened
  EXPECT_EQ(sig.c[0], (std::vector<long double>{c, c, c}));
  EXPECT_EQ(sig.c[1], (std::vector<long double>{std::sqrt(20.0L / 4), c, c}));
  EXPECT_EQ(sig.c[2], (std::vector<long double>{c, c, c}));
}

TEST(PNnH, MeanAbsoluteDifferenceToTheNearestCentres) {
  Centros r({{0, 0}, {1, -1}, {3, 6}});
  Centros sig(3, 2);
  p_nn_h(1, 3, r.p, 2, sig.p);
  EXPECT_EQ(sig.c, (std::vector<std::vector<long double>>{{1, 1}, {1, 1}, {3, 6}}));
  p_nn_h(2, 3, r.p, 2, sig.p);
  EXPECT_EQ(sig.c[0], (std::vector<long double>{2, 3.5}));
}

TEST(PNnH, EqualDistancesCountTheFirstCentreTwice) {
  Centros r({{0}, {1}, {2}});
  Centros sig(3, 1);
  p_nn_h(2, 3, r.p, 1, sig.p);
  EXPECT_EQ(sig.c[1][0], 1.0L);  // centre 0 counted for both neighbours at distance 1
}

TEST(PNnHDeathTest, NeedsFewerNeighboursThanCentres) {
  Centros r(2, 2), sig(2, 2);
  EXPECT_EXIT((a_stderr(), p_nn_h(2, 2, r.p, 2, sig.p)), ::testing::ExitedWithCode(kEntradaErronea),
              "\n\nEl algoritmo p_nn_h requiere p<dim\n\n");
}

// Bad data must not take the routines out of their arrays.
TEST(Cluster, NoPatternsLeaveTheCentresAsGiven) {
  const Filas v;
  Centros r({{1, 2}, {3, 4}});
  const auto antes = r.c;
  std::vector<std::uint32_t> nvr(2, 9);
  k_means(2, r.p, nvr, 0, v, 2, 3);
  EXPECT_EQ(nvr, (std::vector<std::uint32_t>{0, 0}));
  nvr.assign(2, 9);
  ::testing::internal::CaptureStdout();
  n_gas(2, r.p, nvr, 0, v, 2, 50);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(nvr, (std::vector<std::uint32_t>{0, 0}));
  leader(2, 0, r.p, 0, v, 2);
  EXPECT_EQ(r.c, antes);
  Centros sig(2, 2);
  estima_sig(2, r.p, 0, v, 2, sig.p);
  EXPECT_EQ(sig.c[1], (std::vector<long double>{0.01, 0.01}));
}

TEST(Cluster, NaNValuesStayInsideTheArrays) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  Filas v = dos_grupos();
  v[3] = {nan, nan};
  Centros r(5, 2);
  std::vector<std::uint32_t> nvr(5);
  ::testing::internal::CaptureStdout();
  n_gas(5, r.p, nvr, n(v), v, 2, 2000);
  ::testing::internal::GetCapturedStdout();
  std::uint32_t total = 0;
  for (auto c : nvr) total += c;
  EXPECT_EQ(total, n(v));
  Centros s({{0}, {nan}, {1}, {nan}, {5}}), sig(5, 1);
  p_nn_h(2, 5, s.p, 1, sig.p);   // the nearest two of centre 0 are finite
  EXPECT_EQ(sig.c[0][0], 3.0L);  // (1 + 5) / 2
}

}  // namespace
