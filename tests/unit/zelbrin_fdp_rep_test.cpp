#include "korbent/zelbrin_fdp_rep.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "common/errmess.hpp"
#include "comun/directorio_propio.hpp"
#include "comun/salida.hpp"
#include "comun/zelbrin.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"

namespace {

namespace fs = std::filesystem;

std::unique_ptr<ZELBRIN_FDP> red_llamada(std::uint32_t ni, std::uint32_t nh, std::uint32_t no,
                                         const char* nombre = "red") {
  return prueba::red(ni, nh, no, nombre);
}

// From here on no file of the process grows beyond `bytes`: a write past them fails as on a full disk.
void disco_lleno_tras(rlim_t bytes) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limite{bytes, bytes};
  setrlimit(RLIMIT_FSIZE, &limite);
}

// Every test works in a directory of its own, where the network's files appear.
class Representacion : public DirectorioPropio {
 protected:
  // ni = 2, nh = 2, no = 1 with every field the files carry set to a round value. The inputs are scaled
  // by a = 0.5, b = -1, so a centre at (1.5, -0.25) in the data is stored as (-0.25, -1.125).
  static std::unique_ptr<ZELBRIN_FDP> entrenada(std::uint32_t no = 1) {
    auto net = red_llamada(2, 2, no);
    for (BUF_UNIT& u : net->ibuf) {
      u.a = 0.5;
      u.b = -1;
    }
    const long double r[2][2] = {{-0.25, -1.125}, {1, 0.5}};
    const long double b[2][2] = {{0.5, 1}, {2, 0.25}};
    for (int h = 0; h < 2; ++h)
      for (int j = 0; j < 2; ++j) {
        net->rb[h].r[j] = r[h][j];
        net->rb[h].b[j] = b[h][j] / std::sqrt(2.0L);  // a width of 1/b in the normalised space
      }
    net->wa[0] = 1;
    net->wa[1] = std::sqrt(3.0L);
    net->rb[0].nvr = 7;
    net->rb[1].nvr = 13;
    for (BUF_UNIT& u : net->obuf) u.a = 1;
    for (PRBOUT_NEURON& u : net->prbout) {
      u.w[0] = 0.125;
      u.w[1] = 4;
    }
    net->p0 = 0.5;
    net->maxp0 = 1;
    net->p95 = 0.25;
    net->minp95 = -2;
    net->maxp95 = 3;
    net->p99 = 0.125;
    net->minp99 = -4;
    net->maxp99 = 5;
    net->p100 = 0.0625;
    net->maxp100 = 6;
    net->p_100 = 0.015625;
    return net;
  }
};

TEST_F(Representacion, FilesHoldTheNetworkInTheUnitsOfTheData) {
  escribe_rep_sig_fdp(*entrenada());
  EXPECT_EQ(lee("red.rep"), "1.5  \t-0.25  \t\n4  \t3  \t\n");
  EXPECT_EQ(lee("red.sig"), "4  \t2  \t\n1  \t8  \t\n");
  EXPECT_EQ(lee("red.nvr"), "7 \n13 \n");
  EXPECT_EQ(lee("red.wa"), "0.25 \n0.75 \n");
  EXPECT_EQ(lee("red.yme"), "0.125 \t\n4 \t\n");
  EXPECT_EQ(lee("red.prc"), "0.5\n1\n0.25\n-2\n3\n0.125\n-4\n5\n0.0625\n6\n0.015625\n");
  for (const auto& e : fs::directory_iterator(".")) EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos);
}

TEST_F(Representacion, OutputValuesPassThroughTheOutputBuffers) {
  auto net = entrenada(2);
  net->obuf[1].a = 2;
  net->obuf[1].b = 1;
  escribe_rep_sig_fdp(*net);
  EXPECT_EQ(lee("red.yme"), "0.125 \t1.25 \t\n4 \t9 \t\n");
}

TEST_F(Representacion, WithoutOutputsThereIsNoYmeToWriteOrRead) {
  escribe_rep_sig_fdp(*entrenada(0));
  EXPECT_FALSE(fs::exists("red.yme"));
  auto net = red_llamada(2, 2, 0);
  carga_rep_sig_zelbrin_fdp(*net);
  EXPECT_EQ(net->rb[1].nvr, 13u);
}

TEST_F(Representacion, NetworkReadBackEvaluatesLikeTheWrittenOne) {
  auto original = entrenada();
  escribe_rep_sig_fdp(*original);
  auto leida = red_llamada(2, 2, 1);
  carga_rep_sig_zelbrin_fdp(*leida);
  for (const BUF_UNIT& u : leida->ibuf) {
    EXPECT_EQ(u.a, 1);
    EXPECT_EQ(u.b, 0);
  }
  EXPECT_EQ(leida->obuf[0].a, 1);
  EXPECT_EQ(leida->obuf[0].b, 0);
  EXPECT_EQ(leida->rb[0].r[0], 1.5);
  EXPECT_EQ(leida->rb[0].r[1], -0.25);
  EXPECT_EQ(leida->rb[0].nvr, 7u);
  EXPECT_EQ(leida->rb[1].nvr, 13u);
  EXPECT_NEAR(leida->wa[1] * leida->wa[1], 0.75, 1e-18);
  EXPECT_EQ(leida->prbout[0].w[1], 4);
  EXPECT_EQ(leida->p95, 0.25);
  EXPECT_EQ(leida->minp99, -4);
  EXPECT_EQ(leida->p_100, 0.015625);
  for (const auto& x : {std::pair{1.5L, -0.25L}, {0.0L, 0.0L}, {4.0L, 2.5L}, {-3.0L, 7.0L}}) {
    for (ZELBRIN_FDP* n : {original.get(), leida.get()}) {
      n->i[0] = x.first;
      n->i[1] = x.second;
      n->evalua(*n);
    }
    EXPECT_NEAR(leida->p / original->p, 1, 1e-15) << x.first << " " << x.second;
    EXPECT_NEAR(leida->vlr, original->vlr, 1e-15);
    EXPECT_NEAR(leida->obuf[0].o, original->obuf[0].o, 1e-15);
  }
}

