#include "velmor/modelo.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/ajustes.hpp"
#include "common/errmess.hpp"
#include "common/random.hpp"
#include "comun/salida.hpp"

namespace {

// Two input series (3 and 2 taps) and three outputs, the middle one without error feedback.
class Modelo : public ::testing::Test {
 protected:
  const std::vector<int> nri{3, 2};
  const std::vector<int> nre{2, 0, 1};
  std::unique_ptr<VELMOR> m = build_velmor("serie", 2, 4, 3, nri, nre, 0);

  // Distinct scalings everywhere, so that a swapped coefficient shows.
  void escalas() {
    const double ax[] = {0.5, -1.5}, bx[] = {0.25, -0.125};
    for (std::size_t j = 0; j < 2; ++j) {
      m->bancox[j]->ibuf.a = ax[j];
      m->bancox[j]->ibuf.b = bx[j];
    }
    m->bancoe[0]->ibuf.a = 0.75;
    m->bancoe[0]->ibuf.b = 0.0625;
    m->bancoe[2]->ibuf.a = -2;
    m->bancoe[2]->ibuf.b = 0.5;
    const double ao[] = {2, 0.5, -1}, bo[] = {1, -3, 0.375};
    for (std::size_t j = 0; j < 3; ++j) {
      m->obuf[j].a = ao[j];
      m->obuf[j].b = bo[j];
    }
    std::srand(17);
    aleatorio_pesos(*m->mp);
  }

  // Steps from a reset over series x (inputs) and y (observed outputs); returns every model output.
  std::vector<std::vector<double>> corre(const std::vector<std::vector<double>>& x,
                                         const std::vector<std::vector<double>>& y) {
    reset_velmor(*m);
    std::vector<std::vector<double>> salida;
    for (std::size_t t = 0; t < x[0].size(); ++t) {
      for (std::size_t k = 0; k < 2; ++k) m->i[k] = x[k][t];
      for (std::size_t j = 0; j < 3; ++j) m->d[j] = t == 0 ? 0 : y[j][t - 1];
      m->evalua(*m);
      std::vector<double> yt;
      for (const MP_BUF& b : m->obuf) yt.push_back(b.o);
      salida.push_back(yt);
    }
    return salida;
  }

