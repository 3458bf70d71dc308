#include "velmor/entrena.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "comun/diferencia.hpp"
#include "comun/perceptron.hpp"
#include "comun/velmor_prueba.hpp"
#include "velmor/pasada.hpp"
#include "velmor/pesos.hpp"
#include "velmor/test.hpp"

namespace {

namespace fs = std::filesystem;

std::unique_ptr<VELMOR> modelo(std::vector<int> nri, std::vector<int> nre, int nh, int kind) {
  auto m = build_velmor("modelo", static_cast<int>(nri.size()), nh, static_cast<int>(nre.size()), nri, nre, kind);
  m->lp = std::make_unique<VELMOR_LP>();
  return m;
}

std::vector<double> pesos(const VELMOR& m) { return prueba::pesos(*m.mp); }

double etr(VELMOR& m, std::span<const double> w) {
  std::vector<double> g(w.size());
  return grad_velmor(w, g, m);
}

struct Forma {
  const char* nombre;
  std::vector<int> nri, nre;
  int kind;
};
void PrintTo(const Forma& f, std::ostream* os) { *os << f.nombre; }

class Gradiente : public ::testing::TestWithParam<Forma> {};

// The recurrent derivatives must be exact: one quarter of a central difference of Etr, at random weights.
TEST_P(Gradiente, IsOneQuarterOfTheDerivativeOfEtr) {
  const Forma& f = GetParam();
  auto m = modelo(f.nri, f.nre, 3, f.kind);
  prueba::aleatoriza(*m, 21);
  m->lp->trn.d = prueba::series(m->ni, m->no, 25, 4);
  std::vector<double> w = pesos(*m);
  std::vector<double> g(w.size());
  grad_velmor(w, g, *m);
  for (std::size_t k = 0; k < w.size(); ++k) {
    const double dif = prueba::diferencia_central(w, k, [&] { return etr(*m, w); });
    EXPECT_NEAR(g[k], dif / 4, 1e-6 * (1 + std::abs(dif))) << "weight " << k;
  }
}

// A second pass from the same weights repeats the first bit for bit: the ring starts cleared every time.
TEST_P(Gradiente, RepeatsAndMatchesThePassOverTheSameSeries) {
  const Forma& f = GetParam();
  auto m = modelo(f.nri, f.nre, 3, f.kind);
  prueba::aleatoriza(*m, 5);
  m->lp->trn.d = prueba::series(m->ni, m->no, 30, 9);
  const std::vector<double> w = pesos(*m);
  std::vector<double> g1(w.size()), g2(w.size());
  const double e1 = grad_velmor(w, g1, *m), e2 = grad_velmor(w, g2, *m);
  double e3;
  EXPECT_EQ(e1, e2);
  EXPECT_EQ(g1, g2);
  eval_set_velmor(*m, m->lp->trn.d, 30, e3);
  EXPECT_EQ(e1, e3);
}

INSTANTIATE_TEST_SUITE_P(Modelos, Gradiente,
                         ::testing::Values(Forma{"NoErrorTaps", {2, 1}, {0, 0}, 0},
                                           Forma{"OneErrorTap", {2, 1}, {1, 0}, 0},
                                           Forma{"TwoAndOneErrorTaps", {2, 1}, {2, 1}, 0},
                                           Forma{"TanhOutputsTwoErrorTaps", {1, 2}, {0, 2}, 1},
                                           Forma{"TanhOutputsBothFedBack", {3}, {2, 2}, 1}),
                         [](const auto& info) { return std::string(info.param.nombre); });

// The weights' sums split over a crew of any size (more threads than hidden units, too) give the bits of the
// single-thread pass, across several blocks of rows.
TEST(GradientePorPesos, IsTheSingleThreadPassBitForBit) {
  auto m = modelo({2, 1}, {2, 1}, 4, 1);
  prueba::aleatoriza(*m, 8);
  m->lp->trn.d = prueba::series(m->ni, m->no, 1500, 6);
  const std::vector<double> w = pesos(*m);
  std::vector<double> g1(w.size()), g(w.size());
  const double e1 = grad_velmor(w, g1, *m);
  for (unsigned hilos : {2u, 3u, 5u}) {
    m->lp->cuadrilla = std::make_unique<Cuadrilla>(hilos);
    const double e = grad_velmor(w, g, *m);
    EXPECT_EQ(e, e1) << hilos;
    EXPECT_EQ(g, g1) << hilos;
  }
}

// A crew only where a pass has work enough for it: not for the small model, not for one thread, and for the
// large model of the thread-count end-to-end test, so that that test runs the split sums.
TEST(GradientePorPesos, OnlyPassesWithWorkEnoughGetACrew) {
  auto pequeno = modelo({2, 1}, {2, 1}, 3, 0);
  pequeno->lp->trn.d = prueba::series(pequeno->ni, pequeno->no, 200, 1);
  reparte_hilos(*pequeno, 4);
  EXPECT_FALSE(pequeno->lp->cuadrilla);
  auto grande = modelo({16, 16, 16, 16}, {8, 8, 8, 8}, 32, 0);
  grande->lp->trn.d = prueba::series(grande->ni, grande->no, 200, 1);
  reparte_hilos(*grande, 1);
  EXPECT_FALSE(grande->lp->cuadrilla);
  reparte_hilos(*grande, 3);
  ASSERT_TRUE(grande->lp->cuadrilla);
  EXPECT_EQ(grande->lp->cuadrilla->hilos(), 3u);
  grande->lp->pase = PaseGradiente::rtrl;  // the recursion runs on one thread
  reparte_hilos(*grande, 3);
  EXPECT_FALSE(grande->lp->cuadrilla);
}

// Etr sums the outputs and averages over rows only: zero weights predict 0 for outputs of +-1.
TEST(ErrorEntrenamiento, SumsOverOutputsAndAveragesOverRows) {
  auto m = modelo({1}, {1, 1}, 2, 0);
  Columnas& c = m->lp->trn.d;
  c = prueba::series(1, 2, 8, 1);
  for (std::size_t t = 0; t < 8; ++t) c.d[1][t] = t % 2 ? 1 : -1, c.d[2][t] = t % 3 ? -1 : 1;
  EXPECT_EQ(etr(*m, pesos(*m)), 2.0);
}

// Reports and training, with a training series, a different test series and random starting weights.
class Seguimiento : public prueba::EnDirectorio {
 protected:
  void SetUp() override {
    prueba::EnDirectorio::SetUp();
    prueba::aleatoriza(*m, 17);
    m->lp->nco = 8;
    m->lp->trn.d = prueba::series(2, 1, 60, 2);
    m->tp = std::make_unique<DATASET>();
    m->tp->d = prueba::series(2, 1, 40, 3);
  }
  double ets() {
    double e;
    eval_set_velmor(*m, m->tp->d, m->tp->d.ndat, e);
    return e;
  }
  // The weights the model's file holds, read by a model of the given error taps.
  static std::vector<double> guardados(std::vector<int> nre = {2}) {
    auto otro = modelo({2, 1}, nre, 4, 0);
    load_velmor(*otro);
    return pesos(*otro);
  }
  // Equal to the eight digits the file keeps.
  static void expect_guardados(const std::vector<double>& w, std::vector<int> nre = {2}) {
    const std::vector<double> leidos = guardados(nre);
    for (std::size_t k = 0; k < w.size(); ++k) EXPECT_NEAR(leidos[k], w[k], 5e-8 * std::abs(w[k]));
  }
  static bool guardado() { return fs::exists("modelo.wgt") && fs::exists("modelo#.wgt"); }
  static void borra() { fs::remove("modelo.wgt"), fs::remove("modelo#.wgt"); }
  static std::vector<double> ets_impresos(const std::string& salida) {
    std::vector<double> v;
    std::istringstream s(salida);
    for (std::string linea; std::getline(s, linea);)
      if (const auto p = linea.find("Ets = "); p != std::string::npos) v.push_back(std::stod(linea.substr(p + 6)));
    return v;
  }
  std::unique_ptr<VELMOR> m = modelo({2, 1}, {2}, 4, 0);
  RegistroVelmor registro;
  const Marcador<double>& marcador = registro.marcador;
};

TEST_F(Seguimiento, FirstReportSavesAndAnEqualTestErrorDoesNot) {
  const std::vector<double> w = pesos(*m);
  prueba::CapturaSalida captura;
  EXPECT_FALSE(seguimiento(w, 0.5, *m, registro));
  EXPECT_TRUE(guardado());
  const double primero = marcador.minimo;
  EXPECT_EQ(primero, ets());
  borra();
  EXPECT_FALSE(seguimiento(w, 0.5, *m, registro));
  const std::string salida = captura.fin();
  EXPECT_FALSE(guardado());
  EXPECT_EQ(marcador.ciclos, 2u);
  EXPECT_EQ(marcador.minimo, primero);
  char linea[100];
  std::snprintf(linea, sizeof linea, "Ciclo de Opt.:     2   Etr =   0.500000   Ets = %10f \n", primero);
  EXPECT_NE(salida.find(linea), std::string::npos) << salida;
}

TEST_F(Seguimiento, WithoutTestSetEtsIsZeroAndNothingIsSaved) {
  m->tp.reset();
  prueba::CapturaSalida captura;
  seguimiento(pesos(*m), 1.25, *m, registro);
  EXPECT_EQ(captura.fin(), "Ciclo de Opt.:     1   Etr =   1.250000   Ets =   0.000000 \n");
  EXPECT_FALSE(guardado());
  EXPECT_EQ(marcador.minimo, 1e30);
}

TEST_F(Seguimiento, AfterTrainingTheWeightsAreThoseOfTheLowestTestError) {
  prueba::CapturaSalida captura;
  train_velmor(*m, registro);
  const std::vector<double> impresos = ets_impresos(captura.fin());
  ASSERT_GE(impresos.size(), 2u);
  EXPECT_LE(impresos.size(), 8u);
  EXPECT_NEAR(*std::min_element(impresos.begin(), impresos.end()), marcador.minimo, 1e-6);
  // The weights went through the file, so they are the best to its eight digits.
  EXPECT_NEAR(ets(), marcador.minimo, 1e-6 * marcador.minimo);
  EXPECT_EQ(guardados(), pesos(*m));
  EXPECT_TRUE(m->lp->dydw.empty());  // the training's buffers are gone
}

TEST_F(Seguimiento, WithoutTestSetTrainingSavesItsFinalPoint) {
  m->tp.reset();
  const std::vector<double> inicio = pesos(*m);
  const double e0 = etr(*m, inicio);
  prueba::CapturaSalida captura;
  train_velmor(*m, registro);
  const std::vector<double> impresos = ets_impresos(captura.fin());
  EXPECT_TRUE(std::all_of(impresos.begin(), impresos.end(), [](double e) { return e == 0; }));
  EXPECT_LT(etr(*m, pesos(*m)), e0);
  expect_guardados(pesos(*m));
}

// A test error that is not a number never beats the start value, so no report saved: training must not load
// a weight file that is not there (or one an older run left), but keep and save the optimiser's point.
TEST_F(Seguimiento, TestErrorThatNeverFallsSavesTheFinalPointInstead) {
  m->tp->d.d[2][5] = std::nan("");
  prueba::CapturaSalida captura;
  train_velmor(*m, registro);
  captura.fin();
  EXPECT_EQ(marcador.minimo, 1e30);
  expect_guardados(pesos(*m));
}

// Without error taps nothing is optimised, but the test that follows must find this model's weights.
TEST_F(Seguimiento, NoErrorTapsSkipsTheOptimisationAndStillSaves) {
  m = modelo({2, 1}, {0}, 4, 0);
  prueba::aleatoriza(*m, 6);
  m->lp->nco = 5;
  m->lp->trn.d = prueba::series(2, 1, 20, 2);
  const std::vector<double> inicio = pesos(*m);
  prueba::CapturaSalida captura;
  train_velmor(*m, registro);
  EXPECT_EQ(captura.fin(), "\n\n N\xA7 de retardos del error nulo \n\n");
  EXPECT_EQ(pesos(*m), inicio);
  EXPECT_EQ(marcador.ciclos, 0u);
  ASSERT_TRUE(guardado());
  expect_guardados(inicio, {0});
}

TEST_F(Seguimiento, SaveAndStopRequestSavesAndEndsBeforeTheCycleLine) {
  registro.opcion = 1;
  const std::vector<double> w = pesos(*m);
  EXPECT_EXIT((a_stderr(), seguimiento(w, 0.5, *m, registro)), ::testing::ExitedWithCode(0),
              "^\n\n\\*\\*\\*\\* Error \\*\\*\\*\\*\n\nPulsaci\xA2n de CTRL-C: Fichero de pesos guardado\n\n$");
  EXPECT_TRUE(guardado());
}

// The test writes one .out line and one .drv line for every row the pass hands it, every field "%+-15.8g  ".
TEST_F(Seguimiento, PassWritesDerivativesAndOutputsOfEveryRow) {
  m->obuf[0].a = 1;
  m->obuf[0].b = 0;
  m->tp->ndat = 3;
  prueba::CapturaSalida captura;
  testing::internal::CaptureStderr();
  test_velmor(*m);
  captura.fin();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // ets is already in data units
  const std::string so = lee("modelo.out"), sd = lee("modelo.drv");
  EXPECT_EQ(std::count(so.begin(), so.end(), '\n'), 3);
  EXPECT_EQ(std::count(sd.begin(), sd.end(), '\n'), 3);
  EXPECT_EQ(so.find('\n'), 17u);                                        // one field
  EXPECT_EQ(sd.find('\n'), 17u * static_cast<std::size_t>(m->mp->ni));  // one per perceptron input
  std::vector<double> dydx(static_cast<std::size_t>(m->mp->ni));
  double e, y = 0;
  eval_set_velmor(*m, m->tp->d, 3, e, dydx, [&](std::span<const MP_BUF> s, std::span<const double>) { y = s[0].o; });
  char campo[40];
  std::snprintf(campo, sizeof campo, "%+-15.8g  \n", y);
  EXPECT_EQ(so.substr(so.size() - 18), campo);
  std::snprintf(campo, sizeof campo, "%+-15.8g  \n", dydx.back());
  EXPECT_EQ(sd.substr(sd.size() - 18), campo);
}

// With scaled outputs ets is not in data units: standard error gives the mean squared error of what .out holds,
// per output and summed as ets sums them.
using PruebaEscalada = prueba::EnDirectorio;
TEST_F(PruebaEscalada, ReportsTheErrorOfThePredictionsInDataUnits) {
  auto m = modelo({1}, {1, 0}, 3, 0);
  prueba::aleatoriza(*m, 8);
  m->tp = std::make_unique<DATASET>();
  m->tp->d = prueba::series(1, 2, 20, 5);
  m->tp->ndat = 20;
  prueba::CapturaSalida captura;
  testing::internal::CaptureStderr();
  test_velmor(*m);
  captura.fin();
  const std::string aviso = testing::internal::GetCapturedStderr();
  std::istringstream out(lee("modelo.out"));
  double ecm[2] = {0, 0};
  for (std::size_t t = 0; t < 20; ++t)
    for (std::size_t j = 0; j < 2; ++j) {
      double o = NAN;
      out >> o;
      ecm[j] += (o - m->tp->d.d[1 + j][t]) * (o - m->tp->d.d[1 + j][t]) / 20;
    }
  const auto numero = [&](const std::string& tras) {
    const auto p = aviso.find(tras);
    return p == std::string::npos ? NAN : std::strtod(aviso.c_str() + p + tras.size(), nullptr);
  };
  EXPECT_EQ(aviso.rfind("Aviso: error cuadr\xA0tico medio de modelo.out en las unidades de los datos: ", 0), 0u)
      << aviso;
  EXPECT_NEAR(numero("datos: "), ecm[0] + ecm[1], 1e-5 * (ecm[0] + ecm[1]));
  EXPECT_NEAR(numero("salida 1: "), ecm[0], 1e-5 * ecm[0]);
  EXPECT_NEAR(numero("salida 2: "), ecm[1], 1e-5 * ecm[1]);
}

}  // namespace
