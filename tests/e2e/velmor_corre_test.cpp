// Whole velmor jobs on the sunspot series: what each job prints and writes. Runs from a random start are
// seeded through VELMOR_SEMILLA so they repeat; runs from stored weights are compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "comun/esperado.hpp"
#include "comun/proceso.hpp"

namespace {

using namespace e2e;

const std::vector<std::string> kSemilla{"VELMOR_SEMILLA=11"};

// One input series with two taps, four hidden units, one output whose error is fed back with one tap.
std::string config(const std::string& trabajo) { return "velmor\n1 4 1\nnri 2\nnre 1\n" + trabajo; }
const std::string kLearnConTest = config("learn\nnco 8\nftrain sunspots-train.dat\nftest sunspots-test.dat\n");
const std::string kLearnSinTest = config("learn\nnco 6\nftrain sunspots-train.dat\n");

std::vector<std::string> lineas(const std::string& texto) {
  std::vector<std::string> r;
  std::istringstream in(texto);
  for (std::string l; std::getline(in, l);) r.push_back(l);
  return r;
}

struct Ciclo {
  int n;
  double etr, ets;
};

// Every cycle line of the model's training, checked against its format.
std::vector<Ciclo> ciclos(const std::string& salida) {
  static const std::regex linea(R"(Ciclo de Opt\.: ([ \d]{5})   Etr = ([ \d.]{10})   Ets = ([ \d.]{10}) \n)");
  std::vector<Ciclo> r;
  for (auto it = std::sregex_iterator(salida.begin(), salida.end(), linea); it != std::sregex_iterator(); ++it)
    r.push_back({std::stoi((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3])});
  return r;
}

// A layout line: `campos` fields of "%+-15.8g  ".
bool es_linea_de_campos(const std::string& l, std::size_t campos) {
  if (l.size() != 17 * campos) return false;
  for (std::size_t k = 0; k < campos; ++k) {
    const std::string campo = l.substr(17 * k, 17);
    if (campo[0] != '+' && campo[0] != '-') return false;
    if (campo.substr(15) != "  ") return false;
    char* fin = nullptr;
    std::strtod(campo.c_str(), &fin);
    if (*fin != ' ' && *fin != '\0') return false;
  }
  return true;
}

void layout(const fs::path& f, std::size_t filas, std::size_t campos) {
  const auto ls = lineas(lee(f));
  ASSERT_EQ(ls.size(), filas) << f;
  EXPECT_EQ(lee(f).back(), '\n') << f;
  for (std::size_t t = 0; t < ls.size(); ++t) EXPECT_TRUE(es_linea_de_campos(ls[t], campos)) << f << " line " << t;
}

class VelmorCorre : public ::testing::Test {
 protected:
  Resultado velmor(const std::string& cfg, const std::vector<std::string>& entorno = kSemilla) {
    e2e::escribe(dir / "sunspots.net", cfg);
    return corre(VELMOR_BIN, {"sunspots"}, dir.path(), "", 30, entorno);
  }
  void datos() { e2e::copia_datos(dir.path(), {"sunspots-train.dat", "sunspots-test.dat"}); }
  void pesos_guardados() { e2e::copia_datos(dir.path(), {"sunspot.wgt", "sunspot#.wgt"}); }
  bool existe(const std::string& f) const { return fs::exists(dir / f); }
  DirTemporal dir;
};

TEST_F(VelmorCorre, LearnWithTestTrainsThenTestsTheBestWeights) {
  datos();
  const Resultado r = velmor(kLearnConTest);
  ASSERT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.estado, 0);
  const std::string inicio = "\n Inicializando los pesos de la red MP auxiliar \n";
  EXPECT_EQ(r.salida.rfind(inicio, 0), 0u) << r.salida;
  EXPECT_NE(r.salida.find("\n Entrenamiento de la red RBWBR auxiliar finalizado\n"), std::string::npos);

