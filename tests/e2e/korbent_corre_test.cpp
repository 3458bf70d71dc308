// korbent's whole job as a user runs it: initialise, train, write the representation, or load it; then
// score the validation file. Both builds, real data (the Old Faithful eruptions: 2 inputs, no outputs).
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "comun/esperado.hpp"
#include "comun/proceso.hpp"

namespace {

using namespace e2e;

const std::vector<std::string> kRepresentacion = {".rep", ".sig", ".nvr", ".wa", ".prc"};

std::vector<std::vector<double>> numeros(const std::string& texto) {
  std::vector<std::vector<double>> filas;
  std::istringstream in(texto);
  for (std::string linea; std::getline(in, linea);) {
    std::istringstream l(linea);
    filas.emplace_back();
    for (double x; l >> x;) filas.back().push_back(x);
  }
  return filas;
}

std::size_t cuenta(const std::string& texto, const std::string& trozo) {
  std::size_t n = 0;
  for (auto p = texto.find(trozo); p != std::string::npos; p = texto.find(trozo, p + 1)) ++n;
  return n;
}

// The number of the last cycle line, or -1 without any.
long ultimo_ciclo(const std::string& salida) {
  const auto p = salida.rfind("Ciclo: ");
  return p == std::string::npos ? -1 : std::strtol(salida.c_str() + p + 7, nullptr, 10);
}

class KorbentCorre : public ::testing::Test {
 protected:
  void SetUp() override {
    e2e::copia_datos(dir_.path(), {"faithful-train.dat=tr.dat", "faithful-valid.dat=tv.dat", "korbent_pequeno.dat"});
  }
  Resultado lanza(const std::vector<std::string>& args, const char* programa = KORBENT_BIN) {
    return corre(programa, args, dir_.path(), "", 120);
  }
  // Geyser density with six kernels: name, sizes, cycles, mode, training, test and validation files.
  Resultado geiser(const std::string& ciclos, const std::string& modo, const std::string& tr = "tr.dat",
                   const char* programa = KORBENT_BIN) {
    return lanza({"red", "2", "6", "0", ciclos, modo, tr, "tv.dat", "tv.dat"}, programa);
  }
  std::string fichero(const std::string& nombre) { return lee(dir_ / nombre); }
  bool existe(const std::string& nombre) { return fs::exists(dir_ / nombre); }

