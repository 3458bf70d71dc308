#include "velmor/init.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/errmess.hpp"
#include "comun/directorio_propio.hpp"
#include "comun/salida.hpp"
#include "mp/mp_entrena.hpp"
#include "velmor/registros.hpp"

namespace {

namespace fs = std::filesystem;

std::size_t cuenta_lineas(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::size_t n = 0;
  for (std::string l; std::getline(f, l);) ++n;
  return n;
}

// Series 0 and 1 are inputs, series 2 the output; value (k, r) is unique, so a pointer's row can be read back.
Columnas serie(std::size_t filas) {
  Columnas c;
  c.ndat = static_cast<std::uint32_t>(filas);
  c.d.assign(3, std::vector<double>(filas));
  for (std::size_t r = 0; r < filas; ++r) {
    const double t = static_cast<double>(r);
    c.d[0][r] = std::sin(0.3 * t);
    c.d[1][r] = std::cos(0.17 * t) + 1e-6 * t;
    c.d[2][r] = 0.6 * c.d[0][r] - 0.3 * (r > 0 ? c.d[0][r - 1] : 0) + 0.2 * c.d[1][r] + 1e-9 * t;
  }
  return c;
}

// A model of two input series (3 and 1 taps), one hidden layer of 3 and one output with 2 error taps, in a
// directory of its own: the auxiliary training writes mpaux.* there.
class InitVelmor : public DirectorioPropio {
 protected:
  std::unique_ptr<VELMOR> modelo(std::size_t filas_trn, std::size_t filas_tst = 0, int nco = 50) {
    const std::vector<int> nri{3, 1}, nre{2};
    std::unique_ptr<VELMOR> m = build_velmor("modelo", 2, 3, 1, nri, nre, 0);
    m->lp = std::make_unique<VELMOR_LP>();
    m->lp->nco = nco;
    pon_nombre(m->lp->trn, "modelo.trn");
    m->lp->trn.d = serie(filas_trn);
    m->lp->trn.ndat = static_cast<std::uint32_t>(filas_trn);
    if (filas_tst > 0) {
      m->tp = std::make_unique<DATASET>();
      pon_nombre(*m->tp, "modelo.tst");
      m->tp->d = serie(filas_tst);
      m->tp->ndat = static_cast<std::uint32_t>(filas_tst);
    }
    return m;
  }

  std::unique_ptr<MP> inicia(VELMOR& m) {
    testing::internal::CaptureStdout();
    std::unique_ptr<MP> aux = init_velmor(m);
    salida_ = testing::internal::GetCapturedStdout();
    return aux;
  }

  // One pass of the model over its 100 training rows beside mpaux on its patterns: for each row from 2 on,
  // the model's output and mpaux's.
  static std::vector<std::pair<double, double>> pasada(VELMOR& m, MP& aux) {
    const Columnas& d = m.lp->trn.d;
    std::vector<double> x(4);
    for (std::size_t k = 0; k < 4; ++k) aux.ibuf[k].i = &x[k];
    std::vector<std::pair<double, double>> r;
    reset_velmor(m);
    for (std::size_t t = 0; t < 100; ++t) {
      m.i[0] = d.d[0][t];
      m.i[1] = d.d[1][t];
      m.d[0] = t == 0 ? 0 : d.d[2][t - 1];
      m.evalua(m);
      if (t < 2) continue;
      for (std::size_t k = 0; k < 4; ++k) x[k] = aux.lp->ts[k][t - 2];
      eval_mp(aux);
      r.emplace_back(m.obuf[0].o, aux.obuf[0].o);
    }
    return r;
  }

  // The auxiliary training's cycle lines in the console: the cycle in four digits, two blanks, the errors.
  std::size_t lineas_de_ciclo() const {
    std::istringstream s(salida_);
    std::size_t n = 0;
    const auto cifra = [](char c) { return c >= '0' && c <= '9'; };
    for (std::string l; std::getline(s, l);)
      if (l.size() > 6 && std::all_of(l.begin(), l.begin() + 4, cifra) && l.compare(4, 2, "  ") == 0) ++n;
    return n;
  }

