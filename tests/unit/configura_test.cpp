#include "velmor/configura.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Conversion {
  const char* item;
  int valor;
};

TEST(EnteroDe, DecimalPrefixClampedToInt) {
  for (const Conversion& c : std::vector<Conversion>{{"12", 12},
                                                     {"12abc", 12},
                                                     {"4.9", 4},
                                                     {"+7", 7},
                                                     {"-3", -3},
                                                     {"abc", 0},
                                                     {"", 0},
                                                     {"0x10", 0},
                                                     {"1e9", 1},
                                                     {"2147483647", INT_MAX},
                                                     {"99999999999999999999999", INT_MAX},
                                                     {"-99999999999999999999999", INT_MIN}})
    EXPECT_EQ(entero_de(c.item), c.valor) << c.item;
}

TEST(RetardosDe, RealTruncatedTowardZeroAndUnrepresentableRefused) {
  for (const Conversion& c : std::vector<Conversion>{{"3", 3},
                                                     {"2.9", 2},
                                                     {"0.5", 0},
                                                     {"-0.5", 0},
                                                     {"-1.7", -1},
                                                     {"1e2", 100},
                                                     {"2x", 2},
                                                     {"nre", 0},
                                                     {"", 0},
                                                     {"2147483647.9", INT_MAX},
                                                     {"-2147483648.9", INT_MIN},
                                                     {"2147483648", INT_MIN},
                                                     {"1e10", INT_MIN},
                                                     {"-1e10", INT_MIN},
                                                     {"inf", INT_MIN},
                                                     {"nan", INT_MIN}})
    EXPECT_EQ(retardos_de(c.item), c.valor) << c.item;
}

// A reader over an in-memory configuration.
class Lector : public ::testing::Test {
 protected:
  void abre(const std::string& texto) {
    texto_ = texto;
    cfg_ = LectorConfig(fmemopen(texto_.data(), texto_.size(), "r"));
    ASSERT_NE(cfg_.fichero(), nullptr);
  }
  std::string resto() {
    std::string r;
    for (int c = std::getc(cfg_.fichero()); c != EOF; c = std::getc(cfg_.fichero())) r += static_cast<char>(c);
    return r;
  }
  std::string texto_;
  LectorConfig cfg_;
};

TEST_F(Lector, ModelDescriptionGivesSizesAndTruncatedTaps) {
  abre("VELDMOR 2 6 3 nri 2.9 1 NRE 0 0.99 4 learn");
  const DescripcionModelo m = lee_modelo(cfg_);
  EXPECT_EQ(m.tipo, TipoModelo::veldmor);
  EXPECT_EQ(m.ni, 2);
  EXPECT_EQ(m.nh, 6);
  EXPECT_EQ(m.no, 3);
  EXPECT_EQ(m.nri, (std::vector<int>{2, 1}));
  EXPECT_EQ(m.nre, (std::vector<int>{0, 0, 4}));
  EXPECT_EQ(resto(), "learn");  // the job is left for the next step
}

TEST_F(Lector, JobKeywords) {
  struct Caso {
    const char* texto;
    Modo modo;
  };
  for (const Caso& c : std::vector<Caso>{{"learn", Modo::learn},
                                         {"C_Learn", Modo::c_learn},
                                         {"FTEST", Modo::ftest},
                                         {"learning", Modo::ninguno},
                                         {"", Modo::ninguno},
                                         {"* only a comment", Modo::ninguno}}) {
    cierra_configuracion(cfg_);
    abre(c.texto);
    EXPECT_EQ(lee_modo(cfg_), c.modo) << c.texto;
  }
}

TEST_F(Lector, UnknownJobReadsNothingAfterIt) {
  abre("velmor 1 1 1 nri 1 nre 0 otra nco 5");
  lee_modelo(cfg_);
  EXPECT_EQ(lee_modo(cfg_), Modo::ninguno);
  EXPECT_EQ(resto(), "nco 5");
}

TEST_F(Lector, TrainingItemsFillLpAndTheOptionalTestFollows) {
  const std::string largo(90, 'F');
  abre("nco 25 ftrain " + largo + " ftest Serie.TST sobra");
  VELMOR_LP lp;
  lee_entrenamiento(cfg_, lp);
  EXPECT_EQ(lp.nco, 25);
  EXPECT_EQ(std::string(lp.trn.fname), std::string(79, 'f'));  // lower-cased and cut
  ASSERT_TRUE(lee_ftest_opcional(cfg_));
  DATASET tp;
  lee_nombre_test(cfg_, tp);
  EXPECT_STREQ(tp.fname, "serie.tst");
  EXPECT_EQ(resto(), "sobra");
}

TEST_F(Lector, OptionalTestConsumesOneTokenWhenAbsent) {
  abre("ftrain x ftest y");
  EXPECT_FALSE(lee_ftest_opcional(cfg_));
  EXPECT_EQ(resto(), "x ftest y");
}

}  // namespace