  e2e::DirTemporal dir_;
};

TEST_F(KorbentCorre, EveryModeTrainsAndWritesTheRepresentationAndTheResults) {
  for (const char* modo : {"0", "1", "2", "7"}) {
    for (const auto& e : fs::directory_iterator(dir_.path()))
      if (e.path().stem() == "red") fs::remove(e.path());
    const Resultado r = geiser("10", modo);
    EXPECT_EQ(r.estado, 0) << modo << r.salida;
    // Neural gas reports every hundredth of its 10000 steps.
    EXPECT_EQ(cuenta(r.salida, "del algoritmo NEURAL GAS"), modo[0] == '0' ? 100u : 0u) << modo;
    EXPECT_EQ(ultimo_ciclo(r.salida), 9) << modo;
    for (const auto& s : kRepresentacion) EXPECT_TRUE(existe("red" + s)) << modo << s;
    EXPECT_FALSE(existe("red.yme")) << modo;  // no outputs
    EXPECT_EQ(numeros(fichero("red.rep")).size(), 6u) << modo;
    EXPECT_EQ(numeros(fichero("red.prc")).size(), 11u) << modo;
    const auto out = numeros(fichero("red.out"));
    ASSERT_EQ(out.size(), 68u) << modo;
    for (const auto& fila : out) EXPECT_EQ(fila.size(), 3u + 6u) << modo;
  }
}

TEST_F(KorbentCorre, ModeThreeContinuesFromTheStoredRepresentation) {
  const Resultado sin = geiser("5", "3");
  EXPECT_EQ(sin.estado, 1);
  EXPECT_EQ(sin.salida, marco("Error de apertura del fichero red.rep"));

  const Resultado primera = lanza({"red", "2", "6", "0", "30", "2", "tr.dat"});
  ASSERT_EQ(primera.estado, 0);
  const auto p = primera.salida.rfind("Etr=");
  const double etr_final = std::strtod(primera.salida.c_str() + p + 4, nullptr);
  const Resultado segunda = lanza({"red", "2", "6", "0", "5", "3", "tr.dat"});
  ASSERT_EQ(segunda.estado, 0);
  // Without a test set the last report's parameters are kept: the next run starts where this one ended,
  // up to the six digits of the files.
  const double etr_inicial = std::strtod(segunda.salida.c_str() + segunda.salida.find("Etr=") + 4, nullptr);
  EXPECT_NEAR(etr_inicial, etr_final, 1e-4);
  EXPECT_EQ(cuenta(segunda.salida, "NEURAL GAS"), 0u);
}

TEST_F(KorbentCorre, WithoutTrainingFileTheStoredNetworkGivesTheSameResults) {
  const struct {
    std::vector<std::string> entrena, carga;
    bool salidas;
  } casos[] = {
      {{"red", "2", "6", "0", "40", "2", "tr.dat", "tv.dat", "tv.dat"},
       {"red", "2", "6", "0", "40", "2", "-", "", "tv.dat"},
       false},
      {{"red", "2", "2", "1", "20", "1", "korbent_pequeno.dat", "-", "korbent_pequeno.dat"},
       {"red", "2", "2", "1", "0", "9", "", "x", "korbent_pequeno.dat"},
       true},
  };
  for (const auto& c : casos) {
    ASSERT_EQ(lanza(c.entrena).estado, 0);
    EXPECT_EQ(existe("red.yme"), c.salidas);
    std::vector<std::string> guardados;
    for (const auto& s : kRepresentacion) guardados.push_back(fichero("red" + s));
    const auto entrenada = numeros(fichero("red.out"));
    fs::remove(dir_ / "red.out");

    const Resultado r = lanza(c.carga);
    EXPECT_EQ(r.estado, 0);
    EXPECT_EQ(r.salida, "");  // nothing trained, nothing reported
    for (std::size_t k = 0; k < kRepresentacion.size(); ++k)
      EXPECT_EQ(fichero("red" + kRepresentacion[k]), guardados[k]) << kRepresentacion[k];
    const auto cargada = numeros(fichero("red.out"));
    ASSERT_EQ(cargada.size(), entrenada.size());
    for (std::size_t n = 0; n < cargada.size(); ++n) {
      ASSERT_EQ(cargada[n].size(), entrenada[n].size());
      EXPECT_EQ(cargada[n][2], entrenada[n][2]) << "row " << n;  // the same kernel wins
      for (std::size_t k = 0; k < cargada[n].size(); ++k)
        EXPECT_NEAR(cargada[n][k], entrenada[n][k], 2e-4) << "row " << n << " field " << k;
    }
  }
}

TEST_F(KorbentCorre, RepresentationWithOneRowTooManyIsRefused) {
  ASSERT_EQ(geiser("5", "1").estado, 0);
  e2e::escribe(dir_ / "red.rep", fichero("red.rep") + "1  \t2  \t\n");
  const Resultado r = geiser("5", "1", "-");
  EXPECT_EQ(r.estado, 1);
  EXPECT_EQ(r.salida, marco("Dimensiones incorrectas en red.rep"));
}

TEST_F(KorbentCorre, EachBuildListsTheKernelsInItsOwnOrder) {
  // Three groups whose order by the sum of the coordinates, (3,3) (0,8) (10,1), is not their order by
  // the last one, (10,1) (3,3) (0,8).
  std::ostringstream datos;
  for (int k = 0; k < 30; ++k) {
    const double x[] = {3, 0, 10}, y[] = {3, 8, 1}, e = 0.1 * (k % 5) - 0.2, f = 0.05 * (k % 3);
    datos << x[k % 3] + e << ' ' << y[k % 3] + f << '\n';
  }
  e2e::escribe(dir_ / "grupos.dat", datos.str());
  const std::vector<std::string> args = {"red", "2", "3", "0", "10", "2", "grupos.dat"};
  ASSERT_EQ(lanza(args, KORBENT_BIN).estado, 0);
  const auto suma = numeros(fichero("red.rep"));
  ASSERT_EQ(lanza(args, KORBENT_ALT_BIN).estado, 0);
  const auto ultima = numeros(fichero("red.rep"));
  ASSERT_EQ(suma.size(), 3u);
  ASSERT_EQ(ultima.size(), 3u);
  for (std::size_t h = 1; h < 3; ++h) {
    EXPECT_LT(suma[h - 1][0] + suma[h - 1][1], suma[h][0] + suma[h][1]) << h;
    EXPECT_LT(ultima[h - 1][1], ultima[h][1]) << h;  // a positive input scale keeps the order of the data
  }
  EXPECT_NEAR(suma[0][0], 3, 0.3);
  EXPECT_NEAR(ultima[0][0], 10, 0.3);
  // The same kernels, only listed differently.
  auto a = suma, b = ultima;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
}

TEST_F(KorbentCorre, TwoRunsGiveTheSameFiles) {
  for (const char* modo : {"0", "2"}) {
    const Resultado una = geiser("15", modo);
    std::vector<std::string> antes;
    for (const auto& s : kRepresentacion) antes.push_back(fichero("red" + s));
    antes.push_back(fichero("red.out"));
    const Resultado otra = geiser("15", modo);
    EXPECT_EQ(una.salida, otra.salida) << modo;
    for (std::size_t k = 0; k < kRepresentacion.size(); ++k)
      EXPECT_EQ(fichero("red" + kRepresentacion[k]), antes[k]) << modo << kRepresentacion[k];
    EXPECT_EQ(fichero("red.out"), antes.back()) << modo;
  }
}

TEST_F(KorbentCorre, ZeroCyclesStillOrdersScoresAndWrites) {
  const Resultado r = lanza({"red", "2", "6", "0", "0", "1", "tr.dat"});
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(r.salida, "");
  for (const auto& s : kRepresentacion) EXPECT_TRUE(existe("red" + s)) << s;
  EXPECT_FALSE(existe("red.out"));  // no validation file, nothing to score
  const auto nvr = numeros(fichero("red.nvr"));
  double ganadas = 0;
  for (const auto& f : nvr) ganadas += f.at(0);
  EXPECT_EQ(ganadas, 204);  // every training row is won by one kernel
}

TEST_F(KorbentCorre, WithoutTestSetEveryReportShowsEtsZero) {
  const Resultado r = lanza({"red", "2", "6", "0", "8", "1", "tr.dat"});
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(cuenta(r.salida, "\t Ets=0.000000"), 8u);
}

// The console and every file a run writes, as one text to compare.
std::string todo_lo_escrito(const Resultado& r, const fs::path& dir, const std::string& red) {
  std::string t = r.salida;
  for (const char* s : {".rep", ".sig", ".nvr", ".wa", ".prc", ".out"})
    t += "\n== " + (red + s) + "\n" + lee(dir / (red + s));
  return t;
}

std::string hilos(unsigned n) { return "KORBENT_HILOS=" + std::to_string(n); }

// The console and files of the shipped example are those of the build before a second optimiser existed, with
// the specified one named or not.
TEST(KorbentEjemplo, GeyserExampleRunsAsShippedWithAnyThreadCount) {
  for (unsigned n : {1u, 2u, 3u}) {
    e2e::DirTemporal dir;
    for (const auto& e : fs::directory_iterator(fs::path(EJEMPLOS_DIR) / "korbent"))
      if (e.is_regular_file()) fs::copy_file(e.path(), dir / e.path().filename().string());
    const std::string bin = "BIN=" + fs::path(KORBENT_BIN).parent_path().string();
    std::vector<std::string> entorno = {bin, hilos(n)};
    if (n == 2) entorno.push_back("KORBENT_OPTIMIZADOR=lmqn1");
    const Resultado r = corre("/bin/sh", {"corre.sh"}, dir.path(), "", 120, entorno);
    EXPECT_EQ(r.estado, 0) << r.salida;
    como_esperado(todo_lo_escrito(r, dir.path(), "faithful"), "faithful.todo");
  }
}

// Large enough for every loop to be split: 20000 rows of 4 inputs in five groups, 8 kernels, every
// initialisation (3 continues from 2's files).
TEST_F(KorbentCorre, ThreadCountChangesNoByteInAnyMode) {
  std::string datos;
  char linea[128];
  for (int k = 0; k < 20000; ++k) {
    const double c = 1.5 * (k % 5);
    std::snprintf(linea, sizeof linea, "%.6f %.6f %.6f %.6f\n", c + 0.5 * std::sin(0.37 * k),
                  c + 0.6 * std::sin(0.37 * k + 1), c + 0.7 * std::cos(0.11 * k), c + 0.8 * std::sin(0.53 * k + 3));
    datos += linea;
  }
  e2e::escribe(dir_ / "g.dat", datos);
  std::vector<std::string> primera;
  for (unsigned n : {1u, 2u, 3u}) {
    for (const char* modo : {"0", "1", "2", "3"}) {
      const Resultado r = corre(KORBENT_BIN, {"red", "4", "8", "0", "3", modo, "g.dat", "g.dat", "g.dat"}, dir_.path(),
                                "", 120, {hilos(n)});
      EXPECT_EQ(r.estado, 0) << modo;
      EXPECT_EQ(ultimo_ciclo(r.salida), 2) << modo;
      const std::string todo = todo_lo_escrito(r, dir_.path(), "red");
      if (n == 1) primera.push_back(todo);
      EXPECT_EQ(todo, primera[static_cast<std::size_t>(modo[0] - '0')]) << n << " threads, mode " << modo;
    }
  }
}

// KORBENT_OPTIMIZADOR=em trains until an iteration no longer lowers the objective, and says so; a name that
// is no optimiser is refused before anything is read or written.
TEST_F(KorbentCorre, EmTrainsUntilItConvergesAndUnknownOptimisersAreRefused) {
  const std::vector<std::string> args = {"red", "2", "6", "0", "5000", "2", "tr.dat", "tv.dat", "tv.dat"};
  const Resultado em = corre(KORBENT_BIN, args, dir_.path(), "", 120, {"KORBENT_OPTIMIZADOR=em"});
  EXPECT_EQ(em.estado, 0);
  EXPECT_LT(ultimo_ciclo(em.salida), 4999);
  // From the same start, its first report is the specified optimiser's, though taken from its own pass.
  const Resultado gc = corre(KORBENT_BIN, args, dir_.path(), "", 120, {});
  const auto ciclo0 = [](const std::string& s) {
    return s.substr(s.find("Ciclo: 0"), s.find('\n', s.find("Ciclo: 0")));
  };
  EXPECT_EQ(ciclo0(em.salida), ciclo0(gc.salida));
  EXPECT_EQ(em.errores, "Aviso: el entrenamiento acab\xA2 en el ciclo " + std::to_string(ultimo_ciclo(em.salida)) +
                            " de 5000: la \xA3ltima iteraci\xA2n baj\xA2 el error menos de 1e-12 de su valor; ha "
                            "convergido\n");
  for (const char* s : {".rep", ".sig", ".wa", ".prc", ".out"}) {
    const std::string f = fichero(std::string("red") + s);
    EXPECT_EQ(f.find("nan"), std::string::npos) << s;
  }
  const Resultado mal = corre(KORBENT_BIN, args, dir_.path(), "", 60, {"KORBENT_OPTIMIZADOR=EM2"});
  EXPECT_EQ(mal.estado, 2);
  EXPECT_EQ(mal.salida, "");
  EXPECT_NE(mal.errores.find("KORBENT_OPTIMIZADOR='EM2' no es un optimizador"), std::string::npos) << mal.errores;
}

// Forty kernels train for many seconds: time enough to stop them by hand.
class KorbentCtrlC : public KorbentCorre {
 protected:
  Proceso lento() {
    return Proceso(KORBENT_BIN, {"red", "2", "40", "0", "100000", "1", "tr.dat", "tv.dat", "tv.dat"}, dir_.path());
  }