  const auto c = ciclos(r.salida);
  ASSERT_FALSE(c.empty());
  ASSERT_LE(c.size(), 8u);
  for (std::size_t k = 0; k < c.size(); ++k) EXPECT_EQ(c[k].n, static_cast<int>(k) + 1);
  // The test runs on the weights of the report with the lowest test error, not on the last point.
  const double mejor = std::min_element(c.begin(), c.end(), [](auto& a, auto& b) { return a.ets < b.ets; })->ets;
  std::smatch ets;
  ASSERT_TRUE(std::regex_search(r.salida, ets, std::regex("\n\n ets = (\\d+\\.\\d{6}) \n\n$")));
  EXPECT_NEAR(std::stod(ets[1]), mejor, 1.5e-6);

  for (const char* f : {"sunspot.wgt", "sunspot#.wgt", "mpaux.wgt", "mpaux.res", "mpaux.out"})
    EXPECT_TRUE(existe(f)) << f;
  layout(dir / "sunspot.out", 35, 1);
  layout(dir / "sunspot.drv", 35, 3);  // two input taps and one error tap
}

TEST_F(VelmorCorre, AnUnknownGradientPassIsRefusedBeforeAnythingIsWritten) {
  datos();
  const Resultado r = velmor(kLearnConTest, {"VELMOR_GRADIENTE=adjoint"});
  EXPECT_EQ(r.estado, 2);
  EXPECT_EQ(r.salida, "");
  EXPECT_NE(r.errores.find("VELMOR_GRADIENTE debe valer adjunto o rtrl, no \"adjoint\""), std::string::npos)
      << r.errores;
  EXPECT_FALSE(existe("mpaux.wgt"));
}

TEST_F(VelmorCorre, LearnWithoutTestReportsZeroTestErrorAndRunsNoTest) {
  datos();
  const Resultado r = velmor(kLearnSinTest);
  EXPECT_EQ(r.estado, 0);
  const auto c = ciclos(r.salida);
  ASSERT_FALSE(c.empty());
  for (const Ciclo& x : c) EXPECT_EQ(x.ets, 0) << "cycle " << x.n;
  EXPECT_EQ(r.salida.find(" ets = "), std::string::npos);
  EXPECT_TRUE(existe("sunspot.wgt"));
  EXPECT_TRUE(existe("sunspot#.wgt"));
  for (const char* f : {"sunspot.out", "sunspot.drv", "mpaux.out"}) EXPECT_FALSE(existe(f)) << f;
}

TEST_F(VelmorCorre, SeededLearnRunsRepeat) {
  datos();
  const Resultado a = velmor(kLearnConTest);
  const std::string out = lee(dir / "sunspot.out"), wgt = lee(dir / "sunspot#.wgt");
  const Resultado b = velmor(kLearnConTest);
  EXPECT_EQ(a.salida, b.salida);
  EXPECT_EQ(lee(dir / "sunspot.out"), out);
  EXPECT_EQ(lee(dir / "sunspot#.wgt"), wgt);
}

TEST_F(VelmorCorre, AuxiliaryResultsAccumulateAcrossRuns) {
  datos();
  velmor(kLearnConTest);
  const auto primera = lineas(lee(dir / "mpaux.res"));
  ASSERT_FALSE(primera.empty());
  ASSERT_LE(primera.size(), 25u);
  velmor(kLearnConTest);
  const auto ambas = lineas(lee(dir / "mpaux.res"));
  ASSERT_EQ(ambas.size(), 2 * primera.size());  // seeded: the same cycles again
  EXPECT_TRUE(std::equal(primera.begin(), primera.end(), ambas.begin()));
}

TEST_F(VelmorCorre, ContinuedLearningFromStoredWeightsRepeatsByteForByte) {
  datos();
  pesos_guardados();
  const Resultado r = velmor(config("c_learn\nnco 5\nftrain sunspots-train.dat\nftest sunspots-test.dat\n"), {});
  EXPECT_EQ(r.estado, 0);
  como_esperado(r.salida, "c_learn.stdout");
  como_esperado(lee(dir / "sunspot.out"), "c_learn.out");
  EXPECT_FALSE(existe("mpaux.res"));  // no auxiliary network
}

