#include "mp/mp_entrena.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/ajustes.hpp"
#include "common/random.hpp"
#include "comun/diferencia.hpp"
#include "comun/directorio_propio.hpp"
#include "comun/perceptron.hpp"
#include "comun/salida.hpp"
#include "mp/mp_pesos.hpp"
#include "mp/mp_prueba.hpp"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> lineas(const fs::path& p) {
  std::istringstream s(DirectorioPropio::lee(p));
  std::vector<std::string> v;
  for (std::string l; std::getline(s, l);) v.push_back(l);
  return v;
}

std::vector<double> campos(const std::string& linea) {
  std::istringstream s(linea);
  std::vector<double> v;
  for (double x; s >> x;) v.push_back(x);
  return v;
}

using EnDirectorio = prueba::EntrenaEnDirectorio;

// A perceptron over series the test owns: ni inputs, no targets, npat patterns of a smooth function.
struct Caso {
  int ni, nh, no, fsal;
  std::size_t npat;
  std::unique_ptr<MP> mp;
  std::vector<std::vector<double>> x, y, yt;  // inputs, training targets, test targets

  Caso(const char* nombre, int ni_, int nh_, int no_, int fsal_, std::size_t npat_, unsigned semilla)
      : ni(ni_), nh(nh_), no(no_), fsal(fsal_), npat(npat_), mp(build_mp(nombre, ni_, nh_, no_, fsal_)) {
    std::srand(semilla);
    aleatorio_pesos(*mp);
    x.assign(static_cast<std::size_t>(ni), std::vector<double>(npat));
    y.assign(static_cast<std::size_t>(no), std::vector<double>(npat));
    for (auto& s : x)
      for (double& v : s) v = aleatorio<AjustesVelmor>(1.0);
    for (std::size_t j = 0; j < y.size(); ++j)
      for (std::size_t p = 0; p < npat; ++p) {
        double s = 0.1 * static_cast<double>(j);
        for (std::size_t k = 0; k < x.size(); ++k) s += std::sin(static_cast<double>(k + j + 1) * x[k][p]);
        y[j][p] = 0.5 * std::tanh(s);
      }
    yt = y;
  }
  std::vector<const double*> ts(const std::vector<std::vector<double>>& objetivo) const {
    std::vector<const double*> t;
    for (const auto& s : x) t.push_back(s.data());
    for (const auto& s : objetivo) t.push_back(s.data());
    return t;
  }
  void con_entrenamiento(unsigned nco) { mp->lp = std::make_shared<LP_MP>(LP_MP{ts(y), npat, nco}); }
  void con_test(unsigned char derivadas = 0) { mp->tp = std::make_shared<TP_MP>(TP_MP{ts(yt), npat, derivadas}); }
  std::vector<double> pesos() const { return prueba::pesos(*mp); }
  // Network outputs on pattern p of the inputs, through an array of the test's own.
  std::vector<double> salidas(std::size_t p) {
    std::vector<double> in(static_cast<std::size_t>(ni));
    for (std::size_t k = 0; k < in.size(); ++k) {
      in[k] = x[k][p];
      mp->ibuf[k].i = &in[k];
    }
    const std::vector<double> o = prueba::salidas(*mp);
    for (MP_BUF& b : mp->ibuf) b.i = nullptr;
    return o;
  }
  double error_en(std::span<const double> w) {
    std::vector<double> g(mp->nw);
    return grad_mp(w, g, *mp);
  }
};

void expect_pesos_cerca(const std::vector<double>& a, const std::vector<double>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t k = 0; k < a.size(); ++k)
    EXPECT_NEAR(a[k], b[k], 1e-7 * std::max(1.0, std::abs(b[k]))) << "weight " << k;
}

using MpEntrena = EnDirectorio;

struct Forma {
  int ni, nh, no, fsal;
};
class GradMp : public EnDirectorio, public ::testing::WithParamInterface<Forma> {};

