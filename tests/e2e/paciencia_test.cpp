// Patience: VELMOR_PACIENCIA and KORBENT_PACIENCIA end a training after that many reports in a row without a
// new lowest test error, keeping the best weights; a value that is not an integer of at least 1 is refused,
// and without a test set the setting is set aside with a warning.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

#include "comun/proceso.hpp"

namespace {

using namespace e2e;

// The test error of every cycle line, in either program's format, and velmor's final " ets = ".
std::vector<double> ets(const std::string& salida) {
  static const std::regex ets_(R"([Ee]ts ?= *([0-9.]+))");
  std::vector<double> r;
  for (auto it = std::sregex_iterator(salida.begin(), salida.end(), ets_); it != std::sregex_iterator(); ++it)
    r.push_back(std::stod((*it)[1]));
  return r;
}

// Reports a patience of p lets these test errors make: up to the p-th in a row without a new minimum.
std::size_t reportes_con_paciencia(const std::vector<double>& e, unsigned p) {
  double minimo = 1e30;
  unsigned sin_mejora = 0;
  for (std::size_t i = 0; i < e.size(); ++i) {
    if (e[i] < minimo) {
      minimo = e[i];
      sin_mejora = 0;
    } else if (++sin_mejora == p) {
      return i + 1;
    }
  }
  return e.size();
}

const std::string kAcaba = " informes seguidos sin un error de test menor (";

class Paciencia : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"sunspots-train.dat", "sunspots-test.dat"})
      fs::copy_file(fs::path(EJEMPLOS_DIR) / "velmor" / f, dir / f);
    copia_datos(dir.path(), {"faithful-train.dat", "faithful-valid.dat"});
  }
  Resultado velmor(const std::string& test, const std::string& paciencia) {
    e2e::escribe(dir / "s.net", "velmor 1 4 1 nri 4 nre 2 learn nco 300 ftrain sunspots-train.dat " + test + "\n");
    return corre(VELMOR_BIN, {"s"}, dir.path(), "", 60, {"VELMOR_SEMILLA=1", "VELMOR_PACIENCIA=" + paciencia});
  }
  Resultado korbent(const std::string& test, const std::string& paciencia) {
    return corre(KORBENT_BIN, {"f", "2", "8", "0", "300", "0", "faithful-train.dat", test, "faithful-valid.dat"},
                 dir.path(), "", 60, {"KORBENT_PACIENCIA=" + paciencia});
  }
  DirTemporal dir;
};

TEST_F(Paciencia, AnythingButAnIntegerOfAtLeastOneIsRefused) {
  for (const char* v : {"0", "-2", "x", "2.5", "99999999999"}) {
    for (const Resultado& r : {velmor("", v), korbent("-", v)}) {
      EXPECT_EQ(r.estado, 2) << v;
      EXPECT_EQ(r.salida, "") << v;
      EXPECT_NE(r.errores.find(std::string("PACIENCIA='") + v + "' no es un entero >= 1"), std::string::npos)
          << r.errores;
    }
  }
  EXPECT_FALSE(fs::exists(dir / "s.wgt"));
  EXPECT_FALSE(fs::exists(dir / "f.rep"));
}

// The last report is the p-th in a row without a new minimum, and the weights tested are the best ones (here
// those of the fifth of eight reports).
TEST_F(Paciencia, VelmorStopsAfterPReportsWithoutANewMinimumKeepingTheBest) {
  const Resultado r = velmor("ftest sunspots-test.dat", "3");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<double> e = ets(r.salida);
  ASSERT_GE(e.size(), 2u) << r.salida;
  const std::vector<double> ciclos(e.begin(), e.end() - 1);
  EXPECT_LT(ciclos.size(), 300u);
  EXPECT_EQ(reportes_con_paciencia(ciclos, 3), ciclos.size());
  EXPECT_NEAR(e.back(), *std::min_element(ciclos.begin(), ciclos.end()), 2e-6);
  EXPECT_NE(r.errores.find("3" + kAcaba + "VELMOR_PACIENCIA=3)"), std::string::npos) << r.errores;

  const Resultado sin = velmor("", "3");
  EXPECT_NE(sin.errores.find("VELMOR_PACIENCIA=3 no se aplica"), std::string::npos) << sin.errores;
  EXPECT_EQ(sin.errores.find(kAcaba), std::string::npos);
}

// korbent scores the validation file with the kept network: with the test file as validation, the mean of
// -ln p over its rows is the lowest test error reported.
TEST_F(Paciencia, KorbentStopsAfterPReportsWithoutANewMinimumKeepingTheBest) {
  const Resultado r = korbent("faithful-valid.dat", "2");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<double> e = ets(r.salida);
  EXPECT_LT(e.size(), 300u);
  EXPECT_EQ(reportes_con_paciencia(e, 2), e.size());
  std::istringstream out(lee(dir / "f.out"));
  double suma = 0;
  int filas = 0;
  for (std::string linea; std::getline(out, linea); ++filas) suma -= std::stod(linea) * std::log(10.0);
  ASSERT_GT(filas, 0);
  EXPECT_NEAR(suma / filas, *std::min_element(e.begin(), e.end()), 1e-5);
  EXPECT_NE(r.errores.find("2" + kAcaba + "KORBENT_PACIENCIA=2)"), std::string::npos) << r.errores;

  const Resultado sin = korbent("-", "2");
  EXPECT_NE(sin.errores.find("KORBENT_PACIENCIA=2 no se aplica"), std::string::npos) << sin.errores;
  EXPECT_EQ(sin.errores.find(kAcaba), std::string::npos);
}

}  // namespace
