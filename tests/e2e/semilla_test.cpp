// Seeds: VELMOR_SEMILLA fixes velmor's random start; without it the clock and the process id choose one,
// which velmor prints on standard error and which repeats the run. korbent's generator takes
// KORBENT_SEMILLA, 1 when it is unset. A seed that is not an integer is refused with status 2.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <regex>

#include "comun/proceso.hpp"

namespace {

using namespace e2e;

// Everything a learn run writes, auxiliary files included.
const char* const kFicheros[] = {"sunspot.wgt", "sunspot#.wgt", "sunspot.out", "sunspot.drv",
                                 "mpaux.wgt",   "mpaux.res",    "mpaux.out"};

struct Ejecucion {
  e2e::Resultado r;
  std::vector<std::string> ficheros;
};

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

// The seed a clock-seeded run announced, or "" when it announced none.
std::string semilla_anunciada(const std::string& errores) {
  std::smatch m;
  static const std::regex linea("Semilla: ([0-9]+) \\(VELMOR_SEMILLA=([0-9]+) repite esta ejecuci\xA2n\\)\n");
  if (!std::regex_search(errores, m, linea) || m[1] != m[2]) return "";
  return m[1];
}

void iguales(const Ejecucion& a, const Ejecucion& b) {
  EXPECT_EQ(a.r.salida, b.r.salida);
  for (std::size_t i = 0; i < a.ficheros.size(); ++i) EXPECT_EQ(a.ficheros[i], b.ficheros[i]) << kFicheros[i];
}

TEST(Semilla, MismaSemillaMismosFicheros) {
  const auto a = entrena({"VELMOR_SEMILLA=12345"});
  ASSERT_EQ(a.r.estado, 0) << a.r.salida;
  EXPECT_EQ(semilla_anunciada(a.r.errores), "") << "a seed given is not announced";
  const auto b = entrena({"VELMOR_SEMILLA=12345"});
  EXPECT_EQ(b.r.estado, 0);
  iguales(a, b);
  const auto c = entrena({"VELMOR_SEMILLA=54321"});
  EXPECT_NE(a.ficheros[4], c.ficheros[4]) << "otra semilla, otro arranque del perceptron auxiliar";
}

// Unset or empty: two runs started together differ, and the seed each announces repeats it byte for byte.
class SinSemilla : public ::testing::TestWithParam<const char*> {};

TEST_P(SinSemilla, RunsStartedTogetherDifferAndTheAnnouncedSeedRepeatsThem) {
  std::vector<std::string> entorno;
  if (GetParam()[0] != '-') entorno.push_back(std::string("VELMOR_SEMILLA=") + GetParam());
  auto otra = std::async(std::launch::async, [&] { return entrena(entorno); });
  const auto a = entrena(entorno);
  const auto b = otra.get();
  ASSERT_EQ(a.r.estado, 0) << a.r.salida;
  ASSERT_EQ(b.r.estado, 0) << b.r.salida;
  EXPECT_NE(a.ficheros[4], b.ficheros[4]) << "mpaux.wgt";
  const std::string s = semilla_anunciada(a.r.errores);
  ASSERT_NE(s, "") << a.r.errores;
  EXPECT_NE(s, semilla_anunciada(b.r.errores));
  iguales(a, entrena({"VELMOR_SEMILLA=" + s}));
}

INSTANTIATE_TEST_SUITE_P(Valores, SinSemilla, ::testing::Values("-", ""),
                         [](const auto& i) { return std::string(i.param[0] == '-' ? "SinVariable" : "Vacia"); });

// Not an integer: refused before anything is read or written.
TEST(Semilla, SeedsThatAreNotIntegersAreRefused) {
  for (const char* v : {"abc", "12x", "1.5", "99999999999999999999999"}) {
    const auto e = entrena({std::string("VELMOR_SEMILLA=") + v});
    EXPECT_EQ(e.r.estado, 2) << v;
    EXPECT_EQ(e.r.salida, "") << v;
    EXPECT_NE(e.r.errores.find(std::string("VELMOR_SEMILLA='") + v + "' no es un n\xA3mero entero"), std::string::npos)
        << e.r.errores;
    EXPECT_EQ(e.ficheros[0], "(ausente)") << v;
  }
  DirTemporal d;
  const auto r =
      e2e::corre(KORBENT_BIN, {"r", "2", "2", "0", "3", "1", "t.dat"}, d.path(), "\n", 60, {"KORBENT_SEMILLA=uno"});
  EXPECT_EQ(r.estado, 2);
  EXPECT_EQ(r.salida, "");
  EXPECT_NE(r.errores.find("KORBENT_SEMILLA='uno'"), std::string::npos) << r.errores;
}

// korbent: unset is seed 1, so every run repeats as before; another seed draws another start.
TEST(Semilla, KorbentTakesItsSeedFromTheEnvironment) {
  const auto corre = [](const std::vector<std::string>& entorno) {
    DirTemporal d;
    e2e::copia_datos(d.path(), {"faithful-train.dat=tr.dat"});
    const auto r =
        e2e::corre(KORBENT_BIN, {"red", "2", "6", "0", "3", "0", "tr.dat", "-", "tr.dat"}, d.path(), "", 120, entorno);
    EXPECT_EQ(r.estado, 0) << r.salida;
    return r.salida + lee(d / "red.rep") + lee(d / "red.out");
  };
  const std::string sin = corre({});
  EXPECT_EQ(sin, corre({"KORBENT_SEMILLA=1"}));
  EXPECT_NE(sin, corre({"KORBENT_SEMILLA=7"}));
}

}  // namespace
