#include "velmor/pesos.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/errmess.hpp"
#include "comun/perceptron.hpp"
#include "comun/velmor_prueba.hpp"
#include "mp/mp_pesos.hpp"

namespace {

namespace fs = std::filesystem;

class PesosVelmor : public prueba::EnDirectorio {
 protected:
  static std::unique_ptr<VELMOR> modelo(std::vector<int> nri, std::vector<int> nre, int nh = 3) {
    return build_velmor("modelo", static_cast<int>(nri.size()), nh, static_cast<int>(nre.size()), nri, nre, 0);
  }
};

// One input series of 2 taps, two outputs, the second without error bank, one hidden unit.
TEST_F(PesosVelmor, LayoutOfBothFilesByteForByte) {
  auto m = build_velmor("serie_larga", 1, 1, 2, std::vector<int>{2}, std::vector<int>{1, 0}, 0);
  m->bancox[0]->ibuf.a = 0.5;
  m->bancox[0]->ibuf.b = -0.25;
  m->bancoe[0]->ibuf.a = 2;
  m->bancoe[0]->ibuf.b = 1e-3;
  m->obuf[0].a = 1.5;
  m->obuf[0].b = -1;
  m->obuf[1].a = -3;
  m->obuf[1].b = 12345.678;
  m->mp->hl[0].w = {0.1, -0.2, 0.3, 1.0 / 3};
  m->mp->ol[0].w = {1, -1};
  m->mp->ol[1].w = {0, 2.5e-7};
  save_velmor(*m);
  EXPECT_EQ(lee("serie_l.wgt"),
            "* FICHERO DE PESOS DE LA RED VELMOR: serie_l \n"
            "************************************\n\n"
            "* Configuraci\xA2n: ni / nh / no\n"
            "*****************************\n"
            "1   1   2 \n\n"
            "* # retardos de cada entrada:\n"
            "*****************************\n"
            "2  \n\n"
            "* # retardos de cada error de salida:\n"
            "*************************************\n"
            "1  0  \n\n"
            "* Coeficientes de los buffers de entrada:\n"
            "*****************************************\n"
            "+0.5               -0.25          \n"
            "\n"
            "* Coeficientes de los buffers de error:\n"
            "***************************************\n"
            "+2                 +0.001         \n"
            "0                0\n"
            "\n"
            "* Coeficientes de los buffers de salida:\n"
            "****************************************\n"
            "+1.5               -1             \n"
            "-3                 +12345.678     \n"
            "\n");
  EXPECT_EQ(lee("serie_l#.wgt"),
            "* Configuraci\xA2n de la red:\n"
            "3  1  2\n\n"
            "* Parametros de escalado:\n"
            "+1                   +0             \n"
            "+1                   +0             \n"
            "+1                   +0             \n"
            "\n"
            "+1             \t+0             \n"
            "+1             \t+0             \n"
            "\n"
            "* Pesos:\n"
            "+0.1           \n-0.2           \n+0.3           \n+0.33333333    \n\n"
            "+1             \n-1             \n\n"
            "+0             \n+2.5e-07       \n\n"
            "\n\n *** @ZQKT ***");
}

TEST_F(PesosVelmor, SaveThenLoadRestoresEveryCoefficientToEightDigits) {
  auto a = modelo({3, 1}, {2, 0, 1});
  prueba::aleatoriza(*a, 11);
  a->mp->ibuf[1].a = 1.25;  // the perceptron's own scaling travels in its file
  save_velmor(*a);
  auto b = modelo({3, 1}, {2, 0, 1});
  load_velmor(*b);
  auto cerca = [](double x, double y) { EXPECT_NEAR(y, x, 5e-8 * std::abs(x)); };
  for (std::size_t j = 0; j < a->bancox.size(); ++j)
    cerca(a->bancox[j]->ibuf.a, b->bancox[j]->ibuf.a), cerca(a->bancox[j]->ibuf.b, b->bancox[j]->ibuf.b);
  for (std::size_t j = 0; j < a->bancoe.size(); ++j) {
    if (!a->bancoe[j]) continue;
    cerca(a->bancoe[j]->ibuf.a, b->bancoe[j]->ibuf.a), cerca(a->bancoe[j]->ibuf.b, b->bancoe[j]->ibuf.b);
  }
  for (std::size_t j = 0; j < a->obuf.size(); ++j) cerca(a->obuf[j].a, b->obuf[j].a), cerca(a->obuf[j].b, b->obuf[j].b);
  cerca(1.25, b->mp->ibuf[1].a);
  const std::vector<double> wa = prueba::pesos(*a->mp), wb = prueba::pesos(*b->mp);
  for (std::size_t k = 0; k < wa.size(); ++k) cerca(wa[k], wb[k]);
}

TEST_F(PesosVelmor, WhateverStandsForAnOutputWithoutErrorBankIsSkipped) {
  auto a = modelo({2}, {1, 0});
  prueba::aleatoriza(*a, 3);
  save_velmor(*a);
  std::string texto = lee("modelo.wgt");
  const std::string cuenta = "1  0  \n", linea = "0                0\n";
  texto.replace(texto.find(cuenta), cuenta.size(), "1  7  \n");
  texto.replace(texto.find(linea), linea.size(), "-4 basura\n");
  escribe("modelo.wgt", texto);
  auto b = modelo({2}, {1, 0});
  load_velmor(*b);
  EXPECT_NEAR(b->obuf[1].a, a->obuf[1].a, 1e-7);
}

struct Incompatible {
  const char* nombre;
  std::vector<int> nri, nre;
  int nh;
};

class PesosVelmorIncompatible : public PesosVelmor, public ::testing::WithParamInterface<Incompatible> {};

// The file is written for nri {2, 1}, nre {1, 0}, nh 3; the reader differs in one respect.
TEST_P(PesosVelmorIncompatible, IsRefusedWithStatusZero) {
  save_velmor(*modelo({2, 1}, {1, 0}, 3));
  auto m = modelo(GetParam().nri, GetParam().nre, GetParam().nh);
  EXPECT_EXIT((a_stderr(), load_velmor(*m)), ::testing::ExitedWithCode(kEntradaErronea),
              "Fichero de pesos incompatible");
}

INSTANTIATE_TEST_SUITE_P(Forma, PesosVelmorIncompatible,
                         ::testing::Values(Incompatible{"InputSeries", {2, 1, 1}, {1, 0}, 3},
                                           Incompatible{"HiddenUnits", {2, 1}, {1, 0}, 4},
                                           Incompatible{"Outputs", {2, 1}, {1, 0, 0}, 3},
                                           Incompatible{"OneMoreInputTap", {2, 2}, {1, 0}, 3},
                                           Incompatible{"ErrorTaps", {2, 1}, {2, 0}, 3},
                                           Incompatible{"ErrorBankWhereTheFileHasNone", {2, 1}, {1, 1}, 3}),
                         [](const auto& info) { return std::string(info.param.nombre); });

// Cut anywhere among the coefficients, the file is refused instead of loading zeros.
TEST_F(PesosVelmor, TruncatedFileIsRefusedBeforeAnyCoefficientChanges) {
  auto a = modelo({2}, {1, 0});
  prueba::aleatoriza(*a, 5);
  save_velmor(*a);
  const std::string texto = lee("modelo.wgt");
  for (const char* marca : {"* Coeficientes de los buffers de entrada", "* Coeficientes de los buffers de salida"}) {
    escribe("modelo.wgt", texto.substr(0, texto.find(marca)));
    auto b = modelo({2}, {1, 0});
    EXPECT_EXIT(
        {
          a_stderr();
          puterr_fin_proceso([](int) { throw 0; });
          try {
            load_velmor(*b);
          } catch (int) {
          }
          std::printf("\n%s", b->bancox[0]->ibuf.a == 0 && b->obuf[0].a == 1 ? "intacto" : "cambiado");
          std::exit(0);
        },
        ::testing::ExitedWithCode(0), "Fichero de pesos incompatible\n\n\nintacto")
        << marca;
  }
}

TEST_F(PesosVelmor, CoefficientThatIsNotAFiniteNumberIsIncompatible) {
  save_velmor(*modelo({1}, {1}));
  const std::string texto = lee("modelo.wgt");
  const std::size_t salida = texto.find("\n", texto.find("* Coeficientes de los buffers de salida") + 41) + 1;
  for (const char* malo : {"nan", "inf", "1e999"}) {
    escribe("modelo.wgt", texto.substr(0, salida) + malo + texto.substr(texto.find(' ', salida)));
    auto m = modelo({1}, {1});
    EXPECT_EXIT((a_stderr(), load_velmor(*m)), ::testing::ExitedWithCode(kEntradaErronea),
                "Fichero de pesos incompatible")
        << malo;
  }
}

TEST_F(PesosVelmor, LastNumberWithoutLineEndIsRead) {
  auto a = modelo({1}, {1});
  prueba::aleatoriza(*a, 8);
  save_velmor(*a);
  std::string texto = lee("modelo.wgt");
  texto.erase(texto.find_last_not_of(" \n") + 1);
  escribe("modelo.wgt", texto);
  auto b = modelo({1}, {1});
  load_velmor(*b);
  EXPECT_NEAR(b->obuf[0].b, a->obuf[0].b, 1e-7);
}

TEST_F(PesosVelmor, MissingFiles) {
  auto m = modelo({1}, {1});
  EXPECT_EXIT((a_stderr(), load_velmor(*m)), ::testing::ExitedWithCode(1),
              "Error de apertura del fichero modelo\\.wgt\n");
  save_velmor(*m);
  fs::remove("modelo#.wgt");
  EXPECT_EXIT((a_stderr(), load_velmor(*m)), ::testing::ExitedWithCode(1),
              "Error de apertura del fichero modelo#\\.wgt en load_w\\(\\)");
  auto lejos = build_velmor("no/hay", 1, 1, 1, std::vector<int>{1}, std::vector<int>{1}, 0);
  EXPECT_EXIT((a_stderr(), save_velmor(*lejos)), ::testing::ExitedWithCode(1),
              "Error de apertura del fichero no/hay\\.wgt\n");
}

// A save over an existing pair leaves no temporary and the new values in both files.
TEST_F(PesosVelmor, SavingOverOldFilesReplacesBothAndLeavesNothingElse) {
  auto m = modelo({2}, {1});
  save_velmor(*m);
  prueba::aleatoriza(*m, 4);
  save_velmor(*m);
  auto b = modelo({2}, {1});
  load_velmor(*b);
  EXPECT_NEAR(b->obuf[0].a, m->obuf[0].a, 1e-7);
  EXPECT_NEAR(b->mp->hl[0].w[1], m->mp->hl[0].w[1], 1e-7);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

}  // namespace