  // Asks the question once cycle `ciclo` has been reported, answers it, and returns where the answer went.
  static std::size_t interrumpe(Proceso& p, long ciclo, const std::string& respuesta) {
    EXPECT_TRUE(p.espera_texto("Ciclo: " + std::to_string(ciclo) + " ", 60));
    const std::size_t desde = p.salida().size();
    p.senal(SIGINT);
    EXPECT_TRUE(p.espera_texto("OPCION -> ", 20, desde));
    p.escribe_entrada(respuesta);
    return p.salida().size();
  }
};

TEST_F(KorbentCtrlC, AnsweredYesStopsAfterTheCurrentCycleAndWritesEverything) {
  Proceso p = lento();
  const std::size_t respondida = interrumpe(p, 3, "s\n");
  const Resultado r = p.espera(60);
  ASSERT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.estado, 0);
  // The answer is seen at the next report: only the cycle in progress and that report follow it (with
  // room for lines already printed but not yet read here).
  EXPECT_LE(cuenta(r.salida.substr(respondida), "Ciclo: "), 4u);
  EXPECT_LT(ultimo_ciclo(r.salida), 60);
  for (const auto& s : kRepresentacion) EXPECT_TRUE(existe("red" + s)) << s;
  EXPECT_EQ(numeros(fichero("red.rep")).size(), 40u);
  EXPECT_EQ(numeros(fichero("red.out")).size(), 68u);
}

TEST_F(KorbentCtrlC, AnsweredNoGoesOn) {
  Proceso p = lento();
  interrumpe(p, 3, "n\n");
  EXPECT_TRUE(p.espera_texto("Ciclo: 30 ", 60));  // well past the interrupted cycle
  interrumpe(p, 31, "S\n");
  const Resultado r = p.espera(60);
  EXPECT_EQ(r.estado, 0);
  EXPECT_LT(ultimo_ciclo(r.salida), 90);
  EXPECT_EQ(cuenta(r.salida, "OPCION -> "), 2u);
  EXPECT_TRUE(existe("red.out"));
}

}  // namespace