TEST_P(GradMp, MatchesCentralDifferencesOfTheError) {
  const Forma f = GetParam();
  Caso c("red", f.ni, f.nh, f.no, f.fsal, 15, 5);
  c.con_entrenamiento(1);
  std::vector<double> w = c.pesos(), g(c.mp->nw);
  const double e = grad_mp(w, g, *c.mp);

  double suma = 0;  // the error itself: mean over patterns of the squared errors summed over outputs
  for (std::size_t p = 0; p < c.npat; ++p) {
    const std::vector<double> o = c.salidas(p);
    for (std::size_t j = 0; j < o.size(); ++j) suma += (c.y[j][p] - o[j]) * (c.y[j][p] - o[j]);
  }
  EXPECT_NEAR(e, suma / static_cast<double>(c.npat), 1e-14);

  for (std::size_t k = 0; k < w.size(); ++k) {
    const double dif = prueba::diferencia_central(w, k, [&] { return c.error_en(w); });
    EXPECT_NEAR(g[k], dif, 1e-6 * std::max(1.0, std::abs(dif))) << "weight " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Formas, GradMp,
                         ::testing::Values(Forma{1, 1, 1, 0}, Forma{3, 4, 2, 0}, Forma{3, 4, 2, 1}, Forma{2, 5, 3, 1}));

TEST_F(MpEntrena, GradientWithoutPatternsIsZeroNotANumber) {
  Caso c("red", 2, 2, 1, 0, 4, 1);
  c.con_entrenamiento(1);
  c.mp->lp->npat = 0;
  std::vector<double> w = c.pesos(), g(c.mp->nw, 7.0);
  EXPECT_EQ(grad_mp(w, g, *c.mp), 0.0);
  for (double gk : g) EXPECT_EQ(gk, 0.0);
}

TEST_F(MpEntrena, FirstReportWithTestSetSavesAndAnEqualErrorDoesNot) {
  Caso c("red", 2, 3, 1, 0, 12, 2);
  c.con_entrenamiento(1);
  c.con_test();
  const std::vector<double> w = c.pesos();
  testing::internal::CaptureStdout();
  EXPECT_FALSE(seguimiento_mp(w, 0, *c.mp, marcador));
  ASSERT_TRUE(fs::exists("red.wgt"));
  EXPECT_LT(marcador.minimo, 1e30);
  EXPECT_EQ(marcador.minimo, mp_test(*c.mp));

  fs::remove("red.wgt");
  EXPECT_FALSE(seguimiento_mp(w, 0, *c.mp, marcador));
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(fs::exists("red.wgt"));
  EXPECT_EQ(lineas("red.res").size(), 2u);
}

TEST_F(MpEntrena, ReportLinesCarryCycleTrainingAndTestErrors) {
  Caso c("red", 2, 3, 1, 0, 12, 3);
  c.con_entrenamiento(3);
  c.con_test();
  testing::internal::CaptureStdout();
  train_rbwbr(*c.mp, marcador);
  const std::string salida = testing::internal::GetCapturedStdout();
  ASSERT_GE(salida.size(), 40u);
  EXPECT_EQ(salida.substr(0, 6), "0001  ");
  EXPECT_EQ(salida.substr(salida.find('\n') - 1, 2), " \n");
  EXPECT_NE(salida.find("\n0002  "), std::string::npos);

  const std::vector<std::string> res = lineas("red.res");
  ASSERT_FALSE(res.empty());
  for (const std::string& l : res) {
    EXPECT_EQ(l.size(), 32u) << l;  // two fields of 15 and two blanks between them
    EXPECT_EQ(campos(l).size(), 2u) << l;
  }
}

// The test targets are the starting network's own outputs, so the test error only rises as training moves the
// weights towards the training targets: the first report is the best one.
TEST_F(MpEntrena, TrainingEndsWithTheWeightsOfTheBestReport) {
  Caso c("red", 2, 3, 1, 0, 20, 4);
  for (std::size_t p = 0; p < c.npat; ++p) c.yt[0][p] = c.salidas(p)[0];
  for (std::size_t p = 0; p < c.npat; ++p) c.y[0][p] = 2 + c.y[0][p];
  const std::vector<double> inicio = c.pesos();
  c.con_entrenamiento(6);
  c.con_test();
  testing::internal::CaptureStdout();
  train_rbwbr(*c.mp, marcador);
  testing::internal::GetCapturedStdout();

  const std::vector<std::string> res = lineas("red.res");
  ASSERT_GE(res.size(), 3u);
  EXPECT_EQ(campos(res.front())[1], 0.0);
  EXPECT_GT(campos(res.back())[1], 1e-3);
  expect_pesos_cerca(c.pesos(), inicio);
}

TEST_F(MpEntrena, WithoutTestSetNoOutFileAndTheWeightFileHoldsTheLastCycle) {
  Caso c("red", 2, 3, 1, 0, 20, 6);
  const std::vector<double> inicio = c.pesos();
  c.con_entrenamiento(5);
  testing::internal::CaptureStdout();
  train_rbwbr(*c.mp, marcador);
  const std::string salida = testing::internal::GetCapturedStdout();
  EXPECT_FALSE(fs::exists("red.out"));
  ASSERT_TRUE(fs::exists("red.wgt"));

  const std::vector<double> final = c.pesos();
  EXPECT_GT(std::abs(final[0] - inicio[0]) + std::abs(final.back() - inicio.back()), 1e-6);
  std::unique_ptr<MP> otra = build_mp("red", 2, 3, 1, 0);
  load_w(*otra);
  expect_pesos_cerca(prueba::pesos(*otra), final);

  // The last line search follows the last report, so the final point is at least as good as that report's;
  // the test error column is 0 throughout.
  const std::vector<std::string> res = lineas("red.res");
  ASSERT_FALSE(res.empty());
  EXPECT_LE(c.error_en(final), campos(res.back())[0] * (1 + 1e-7));
  for (const std::string& l : res) EXPECT_EQ(campos(l)[1], 0.0) << l;
  EXPECT_NE(salida.find("  +0              \n"), std::string::npos);
}

TEST_F(MpEntrena, ResultsAccumulateAcrossTrainings) {
  Caso c("red", 2, 2, 1, 0, 10, 7);
  c.con_entrenamiento(3);
  testing::internal::CaptureStdout();
  train_rbwbr(*c.mp, marcador);
  const std::string primera = lee("red.res");
  const std::size_t n1 = lineas("red.res").size();
  train_rbwbr(*c.mp, marcador);
  const std::string salida = testing::internal::GetCapturedStdout();
  const std::string ambas = lee("red.res");
  EXPECT_GT(lineas("red.res").size(), n1);
  EXPECT_EQ(ambas.substr(0, primera.size()), primera);
  EXPECT_NE(salida.find("\n0001  "), std::string::npos);  // the second training counts from 1 again
}

// A report that does not beat the best of an earlier training leaves the weight file of an earlier run in place;
// that file must not be taken for this training's result.
TEST_F(MpEntrena, AWeightFileThisTrainingDidNotWriteIsNotLoaded) {
  Caso c("red", 2, 3, 1, 0, 20, 8);
  std::unique_ptr<MP> vieja = build_mp("red", 2, 3, 1, 0);
  save_w(*vieja);  // all weights 0
  c.con_entrenamiento(4);
  c.con_test();
  marcador.minimo = -1;
  testing::internal::CaptureStdout();
  train_rbwbr(*c.mp, marcador);
  testing::internal::GetCapturedStdout();
  const std::vector<double> final = c.pesos();
  EXPECT_NE(final, std::vector<double>(final.size(), 0.0));
  std::unique_ptr<MP> otra = build_mp("red", 2, 3, 1, 0);
  load_w(*otra);
  expect_pesos_cerca(prueba::pesos(*otra), final);
}

TEST_F(MpEntrena, TestWritesOutputsAndOneDerivativeFilePerOutput) {
  Caso c("net", 3, 4, 2, 1, 9, 9);
  c.con_test(1);
  const double e = mp_test(*c.mp);

  double suma = 0;
  for (std::size_t p = 0; p < c.npat; ++p) {
    const std::vector<double> o = c.salidas(p);
    for (std::size_t j = 0; j < 2; ++j) suma += (c.yt[j][p] - o[j]) * (c.yt[j][p] - o[j]);
  }
  EXPECT_NEAR(e, suma / 9, 1e-15);

  const std::vector<std::string> out = lineas("net.out");
  ASSERT_EQ(out.size(), 9u);
  for (std::size_t p = 0; p < 9; ++p) {
    EXPECT_EQ(out[p].size(), 2u * 17) << out[p];
    const std::vector<double> v = campos(out[p]), o = c.salidas(p);
    ASSERT_EQ(v.size(), 2u);
    for (std::size_t j = 0; j < 2; ++j) EXPECT_NEAR(v[j], o[j], 1e-7 * std::max(1.0, std::abs(o[j])));
  }

  EXPECT_FALSE(fs::exists("net.d02"));
  for (std::size_t j = 0; j < 2; ++j) {
    const std::vector<std::string> d = lineas(j == 0 ? "net.d00" : "net.d01");
    ASSERT_EQ(d.size(), 9u);
    for (std::size_t p = 0; p < 9; ++p) {
      EXPECT_EQ(d[p].size(), 3u * 16) << d[p];
      const std::vector<double> v = campos(d[p]);
      ASSERT_EQ(v.size(), 3u);
      // Against a central difference of the output in each input.
      for (std::size_t m = 0; m < 3; ++m)
        EXPECT_NEAR(v[m], prueba::diferencia_central(c.x[m], p, [&] { return c.salidas(p)[j]; }), 1e-6)
            << "output " << j << " input " << m;
    }
  }
}

TEST_F(MpEntrena, TestWithoutDerivativesWritesNoDerivativeFile) {
  Caso c("net", 2, 2, 2, 0, 4, 10);
  c.con_test(0);
  mp_test(*c.mp);
  EXPECT_TRUE(fs::exists("net.out"));
  EXPECT_FALSE(fs::exists("net.d00"));
}

TEST_F(MpEntrena, ResultsFileThatCannotBeOpenedEndsWithStatusOne) {
  Caso c("red", 2, 2, 1, 0, 4, 11);
  c.con_entrenamiento(1);
  fs::create_directory("red.res");
  const std::vector<double> w = c.pesos();
  EXPECT_EXIT((a_stderr(), seguimiento_mp(w, 0, *c.mp, marcador)), ::testing::ExitedWithCode(1),
              "Error de apertura del fichero red\\.res");
}

}  // namespace