  static std::vector<std::vector<double>> serie(std::size_t filas, std::size_t columnas, unsigned semilla) {
    std::srand(semilla);
    std::vector<std::vector<double>> s(columnas, std::vector<double>(filas));
    for (auto& c : s)
      for (double& v : c) v = aleatorio<AjustesVelmor>(2.0);
    return s;
  }
};

TEST_F(Modelo, PerceptronInputsAreInputTapsSeriesBySeriesThenErrorTaps) {
  const MP& mp = *m->mp;
  ASSERT_EQ(mp.ni, 3 + 2 + 2 + 1);
  EXPECT_EQ(mp.nh, 4);
  EXPECT_EQ(mp.no, 3);
  EXPECT_EQ(m->bancox[0]->pos, 0);
  EXPECT_EQ(m->bancox[1]->pos, 3);
  EXPECT_EQ(m->bancoe[0]->pos, 5);
  EXPECT_EQ(m->bancoe[1], nullptr);
  EXPECT_EQ(m->bancoe[2]->pos, 7);
  EXPECT_EQ(primera_entrada_error(*m), 5);
  const std::vector<const double*> esperado{&m->bancox[0]->ibuf.o,   &m->bancox[0]->ret[0].o, &m->bancox[0]->ret[1].o,
                                            &m->bancox[1]->ibuf.o,   &m->bancox[1]->ret[0].o, &m->bancoe[0]->ibuf.o,
                                            &m->bancoe[0]->ret[0].o, &m->bancoe[2]->ibuf.o};
  for (std::size_t k = 0; k < esperado.size(); ++k) EXPECT_EQ(mp.ibuf[k].i, esperado[k]) << "input " << k;
  EXPECT_TRUE(m->bancoe[2]->ret.empty());
  EXPECT_FALSE(m->oret[1].has_value());
  EXPECT_FALSE(m->osub[1].has_value());
  for (std::size_t j = 0; j < 3; ++j) EXPECT_EQ(m->obuf[j].i, &mp.obuf[j].o);
}

TEST_F(Modelo, BuildsWithNeutralOutputsAndSilentBanks) {
  for (const auto& b : m->bancox) {
    EXPECT_EQ(b->ibuf.a, 0.0);
    EXPECT_EQ(b->ibuf.b, 0.0);
  }
  for (const MP_BUF& b : m->obuf) {
    EXPECT_EQ(b.a, 1.0);
    EXPECT_EQ(b.b, 0.0);
  }
  EXPECT_EQ(m->evalua, &eval_velmor);
}

TEST_F(Modelo, InputTapsShiftOneStepAndStartCleared) {
  escalas();
  const auto x = serie(6, 2, 3);
  reset_velmor(*m);
  const MP& mp = *m->mp;
  for (std::size_t t = 0; t < 6; ++t) {
    m->i[0] = x[0][t];
    m->i[1] = x[1][t];
    m->d = {0, 0, 0};
    eval_velmor(*m);
    for (std::size_t k = 0; k < 3; ++k) {
      // A tap that reaches before the start gives 0, not the offset.
      const double e = t >= k ? 0.5 * x[0][t - k] + 0.25 : 0.0;
      EXPECT_EQ(mp.ibuf[k].o, e) << "t " << t << " tap " << k;
    }
    for (std::size_t k = 0; k < 2; ++k) {
      const double e = t >= k ? -1.5 * x[1][t - k] + -0.125 : 0.0;
      EXPECT_EQ(mp.ibuf[3 + k].o, e) << "t " << t << " tap " << k;
    }
  }
}

TEST_F(Modelo, ErrorTapsHoldThePreviousStepsError) {
  escalas();
  const auto x = serie(8, 2, 5), y = serie(8, 3, 6);
  const auto yhat = corre(x, y);
  // Replay, checking each step's error taps against the outputs the first run gave.
  reset_velmor(*m);
  const MP& mp = *m->mp;
  std::vector<double> e0, e2;  // errors fed at each step, to outputs 0 and 2
  for (std::size_t t = 0; t < 8; ++t) {
    for (std::size_t k = 0; k < 2; ++k) m->i[k] = x[k][t];
    for (std::size_t j = 0; j < 3; ++j) m->d[j] = t == 0 ? 0 : y[j][t - 1];
    eval_velmor(*m);
    e0.push_back(t == 0 ? 0.0 : y[0][t - 1] - yhat[t - 1][0]);
    e2.push_back(t == 0 ? 0.0 : y[2][t - 1] - yhat[t - 1][2]);
    EXPECT_EQ(m->osub[0]->o, e0[t]) << "t " << t;
    EXPECT_EQ(mp.ibuf[5].o, 0.75 * e0[t] + 0.0625) << "t " << t;
    EXPECT_EQ(mp.ibuf[6].o, t >= 1 ? 0.75 * e0[t - 1] + 0.0625 : 0.0) << "t " << t;
    EXPECT_EQ(mp.ibuf[7].o, -2 * e2[t] + 0.5) << "t " << t;
  }
}

TEST_F(Modelo, FirstStepAfterResetFeedsBackAZeroError) {
  escalas();
  const auto x = serie(5, 2, 7), y = serie(5, 3, 8);
  corre(x, y);  // leave state behind
  reset_velmor(*m);
  m->i = {0.3, -0.2};
  m->d = {0, 0, 0};
  eval_velmor(*m);
  const MP& mp = *m->mp;
  EXPECT_EQ(mp.ibuf[5].o, 0.0625);  // tap 0 is the offset alone
  EXPECT_EQ(mp.ibuf[6].o, 0.0);
  EXPECT_EQ(mp.ibuf[7].o, 0.5);
  EXPECT_EQ(mp.ibuf[1].o, 0.0);
  EXPECT_EQ(mp.ibuf[2].o, 0.0);
  EXPECT_EQ(mp.ibuf[4].o, 0.0);
}

TEST_F(Modelo, EveryOutputIsScaledIncludingThoseWithoutFeedback) {
  escalas();
  const auto x = serie(4, 2, 9), y = serie(4, 3, 10);
  corre(x, y);
  const double ao[] = {2, 0.5, -1}, bo[] = {1, -3, 0.375};
  for (std::size_t j = 0; j < 3; ++j) EXPECT_EQ(m->obuf[j].o, ao[j] * m->mp->obuf[j].o + bo[j]) << "output " << j;
}

TEST_F(Modelo, TwoRunsFromAResetGiveIdenticalOutputs) {
  escalas();
  const auto x = serie(50, 2, 11), y = serie(50, 3, 12);
  const auto a = corre(x, y);
  const auto b = corre(x, y);
  EXPECT_EQ(a, b);
  EXPECT_NE(a.front(), a.back());
}

// The model's equations written out directly, against the wired units.
TEST_F(Modelo, FollowsTheModelEquations) {
  escalas();
  const std::size_t n = 12;
  const auto x = serie(n, 2, 13), y = serie(n, 3, 14);
  const auto yhat = corre(x, y);
  const MP& mp = *m->mp;
  const double ax[] = {0.5, -1.5}, bx[] = {0.25, -0.125};
  const double ae[] = {0.75, 0, -2}, be[] = {0.0625, 0, 0.5};
  const double ao[] = {2, 0.5, -1}, bo[] = {1, -3, 0.375};
  auto error = [&](std::size_t j, std::ptrdiff_t s) {  // e_j(s), the error of step s (0 before the start)
    return s < 0 ? 0.0 : y[j][static_cast<std::size_t>(s)] - yhat[static_cast<std::size_t>(s)][j];
  };
  for (std::size_t t = 0; t < n; ++t) {
    const auto tt = static_cast<std::ptrdiff_t>(t);
    std::vector<double> u;
    for (std::size_t j = 0; j < 2; ++j)
      for (std::ptrdiff_t k = 0; k < nri[j]; ++k)
        u.push_back(tt - k >= 0 ? ax[j] * x[j][t - static_cast<std::size_t>(k)] + bx[j] : 0.0);
    for (std::size_t j = 0; j < 3; ++j)
      for (std::ptrdiff_t k = 0; k < nre[j]; ++k) u.push_back(tt - k >= 0 ? ae[j] * error(j, tt - 1 - k) + be[j] : 0.0);
    std::vector<double> h;
    for (const MP_UNIT& un : mp.hl) {
      double s = un.w[0];
      for (std::size_t k = 0; k < u.size(); ++k) s += un.w[k + 1] * u[k];
      h.push_back(std::tanh(s));
    }
    for (std::size_t j = 0; j < 3; ++j) {
      double s = mp.ol[j].w[0];
      for (std::size_t k = 0; k < h.size(); ++k) s += mp.ol[j].w[k + 1] * h[k];
      EXPECT_NEAR(yhat[t][j], ao[j] * s + bo[j], 1e-12) << "t " << t << " output " << j;
    }
  }
}

TEST(ModeloNombre, KeepsSevenCharactersAndNamesThePerceptronWithAHash) {
  const std::vector<int> nri{1}, nre{1};
  const auto m = build_velmor("largonombre", 1, 1, 1, nri, nre, 1);
  EXPECT_EQ(m->name, "largono");
  EXPECT_EQ(m->mp->name, "largono#");
  EXPECT_EQ(m->mp->fsal, 1);
  EXPECT_EQ(build_velmor("ab", 1, 1, 1, nri, nre, 0)->mp->name, "ab#");
}

TEST(ModeloBancos, SingleTapBankHasNoDelayUnitsAndZeroGivesNone) {
  EXPECT_EQ(build_banco_retardos(0), nullptr);
  const auto b1 = build_banco_retardos(1);
  EXPECT_EQ(b1->n, 1);
  EXPECT_TRUE(b1->ret.empty());
  const auto b4 = build_banco_retardos(4);
  ASSERT_EQ(b4->ret.size(), 3u);
  EXPECT_EQ(b4->ret[0].i, &b4->ibuf.o);
  EXPECT_EQ(b4->ret[2].i, &b4->ret[1].o);
}

TEST(ModeloBancos, ModelWithoutAnyErrorFeedbackStillPredicts) {
  const std::vector<int> nri{2}, nre{0, 0};
  const auto m = build_velmor("sinerr", 1, 2, 2, nri, nre, 0);
  EXPECT_EQ(m->mp->ni, 2);
  m->bancox[0]->ibuf.a = 1;
  std::vector<double> w(m->mp->nw, 0.5);
  desempaqueta_pesos(*m->mp, w);
  reset_velmor(*m);
  m->i[0] = 0.4;
  eval_velmor(*m);
  EXPECT_EQ(m->obuf[0].o, m->mp->obuf[0].o);
  EXPECT_NE(m->obuf[1].o, 0.0);
}

TEST(ModeloDeathTest, HiddenLayerOfNoUnitsStopsNamingThePerceptron) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::vector<int> nri{1}, nre{0};
  EXPECT_EXIT((a_stderr(), build_velmor("modelo_x", 1, 0, 1, nri, nre, 0)), ::testing::ExitedWithCode(kEntradaErronea),
              "Error de sintaxis en el fichero modelo_#\\.net: n\xA7 de unidades ocultas nulo\n\n$");
}

}  // namespace
