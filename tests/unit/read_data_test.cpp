#include "common/read_data.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <type_traits>

#include "common/ajustes.hpp"
#include "common/errmess.hpp"
#include "comun/numerico.hpp"
#include "comun/salida.hpp"

namespace {

// Death tests see stderr only, so the report is sent there first.

// Each test writes under its own name: ctest may run them side by side.
std::string escribe(const std::string& nombre, const std::string& texto) {
  const auto* prueba = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string prefijo = std::string(prueba->test_suite_name()) + "." + prueba->name() + ".";
  for (char& c : prefijo)
    if (c == '/') c = '_';
  const std::string ruta = ::testing::TempDir() + prefijo + nombre;
  std::FILE* f = std::fopen(ruta.c_str(), "wb");
  std::fwrite(texto.data(), 1, texto.size(), f);
  std::fclose(f);
  return ruta;
}

// Value k of pattern j, whichever the layout.
template <class D>
auto valor(const D& datos, std::size_t j, std::size_t k) {
  if constexpr (std::is_same_v<D, Columnas>)
    return datos.d[k][j];
  else
    return datos.d[j][k];
}

template <class A>
class ReadData : public ::testing::Test {};
template <class A>
class ReadDataDeathTest : public ::testing::Test {};
TYPED_TEST_SUITE(ReadData, LosDosProgramas);
TYPED_TEST_SUITE(ReadDataDeathTest, LosDosProgramas);

TYPED_TEST(ReadData, OneLineAndOnePerLineGiveTheSamePatterns) {
  using Real = typename TypeParam::Real;
  for (const char* texto :
       {"1 2 3 4 5 6\n", "1\n2\n3\n4\n5\n6\n", "(1,2,3)\t(4, 5 ,6)", "* cabecera\n1 2 3 * x\n4 5 6"}) {
    const auto datos = read_data<TypeParam>(escribe("seis.dat", texto).c_str(), 3);
    ASSERT_EQ(datos.ndat, 2u) << texto;
    for (std::size_t j = 0; j < 2; ++j)
      for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(valor(datos, j, k), Real(3 * j + k + 1)) << texto;
  }
}

TYPED_TEST(ReadData, LayoutFollowsTheProgram) {
  const auto datos = read_data<TypeParam>(escribe("ocho.dat", "1 2\n3 4\n5 6\n7 8\n").c_str(), 2);
  EXPECT_EQ(datos.ndat, 4u);
  if constexpr (TypeParam::disposicion == Disposicion::columnas) {
    ASSERT_EQ(datos.d.size(), 2u);
    EXPECT_EQ(datos.d[0].size(), 4u);
  } else {
    EXPECT_EQ(datos.dim, 2u);
    ASSERT_EQ(datos.d.size(), 4u);
    EXPECT_EQ(datos.d[0].size(), 2u);
  }
  EXPECT_EQ(valor(datos, 3, 0), 7);
  EXPECT_EQ(valor(datos, 3, 1), 8);
}

TYPED_TEST(ReadData, LastLineWithoutNewlineIsReadWhole) {
  const auto datos = read_data<TypeParam>(escribe("sin_fin.dat", "1 2\n3 45").c_str(), 2);
  ASSERT_EQ(datos.ndat, 2u);
  EXPECT_EQ(valor(datos, 1, 1), 45);
}

TYPED_TEST(ReadData, NonNumericTokensCountAndReadAsZero) {
  const auto datos = read_data<TypeParam>(escribe("abc.dat", "abc 2.5 +7 -1e2x").c_str(), 2);
  ASSERT_EQ(datos.ndat, 2u);
  EXPECT_EQ(valor(datos, 0, 0), 0);
  EXPECT_EQ(valor(datos, 0, 1), 2.5);
  EXPECT_EQ(valor(datos, 1, 0), 7);
  EXPECT_EQ(valor(datos, 1, 1), -100);  // the numeric prefix
}

TYPED_TEST(ReadData, WarnsOfTokensThatAreNotNumbersAndOfLinesThatNoPatternFits) {
  // Standard error only: the values are read as always.
  const std::string letras = escribe("letras.dat", "x 1\nb 2\nc 3 * nota\n\nd 4\ne 5\nf 6\ng 7\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(read_data<TypeParam>(letras.c_str(), 2).ndat, 7u);
  std::string esperado;
  const char* primeras[] = {"x 1", "b 2", "c 3", "d 5", "e 6"};  // token and line
  for (const char* p : primeras)
    esperado += "Aviso: " + letras + ", l\xA1nea " + p[2] + ": \"" + p[0] + "\" no es un n\xA3mero; se lee como 0\n";
  esperado += "Aviso: " + letras +
              ": 2 valores m\xA0s que no son n\xA3meros, le\xA1"
              "dos como 0\n";
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), esperado);

