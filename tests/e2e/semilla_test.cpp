// Reproducible velmor runs: VELMOR_SEMILLA fixes the random start of the auxiliary perceptron; without it
// (or with something that is not an integer) the clock seeds it as before.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "e2e/proceso.hpp"

namespace {

namespace fs = std::filesystem;
using e2e::DirTemporal;
using e2e::lee;

// Everything a learn run writes, auxiliary files included.
const char* const kFicheros[] = {"sunspot.wgt", "sunspot#.wgt", "sunspot.out", "sunspot.drv", "mpaux.wgt", "mpaux.res",
                                 "mpaux.out"};

struct Ejecucion {
  e2e::Resultado r;
  std::vector<std::string> ficheros;
};

class Semilla : public ::testing::Test {
 protected:
  void SetUp() override { unsetenv("VELMOR_SEMILLA"); }

  // One short learn of the sunspot model in a directory of its own.
  Ejecucion entrena(const std::vector<std::string>& entorno) {
    DirTemporal d;
    for (const char* f : {"sunspots-train.dat", "sunspots-test.dat"})
      fs::copy_file(fs::path(EJEMPLOS_DIR) / "velmor" / f, d / f);
    e2e::escribe(d / "sunspots.net",
                 "velmor 1 4 1 nri 2 nre 1 learn nco 5 ftrain sunspots-train.dat ftest sunspots-test.dat\n");
    Ejecucion e{e2e::corre(VELMOR_BIN, {"sunspots"}, d.path(), "", 60, entorno), {}};
    for (const char* f : kFicheros) e.ficheros.push_back(fs::exists(d / f) ? lee(d / f) : "(ausente)");
    return e;
  }

  static bool entrenada(const Ejecucion& e) {
    return e.r.estado == 0 && e.ficheros[0] != "(ausente)" && e.ficheros[2] != "(ausente)";
  }

  // The clock has whole seconds: runs a second apart get different seeds.
  static void pasa_un_segundo() { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); }
};

TEST_F(Semilla, MismaSemillaMismosFicheros) {
  const auto a = entrena({"VELMOR_SEMILLA=12345"});
  if (!entrenada(a)) GTEST_SKIP() << "velmor aun no entrena de principio a fin";
  pasa_un_segundo();
  const auto b = entrena({"VELMOR_SEMILLA=12345"});
  EXPECT_EQ(b.r.estado, 0);
  EXPECT_EQ(a.r.salida, b.r.salida);
  for (std::size_t i = 0; i < a.ficheros.size(); ++i) EXPECT_EQ(a.ficheros[i], b.ficheros[i]) << kFicheros[i];
  const auto c = entrena({"VELMOR_SEMILLA=54321"});
  EXPECT_NE(a.ficheros[4], c.ficheros[4]) << "otra semilla, otro arranque del perceptron auxiliar";
}

// Unset, empty or not an integer: the clock, so two runs a second apart start differently.
class SinSemilla : public Semilla, public ::testing::WithParamInterface<const char*> {};

TEST_P(SinSemilla, ElRelojComoSiempre) {
  std::vector<std::string> entorno;
  if (GetParam()[0] != '-') entorno.push_back(std::string("VELMOR_SEMILLA=") + GetParam());
  const auto a = entrena(entorno);
  if (!entrenada(a)) GTEST_SKIP() << "velmor aun no entrena de principio a fin";
  pasa_un_segundo();
  const auto b = entrena(entorno);
  EXPECT_EQ(b.r.estado, 0);
  EXPECT_NE(a.ficheros[4], b.ficheros[4]) << "mpaux.wgt";
}

INSTANTIATE_TEST_SUITE_P(Valores, SinSemilla, ::testing::Values("-", "", "abc", "12x"),
                         [](const auto& i) {
                           const std::string v = i.param;
                           return v == "-" ? std::string("SinVariable") : v.empty() ? std::string("Vacia") : "Texto_" + v;
                         });

}  // namespace
