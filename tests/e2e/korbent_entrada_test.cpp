// korbent's entry as a user meets it: the command line, the dialog, the checks and the fatal report.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "comun/proceso.hpp"

namespace {

using namespace e2e;

const std::string kDialogo =
    "\n\n Nombre de la red -> "
    "\n Numero de entradas -> "
    "\n Numero de unidades ocultas -> "
    "\n Numero de salidas -> "
    "\n Numero de ciclos de entrenamiento -> "
    "\n Inic.: 0=NGAS 1=KMEANS 2=LEADER+KMEANS 3=FICHERO -> "
    "\n Fichero de entrenamiento -> "
    "\n Fichero de test -> "
    "\n Fichero de validacion -> ";

// Both builds share the entry; each test runs on both. The runs that pass the checks go on to train, so
// the file names the tests give exist: "tr.dat" and "1" (the Ctrl-C test answers every question with 1).
class KorbentEntrada : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { e2e::copia_datos(dir_.path(), {"korbent_pequeno.dat=tr.dat", "korbent_pequeno.dat=1"}); }
  Resultado lanza(const std::vector<std::string>& args, const std::string& entrada = "\n") {
    return corre(GetParam(), args, dir_.path(), entrada, 20);
  }
  e2e::DirTemporal dir_;
};

TEST_P(KorbentEntrada, SevenEightOrNineArgumentsTakeNoDialog) {
  std::vector<std::string> args = {"red", "2", "8", "1", "0", "1", "tr.dat"};
  for (const char* extra : {"tr.dat", "tr.dat", ""}) {
    const Resultado r = lanza(args, "");
    EXPECT_EQ(r.estado, 0) << args.size() << " arguments";
    EXPECT_EQ(r.salida, "") << args.size() << " arguments";
    args.emplace_back(extra);
  }
}

TEST_P(KorbentEntrada, AnyOtherCountOpensTheDialog) {
  const std::string respuestas = "red\n2\n8\n0\n0\n1\ntr.dat\n\n-\n";
  const std::vector<std::vector<std::string>> formas = {
      {}, {"red", "2", "8", "1", "50", "0"}, {"red", "2", "8", "1", "50", "0", "a", "b", "c", "d"}};
  for (const auto& args : formas) {
    const Resultado r = lanza(args, respuestas);
    EXPECT_EQ(r.estado, 0) << args.size() << " arguments";
    EXPECT_EQ(r.salida, kDialogo) << args.size() << " arguments";
  }
}

// The only argument -h, --help or --version prints instead of opening the dialog, and ends with 0.
TEST_P(KorbentEntrada, HelpAndVersionInsteadOfTheDialog) {
  for (const char* a : {"-h", "--help"}) {
    const Resultado r = lanza({a}, "");
    EXPECT_EQ(r.estado, 0) << a;
    EXPECT_EQ(r.salida.rfind("Uso: korbent nombre ni nh no nco inic", 0), 0u) << r.salida;
    for (const char* t : {"NGAS", "KMEANS", "LEADER+KMEANS", "FICHERO", "KORBENT_SEMILLA", "KORBENT_HILOS",
                          "KORBENT_OPTIMIZADOR", "docs/korbent.md"})
      EXPECT_NE(r.salida.find(t), std::string::npos) << t;
  }
  EXPECT_EQ(lanza({"--version"}, "").salida.rfind("korbent ", 0), 0u);
}

// A training that ends before its cycles says why on standard error, naming the last cycle line.
TEST_P(KorbentEntrada, TrainingThatStopsEarlySaysWhy) {
  const Resultado r = lanza({"red", "2", "3", "1", "500", "1", "tr.dat"}, "");
  EXPECT_EQ(r.estado, 0);
  const auto p = r.salida.rfind("Ciclo: ");
  ASSERT_NE(p, std::string::npos);
  const std::string ultimo = r.salida.substr(p + 7, r.salida.find(' ', p + 7) - p - 7);
  EXPECT_EQ(r.errores, "Aviso: el entrenamiento acab\xA2 en el ciclo " + ultimo +
                           " de 500: el \xA3ltimo paso fue demasiado corto (suma de cuadrados < 1e-7); la b\xA3squeda "
                           "no avanza (pruebe otro arranque: otro modo de inicializaci\xA2n o, en los modos 0 y 1, los "
                           "que sacan n\xA3meros aleatorios, otra KORBENT_SEMILLA)\n");
}

