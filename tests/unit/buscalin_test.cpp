#include "common/buscalin.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "common/ajustes.hpp"
#include "comun/numerico.hpp"

namespace {

template <class A>
class Buscalin : public ::testing::Test {};
TYPED_TEST_SUITE(Buscalin, LosDosProgramas);

TYPED_TEST(Buscalin, ZeroDirectionReturnsAtOnceAndEvaluatesNothing) {
  using Real = typename TypeParam::Real;
  std::vector<Real> w{1, 2}, dw{3, 4}, dir{0, 0};
  Real e = 5;
  int evaluaciones = 0;
  auto eval = [&](std::span<const Real>, std::span<Real>) {
    ++evaluaciones;
    return Real(0);
  };
  EXPECT_EQ(buscalin<TypeParam>(std::span<Real>(w), std::span<Real>(dw), e, std::span<const Real>(dir), eval), Real(0));
  EXPECT_EQ(evaluaciones, 0);
  EXPECT_EQ(e, Real(5));
  EXPECT_EQ(w, (std::vector<Real>{1, 2}));
  EXPECT_EQ(dw, (std::vector<Real>{3, 4}));
}

TEST(BuscalinCorta, KorbentRefusesADirectionOfLength5e8) {
  std::vector<long double> w{0}, dw{-1}, dir{5e-8};
  long double e = 1;
  prueba::Cuadratica<long double> f{{1}};
  EXPECT_EQ(buscalin<AjustesKorbent>(std::span<long double>(w), std::span<long double>(dw), e,
                                     std::span<const long double>(dir), f),
            0.0L);
  EXPECT_EQ(f.evaluaciones, 0);
}

TEST(BuscalinCorta, VelmorSearchesADirectionOfLength5e8) {
  std::vector<double> w{0}, dw{-1}, dir{5e-8};
  double e = 0.5;
  prueba::Cuadratica<double> f{{1}};
  const double a =
      buscalin<AjustesVelmor>(std::span<double>(w), std::span<double>(dw), e, std::span<const double>(dir), f);
  EXPECT_GT(f.evaluaciones, 0);
  EXPECT_GT(a, 0);
  EXPECT_LT(e, 0.5);
}

TYPED_TEST(Buscalin, QuadraticMinimumCloserThanOneStepIsBracketedAtOnceAndHitByTheCubic) {
  using Real = typename TypeParam::Real;
  // dir has length 5; the minimum lies 0.003 away from w0 along it, inside the first step of both programs.
  const std::vector<Real> dir{3, 4};
  const Real mod = 5;
  prueba::Cuadratica<Real> f{{Real(0.003) * 3 / mod, Real(0.003) * 4 / mod}};
  std::vector<Real> w{0, 0}, dw(2);
  Real e = f(w, dw);
  f.evaluaciones = 0;
  const Real a = buscalin<TypeParam>(std::span<Real>(w), std::span<Real>(dw), e, std::span<const Real>(dir), f);
  EXPECT_NEAR(static_cast<double>(a), 0.003 / 5, 1e-15);
  EXPECT_EQ(f.evaluaciones, 2);  // the first step, then the cubic step
  EXPECT_NEAR(static_cast<double>(w[0]), static_cast<double>(f.c[0]), 1e-15);
  EXPECT_NEAR(static_cast<double>(w[1]), static_cast<double>(f.c[1]), 1e-15);
  EXPECT_NEAR(static_cast<double>(e), 0, 1e-25);
  EXPECT_NEAR(static_cast<double>(dw[0]), 0, 1e-15);
}

TEST(BuscalinAceptacion, KorbentAcceptsAFirstTrialAboveTheStartingError) {
  std::vector<long double> w{0}, dw{-1}, dir{2};
  long double e = 1;
  int evaluaciones = 0;
  auto eval = [&](std::span<const long double>, std::span<long double> g) {
    ++evaluaciones;
    g[0] = 0;  // flat slope: passes the slope test at once
    return 3.0L;
  };
  const long double a = buscalin<AjustesKorbent>(std::span<long double>(w), std::span<long double>(dw), e,
                                                 std::span<const long double>(dir), eval);
  EXPECT_EQ(evaluaciones, 1);
  EXPECT_EQ(a, AjustesKorbent::paso / 2);
  EXPECT_EQ(e, 3.0L);
  EXPECT_EQ(w[0], a * 2);
}

TEST(BuscalinAceptacion, VelmorNeverAcceptsATrialThatDoesNotLowerTheError) {
  std::vector<double> w{0}, dw{-1}, dir{1};
  double e = 1;
  auto eval = [&](std::span<const double> x, std::span<double> g) {
    g[0] = 0;
    return x[0] > 0.015 ? 3.0 : 1.0;  // never below the start
  };
  buscalin<AjustesVelmor>(std::span<double>(w), std::span<double>(dw), e, std::span<const double>(dir), eval);
  EXPECT_EQ(e, 1.0);  // the accepted point, once the bracket is spent, has the start's error
  EXPECT_LE(w[0], 0.015);
}

// |x - c| with slope +-1 everywhere: no trial ever passes the slope test.
template <class Real>
struct Pico {
  Real c;
  Real ultima_a = 0, ultima_e = 0;
  int evaluaciones = 0;
  Real operator()(std::span<const Real> w, std::span<Real> g) {
    ++evaluaciones;
    g[0] = w[0] >= c ? Real(1) : Real(-1);
    ultima_a = w[0];
    ultima_e = std::abs(w[0] - c);
    return ultima_e;
  }
};

TYPED_TEST(Buscalin, BracketBelowTheToleranceReturnsTheLastTrial) {
  using Real = typename TypeParam::Real;
  Pico<Real> f{Real(0.3) * TypeParam::paso};
  std::vector<Real> w{0}, dw{-1}, dir{1};
  Real e = f.c;
  const Real a = buscalin<TypeParam>(std::span<Real>(w), std::span<Real>(dw), e, std::span<const Real>(dir), f);
  EXPECT_GT(f.evaluaciones, 3);
  EXPECT_LT(f.evaluaciones, 200);
  EXPECT_EQ(a, f.ultima_a);
  EXPECT_EQ(w[0], f.ultima_a);
  EXPECT_EQ(e, f.ultima_e);
  EXPECT_NEAR(static_cast<double>(a), static_cast<double>(f.c), 2 * static_cast<double>(TypeParam::tau));
}

TEST(BuscalinGuarda, KorbentCrawlingBracketIsFollowedToTheTolerance) {
  // A lopsided kink: without the near-end bisection the cubic steps creep towards it by tiny moves, over a
  // million evaluations, but the bracket does shrink, and the search ends at the tolerance on the last trial.
  const long double c = 0.05L;
  long evaluaciones = 0;
  long double ultima = -1;
  auto eval = [&](std::span<const long double> x, std::span<long double> g) {
    ++evaluaciones;
    ultima = x[0];
    g[0] = x[0] < c ? -0.01L : 1e4L;
    return x[0] < c ? 0.01L * (c - x[0]) : 1e4L * (x[0] - c);
  };
  std::vector<long double> w{0}, dw{-0.01L}, dir{1};
  long double e = 0.01L * c;
  const long double a = buscalin<AjustesKorbent>(std::span<long double>(w), std::span<long double>(dw), e,
                                                 std::span<const long double>(dir), eval);
  EXPECT_GT(evaluaciones, 1000000);
  EXPECT_EQ(a, ultima);
  EXPECT_EQ(w[0], ultima);
  EXPECT_NEAR(static_cast<double>(a), static_cast<double>(c), static_cast<double>(AjustesKorbent::tau));
  EXPECT_LT(e, 0.01L * c);
}

TEST(BuscalinGuarda, KorbentCubicStepThatRoundsOntoAnEndIsNotRepeated) {
  // A cliff of 2e13 inside the first step, with gentle slopes at both ends: the cubic minimiser lies closer
  // to the upper end than half a unit in the last place, so the trial is that end again, for ever.
  int evaluaciones = 0;
  auto eval = [&](std::span<const long double> x, std::span<long double> g) {
    ++evaluaciones;
    const long double t = std::tanh((x[0] - 0.05L) / 1e-3L);
    g[0] = -1e13L * (1 - t * t) / 1e-3L + 2e-3L * (x[0] - 0.09L);
    return -1e13L * t + 1e-3L * (x[0] - 0.09L) * (x[0] - 0.09L);
  };
  std::vector<long double> w{0}, dw{2e-3L * -0.09L}, dir{1};
  long double e = 1e13L + 1e-3L * 0.09L * 0.09L;
  const long double a = buscalin<AjustesKorbent>(std::span<long double>(w), std::span<long double>(dw), e,
                                                 std::span<const long double>(dir), eval);
  EXPECT_EQ(evaluaciones, 2);
  EXPECT_EQ(a, AjustesKorbent::paso);
  EXPECT_EQ(w[0], a);
  EXPECT_LT(e, -9e12L);
}

TYPED_TEST(Buscalin, KinkAMillionStepsAwayIsBracketedByDoublingStepsAndReached) {
  using Real = typename TypeParam::Real;
  Pico<Real> f{Real(999999.5) * TypeParam::paso};
  std::vector<Real> w{0}, dw{-1}, dir{1};
  Real e = f.c;
  buscalin<TypeParam>(std::span<Real>(w), std::span<Real>(dw), e, std::span<const Real>(dir), f);
  EXPECT_LT(f.evaluaciones, 1000 + 20 + 40);  // equal steps, doublings to bracket it, sectioning
  EXPECT_NEAR(static_cast<double>(w[0]), static_cast<double>(f.c), 2 * static_cast<double>(TypeParam::tau));
}

TYPED_TEST(Buscalin, ErrorFallingWithoutBoundIsFollowedUntilItBreaksAndTheBestTrialTaken) {
  using Real = typename TypeParam::Real;
  // Falls steadily for 5000 steps, then is no longer a number, as an unbounded likelihood ends. Past the
  // 1000th step the trials stand 2, 6, 14, ... 2046, 4094 steps further.
  const Real rotura = Real(5000.5) * TypeParam::paso;
  int evaluaciones = 0;
  auto eval = [&](std::span<const Real> x, std::span<Real> g) {
    ++evaluaciones;
    g[0] = -1;
    return x[0] < rotura ? -x[0] : -std::numeric_limits<Real>::infinity();
  };
  std::vector<Real> w{0}, dw{-1}, dir{4};
  Real e = 0;
  const Real a = buscalin<TypeParam>(std::span<Real>(w), std::span<Real>(dw), e, std::span<const Real>(dir), eval);
  EXPECT_EQ(evaluaciones, 1000 + 11);
  EXPECT_NEAR(static_cast<double>(a), static_cast<double>(Real(3046) * (TypeParam::paso / Real(4))), 1e-9);
  EXPECT_EQ(w[0], a * 4);
  EXPECT_EQ(e, -w[0]);
  EXPECT_EQ(dw[0], Real(-1));
}

TEST(BuscalinGuarda, VelmorFollowsAFlatStretchButGivesUpAnErrorThatStaysExactlyFlat) {
  // Flat for 5000 steps, then down to a minimum: the search goes on to it.
  const double bajada = 50, fondo = 60;
  auto escalon = [&](std::span<const double> x, std::span<double> g) {
    g[0] = x[0] < bajada ? 0 : x[0] - fondo;
    return x[0] < bajada ? 60.0 : 60 - (bajada - fondo) * (bajada - fondo) / 2 + g[0] * g[0] / 2;
  };
  std::vector<double> w{0}, dw{-1}, dir{1};
  double e = 60;
  buscalin<AjustesVelmor>(std::span<double>(w), std::span<double>(dw), e, std::span<const double>(dir), escalon);
  EXPECT_NEAR(w[0], fondo, 1e-6);

  std::uint64_t evaluaciones = 0;
  auto plana = [&](std::span<const double>, std::span<double> g) {
    ++evaluaciones;
    g[0] = 0;
    return 2.0;
  };
  w = {0}, dw = {-1}, e = 2;
  buscalin<AjustesVelmor>(std::span<double>(w), std::span<double>(dw), e, std::span<const double>(dir), plana);
  EXPECT_EQ(evaluaciones, 1000 + 19u);  // 1000 steps, then doublings until the flat run spans a million
  EXPECT_EQ(e, 2.0);
  EXPECT_EQ(dw[0], 0.0);
}

TYPED_TEST(Buscalin, NonFiniteFirstTrialLeavesEverythingUnchanged) {
  using Real = typename TypeParam::Real;
  for (const Real malo : {std::numeric_limits<Real>::quiet_NaN(), std::numeric_limits<Real>::infinity(),
                          -std::numeric_limits<Real>::infinity()}) {
    int evaluaciones = 0;
    auto eval = [&](std::span<const Real>, std::span<Real> g) {
      ++evaluaciones;
      g[0] = 0;
      return malo;
    };
    std::vector<Real> w{1}, dw{-1}, dir{1};
    Real e = 7;
    EXPECT_EQ(buscalin<TypeParam>(std::span<Real>(w), std::span<Real>(dw), e, std::span<const Real>(dir), eval),
              Real(0));
    EXPECT_EQ(evaluaciones, 1);
    EXPECT_EQ(w[0], Real(1));
    EXPECT_EQ(dw[0], Real(-1));
    EXPECT_EQ(e, Real(7));
  }
}

TYPED_TEST(Buscalin, NonFiniteTrialWhileBracketingTakesTheBestTrialBeforeIt) {
  using Real = typename TypeParam::Real;
  const Real u = TypeParam::paso;
  auto eval = [&](std::span<const Real> x, std::span<Real> g) {
    g[0] = -1;
    if (x[0] > Real(2.5) * u) {
      g[0] = std::numeric_limits<Real>::quiet_NaN();
      return Real(0);
    }
    return -x[0];
  };
  std::vector<Real> w{0}, dw{-1}, dir{1};
  Real e = 0;
  EXPECT_EQ(buscalin<TypeParam>(std::span<Real>(w), std::span<Real>(dw), e, std::span<const Real>(dir), eval),
            Real(2) * u);
  EXPECT_EQ(w[0], Real(2) * u);
  EXPECT_EQ(e, -Real(2) * u);
  EXPECT_EQ(dw[0], Real(-1));
}

TYPED_TEST(Buscalin, NonFiniteTrialsWhileSectioningAreNeverAccepted) {
  using Real = typename TypeParam::Real;
  // Quadratic with its minimum at c, broken (NaN) in a band around c wider than the slope test allows.
  const Real c = Real(0.3) * TypeParam::paso, banda = c / 6;
  int evaluaciones = 0;
  auto eval = [&](std::span<const Real> x, std::span<Real> g) {
    ++evaluaciones;
    g[0] = x[0] - c;
    if (std::abs(x[0] - c) < banda) return std::numeric_limits<Real>::quiet_NaN();
    return g[0] * g[0] / 2;
  };
  std::vector<Real> w{0}, dw{-c}, dir{1};
  Real e = c * c / 2;
  const Real a = buscalin<TypeParam>(std::span<Real>(w), std::span<Real>(dw), e, std::span<const Real>(dir), eval);
  EXPECT_LT(evaluaciones, 200);
  EXPECT_TRUE(std::isfinite(e));
  EXPECT_GT(a, Real(0));
  EXPECT_LE(a, c - banda);
  EXPECT_EQ(w[0], a);
  EXPECT_EQ(e, (a - c) * (a - c) / 2);
}

TEST(BuscalinCubico, FlatBracketWithZeroSlopesBisectsInsteadOfStepping) {
  // Ends with equal errors and zero slopes make the cubic step 0/0; no point may be evaluated off the line.
  std::vector<double> vistos;
  auto eval = [&](std::span<const double> x, std::span<double> g) {
    vistos.push_back(x[0]);
    g[0] = 0;
    return x[0] > 0.0175 ? 2.0 : 1.0;
  };
  std::vector<double> w{0}, dw{-1}, dir{1};
  double e = 1;
  const double a =
      buscalin<AjustesVelmor>(std::span<double>(w), std::span<double>(dw), e, std::span<const double>(dir), eval);
  ASSERT_GT(vistos.size(), 4u);
  for (double x : vistos) EXPECT_TRUE(std::isfinite(x));
  EXPECT_TRUE(std::isfinite(a));
  EXPECT_GE(a, 0.01);
  EXPECT_LE(a, 0.0175);
  EXPECT_EQ(w[0], a);
  EXPECT_EQ(e, 1.0);
}

// log cosh plus a quadratic, minimum at c: smooth, but no cubic fits it, so every search runs the sectioning.
template <class Real>
struct Valle {
  std::vector<Real> c;
  int evaluaciones = 0;
  Real operator()(std::span<const Real> w, std::span<Real> g) {
    ++evaluaciones;
    Real e = 0;
    for (std::size_t i = 0; i < w.size(); ++i) {
      const Real x = w[i] - c[i];
      g[i] = std::tanh(x) + x / 5;
      e += std::log(std::cosh(x)) + x * x / 10;
    }
    return e;
  }
};

// A search from 0 towards a valley `pasos` step units away along (3, 4) gives step a, error e in n evaluations.
template <class A>
void busca_valle(double pasos, typename A::Real a, typename A::Real e, int n) {
  using Real = typename A::Real;
  const std::vector<Real> dir{3, 4};
  const Real lejos = Real(pasos) * A::paso;
  Valle<Real> f{{lejos * 3 / 5, lejos * 4 / 5}};
  std::vector<Real> w{0, 0}, dw(2);
  Real e0 = f(w, dw);
  f.evaluaciones = 0;
  EXPECT_EQ(buscalin<A>(std::span<Real>(w), std::span<Real>(dw), e0, std::span<const Real>(dir), f), a) << pasos;
  EXPECT_EQ(e0, e) << pasos;
  EXPECT_EQ(f.evaluaciones, n) << pasos;
}

TEST(BuscalinIgual, SearchesEndingWithinAThousandStepsAreUnchanged) {
  // Bit for bit what the equal steps gave before the doubling beyond them.
  busca_valle<AjustesVelmor>(0.3, 0x1.3a9277cad7f5ep-11, 0x1.23fbedba69bp-58, 2);
  busca_valle<AjustesVelmor>(37.2, 0x1.30be0d8a59fa9p-4, 0x1.7d5c137059915p-58, 39);
  busca_valle<AjustesVelmor>(420.7, 0x1.aecbfb208412bp-1, 0x1.23fbeef6ed14dp-58, 422);
  busca_valle<AjustesVelmor>(999.6, 0x1.ffcb923d403dfp+0, 0x1.7d5dddf78299ap-60, 1001);
  busca_valle<AjustesKorbent>(0.3, 0xc.4911c1dadb227fp-11L, 0xd.039797a9c5930e4p-39L, 2);
  busca_valle<AjustesKorbent>(37.2, 0xb.e76b0a38089cd96p-4L, 0x8.7bc6096ff1cad1ep-38L, 39);
  busca_valle<AjustesKorbent>(420.7, 0x8.6b851eb851eba6dp+0L, 0x8.d8c582ab184112ap-14L, 421);
  busca_valle<AjustesKorbent>(999.6, 0x9.fd70a3d70a3d98ap+1L, 0x8.d85059e964fe233p-12L, 999);
}

}  // namespace