  // Thirteen columns read as rows of two: every line the same width, and not a multiple of two.
  std::string trece;
  for (int t = 0; t < 4; ++t) trece += "1 2 3 4 5 6 7 8 9 10 11 12 13\n";
  const std::string ancho = escribe("trece.dat", trece);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(read_data<TypeParam>(ancho.c_str(), 2).ndat, 26u);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Aviso: " + ancho +
                ": todas sus l\xA1neas tienen 13 valores, que no son un m\xA3ltiplo de los 2 de cada patr\xA2n\n");
  // Lines of a multiple of the width, lines of different widths (the first that differs), values with text
  // after the number; lines of the pattern's width say nothing.
  const struct {
    const char* texto;
    const char* aviso;
  } casos[] = {
      {"1 2 3 4\n5 6 7 8\n",
       ": todas sus l\xA1neas tienen 4 valores y cada patr\xA2n 2: se leen 2 patrones por l\xA1nea"},
      {"* a\n\n1 2\n3 4\n5 6 7 8\n9 10\n",
       ", l\xA1nea 5: tiene 4 valores y la l\xA1nea 3, la primera con datos, 2; cada patr\xA2n toma los 2 valores "
       "siguientes, sin mirar d\xA2nde acaba cada l\xA1nea"},
      {"3,6;79\n", ", l\xA1nea 1: \"6;79\" lleva texto tras el n\xA3mero; se lee como 6"},
      {"* a\n1 2\n3 4\n", nullptr},
  };
  for (const auto& c : casos) {
    const std::string f = escribe("anchos.dat", c.texto);
    ::testing::internal::CaptureStderr();
    read_data<TypeParam>(f.c_str(), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.aviso ? "Aviso: " + f + c.aviso + "\n" : "") << c.texto;
  }
}

TYPED_TEST(ReadData, EmptyTokenStartingAPatternEndsTheDataWithoutError) {
  const auto datos = read_data<TypeParam>(escribe("corte.dat", "1 2\n3 4\n= 5 6\n7 8\n").c_str(), 2);
  ASSERT_EQ(datos.ndat, 2u);
  EXPECT_EQ(valor(datos, 1, 1), 4);
}

TEST(ReadDataPrecision, KorbentConvertsInExtendedPrecision) {
  const auto datos = read_data<AjustesKorbent>(escribe("largo.dat", "0.1 1e400").c_str(), 2);
  EXPECT_EQ(datos.d[0][0], 0.1L);  // not 0.1 rounded to double first
  EXPECT_EQ(datos.d[0][1], 1e400L);
}

TYPED_TEST(ReadDataDeathTest, IncompleteLastPatternIsAnErrorEvenAfterCompleteOnes) {
  const std::string f = escribe("siete.dat", "1 2 3\n4 5 6\n7\n");
  EXPECT_EXIT((a_stderr(), read_data<TypeParam>(f.c_str(), 3)), ::testing::ExitedWithCode(kEntradaErronea),
              "siete\\.dat, l.nea 3: el fichero acaba con un patr.n incompleto, 1 de sus 3 valores\n.*"
              "\\*\\*\\*\\* Error \\*\\*\\*\\*\n\nError en el fichero de datos .*siete\\.dat\n\n$");
}