TEST_P(KorbentEntrada, DialogAnswersOfAnyLengthAreTakenSafely) {
  const std::string largo(5000, 'x');
  const Resultado r = lanza({}, largo + "\n1\n1\n0\n0\n0\n" + largo + "\n" + largo + "\n" + largo + "\n");
  // Every answer is kept to 99 characters: the training file named is that long.
  EXPECT_EQ(r.estado, 1);
  EXPECT_EQ(r.salida, kDialogo + marco("Error de apertura del fichero " + std::string(99, 'x')));
}

TEST_P(KorbentEntrada, ChecksEndWithTheirMessageAndStatusOne) {
  const struct {
    std::vector<std::string> args;
    const char* mensaje;
  } casos[] = {
      {{"red", "0", "8", "1", "50", "0", "tr"}, "Numero de entradas incorrecto"},
      {{"red", "dos", "8", "1", "50", "0", "tr"}, "Numero de entradas incorrecto"},
      {{"red", "0", "0", "-1", "-1", "0", "tr"}, "Numero de entradas incorrecto"},  // the first check wins
      {{"red", "2", "0", "1", "50", "0", "tr"}, "Numero de unidades incorrecto"},
      {{"red", "2", "-3", "-1", "50", "0", "tr"}, "Numero de unidades incorrecto"},
      {{"red", "2", "8", "-1", "50", "0", "tr"}, "Numero de salidas incorrecto"},
      {{"red", "2", "8", "1", "-1", "0", "tr"}, "Numero de ciclos incorrecto"},
      // Numbers beyond 32 bits are refused, not wrapped into range (2^32 + 2 would read as 2).
      {{"red", "4294967298", "3", "0", "3", "1", "tr"}, "Numero de entradas incorrecto"},
      {{"red", "-4294967295", "3", "0", "3", "1", "tr"}, "Numero de entradas incorrecto"},
      {{"red", "2", "4294967299", "0", "3", "1", "tr"}, "Numero de unidades incorrecto"},
      {{"red", "2", "3", "4294967296", "3", "1", "tr"}, "Numero de salidas incorrecto"},
      {{"red", "2", "3", "0", "99999999999999999999", "1", "tr"}, "Numero de ciclos incorrecto"},
      {{"red", "2", "3", "0", "3", "4294967297", "tr"}, "Modo de inicializaci\xF3n incorrecto"},
  };
  for (const auto& c : casos) {
    const Resultado r = lanza(c.args);
    EXPECT_EQ(r.estado, 1) << c.mensaje;
    EXPECT_EQ(r.salida, marco(c.mensaje));
  }
  // Through the dialog every question is asked before the checks.
  const Resultado r = lanza({}, "red\n2\n8\n-1\n50\n0\ntr\n\n\n\n");
  EXPECT_EQ(r.estado, 1);
  EXPECT_EQ(r.salida, kDialogo + marco("Numero de salidas incorrecto"));
}

TEST_P(KorbentEntrada, ZeroOutputsZeroCyclesAndAnyModeAreAccepted) {
  // The first run writes the representation that modes 3 and 259 (3 in 8 bits) start from. Neural gas
  // (mode 0, and "x", read as 0) reports its progress; the other modes print nothing.
  for (const char* modo : {"0", "3", "259", "-7", "x"}) {
    const Resultado r = lanza({"red", "1", "1", "0", "0", modo, "tr.dat"}, "");
    EXPECT_EQ(r.estado, 0) << modo;
    if (modo[0] == '0' || modo[0] == 'x')
      EXPECT_EQ(r.salida.find("Error"), std::string::npos) << modo;
    else
      EXPECT_EQ(r.salida, "") << modo;
  }
}

