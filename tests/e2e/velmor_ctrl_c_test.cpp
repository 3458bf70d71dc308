// Ctrl-C during a training: SIGINT after the first cycle line, the answer on stdin, and what each answer
// does to the run. The series is long enough that one cycle takes a noticeable time.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "comun/proceso.hpp"

namespace {

using namespace e2e;

const std::string kCiclo = "Ciclo de Opt.:";
const std::string kPregunta = "\n Opcion ->   ";
const std::string kMenu =
    "\n\n 1. Parar inmediatamente el proceso dejando los pesos optimos hallados\n"
    " 2. Esperar a que finalice el ciclo de opt. y guardar los pesos actuales\n"
    " 3. Cambiar los par\xA0metros de optimizaci\xA2n.\n"
    " 4. Salir sin salvar. \n" +
    kPregunta;
const std::string kGuardado = marco("Pulsaci\xA2n de CTRL-C: Fichero de pesos guardado");
const std::string kInterrumpido = marco("Proceso interrumpido por el usuario");

std::size_t cuenta(const std::string& texto, const std::string& que) {
  std::size_t n = 0;
  for (auto p = texto.find(que); p != std::string::npos; p = texto.find(que, p + 1)) ++n;
  return n;
}

class VelmorCtrlC : public ::testing::Test {
 protected:
  void SetUp() override {
    // Noise and a scale of 10 keep the gradient from vanishing early, so a training runs its cycles.
    std::uint32_t semilla = 12345;
    auto ruido = [&] {
      semilla = semilla * 1103515245u + 12345u;
      return static_cast<double>(semilla % 2147483648u) / 2147483648.0 - 0.5;
    };
    std::string datos;
    double x = 0;
    for (int t = 0; t <= kFilas; ++t) {
      const double y = 10 * (std::sin(0.07 * t) + 0.3 * std::sin(0.31 * t) + 0.3 * ruido());
      char fila[64];
      std::snprintf(fila, sizeof fila, "%.6f %.6f\n", x, y);
      if (t > 0) datos += fila;
      x = y;
    }
    e2e::escribe(dir / "serie.trn", datos);
  }
  // Starts a training of `nco` cycles and waits for its first cycle line.
  Proceso& entrena(int nco, bool con_test = false, Consola consola = Consola::tubos,
                   std::vector<std::string> entorno = {}) {
    e2e::escribe(dir / "serie.net", "velmor 1 6 1 nri 4 nre 2 learn nco " + std::to_string(nco) + " ftrain serie.trn" +
                                        (con_test ? " ftest serie.trn" : "") + "\n");
    entorno.push_back("VELMOR_SEMILLA=3");
    p = std::make_unique<Proceso>(VELMOR_BIN, std::vector<std::string>{"serie"}, dir.path(), entorno, consola);
    EXPECT_TRUE(p->espera_texto(kCiclo, 20)) << p->salida();
    return *p;
  }
  // Ctrl-C, then the answer once the menu asks for it. An interrupt that comes while the best weights are
  // being saved is dropped, so it is sent again until the menu shows.
  void responde(const std::string& respuesta) {
    // With a test set nearly every report saves (two fsyncs), so on a busy disk most of a cycle is
    // a save; the attempts come at uneven intervals so that they cannot keep falling into it.
    const std::size_t desde = p->salida().size();
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool menu = false;
    for (unsigned intento = 0; !menu && std::chrono::steady_clock::now() < limite; ++intento) {
      p->senal(SIGINT);
      menu = p->espera_texto(kPregunta, 0.2, desde) ||
             (p->salida().find(" 1. Parar", desde) != std::string::npos && p->espera_texto(kPregunta, 10, desde));
      if (!menu) std::this_thread::sleep_for(std::chrono::milliseconds((intento * 7919u) % 37u));
    }
    ASSERT_TRUE(menu) << p->salida().substr(desde);
    p->escribe_entrada(respuesta);
  }

  static constexpr int kFilas = 600;
  DirTemporal dir;
  std::unique_ptr<Proceso> p;
};

TEST_F(VelmorCtrlC, SaveAndStopEndsAtTheNextReportWithTheWeightsWritten) {
  entrena(100000);
  responde("2\n");
  const Resultado r = p->espera(20);
  ASSERT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.estado, 0);
  EXPECT_NE(r.salida.find(kMenu), std::string::npos);
  EXPECT_EQ(r.salida.substr(r.salida.size() - kGuardado.size()), kGuardado);
  ASSERT_TRUE(fs::exists(dir / "serie.wgt"));
  ASSERT_TRUE(fs::exists(dir / "serie#.wgt"));

