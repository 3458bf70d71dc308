#include "korbent/zelbrin_fdp_train.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "comun/salida.hpp"

namespace {

// A temporary stream holding `texto`, read from its start.
std::FILE* con_texto(const std::string& texto) {
  std::FILE* f = std::tmpfile();
  std::fputs(texto.c_str(), f);
  std::rewind(f);
  return f;
}

std::string contenido(std::FILE* f) {
  std::rewind(f);
  std::string t;
  for (int c = std::getc(f); c != EOF; c = std::getc(f)) t.push_back(static_cast<char>(c));
  return t;
}

ParametrosKorbent de_argumentos(std::vector<const char*> args) {
  args.insert(args.begin(), "korbent");
  std::FILE* in = con_texto("");
  std::FILE* out = std::tmpfile();
  const ParametrosKorbent p = toma_parametros(static_cast<int>(args.size()), args.data(), in, out);
  EXPECT_EQ(contenido(out), "") << "no dialog with " << args.size() - 1 << " arguments";
  std::fclose(in);
  std::fclose(out);
  return p;
}

TEST(ParametrosKorbent, CommandLineWithSevenEightOrNineArguments) {
  const ParametrosKorbent p7 = de_argumentos({"red", "2", "8", "1", "50", "0", "tr.dat"});
  EXPECT_EQ(p7.name, "red");
  EXPECT_EQ(p7.ni, 2);
  EXPECT_EQ(p7.nh, 8);
  EXPECT_EQ(p7.no, 1);
  EXPECT_EQ(p7.nco, 50);
  EXPECT_EQ(p7.ftr, "tr.dat");
  EXPECT_EQ(p7.fts, "");
  EXPECT_EQ(p7.ftv, "");
  const ParametrosKorbent p8 = de_argumentos({"red", "2", "8", "1", "50", "0", "tr.dat", "ts.dat"});
  EXPECT_EQ(p8.fts, "ts.dat");
  EXPECT_EQ(p8.ftv, "");
  const ParametrosKorbent p9 = de_argumentos({"red", "2", "8", "1", "50", "0", "tr.dat", "ts.dat", "tv.dat"});
  EXPECT_EQ(p9.fts, "ts.dat");
  EXPECT_EQ(p9.ftv, "tv.dat");
}

TEST(ParametrosKorbent, NumbersReadAsAtolDoesAndModeKeepsItsLowByte) {
  const struct {
    const char* texto;
    std::int32_t valor;
    std::uint8_t modo;
  } casos[] = {{"259", 259, 3}, {"  12abc", 12, 12}, {"abc", 0, 0}, {"-1", -1, 255}, {"+7", 7, 7}, {"", 0, 0}};
  for (const auto& c : casos) {
    const ParametrosKorbent p = de_argumentos({"red", c.texto, "1", "0", "0", c.texto, "tr"});
    EXPECT_EQ(p.ni, c.valor) << c.texto;
    EXPECT_EQ(p.leader_flag, c.modo) << c.texto;
  }
}

TEST(ParametrosKorbent, LongTextsAreCutTo99Characters) {
  const std::string largo(300, 'x');
  EXPECT_EQ(de_argumentos({largo.c_str(), "1", "1", "0", "0", "0", "tr"}).name, std::string(99, 'x'));
  // In the dialog the rest of a long line is dropped, not taken as the next answer.
  std::FILE* in = con_texto(largo + "\n3\n4\n0\n10\n1\n" + largo + "\n-\n\n");
  std::FILE* out = std::tmpfile();
  const ParametrosKorbent p = toma_parametros(1, nullptr, in, out);
  EXPECT_EQ(p.name, std::string(99, 'x'));
  EXPECT_EQ(p.ni, 3);
  EXPECT_EQ(p.nh, 4);
  EXPECT_EQ(p.ftr, std::string(99, 'x'));
  EXPECT_FALSE(fichero_presente(p.fts));
  EXPECT_FALSE(fichero_presente(p.ftv));
  std::fclose(in);
  std::fclose(out);
}

TEST(ParametrosKorbent, DialogAtEndOfInputGivesEmptyAnswers) {
  std::FILE* in = con_texto("red\r\n2\n");
  std::FILE* out = std::tmpfile();
  ::testing::internal::CaptureStderr();
  const ParametrosKorbent p = toma_parametros(3, nullptr, in, out);
  // Answers from a file after a command line short of arguments: which one is missing.
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Aviso: korbent recibi\xF3 2 argumentos y necesita al menos 7: falta nh; el di\xE1logo toma las "
            "respuestas de la entrada est\xE1ndar\n");
  EXPECT_EQ(p.name, "red");
  EXPECT_EQ(p.ni, 2);
  EXPECT_EQ(p.nh, 0);
  EXPECT_EQ(p.ftr, "");
  std::fclose(in);
  std::fclose(out);
}

TEST(ParametrosKorbent, FilePresentUnlessEmptyOrDash) {
  EXPECT_TRUE(fichero_presente("a.dat"));
  EXPECT_TRUE(fichero_presente("a-b"));
  EXPECT_FALSE(fichero_presente(""));
  EXPECT_FALSE(fichero_presente("-"));
  EXPECT_FALSE(fichero_presente("-a.dat"));
}

class CtrlC : public ::testing::Test {
 protected:
  void TearDown() override { ctrl_c_flag = 0; }
  // Asks once, answered from `in`; returns what the question printed.
  static std::string pregunta(std::FILE* in) {
    std::FILE* out = std::tmpfile();
    pregunta_ctrl_c(in, out);
    std::string t = contenido(out);
    std::fclose(out);
    return t;
  }
};

TEST_F(CtrlC, AsksTheQuestionByteForByte) {
  std::FILE* in = con_texto("n\n");
  EXPECT_EQ(pregunta(in),
            "  \n \xBFInterrumpir el proceso cuando acabe el ciclo de opt. y guardar pesos?\n\n \t\t\t\tOPCION -> ");
  std::fclose(in);
}

TEST_F(CtrlC, SOrCapitalSAsksToStopAndAnythingElseWithdraws) {
  std::FILE* in = con_texto("s\nNo\nSi\n\nx\n");
  const int esperado[] = {1, 0, 1, 0, 0, 0};  // the last at end of input
  for (int e : esperado) {
    pregunta(in);
    EXPECT_EQ(ctrl_c_flag.load(), e);
  }
  std::fclose(in);
}

TEST(SeguimientoDeathTest, PrintsTheCycleLineAndReturnsTheStopRequest) {
  EXPECT_EXIT((a_stderr(), ctrl_c_flag = 1, std::exit(seguimiento(7, 1.25, 0))), ::testing::ExitedWithCode(1),
              "^\n \t Ciclo: 7 \t Etr=1\\.250000 \t Ets=0\\.000000$");
  EXPECT_EXIT((a_stderr(), std::exit(seguimiento(0, -3, 2.5))), ::testing::ExitedWithCode(0),
              "Etr=-3\\.000000 \t Ets=2\\.500000$");
}

}  // namespace
