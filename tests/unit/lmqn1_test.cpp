#include "common/lmqn1.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "common/gconj.hpp"

namespace {

using Real = long double;

// Along y = 0 a steep parabola with its minimum 1e-4 away; off it the gradient grows with x, so the
// point the first search reaches still has a large gradient (0, 10) but the step was tiny. The saddle
// falls without bound, until it breaks, as an unbounded likelihood does.
struct PasoCorto {
  int evaluaciones = 0;
  template <class R>
  R operator()(std::span<const R> x, std::span<R> g) {
    ++evaluaciones;
    const R k = 1e4, c = 1e-4, s = 1e5;
    g[0] = k * (x[0] - c) + s * x[1];
    g[1] = s * x[0];
    const R e = k * (x[0] - c) * (x[0] - c) / 2 + s * x[0] * x[1];
    return e < -1e9 ? -std::numeric_limits<R>::infinity() : e;
  }
};

TEST(Lmqn1, TinyFirstStepEndsTheRunDespiteALargeGradient) {
  PasoCorto f;
  int llamadas = 0;
  std::vector<Real> w{0, 0};
  lmqn1(std::span<Real>(w), 10, f, [&](std::span<const Real>) {
    ++llamadas;
    return false;
  });
  EXPECT_EQ(llamadas, 2);        // before the first search and at cycle 1, where the step test stops it
  EXPECT_EQ(f.evaluaciones, 3);  // the start and the two trials of the one search
  EXPECT_NEAR(static_cast<double>(w[0]), 1e-4, 1e-15);

  // velmor has no such test and goes on along the large gradient.
  PasoCorto fv;
  int llamadas_v = 0;
  std::vector<double> wv{0, 0};
  gconj(std::span<double>(wv), 10, fv, [&](std::span<const double>, double) {
    ++llamadas_v;
    return false;
  });
  EXPECT_GT(llamadas_v, 2);
}

TEST(Lmqn1, ZeroDenominatorKeepsTheUnscaledFactor) {
  // Along y = 0 the error -x + x*y falls until it breaks past x = X = 100, as an unbounded likelihood
  // does: the first search stops there, where the gradient is (-1, X). The gradient changed only across
  // the step, so d = 0 and b = y.dw = X^2.
  std::vector<std::vector<Real>> vistos;
  auto eval = [&](std::span<const Real> x, std::span<Real> g) {
    vistos.emplace_back(x.begin(), x.end());
    g[0] = -1 + x[1];
    g[1] = x[0];
    return x[0] > 100.05L ? -std::numeric_limits<Real>::infinity() : -x[0] + x[0] * x[1];
  };
  std::vector<Real> w{0, 0};
  lmqn1(std::span<Real>(w), 2, eval, nullptr);
  const std::size_t n = 1 + 1000 + 1;  // the start, the steps, the broken one
  ASSERT_GT(vistos.size(), n);
  const Real X = vistos[n - 2][0];
  EXPECT_NEAR(static_cast<double>(X), 100, 1e-9);
  // dir = X^2 (X, 0) - (-1, X) = (X^3 + 1, -X): far from -gradient, which is (1, -X).
  const Real dx = vistos[n][0] - vistos[n - 2][0], dy = vistos[n][1] - vistos[n - 2][1];
  EXPECT_NEAR(static_cast<double>(dy / dx), static_cast<double>(-X / (X * X * X + 1)), 1e-12);
}

TEST(Lmqn1, MaxiterOneMakesOneSearchAlongMinusGradientAndReportsOnce) {
  // Minimum at (0.03, 0.04): from the origin -gradient points straight at it, 0.05 away.
  int evaluaciones = 0;
  auto eval = [&](std::span<const Real> x, std::span<Real> g) {
    ++evaluaciones;
    g[0] = x[0] - Real(0.03);
    g[1] = x[1] - Real(0.04);
    return (g[0] * g[0] + g[1] * g[1]) / 2;
  };
  int llamadas = 0;
  std::vector<Real> w{0, 0};
  const Real e = lmqn1(std::span<Real>(w), 1, eval, [&](std::span<const Real> x) {
    ++llamadas;
    EXPECT_EQ(x[0], 0.0L);  // only the start is reported
    return false;
  });
  EXPECT_EQ(llamadas, 1);
  EXPECT_EQ(evaluaciones, 3);
  EXPECT_NEAR(static_cast<double>(w[0]), 0.03, 1e-15);
  EXPECT_NEAR(static_cast<double>(w[1]), 0.04, 1e-15);
  EXPECT_NEAR(static_cast<double>(e), 0, 1e-28);
}

TEST(Lmqn1, ReportTrueAtOnceReturnsTheStartAndItsError) {
  int evaluaciones = 0;
  auto eval = [&](std::span<const Real> x, std::span<Real> g) {
    ++evaluaciones;
    g[0] = x[0];
    return x[0] * x[0] / 2;
  };
  std::vector<Real> w{3};
  EXPECT_EQ(lmqn1(std::span<Real>(w), 5, eval, [](std::span<const Real>) { return true; }), 4.5L);
  EXPECT_EQ(w[0], 3.0L);
  EXPECT_EQ(evaluaciones, 1);
}

}  // namespace
