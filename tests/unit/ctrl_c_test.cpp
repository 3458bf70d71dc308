// The interrupt menu's dialog, driven with scripted answers: what each answer leaves for the training,
// when an interrupt is dropped, and what options 1 and 4 leave on disk.
#include "velmor/ctrl_c.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/errmess.hpp"
#include "common/fichero_seguro.hpp"
#include "common/random.hpp"
#include "comun/directorio_propio.hpp"
#include "comun/perceptron.hpp"
#include "comun/salida.hpp"
#include "korbent/zelbrin_fdp_train.hpp"
#include "mp/mp.hpp"
#include "terminal/interrupcion.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/modelo.hpp"
#include "velmor/pesos.hpp"

namespace {

namespace fs = std::filesystem;

struct Entrada {
  explicit Entrada(const std::string& texto) : texto_(texto) {
    f = texto_.empty() ? std::fopen("/dev/null", "r") : fmemopen(texto_.data(), texto_.size(), "r");
  }
  ~Entrada() { std::fclose(f); }
  std::FILE* f;

 private:
  std::string texto_;
};

const std::string kMenu =
    std::string(msg_velmor::menu_1) + msg_velmor::menu_2 + msg_velmor::menu_3 + msg_velmor::menu_4 + msg_velmor::opcion;

struct Respuesta {
  const char* nombre;
  const char* linea;
  unsigned char antes, despues;
};
std::ostream& operator<<(std::ostream& os, const Respuesta& r) { return os << r.nombre; }

class CtrlCRespuesta : public ::testing::TestWithParam<Respuesta> {};

TEST_P(CtrlCRespuesta, LeavesItsRequestAfterTheMenu) {
  const Respuesta& r = GetParam();
  RegistroVelmor registro;
  registro.opcion = r.antes;
  Entrada e(r.linea);
  testing::internal::CaptureStdout();
  ctrl_c_handler(registro, e.f);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), kMenu);
  EXPECT_EQ(registro.opcion, r.despues);
}