TEST_P(KorbentEntrada, FatalReportWaitsForEnter) {
  const std::vector<std::string> malos = {"red", "0", "8", "1", "50", "0", "tr"};
  {
    Proceso p(GetParam(), malos, dir_.path());
    ASSERT_TRUE(p.espera_texto(marco("Numero de entradas incorrecto"), 10));
    EXPECT_FALSE(p.espera(0.5).a_tiempo);  // still waiting when killed
  }
  Proceso p(GetParam(), malos, dir_.path());
  ASSERT_TRUE(p.espera_texto(marco("Numero de entradas incorrecto"), 10));
  p.escribe_entrada("\n");
  const Resultado r = p.espera(10);
  EXPECT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.estado, 1);
}

TEST_P(KorbentEntrada, CtrlCIsAskedAboutInsteadOfEndingTheProcess) {
  Proceso p(GetParam(), {}, dir_.path());
  ASSERT_TRUE(p.espera_texto("Nombre de la red -> ", 10));
  p.senal(SIGINT);
  ASSERT_TRUE(p.espera_texto("\xBFInterrumpir el proceso cuando acabe el ciclo de opt. y guardar pesos?", 10));
  ASSERT_TRUE(p.espera_texto("OPCION -> ", 10));
  // The question and the dialog share stdin and either may read first: every line is a valid answer to both.
  std::string unos;
  for (int k = 0; k < 10; ++k) unos += "1\n";
  p.escribe_entrada(unos);
  p.cierra_entrada();
  const Resultado r = p.espera(10);
  EXPECT_EQ(r.senal, 0);
  EXPECT_EQ(r.estado, 0) << r.salida;
}

INSTANTIATE_TEST_SUITE_P(DosBuilds, KorbentEntrada, ::testing::Values(KORBENT_BIN, KORBENT_ALT_BIN));

// On a UTF-8 terminal each text goes out from its own page: the shared data message from code page 850,
// korbent's own question from Windows-1252. In the C locale the bytes stay.
TEST(KorbentConsola, EachTextFromItsOwnPageOnAUtf8Terminal) {
  if (!e2e::hay_utf8()) GTEST_SKIP() << "no C.UTF-8 locale";
  e2e::DirTemporal dir;
  e2e::escribe(dir / "tr.dat", "1 2\n1e2467 3\n");
  const std::vector<std::string> grande = {"r", "2", "2", "0", "3", "1", "tr.dat"};
  const Resultado utf8 = corre(KORBENT_BIN, grande, dir.path(), "\n", 20, e2e::kEntornoUtf8, Consola::terminal);
  EXPECT_EQ(utf8.estado, 2);
  EXPECT_NE(utf8.salida.find("tr.dat, l\xC3\xADnea 2"), std::string::npos) << utf8.salida;
  const Resultado c = corre(KORBENT_BIN, grande, dir.path(), "\n", 20, {"LC_ALL=C"}, Consola::terminal);
  EXPECT_NE(c.salida.find("tr.dat, l\xA1nea 2"), std::string::npos) << c.salida;

  Proceso p(KORBENT_BIN, {}, dir.path(), e2e::kEntornoUtf8, Consola::terminal);
  ASSERT_TRUE(p.espera_texto("Nombre de la red -> ", 10));
  p.senal(SIGINT);
  EXPECT_TRUE(p.espera_texto("\xC2\xBFInterrumpir el proceso", 10)) << p.salida();

  // With stdout in a file the file keeps its bytes, and the question shows on the terminal too.
  Proceso f(KORBENT_BIN, {}, dir.path(), e2e::kEntornoUtf8, Consola::terminal_de_control);
  ASSERT_TRUE(f.espera_texto("Nombre de la red -> ", 10));
  f.teclea("\x03");
  EXPECT_TRUE(f.espera_texto(" \xBFInterrumpir el proceso", 10)) << f.salida();
  EXPECT_TRUE(f.espera_terminal(" \xC2\xBFInterrumpir el proceso", 10)) << f.terminal();
}

}  // namespace