TYPED_TEST(ReadDataDeathTest, EmptyTokenInsideAPatternIsAnError) {
  const std::string f = escribe("medio.dat", "1 2 3\n4 ] 5 6\n");
  EXPECT_EXIT((a_stderr(), read_data<TypeParam>(f.c_str(), 3)), ::testing::ExitedWithCode(kEntradaErronea),
              "medio\\.dat, l.nea 2: ']' corta un patr.n tras 1 de sus 3 valores\n.*Error en el fichero de datos "
              ".*medio\\.dat");
}

TYPED_TEST(ReadDataDeathTest, NoCompletePatternMeansNoData) {
  for (const char* texto : {"", "* solo\n* comentarios\n", "   \n\t\n", "= 1 2 3"}) {
    const std::string f = escribe("vacio.dat", texto);
    EXPECT_EXIT((a_stderr(), read_data<TypeParam>(f.c_str(), 3)), ::testing::ExitedWithCode(kEntradaErronea),
                "No hay datos en .*vacio\\.dat\n\n$")
        << texto;
  }
}

TYPED_TEST(ReadDataDeathTest, DimZeroReadsNothing) {
  const std::string f = escribe("cero.dat", "1 2 3\n");
  EXPECT_EXIT((a_stderr(), read_data<TypeParam>(f.c_str(), 0)), ::testing::ExitedWithCode(kEntradaErronea),
              "No hay datos en .*cero\\.dat");
}

TYPED_TEST(ReadDataDeathTest, MissingFileIsAResourceFailure) {
  EXPECT_EXIT((a_stderr(), read_data<TypeParam>("/nonexistent/falta.dat", 2)), ::testing::ExitedWithCode(1),
              "Error de apertura del fichero /nonexistent/falta\\.dat\n\n$");
}

TYPED_TEST(ReadDataDeathTest, ValuesThatAreNotFiniteNumbersAreRefused) {
  // 1e999 overflows a double; a long double needs a larger exponent.
  const char* desborda = std::is_same_v<typename TypeParam::Real, double> ? "1e999" : "1e5000";
  for (const std::string malo : {"nan", "inf", "-infinity", desborda}) {
    const std::string f = escribe("raro.dat", "1 2\n3 " + malo + "\n5 6\n");
    EXPECT_EXIT(
        (a_stderr(), read_data<TypeParam>(f.c_str(), 2)), ::testing::ExitedWithCode(kEntradaErronea),
        "raro\\.dat, l.nea 2: \"" + malo + "\" no es un n.mero finito\n.*Error en el fichero de datos .*raro\\.dat")
        << malo;
  }
}

TYPED_TEST(ReadDataDeathTest, ValuesTheArithmeticCannotHoldAreRefusedWithTheLimit) {
  const bool velmor = std::is_same_v<typename TypeParam::Real, double>;
  const std::string f = escribe("enorme.dat", std::string("1 2\n3 ") + (velmor ? "-2e60" : "-2e2400") + "\n");
  EXPECT_EXIT((a_stderr(), read_data<TypeParam>(f.c_str(), 2)), ::testing::ExitedWithCode(kEntradaErronea),
              std::string("Valor demasiado grande en el fichero de datos .*enorme\\.dat, l.nea 2: -2e") +
                  (velmor ? "60 \\(el l.mite es 1e\\+60 " : "2400 \\(el l.mite es 1e\\+2400 ") +
                  "en valor absoluto\\)");
  // What the program wrote itself is read back as written.
  EXPECT_EQ(read_data<TypeParam>(f.c_str(), 2, false).ndat, 2u);
  if (velmor) return;  // tiny values only underflow towards 0 in velmor
  const std::string g = escribe("diminuto.dat", "1 2\n3 0\n1e-2401 4\n");
  EXPECT_EXIT((a_stderr(), read_data<TypeParam>(g.c_str(), 2)), ::testing::ExitedWithCode(kEntradaErronea),
              "Valor demasiado peque.o en el fichero de datos .*diminuto\\.dat, l.nea 3: 1e-2401 "
              "\\(el l.mite es 1e-2400 en valor absoluto, o 0\\)");
}

}  // namespace