  std::string salida_;
};

TEST_F(InitVelmor, PatternsPairLaggedInputsWithTheOutputsOfTheSameRow) {
  std::unique_ptr<VELMOR> m = modelo(100);
  std::unique_ptr<MP> aux = inicia(*m);
  const Columnas& d = m->lp->trn.d;
  EXPECT_EQ(aux->ni, 4);  // sum of taps
  EXPECT_EQ(aux->nh, 3);
  EXPECT_EQ(aux->no, 1);
  ASSERT_TRUE(aux->lp);
  EXPECT_EQ(aux->lp->npat, 98u);  // 100 rows, maxret 3
  EXPECT_FALSE(aux->tp);
  const std::vector<const double*>& ts = aux->lp->ts;
  ASSERT_EQ(ts.size(), 5u);
  EXPECT_EQ(ts[0], &d.d[0][2]);
  EXPECT_EQ(ts[1], &d.d[0][1]);
  EXPECT_EQ(ts[2], &d.d[0][0]);
  EXPECT_EQ(ts[3], &d.d[1][2]);
  EXPECT_EQ(ts[4], &d.d[2][2]);
  // The last pattern reads the last row.
  EXPECT_EQ(&ts[4][97], &d.d[2][99]);
  EXPECT_EQ(&ts[2][97], &d.d[0][97]);
}

TEST_F(InitVelmor, ModelStartsWithErrorFeedbackOffAndPredictsAsTheAuxiliaryNetwork) {
  std::unique_ptr<VELMOR> m = modelo(100);
  std::unique_ptr<MP> aux = inicia(*m);
  const MP& red = *m->mp;
  const std::size_t sum = 4;
  ASSERT_EQ(red.ni, 6);
  for (std::size_t h = 0; h < red.hl.size(); ++h) {
    for (std::size_t k = sum + 1; k < red.hl[h].w.size(); ++k) EXPECT_EQ(red.hl[h].w[k], 0.0) << h << " " << k;
    for (std::size_t k = 0; k <= sum; ++k) EXPECT_EQ(red.hl[h].w[k], aux->hl[h].w[k]) << h << " " << k;
  }
  EXPECT_EQ(red.ol[0].w, aux->ol[0].w);
  EXPECT_EQ(m->bancoe[0]->ibuf.a, 1.0);
  EXPECT_EQ(m->bancoe[0]->ibuf.b, 0.0);
  for (const auto& b : m->bancox) {
    EXPECT_EQ(b->ibuf.a, 1.0);
    EXPECT_EQ(b->ibuf.b, 0.0);
  }
  EXPECT_EQ(m->obuf[0].a, 1.0);
  EXPECT_EQ(m->obuf[0].b, 0.0);

  // One pass of the model over the training set against mpaux on its patterns.
  const auto filas = pasada(*m, *aux);
  for (std::size_t t = 0; t < filas.size(); ++t) EXPECT_DOUBLE_EQ(filas[t].first, filas[t].second) << "row " << t + 2;
}

TEST_F(InitVelmor, TrainsTwentyFiveCyclesWhateverTheConfigurationSays) {
  for (int nco : {3, 200}) {
    fs::remove("mpaux.res");
    std::unique_ptr<VELMOR> m = modelo(60, 0, nco);
    std::unique_ptr<MP> aux = inicia(*m);
    EXPECT_EQ(aux->lp->nco, 25u);
    const std::size_t ciclos = lineas_de_ciclo();
    EXPECT_LE(ciclos, 25u) << "nco " << nco;
    EXPECT_GT(ciclos, 3u) << "nco " << nco;
    EXPECT_EQ(cuenta_lineas("mpaux.res"), ciclos);
  }
}

TEST_F(InitVelmor, PrintsItsStagesAroundTheCycleLines) {
  std::unique_ptr<VELMOR> m = modelo(30);
  inicia(*m);
  const std::string inicio =
      "\n Inicializando los pesos de la red MP auxiliar \n"
      "\n Inicializaci\xA2n de la red RBWBR auxiliar finalizada \n"
      "\n Entrenamiento de la red RBWBR auxiliar \n"
      "0001  ";
  EXPECT_EQ(salida_.substr(0, inicio.size()), inicio);
  const std::string fin = "\n Entrenamiento de la red RBWBR auxiliar finalizado\n";
  ASSERT_GE(salida_.size(), fin.size());
  EXPECT_EQ(salida_.substr(salida_.size() - fin.size()), fin);
}

TEST_F(InitVelmor, WithoutTestSetNoPredictionsFile) {
  std::unique_ptr<VELMOR> m = modelo(40);
  inicia(*m);
  EXPECT_FALSE(fs::exists("mpaux.out"));
  EXPECT_TRUE(fs::exists("mpaux.wgt"));
}

TEST_F(InitVelmor, TestSetGivesItsOwnPatternsAndPredictions) {
  std::unique_ptr<VELMOR> m = modelo(50, 20);
  std::unique_ptr<MP> aux = inicia(*m);
  ASSERT_TRUE(aux->tp);
  EXPECT_EQ(aux->tp->npat, 18u);
  EXPECT_EQ(aux->tp->derivadas, 0);
  EXPECT_EQ(aux->tp->ts[0], &m->tp->d.d[0][2]);
  EXPECT_EQ(aux->tp->ts[4], &m->tp->d.d[2][2]);
  EXPECT_EQ(cuenta_lineas("mpaux.out"), 18u);
  EXPECT_FALSE(fs::exists("mpaux.d00"));
}

// Exactly maxret rows still give one pattern; one row fewer gives none and is refused before anything is built.
TEST_F(InitVelmor, ShortestDataSetGivesOnePattern) {
  std::unique_ptr<VELMOR> m = modelo(3, 3);
  std::unique_ptr<MP> aux = inicia(*m);
  EXPECT_EQ(aux->lp->npat, 1u);
  EXPECT_EQ(aux->tp->npat, 1u);
}

// Series of any size: input 0 far from unit size, input 1 constant, the output far off centre.
TEST_F(InitVelmor, ScalingsFromTheTrainingSetWhenAskedAndAWarningWhenNot) {
  const auto amplia = [](VELMOR& m) {
    for (double& x : m.lp->trn.d.d[0]) x = 300 * x + 40;
    for (double& x : m.lp->trn.d.d[1]) x = -7;
    for (double& x : m.lp->trn.d.d[2]) x = 50 * x - 900;
  };
  std::unique_ptr<VELMOR> m = modelo(100);
  amplia(*m);
  testing::internal::CaptureStderr();
  inicia(*m);
  const std::string aviso = testing::internal::GetCapturedStderr();
  EXPECT_EQ(aviso.rfind("Aviso: los datos de modelo.trn llegan a ", 0), 0u) << aviso;
  EXPECT_NE(aviso.find("VELMOR_ESCALA=1"), std::string::npos);

  setenv("VELMOR_ESCALA", "1", 1);
  m = modelo(100);
  amplia(*m);
  testing::internal::CaptureStderr();
  std::unique_ptr<MP> aux = inicia(*m);
  unsetenv("VELMOR_ESCALA");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  const Columnas& d = m->lp->trn.d;
  double media[3], sd[3];
  for (std::size_t c = 0; c < 3; ++c) {
    double s = 0, q = 0;
    for (double x : d.d[c]) s += x;
    media[c] = s / 100;
    for (double x : d.d[c]) q += (x - media[c]) * (x - media[c]);
    sd[c] = std::sqrt(q / 100);
  }
  EXPECT_NEAR(m->bancox[0]->ibuf.a * sd[0], 1.0, 1e-12);
  EXPECT_NEAR(m->bancox[0]->ibuf.b, -media[0] / sd[0], 1e-12);
  EXPECT_EQ(m->bancox[1]->ibuf.a, 1.0);  // no spread: only centred
  EXPECT_EQ(m->bancox[1]->ibuf.b, 7.0);
  EXPECT_NEAR(m->obuf[0].a / sd[2], 1.0, 1e-12);
  EXPECT_NEAR(m->obuf[0].b / media[2], 1.0, 1e-12);
  EXPECT_NEAR(m->bancoe[0]->ibuf.a * sd[2], 1.0, 1e-12);

  // mpaux learnt on the scaled series: the model gives its outputs back in data units.
  const auto filas = pasada(*m, *aux);
  for (std::size_t t = 0; t < filas.size(); ++t)
    EXPECT_NEAR(filas[t].first, sd[2] * filas[t].second + media[2], 1e-9 * sd[2]) << "row " << t + 2;
}

struct Corto {
  std::size_t trn, tst;
  const char* fichero;
};
class DatosCortos : public InitVelmor, public ::testing::WithParamInterface<Corto> {};

TEST_P(DatosCortos, EndWithAMessageNamingTheFile) {
  const Corto c = GetParam();
  std::unique_ptr<VELMOR> m = modelo(c.trn, c.tst);
  EXPECT_EXIT((a_stderr(), init_velmor(*m)), ::testing::ExitedWithCode(kEntradaErronea),
              std::string("^\n\n\\*\\*\\*\\* Error \\*\\*\\*\\*\n\nFichero de datos ") + c.fichero +
                  " demasiado corto para los retardos de la red\n\n$");
}

INSTANTIATE_TEST_SUITE_P(Casos, DatosCortos,
                         ::testing::Values(Corto{2, 0, "modelo\\.trn"}, Corto{1, 10, "modelo\\.trn"},
                                           Corto{10, 2, "modelo\\.tst"}));

}  // namespace