TEST_F(VelmorCorre, ContinuedLearningWithoutStoredWeightsStopsBeforeAnyCycle) {
  datos();
  const Resultado r = velmor(config("c_learn\nnco 5\nftrain sunspots-train.dat\nftest sunspots-test.dat\n"));
  EXPECT_EQ(r.estado, 1);
  EXPECT_EQ(r.salida, marco("Error de apertura del fichero sunspot.wgt"));
}

TEST_F(VelmorCorre, TestAloneFromStoredWeightsRepeatsByteForByte) {
  datos();
  pesos_guardados();
  const std::string cfg = config("ftest sunspots-test.dat\n");
  const Resultado r = velmor(cfg, {});
  EXPECT_EQ(r.estado, 0);
  como_esperado(r.salida, "ftest.stdout");
  como_esperado(lee(dir / "sunspot.out"), "ftest.out");
  como_esperado(lee(dir / "sunspot.drv"), "ftest.drv");
  // The weights are only read.
  EXPECT_EQ(lee(dir / "sunspot#.wgt"), lee(fs::path(DATOS_DIR) / "sunspot#.wgt"));
  // Twice the same test, the same files.
  const std::string out = lee(dir / "sunspot.out");
  velmor(cfg, {});
  EXPECT_EQ(lee(dir / "sunspot.out"), out);
}

// A data name is lower-cased as always; only when no file has that name does the name as written count.
TEST_F(VelmorCorre, DataNamesAsWrittenAreOpenedWhenTheLowerCasedOnesAreMissing) {
  pesos_guardados();
  fs::create_directory(dir / "Datos");
  e2e::copia_datos(dir.path(), {"sunspots-test.dat=Datos/Serie.TST"});
  const std::string cfg = config("ftest Datos/Serie.TST\n");
  Resultado r = velmor(cfg, {});
  EXPECT_EQ(r.estado, 0) << r.salida;
  como_esperado(r.salida, "ftest.stdout");
  // A lower-cased file beside it wins (here one that is refused, to tell which was read).
  fs::create_directory(dir / "datos");
  e2e::escribe(dir / "datos/serie.tst", "1 2\nnan 3\n");
  r = velmor(cfg, {});
  EXPECT_EQ(r.estado, 2);
  EXPECT_EQ(r.salida, marco("Error en el fichero de datos datos/serie.tst"));
}

// A training that ends before its nco cycles says why on standard error, after the cycle line it ended on;
// standard output is as specified.
TEST_F(VelmorCorre, TrainingThatStopsEarlySaysWhy) {
  std::string constante;
  for (int t = 0; t < 40; ++t) constante += "1 1\n";
  e2e::escribe(dir / "cte.trn", constante);
  const Resultado r = velmor(config("learn nco 50 ftrain cte.trn\n"));
  EXPECT_EQ(r.estado, 0);
  const auto c = ciclos(r.salida);
  ASSERT_FALSE(c.empty());
  ASSERT_LT(c.size(), 50u);
  EXPECT_NE(r.errores.find("Aviso: el entrenamiento acab\xA2 en el ciclo " + std::to_string(c.back().n) +
                           " de 50: el gradiente es casi nulo"),
            std::string::npos)
      << r.errores;
  datos();
  EXPECT_EQ(velmor(kLearnSinTest).errores.find("Aviso: el entrenamiento"), std::string::npos)
      << "a training that runs its cycles";
}

TEST_F(VelmorCorre, DerivativeFileThatCannotBeOpenedStopsAfterCreatingTheEmptyOutFile) {
  datos();
  pesos_guardados();
  fs::create_directory(dir / "sunspot.drv");
  const Resultado r = velmor(config("ftest sunspots-test.dat\n"), {});
  EXPECT_EQ(r.estado, 1);
  EXPECT_EQ(r.salida, marco("Error de apertura del fichero sunspot.drv"));
  ASSERT_TRUE(existe("sunspot.out"));
  EXPECT_EQ(fs::file_size(dir / "sunspot.out"), 0u);
}