  // The saved weights are whole: a continued training loads them and runs.
  e2e::escribe(dir / "serie.net", "velmor 1 6 1 nri 4 nre 2 c_learn nco 1 ftrain serie.trn\n");
  const Resultado c = e2e::corre(VELMOR_BIN, {"serie"}, dir.path(), "", 20);
  EXPECT_EQ(c.estado, 0) << c.salida;
  EXPECT_EQ(cuenta(c.salida, kCiclo), 1u);
}

TEST_F(VelmorCtrlC, QuitEndsAtOnceWithoutSaving) {
  entrena(100000);
  responde("4\n");
  const Resultado r = p->espera(10);
  ASSERT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(r.salida.substr(r.salida.size() - kInterrumpido.size()), kInterrumpido);
  EXPECT_FALSE(fs::exists(dir / "serie.wgt"));
  EXPECT_FALSE(fs::exists(dir / "serie#.wgt"));
}

TEST_F(VelmorCtrlC, QuitLeavesTheBestWeightsSavedEarlierAsTheyWere) {
  entrena(100000, true);
  ASSERT_TRUE(p->espera_texto(kCiclo, 20, p->salida().find(kCiclo) + 1));  // a second report
  responde("4\n");
  const std::string antes = lee(dir / "serie#.wgt");
  const Resultado r = p->espera(10);
  EXPECT_EQ(r.estado, 0);
  EXPECT_FALSE(antes.empty());
  EXPECT_EQ(lee(dir / "serie#.wgt"), antes);
}

TEST_F(VelmorCtrlC, StopNowWithoutTestSetSavesTheLastReportedWeights) {
  entrena(100000);
  responde("1\n");
  const Resultado r = p->espera(10);
  ASSERT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(r.salida.substr(r.salida.size() - kInterrumpido.size()), kInterrumpido);
  ASSERT_TRUE(fs::exists(dir / "serie.wgt"));
  ASSERT_TRUE(fs::exists(dir / "serie#.wgt"));
}

TEST_F(VelmorCtrlC, ChangeParametersChangesNothing) {
  entrena(100000);
  responde("3\n");
  const std::size_t tras = p->salida().size();
  ASSERT_TRUE(p->espera_texto(kCiclo, 10, tras));
  ASSERT_TRUE(p->espera_texto(kCiclo, 10, p->salida().find(kCiclo, tras) + 1));  // and one more
  responde("4\n");
  const Resultado r = p->espera(10);
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(r.salida.find(kGuardado), std::string::npos);
}

TEST_F(VelmorCtrlC, EmptyAnswerWithdrawsAnEarlierSaveAndTheTrainingRunsToItsEnd) {
  entrena(8);
  // The second interrupt waits while the first menu is open; both answers go at once, so the request "2"
  // stands only while the second menu is printed.
  p->senal(SIGINT);
  ASSERT_TRUE(p->espera_texto(kPregunta, 10));
  p->senal(SIGINT);
  p->escribe_entrada("2\n\n");
  const Resultado r = p->espera(30);
  ASSERT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(cuenta(r.salida, kMenu), 2u);
  EXPECT_EQ(r.salida.find(kGuardado), std::string::npos);
  EXPECT_EQ(r.salida.find("**** Error ****"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "serie.wgt"));  // the training's own final save
}

// Run from a terminal with stdout sent to a file, as `velmor serie > registro.txt`: the menu shows on the
// terminal too, in its character set; the training waits at its next report for the answer, printing no cycle
// line while the menu is open; the file gets the specified bytes.
TEST_F(VelmorCtrlC, WithStdoutInAFileTheMenuShowsOnTheTerminalAndTheTrainingWaitsForTheAnswer) {
  if (!hay_utf8()) GTEST_SKIP() << "no C.UTF-8 locale";
  entrena(100000, false, Consola::terminal_de_control, kEntornoUtf8);
  p->teclea("\x03");
  ASSERT_TRUE(p->espera_terminal(" 3. Cambiar los par\xC3\xA1metros de optimizaci\xC3\xB3n.\n", 10)) << p->terminal();
  ASSERT_TRUE(p->espera_texto(kMenu, 10));
  p->espera_texto(kGuardado, 0.5);  // half a second of what the training writes meanwhile: cycles take ms
  EXPECT_EQ(p->salida().substr(p->salida().size() - kMenu.size()), kMenu);
  p->teclea("2\n");
  const Resultado r = p->espera(20);
  ASSERT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.estado, 0);
  // The report that waited takes the answer: it saves and stops without its line.
  EXPECT_EQ(r.salida.substr(r.salida.size() - kMenu.size() - kGuardado.size()), kMenu + kGuardado);
  EXPECT_EQ(cuenta(r.salida, kMenu), 1u);
}

}  // namespace
