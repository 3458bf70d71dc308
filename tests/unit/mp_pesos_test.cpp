#include "mp/mp_pesos.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ajustes.hpp"
#include "common/errmess.hpp"
#include "common/random.hpp"
#include "comun/directorio_propio.hpp"
#include "comun/perceptron.hpp"
#include "comun/salida.hpp"

namespace {

namespace fs = std::filesystem;

// Each test runs in a fresh directory, since the file name is the perceptron's name.
class PesosMp : public DirectorioPropio {
 protected:
  static std::unique_ptr<MP> aleatoria(const char* nombre, int ni, int nh, int no, unsigned semilla) {
    auto mp = build_mp(nombre, ni, nh, no, 0);
    std::srand(semilla);
    aleatorio_pesos(*mp);
    for (auto* bufs : {&mp->ibuf, &mp->obuf})
      for (MP_BUF& b : *bufs) {
        b.a = aleatorio<AjustesVelmor>(3.0);
        b.b = aleatorio<AjustesVelmor>(1e-3);
      }
    return mp;
  }
};

TEST_F(PesosMp, LayoutByteForByte) {
  auto mp = build_mp("red", 2, 1, 1, 0);
  mp->ibuf[0].a = 0.5;
  mp->ibuf[0].b = -0.25;
  mp->ibuf[1].a = 2;
  mp->ibuf[1].b = 1e-5;
  mp->obuf[0].a = 123456789;
  mp->obuf[0].b = -3;
  mp->hl[0].w = {1, -0.1, 1.0 / 3};
  mp->ol[0].w = {0, 7.5};
  save_w(*mp);
  EXPECT_EQ(lee("red.wgt"),
            "* Configuraci\xA2n de la red:\n"
            "2  1  1\n\n"
            "* Parametros de escalado:\n"
            "+0.5                 -0.25          \n"
            "+2                   +1e-05         \n"
            "\n"
            "+1.2345679e+08 \t-3             \n"
            "\n"
            "* Pesos:\n"
            "+1             \n-0.1           \n+0.33333333    \n\n"
            "+0             \n+7.5           \n\n"
            "\n\n *** @ZQKT ***");
}

TEST_F(PesosMp, SaveThenLoadRestoresEveryValueToEightDigits) {
  auto a = aleatoria("red", 3, 4, 2, 7);
  save_w(*a);
  auto b = build_mp("red", 3, 4, 2, 0);
  load_w(*b);
  auto cerca = [](double x, double y) { EXPECT_NEAR(y, x, 5e-8 * std::abs(x)); };
  for (std::size_t k = 0; k < a->ibuf.size(); ++k) cerca(a->ibuf[k].a, b->ibuf[k].a), cerca(a->ibuf[k].b, b->ibuf[k].b);
  for (std::size_t k = 0; k < a->obuf.size(); ++k) cerca(a->obuf[k].a, b->obuf[k].a), cerca(a->obuf[k].b, b->obuf[k].b);
  const std::vector<double> wa = prueba::pesos(*a), wb = prueba::pesos(*b);
  for (std::size_t m = 0; m < wa.size(); ++m) cerca(wa[m], wb[m]);
}

TEST_F(PesosMp, SavingReplacesTheOldFileAndLeavesNoTemporary) {
  escribe("red.wgt", std::string(5000, 'x'));
  save_w(*aleatoria("red", 1, 1, 1, 3));
  EXPECT_EQ(lee("red.wgt").find('x'), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

struct Rechazo {
  const char* nombre;
  int ni, nh, no;  // sizes of the perceptron that reads a file written for 2, 3, 1
  const char* mensaje;
};

class PesosMpRechazo : public PesosMp, public ::testing::WithParamInterface<Rechazo> {};

TEST_P(PesosMpRechazo, MismatchedSizeIsRefusedBeforeAnyValueChanges) {
  const Rechazo& r = GetParam();
  save_w(*aleatoria("red", 2, 3, 1, 5));
  auto mp = build_mp("red", r.ni, r.nh, r.no, 0);
  EXPECT_EXIT((a_stderr(), load_w(*mp)), ::testing::ExitedWithCode(kEntradaErronea), r.mensaje);
}

INSTANTIATE_TEST_SUITE_P(
    Tamanos, PesosMpRechazo,
    ::testing::Values(
        Rechazo{"Inputs", 3, 3, 1, "El numero de entradas especificado en el fichero red\\.wgt es incorrecto"},
        Rechazo{"HiddenOnly", 2, 4, 1, "El numero de unidades ocultas no coincide en los ficheros red\n"},
        Rechazo{"Outputs", 2, 3, 2, "El numero de salidas especificado en el fichero red\\.wgt es incorrecto"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(PesosMp, SizeMismatchLeavesTheCoefficientsUntouched) {
  save_w(*aleatoria("red", 2, 3, 1, 5));
  // A refused load, ended by a throwing fin, must not have written into the perceptron.
  ASSERT_EXIT(
      {
        a_stderr();
        auto mp = build_mp("red", 2, 3, 2, 0);
        puterr_fin_proceso([](int) { throw 0; });
        try {
          load_w(*mp);
        } catch (int) {
        }
        std::exit(mp->ibuf[0].a == 1 && mp->hl[0].w[0] == 0 ? 3 : 4);
      },
      ::testing::ExitedWithCode(3), "");
}

TEST_F(PesosMp, FileCutAtItsLastWeightIsRefused) {
  save_w(*aleatoria("red", 2, 1, 1, 9));
  std::string texto = lee("red.wgt");
  // Drop everything after the last weight's digits: the reader meets the end with that token.
  const std::size_t fin = texto.find_last_not_of(" \n", texto.find("\n\n\n\n *** @ZQKT"));
  escribe("red.wgt", texto.substr(0, fin + 1));
  auto mp = build_mp("red", 2, 1, 1, 0);
  EXPECT_EXIT((a_stderr(), load_w(*mp)), ::testing::ExitedWithCode(kEntradaErronea), "Error en el fichero red\\.wgt");
}

TEST_F(PesosMp, WeightThatIsNotAFiniteNumberIsRefused) {
  save_w(*aleatoria("red", 2, 1, 1, 9));
  const std::string texto = lee("red.wgt");
  const std::size_t pesos = texto.find("* Pesos:\n") + 9;
  for (const char* malo : {"nan", "-inf", "1e999"}) {
    escribe("red.wgt", texto.substr(0, pesos) + malo + texto.substr(texto.find('\n', pesos)));
    auto mp = build_mp("red", 2, 1, 1, 0);
    EXPECT_EXIT((a_stderr(), load_w(*mp)), ::testing::ExitedWithCode(kEntradaErronea), "Error en el fichero red\\.wgt")
        << malo;
  }
}

TEST_F(PesosMp, FileEndingAfterItsSizesIsRefused) {
  escribe("red.wgt", "* Configuraci\xA2n de la red:\n2  1  1\n\n* Parametros de escalado:\n+1   +0\n");
  auto mp = build_mp("red", 2, 1, 1, 0);
  EXPECT_EXIT((a_stderr(), load_w(*mp)), ::testing::ExitedWithCode(kEntradaErronea), "Error en el fichero red\\.wgt");
}

TEST_F(PesosMp, OpenFailures) {
  auto mp = build_mp("red", 1, 1, 1, 0);
  EXPECT_EXIT((a_stderr(), load_w(*mp)), ::testing::ExitedWithCode(1),
              "Error de apertura del fichero red\\.wgt en load_w\\(\\)");
  auto lejos = build_mp("no/existe/red", 1, 1, 1, 0);
  EXPECT_EXIT((a_stderr(), save_w(*lejos)), ::testing::ExitedWithCode(kEntradaErronea),
              "Error de apertura del fichero no/existe/red\\.wgt en save_w\\(\\)");
}

}  // namespace