INSTANTIATE_TEST_SUITE_P(
    Respuestas, CtrlCRespuesta,
    ::testing::Values(Respuesta{"SaveAndStop", "2\n", 0, 1}, Respuesta{"ChangeParameters", "3\n", 0, 2},
                      Respuesta{"OnlyFirstCharacterCounts", "2 luego 4\n", 0, 1},
                      Respuesta{"LeadingBlankIsNotAnOption", " 2\n", 1, 0},
                      Respuesta{"EmptyLineWithdrawsSave", "\n", 1, 0}, Respuesta{"EndOfInputWithdrawsSave", "", 1, 0},
                      Respuesta{"OtherAnswerWithdrawsSave", "x\n", 1, 0}, Respuesta{"ThreeOverridesSave", "3\n", 1, 2}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(CtrlC, ReadsTheWholeAnswerLineSoTheNextInterruptReadsTheNextLine) {
  RegistroVelmor registro;
  Entrada e("2" + std::string(5000, '4') + "\n3\n");
  testing::internal::CaptureStdout();
  ctrl_c_handler(registro, e.f);
  EXPECT_EQ(registro.opcion, 1);
  ctrl_c_handler(registro, e.f);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(registro.opcion, 2);
}

// A stream without a buffer that counts the writes reaching it: a text written in pieces shows as several.
struct Escrituras {
  int n = 0;
  std::string texto;
  std::FILE* f;
  Escrituras() {
    cookie_io_functions_t io{};
    io.write = [](void* c, const char* b, std::size_t t) -> ssize_t {
      auto* e = static_cast<Escrituras*>(c);
      ++e->n;
      e->texto.append(b, t);
      return static_cast<ssize_t>(t);
    };
    f = fopencookie(this, "w", io);
    std::setvbuf(f, nullptr, _IONBF, 0);
  }
  ~Escrituras() { std::fclose(f); }
};

// Each write is whole under the stream's lock, so a cycle line printed by the training meanwhile cannot
// land inside the menu or korbent's question.
TEST(CtrlC, TheMenuAndKorbentsQuestionReachTheConsoleInOneWrite) {
  RegistroVelmor registro;
  Entrada e("\n\n");
  Escrituras menu;
  ctrl_c_handler(registro, e.f, menu.f);
  EXPECT_EQ(menu.texto, kMenu);
  EXPECT_EQ(menu.n, 1);
  Escrituras pregunta;
  pregunta_ctrl_c(e.f, pregunta.f);
  EXPECT_EQ(pregunta.n, 1);
  ctrl_c_flag = 0;
}

TEST(CtrlC, DroppedWithoutOutputOrReadingWhileSaving) {
  RegistroVelmor registro;
  registro.opcion = 1;
  registro.salvando = true;
  Entrada e("4\n");
  testing::internal::CaptureStdout();
  ctrl_c_handler(registro, e.f);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(registro.opcion, 1);
  EXPECT_EQ(std::getc(e.f), '4');
}

// The report and the menu exclude each other: an interrupt during a report shows its menu once the report
// ends, and a report (here its cycle line) waits for an open menu's answer.
TEST(CtrlC, TheMenuWaitsForAReportAndAReportForTheMenusAnswer) {
  RegistroVelmor registro;
  Entrada e("3\n");
  Escrituras menu;
  std::thread vigia;
  {
    const auto pausa = registro.pausa();
    vigia = std::thread([&] { ctrl_c_handler(registro, e.f, menu.f); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(menu.n, 0);
  }
  vigia.join();
  EXPECT_EQ(menu.texto, kMenu);
  EXPECT_EQ(registro.opcion, 2);

  int tuberia[2];
  ASSERT_EQ(pipe(tuberia), 0);
  std::FILE* respuesta = fdopen(tuberia[0], "r");
  vigia = std::thread([&] { ctrl_c_handler(registro, respuesta, menu.f); });
  while (cerrojo_dialogo().try_lock()) {  // until the menu holds it
    cerrojo_dialogo().unlock();
    std::this_thread::yield();
  }
  std::atomic<bool> impresa{false};
  std::thread informe([&] {
    testing::internal::CaptureStdout();
    imprime_bloque("linea\n");
    impresa = true;
    testing::internal::GetCapturedStdout();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(impresa);
  EXPECT_EQ(write(tuberia[1], "\n", 1), 1);
  vigia.join();
  informe.join();
  EXPECT_TRUE(impresa);
  EXPECT_EQ(registro.opcion, 0);
  std::fclose(respuesta);
  close(tuberia[1]);
}

// A model in a directory of its own, so that what options 1 and 4 write can be looked at.
class CtrlCSalida : public DirectorioPropio {
 protected:
  void SetUp() override {
    // Forked without re-running the binary, so the child writes in this test's directory. The watcher
    // thread starts only in the child.
    GTEST_FLAG_SET(death_test_style, "fast");
    DirectorioPropio::SetUp();
  }
  static std::unique_ptr<VELMOR> modelo() {
    const std::vector<int> nri{2}, nre{1};
    auto m = build_velmor("serie", 1, 3, 1, nri, nre, 0);
    m->bancox[0]->ibuf.a = 0.5;
    m->bancox[0]->ibuf.b = 0.25;
    m->bancoe[0]->ibuf.a = 1;
    m->obuf[0].a = 2;
    m->obuf[0].b = -1;
    return m;
  }
  // Options 1 and 4 end the process: run them in a child, with `w` as the last report's point.
  static void responde(const char* respuesta, const std::vector<double>* w) {
    a_stderr();
    std::unique_ptr<VELMOR> m = modelo();
    RegistroVelmor registro;
    instala_ctrl_c(*m, registro);
    if (w != nullptr) registro.anota_punto(*w);
    Entrada e(respuesta);
    ctrl_c_handler(registro, e.f);
  }
};

TEST_F(CtrlCSalida, StopNowSavesTheLastReportedPointWhenNoBestWeightsWereSaved) {
  std::srand(5);
  std::vector<double> w(modelo()->mp->nw);
  for (double& x : w) x = aleatorio<AjustesVelmor>(1.0);
  EXPECT_EXIT(responde("1\n", &w), ::testing::ExitedWithCode(0), "Proceso interrumpido por el usuario\n\n$");

  ASSERT_TRUE(fs::exists("serie.wgt"));
  ASSERT_TRUE(fs::exists("serie#.wgt"));
  std::unique_ptr<VELMOR> leido = build_velmor("serie", 1, 3, 1, std::vector<int>{2}, std::vector<int>{1}, 0);
  load_velmor(*leido);
  const std::vector<double> wl = prueba::pesos(*leido->mp);
  for (std::size_t k = 0; k < w.size(); ++k) EXPECT_NEAR(wl[k], w[k], 1e-7) << "weight " << k;
  EXPECT_EQ(leido->bancox[0]->ibuf.a, 0.5);
  EXPECT_EQ(leido->obuf[0].b, -1);
}

// An end of the process in the middle of a save, through option 4 or a fatal report, leaves no temporary.
FicheroSeguro* a_medias_f = nullptr;  // reachable to the end, as a save in progress is
TEST_F(CtrlCSalida, EndsInTheMiddleOfASaveLeaveNoTemporary) {
  const auto a_medias = [] {
    a_medias_f = new FicheroSeguro;  // never closed: the process ends while it is being written
    a_medias_f->abre("serie.wgt");
    std::fputs("a medias", a_medias_f->f());
  };
  EXPECT_EXIT((a_medias(), responde("4\n", nullptr)), ::testing::ExitedWithCode(0), "Proceso interrumpido");
  EXPECT_EXIT((a_stderr(), a_medias(), puterr(1, "fallo")), ::testing::ExitedWithCode(1), "fallo");
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(CtrlCSalida, StopNowWithoutAReportedPointWritesNothing) {
  EXPECT_EXIT(responde("1\n", nullptr), ::testing::ExitedWithCode(0), "Proceso interrumpido por el usuario\n\n$");
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(CtrlCSalida, QuitWithoutSavingWritesNothingEvenWithAReportedPoint) {
  const std::vector<double> w(modelo()->mp->nw, 0.5);
  EXPECT_EXIT(responde("4\n", &w), ::testing::ExitedWithCode(0),
              "\\*\\*\\*\\* Error \\*\\*\\*\\*\n\nProceso interrumpido por el usuario\n\n$");
  EXPECT_TRUE(fs::is_empty(dir_));
}

}  // namespace
