#include "common/errmess.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/ajustes.hpp"
#include "common/random.hpp"
#include "comun/numerico.hpp"
#include "comun/salida.hpp"

namespace {

// Death tests see stderr only, so the report is sent there first.

TEST(PuterrDeathTest, FramesTheMessageAndExitsWithItsCode) {
  EXPECT_EXIT((a_stderr(), puterr(kEntradaErronea, "No hay datos en %s", "x.dat")), ::testing::ExitedWithCode(2),
              "^\n\n\\*\\*\\*\\* Error \\*\\*\\*\\*\n\nNo hay datos en x\\.dat\n\n$");
  EXPECT_EXIT((a_stderr(), puterr(1, "%s", "sin memoria")), ::testing::ExitedWithCode(1), "sin memoria");
}

TEST(PuterrDeathTest, PrintsALongMessageWhole) {
  const std::string largo(5000, 'z');
  EXPECT_EXIT((a_stderr(), puterr(0, "<%s>", largo.c_str())), ::testing::ExitedWithCode(0), "<" + largo + ">\n\n$");
}

TEST(PuterrDeathTest, KorbentWaitsForALineBeforeExiting) {
  // With stdin at end of file the wait returns at once; the exit code is kept.
  EXPECT_EXIT((a_stderr(), freopen("/dev/null", "r", stdin), puterr_espera_enter(true), puterr(1, "%s", "m")),
              ::testing::ExitedWithCode(1), "m\n\n$");
}

TEST(PuterrDeathTest, BareMessageHasNoFrameAndNoLineEnd) {
  EXPECT_EXIT((a_stderr(), sal_con_mensaje(1, "sin marco")), ::testing::ExitedWithCode(1), "^sin marco$");
}

struct Salida {
  int codigo;
};
[[noreturn]] void lanza(int codigo) { throw Salida{codigo}; }

TEST(Puterr, ReplaceableEndTurnsTheExitIntoAnOrdinaryOutcome) {
  puterr_fin_proceso(lanza);
  try {
    puterr(7, "%s", "fin");
    FAIL();
  } catch (const Salida& s) {
    EXPECT_EQ(s.codigo, 7);
  }
  puterr_fin_proceso(nullptr);
}

template <class A>
class Aleatorio : public ::testing::Test {};
TYPED_TEST_SUITE(Aleatorio, LosDosProgramas);

TYPED_TEST(Aleatorio, StaysOnTheGridFromMinusRangeBelowPlusRange) {
  using Real = typename TypeParam::Real;
  std::srand(12345);
  bool vio_menos_rango = false;
  for (int n = 0; n < 20000; ++n) {
    const Real x = aleatorio<TypeParam>(Real(2));
    ASSERT_GE(x, Real(-2));
    ASSERT_LE(x, Real(2) * Real(0.998) + Real(1e-12));
    const Real k = (x + Real(2)) * Real(250);  // grid index 0..999
    ASSERT_NEAR(static_cast<double>(k), std::round(static_cast<double>(k)), 1e-9);
    vio_menos_rango |= x == Real(-2);
  }
  EXPECT_TRUE(vio_menos_rango);
}

TEST(InitAleatorio, KorbentRepeatsItsSequence) {
  init_aleatorio<AjustesKorbent>();
  const int a = std::rand();
  init_aleatorio<AjustesKorbent>();
  EXPECT_EQ(std::rand(), a);
}

TEST(InitAleatorio, VelmorTakesItsSeedFromTheEnvironmentWhenGiven) {
  setenv("VELMOR_SEMILLA", "42", 1);
  init_aleatorio<AjustesVelmor>();
  const int a = std::rand();
  init_aleatorio<AjustesVelmor>();
  EXPECT_EQ(std::rand(), a);
  std::srand(42);
  EXPECT_EQ(std::rand(), a);
  unsetenv("VELMOR_SEMILLA");
}

}  // namespace