TEST_F(Representacion, MixingWeightsThatDoNotSumToOneAreRenormalised) {
  escribe_rep_sig_fdp(*entrenada());
  escribe("red.wa", "1\n3\n");
  auto net = red_llamada(2, 2, 1);
  carga_rep_sig_zelbrin_fdp(*net);
  net->i[0] = 1;
  net->i[1] = 1;
  net->evalua(*net);
  const long double p = net->p;
  escribe("red.wa", "0.25\n0.75\n");
  carga_rep_sig_zelbrin_fdp(*net);
  net->evalua(*net);
  EXPECT_NEAR(net->p / p, 1, 1e-15);
}

TEST_F(Representacion, ReplacesEarlierFilesWhole) {
  escribe("red.rep", std::string(10000, 'x'));
  escribe_rep_sig_fdp(*entrenada());
  EXPECT_EQ(lee("red.rep"), "1.5  \t-0.25  \t\n4  \t3  \t\n");
}

using RepresentacionDeathTest = Representacion;

TEST_F(RepresentacionDeathTest, FileWithAnotherRowCountIsRefusedByName) {
  escribe_rep_sig_fdp(*entrenada());
  const struct {
    const char* fichero;
    const char* texto;
  } casos[] = {
      {"red.rep", "1 2\n3 4\n5 6\n"},  // one row too many
      {"red.sig", "1 2\n"},
      {"red.nvr", "1 2 3"},
      {"red.wa", "1"},
      {"red.yme", "1 2 3"},
      {"red.prc", "1 2 3 4 5 6 7 8 9 10"},  // ten centiles cannot fill eleven fields
  };
  for (const auto& c : casos) {
    const std::string guardado = lee(c.fichero);
    escribe(c.fichero, c.texto);
    auto net = red_llamada(2, 2, 1);
    EXPECT_EXIT((a_stderr(), carga_rep_sig_zelbrin_fdp(*net)), ::testing::ExitedWithCode(1),
                std::string("Dimensiones incorrectas en ") + c.fichero + "\n\n$")
        << c.fichero;
    escribe(c.fichero, guardado);
  }
}

// A width of 0 or a negative mixing weight would fill every density with infinities and NaN.
TEST_F(RepresentacionDeathTest, NumbersThatWouldPoisonTheDensityAreRefusedByName) {
  escribe_rep_sig_fdp(*entrenada());
  // A warning first names the row (the kernel) and the value.
  for (const auto& [fichero, texto, fila] : {std::tuple{"red.sig", "1 0\n1 1\n", "fila 1: 0, y una desviaci.n"},
                                             std::tuple{"red.wa", "0.5\n-0.5\n", "fila 2: -0.5, y un peso"}}) {
    const std::string guardado = lee(fichero);
    escribe(fichero, texto);
    auto net = red_llamada(2, 2, 1);
    EXPECT_EXIT((a_stderr(), carga_rep_sig_zelbrin_fdp(*net)), ::testing::ExitedWithCode(kEntradaErronea),
                std::string(fichero) + ", " + fila + ".*Error en el fichero de datos " + fichero + "\n\n$");
    escribe(fichero, guardado);
  }
}

TEST_F(RepresentacionDeathTest, MissingFileIsReportedByTheDataReader) {
  escribe_rep_sig_fdp(*entrenada());
  fs::remove("red.nvr");
  auto net = red_llamada(2, 2, 1);
  EXPECT_EXIT((a_stderr(), carga_rep_sig_zelbrin_fdp(*net)), ::testing::ExitedWithCode(1),
              "Error de apertura del fichero red.nvr");
}

TEST_F(RepresentacionDeathTest, FileThatCannotBeWrittenEndsTheRunAndLeavesNoTemporary) {
  auto fuera = red_llamada(2, 2, 1, "no/existe/red");
  EXPECT_EXIT((a_stderr(), escribe_rep_sig_fdp(*fuera)), ::testing::ExitedWithCode(1),
              "Error de apertura de fichero no/existe/red.rep\n\n$");
  // A disk that fills while .rep is written: the open succeeds and a write fails. (The report itself is
  // shorter than the limit.)
  auto grande = red_llamada(2, 64, 0);
  prueba::identidad_en_entradas(*grande);
  EXPECT_EXIT((a_stderr(), disco_lleno_tras(256), escribe_rep_sig_fdp(*grande)), ::testing::ExitedWithCode(1),
              "Error de apertura de fichero red.rep\n\n$");
  // A directory in the place of red.wa: every file is complete and can be written, but that one cannot
  // take its place.
  fs::create_directory("red.wa");
  EXPECT_EXIT((a_stderr(), escribe_rep_sig_fdp(*entrenada())), ::testing::ExitedWithCode(1),
              "Error de apertura de fichero red.wa\n\n$");
  for (const auto& e : fs::directory_iterator("."))
    EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
}

}  // namespace