TEST_F(VelmorCorre, PredictionsThatCannotBeWrittenAreNotReportedAsDone) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  datos();
  pesos_guardados();
  fs::create_symlink("/dev/full", dir / "sunspot.out");
  const Resultado r = velmor(config("ftest sunspots-test.dat\n"), {});
  EXPECT_EQ(r.estado, 1);
  EXPECT_NE(r.salida.find(marco("Error de apertura del fichero sunspot.out")), std::string::npos) << r.salida;
}

TEST_F(VelmorCorre, TestAloneWithoutStoredWeightsStops) {
  datos();
  const Resultado r = velmor(config("ftest sunspots-test.dat\n"));
  EXPECT_EQ(r.estado, 1);
  EXPECT_EQ(r.salida, marco("Error de apertura del fichero sunspot.wgt"));
  EXPECT_FALSE(existe("sunspot.out"));
}

TEST_F(VelmorCorre, ModelOnlyReadsNoDataAndWritesNothing) {
  const Resultado r = velmor(config("\n"));
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(r.salida, "");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(VelmorCorre, TwoOutputsWriteTwoPredictionsAndTwiceTheDerivatives) {
  // Outputs x(t) and x(t-1) from input x(t-1): a perceptron of 2 + 1 + 2 inputs (taps, then both error taps).
  std::string datos;
  double prev = 0.3;
  for (int t = 0; t < 60; ++t) {
    const double x = 0.5 + 0.4 * std::sin(0.5 * t);
    datos += std::to_string(prev) + " " + std::to_string(x) + " " + std::to_string(prev) + "\n";
    prev = x;
  }
  e2e::escribe(dir / "dos.trn", datos);
  std::size_t fin = 0;
  for (int k = 0; k < 5; ++k) fin = datos.find('\n', fin) + 1;
  e2e::escribe(dir / "dos.tst", datos.substr(0, fin));
  const Resultado r = velmor("velmor 1 3 2 nri 3 nre 1 1 learn nco 3 ftrain dos.trn ftest dos.tst\n");
  EXPECT_EQ(r.estado, 0) << r.salida;
  layout(dir / "sunspot.out", 5, 2);
  layout(dir / "sunspot.drv", 5, 10);
}

TEST_F(VelmorCorre, MissingTrainingFileStopsBeforeTheTestFileIsRead) {
  e2e::copia_datos(dir.path(), {"sunspots-test.dat"});
  const Resultado r = velmor(kLearnConTest);
  EXPECT_EQ(r.estado, 1);
  EXPECT_EQ(r.salida, marco("Error de apertura del fichero sunspots-train.dat"));
}

// The specified console is UTF-8 only on a terminal with a UTF-8 locale, and otherwise the same; on a
// terminal in the C locale and through a pipe it is code page 850. What we add (help, warnings) follows the
// locale wherever it goes: UTF-8 through a pipe too, whatever stdout is.
TEST_F(VelmorCorre, ConsoleIsUtf8OnlyOnAUtf8TerminalAndAddedTextsUnderAUtf8Locale) {
  if (!e2e::hay_utf8()) GTEST_SKIP() << "no C.UTF-8 locale";
  std::string datos;
  for (int t = 0; t < 40; ++t) datos += std::to_string(10 + t % 7) + " " + std::to_string(10 + (t + 1) % 7) + "\n";
  e2e::escribe(dir / "grande.dat", datos);
  e2e::escribe(dir / "sunspots.net", config("learn\nnco 2\nftrain grande.dat\n"));
  const auto lanza = [&](std::vector<std::string> entorno, Consola consola) {
    entorno.push_back(kSemilla[0]);
    return corre(VELMOR_BIN, {"sunspots"}, dir.path(), "", 30, entorno, consola);
  };
  const std::string utf8 = lanza(e2e::kEntornoUtf8, Consola::terminal).salida;
  const std::string c = lanza({"LC_ALL=C"}, Consola::terminal).salida;
  const Resultado tubo = lanza(e2e::kEntornoUtf8, Consola::tubos);
  EXPECT_NE(c.find("desviaci\xA2n 1"), std::string::npos) << c;  // the warning on stderr
  EXPECT_NE(tubo.salida.find("Inicializaci\xA2n de la red"), std::string::npos) << tubo.salida;
  EXPECT_NE(tubo.errores.find("desviaci\xC3\xB3n 1"), std::string::npos) << tubo.errores;
  std::string esperado = c;
  for (std::size_t k = 0; (k = esperado.find('\xA2', k)) != std::string::npos; k += 2)
    esperado.replace(k, 1, "\xC3\xB3");
  EXPECT_EQ(utf8, esperado);
  EXPECT_NE(corre(VELMOR_BIN, {"-h"}, dir.path(), "", 10, e2e::kEntornoUtf8).salida.find("la versi\xC3\xB3n\n"),
            std::string::npos);
  EXPECT_NE(corre(VELMOR_BIN, {"-h"}, dir.path()).salida.find("la versi\xA2n\n"), std::string::npos);
}

TEST_F(VelmorCorre, SearchFollowsTheErrorDownMoreThanTenUnitsAway) {
  // From all-zero weights the first search moves the output bias to 19.3, 1929 steps along the gradient: a
  // thousand equal steps, then doubling ones bracket it, and the acceptance test ends the search near it.
  e2e::escribe(dir / "sunspot.wgt", "1 1 1\n1\n1\n1 0\n1 0\n1 0\n");
  e2e::escribe(dir / "sunspot#.wgt", "2 1 1\n1 0\n1 0\n1 0\n0 0 0 0 0\n");
  e2e::escribe(dir / "lejos.trn", "0.1 19.3\n0.2 19.3\n0.3 19.3\n0.4 19.3\n0.5 19.3\n");
  e2e::escribe(dir / "lejos.tst", "0.15 19.3\n0.25 19.3\n0.35 19.3\n");
  const Resultado r = velmor("velmor 1 1 1 nri 1 nre 1 c_learn nco 2 ftrain lejos.trn ftest lejos.tst\n", {});
  EXPECT_EQ(r.estado, 0);
  const auto c = ciclos(r.salida);
  ASSERT_EQ(c.size(), 2u) << r.salida;
  EXPECT_LT(c[1].ets, 0.001);
  EXPECT_TRUE(std::regex_search(r.salida, std::regex("\n\n ets = 0\\.000\\d{3} \n\n$"))) << r.salida;
}

void copia_ejemplo(const DirTemporal& dir) {
  for (const auto& f : fs::directory_iterator(fs::path(EJEMPLOS_DIR) / "velmor"))
    if (f.is_regular_file()) fs::copy_file(f.path(), dir / f.path().filename().string());
}

// The console of a run in `dir`, then every file the directory holds, by name, but the example's own.
std::string todo(const DirTemporal& dir, const std::string& base, const std::vector<std::string>& entorno) {
  const Resultado x = corre(VELMOR_BIN, {base}, dir.path(), "", 60, entorno);
  EXPECT_EQ(x.estado, 0) << x.errores;
  std::string r = x.salida;
  std::vector<fs::path> ficheros(fs::directory_iterator(dir.path()), fs::directory_iterator{});
  std::sort(ficheros.begin(), ficheros.end());
  for (const auto& f : ficheros)
    if (!fs::exists(fs::path(EJEMPLOS_DIR) / "velmor" / f.filename()))
      r += "\n== " + f.filename().string() + "\n" + lee(f);
  return r;
}

TEST(Ejemplo, ShippedSunspotExampleTrainsAndTests) {
  DirTemporal dir;
  copia_ejemplo(dir);
  const Resultado r = corre(VELMOR_BIN, {"sunspots"}, dir.path(), "", 30, kSemilla);
  EXPECT_EQ(r.estado, 0);
  EXPECT_FALSE(ciclos(r.salida).empty());
  EXPECT_TRUE(std::regex_search(r.salida, std::regex("\n\n ets = \\d+\\.\\d{6} \n\n$")));
  EXPECT_EQ(lineas(lee(dir / "sunspot.out")).size(), 35u);
}

// Console and every file of a run in a directory filled by `prepara`, with VELMOR_HILOS at 1, 2 and 3.
std::vector<std::string> con_hilos(const std::function<void(const DirTemporal&)>& prepara, const std::string& base) {
  std::vector<std::string> r;
  for (const char* hilos : {"VELMOR_HILOS=1", "VELMOR_HILOS=2", "VELMOR_HILOS=3"}) {
    DirTemporal dir;
    prepara(dir);
    r.push_back(todo(dir, base, {"VELMOR_SEMILLA=11", hilos}));
  }
  return r;
}

// The recursion of earlier versions stays to repeat their runs: the example gives the bytes it gave then.
TEST(Ejemplo, TheRecursionRepeatsEarlierRunsByteForByte) {
  DirTemporal dir;
  copia_ejemplo(dir);
  como_esperado(todo(dir, "sunspots", {"VELMOR_SEMILLA=11", "VELMOR_GRADIENTE=rtrl"}), "ejemplo_rtrl.txt");
}

TEST(Hilos, TheExampleWritesTheSameBytesWithAnyThreadCount) {
  const auto r = con_hilos(copia_ejemplo, "sunspots");
  EXPECT_EQ(r[1], r[0]);
  EXPECT_EQ(r[2], r[0]);
}

// Four input series of 16 taps, four outputs of 8 error taps, 32 hidden units: passes large enough for their
// sums to be split by weights, over several blocks of rows.
TEST(Hilos, ALargeModelWritesTheSameBytesWithAnyThreadCount) {
  std::string datos;
  for (int t = 0; t < 240; ++t) {
    for (int k = 0; k < 4; ++k) datos += std::to_string(0.5 + 0.4 * std::sin(0.3 * t + k)) + " ";
    for (int j = 0; j < 4; ++j)
      datos += std::to_string(0.5 + 0.3 * std::sin(0.3 * (t - 2) + j) * std::cos(0.11 * t)) + " ";
    datos += "\n";
  }
  const std::size_t corte = [&] {
    std::size_t p = 0;
    for (int k = 0; k < 200; ++k) p = datos.find('\n', p) + 1;
    return p;
  }();
  const auto r = con_hilos(
      [&](const DirTemporal& dir) {
        e2e::escribe(dir / "grande.net",
                     "velmor 4 32 4 nri 16 16 16 16 nre 8 8 8 8 learn nco 2 ftrain g.trn ftest g.tst\n");
        e2e::escribe(dir / "g.trn", datos.substr(0, corte));
        e2e::escribe(dir / "g.tst", datos.substr(corte));
      },
      "grande");
  EXPECT_NE(r[0].find("Ciclo de Opt.:     2"), std::string::npos) << r[0];
  EXPECT_EQ(r[1], r[0]);
  EXPECT_EQ(r[2], r[0]);
}

TEST(Dulvick, RunsTheJobOfNarmax) {
  DirTemporal dir;
  e2e::copia_datos(dir.path(), {"sunspots-train.dat", "sunspots-test.dat"});
  e2e::escribe(dir / "narmax.net", kLearnConTest);
  const Resultado r = corre(DULVICK_BIN, {"sunspots"}, dir.path(), "", 30, kSemilla);
  EXPECT_EQ(r.estado, 0);
  EXPECT_FALSE(ciclos(r.salida).empty());
  for (const char* f : {"narmax.wgt", "narmax#.wgt", "narmax.out", "narmax.drv"}) EXPECT_TRUE(fs::exists(dir / f)) << f;
  EXPECT_FALSE(fs::exists(dir / "sunspot.wgt"));
}

}  // namespace
