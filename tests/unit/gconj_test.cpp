#include "common/gconj.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "common/ajustes.hpp"
#include "comun/numerico.hpp"

namespace {

template <class A>
class Gconj : public ::testing::Test {};
TYPED_TEST_SUITE(Gconj, LosDosProgramas);

template <class Real>
struct Contador {
  int llamadas = 0;
  bool operator()(std::span<const Real>, Real) {
    ++llamadas;
    return false;
  }
};

TYPED_TEST(Gconj, ConvergesOnAQuadratic) {
  using Real = typename TypeParam::Real;
  prueba::Cuadratica<Real> f{{0.5, -0.25, 0.75, 0.1, -0.4}, {1, 2, 5, 10, 20}};
  std::vector<Real> w(5, Real(0));
  const Real e = gradiente_conjugado<TypeParam>(std::span<Real>(w), 200, f, nullptr);
  for (std::size_t i = 0; i < w.size(); ++i)
    EXPECT_NEAR(static_cast<double>(w[i]), static_cast<double>(f.c[i]), 1e-3) << "weight " << i;
  EXPECT_LT(e, Real(1e-6));
}

TEST(GconjRosenbrock, VelmorFindsTheValleyMinimum) {
  auto rosenbrock = [](std::span<const double> x, std::span<double> g) {
    const double a = 1 - x[0], b = x[1] - x[0] * x[0];
    g[0] = -2 * a - 400 * x[0] * b;
    g[1] = 200 * b;
    return a * a + 100 * b * b;
  };
  std::vector<double> w{-1.2, 1};
  const double e = gconj(std::span<double>(w), 5000, rosenbrock, nullptr);
  EXPECT_NEAR(w[0], 1, 1e-2);
  EXPECT_NEAR(w[1], 1, 2e-2);
  EXPECT_LT(e, 1e-4);
}

TYPED_TEST(Gconj, MaxiterZeroAndOneMakeExactlyOneLineSearch) {
  using Real = typename TypeParam::Real;
  for (unsigned maxiter : {0u, 1u}) {
    // The minimum is closer than one bracketing step: one line search costs two evaluations.
    prueba::Cuadratica<Real> f{{Real(0.3) * TypeParam::paso, 0}, {1, 1}};
    Contador<Real> actualiza;
    std::vector<Real> w{0, 0};
    FinGconj fin;
    gradiente_conjugado<TypeParam>(std::span<Real>(w), maxiter, f, actualiza, &fin);
    EXPECT_EQ(fin.motivo, MotivoFin::ciclos) << "maxiter " << maxiter;
    EXPECT_EQ(f.evaluaciones, 3) << "maxiter " << maxiter;
    EXPECT_EQ(actualiza.llamadas, 1) << "maxiter " << maxiter;
    EXPECT_NEAR(static_cast<double>(w[0]), static_cast<double>(f.c[0]), 1e-12);
  }
}

TYPED_TEST(Gconj, ActualizaTrueAtOnceReturnsTheStartAfterOneEvaluation) {
  using Real = typename TypeParam::Real;
  prueba::Cuadratica<Real> f{{1, 1}, {1, 1}};
  std::vector<Real> w{0.25, -2};
  int llamadas = 0;
  FinGconj fin;
  const Real e = gradiente_conjugado<TypeParam>(
      std::span<Real>(w), 10, f,
      [&](std::span<const Real> x, Real ex) {
        ++llamadas;
        EXPECT_EQ(x[0], Real(0.25));
        EXPECT_EQ(ex, Real(0.75 * 0.75 / 2 + 9.0 / 2));
        return true;
      },
      &fin);
  EXPECT_EQ(fin.motivo, MotivoFin::usuario);
  EXPECT_EQ(fin.ciclos, 1u);
  EXPECT_EQ(llamadas, 1);
  EXPECT_EQ(f.evaluaciones, 1);
  EXPECT_EQ(w, (std::vector<Real>{0.25, -2}));
  EXPECT_EQ(e, Real(0.75 * 0.75 / 2 + 9.0 / 2));
}

TYPED_TEST(Gconj, ANullReportIsNeverCalled) {
  using Real = typename TypeParam::Real;
  prueba::Cuadratica<Real> f{{1, -1}, {1, 3}};
  std::vector<Real> w{0, 0};
  bool (*ninguno)(std::span<const Real>, Real) = nullptr;
  gradiente_conjugado<TypeParam>(std::span<Real>(w), 50, f, ninguno);  // would crash if called
  EXPECT_NEAR(static_cast<double>(w[0]), 1, 1e-3);
  EXPECT_NEAR(static_cast<double>(w[1]), -1, 1e-3);
}

TYPED_TEST(Gconj, SmallStartingGradientStillGetsTheFirstLineSearch) {
  using Real = typename TypeParam::Real;
  // |gradient|^2 = 1e-8, under the stop threshold, which applies from the second cycle on.
  prueba::Cuadratica<Real> f{{Real(1e-4), 0}, {1, 1}};
  Contador<Real> actualiza;
  std::vector<Real> w{0, 0};
  FinGconj fin;
  gradiente_conjugado<TypeParam>(std::span<Real>(w), 10, f, actualiza, &fin);
  EXPECT_NEAR(static_cast<double>(w[0]), 1e-4, 1e-15);
  EXPECT_EQ(actualiza.llamadas, 2);
  EXPECT_EQ(fin.motivo, MotivoFin::gradiente);
  EXPECT_EQ(fin.ciclos, 2u);  // the reports made: the caller names its last cycle line
  EXPECT_EQ(f.evaluaciones, 3);
}

TYPED_TEST(Gconj, NonDescendingUpdateRestartsAlongMinusGradient) {
  using Real = typename TypeParam::Real;
  // Along y = 0 the error falls ever more steeply until it breaks, so the first search stops at the last
  // sound trial, X = 1000 steps. There the curvature along the step is negative, and the conjugate
  // direction would climb.
  const Real corte = Real(1000.5) * TypeParam::paso;
  std::vector<std::vector<Real>> vistos;
  auto eval = [&](std::span<const Real> x, std::span<Real> g) {
    vistos.emplace_back(x.begin(), x.end());
    g[0] = -1 - x[0] / 20 + Real(0.1) * x[1];
    g[1] = Real(0.1) * x[0];
    if (x[0] > corte) return std::numeric_limits<Real>::quiet_NaN();
    return -x[0] - x[0] * x[0] / 40 + Real(0.1) * x[0] * x[1];
  };
  std::vector<Real> w{0, 0};
  gradiente_conjugado<TypeParam>(std::span<Real>(w), 2, eval, nullptr);
  const std::size_t n = 1 + 1000 + 1;  // the start, the steps, the broken one
  ASSERT_GT(vistos.size(), n);
  const double X = static_cast<double>(vistos[n - 2][0]);
  EXPECT_NEAR(X, static_cast<double>(TypeParam::paso) * 1000, 1e-9);
  const double dx = static_cast<double>(vistos[n][0] - vistos[n - 2][0]);
  const double dy = static_cast<double>(vistos[n][1] - vistos[n - 2][1]);
  EXPECT_NEAR(dy / dx, -0.1 * X / (1 + X / 20), 1e-9);  // along -gradient at (X, 0)
}

TEST(GconjDenominador, VelmorRestartsAlongMinusGradientWhenTheDenominatorIsZero) {
  // Along y = 0 the error -x + x*y falls until it breaks past x = 10: the first search stops there, where
  // the gradient is (-1, 10). The gradient changed only across the step, so the denominator is exactly 0.
  std::vector<std::vector<double>> vistos;
  auto eval = [&](std::span<const double> x, std::span<double> g) {
    vistos.emplace_back(x.begin(), x.end());
    g[0] = -1 + x[1];
    g[1] = x[0];
    return x[0] > 10.005 ? std::numeric_limits<double>::infinity() : -x[0] + x[0] * x[1];
  };
  std::vector<double> w{0, 0};
  gconj(std::span<double>(w), 2, eval, nullptr);
  const std::size_t n = 1 + 1000 + 1;  // the start, the steps, the broken one
  ASSERT_GT(vistos.size(), n);
  for (const auto& x : vistos) ASSERT_TRUE(std::isfinite(x[0]) && std::isfinite(x[1]));
  EXPECT_NEAR(vistos[n - 2][0], 10, 1e-9);
  // The first trial of the second search lies one step along -gradient = (1, -10).
  const double dx = vistos[n][0] - vistos[n - 2][0], dy = vistos[n][1] - vistos[n - 2][1];
  EXPECT_NEAR(dy / dx, -10, 1e-9);
  EXPECT_NEAR(std::hypot(dx, dy), AjustesVelmor::paso, 1e-12);
}

}  // namespace
