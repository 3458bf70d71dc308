// velmor and dulvick reading their configuration: every check, its message byte for byte and its status.
// No data file exists in these directories: a job that reads through to its data files stops at the first one,
// and nothing is ever written.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "comun/proceso.hpp"

namespace {

using namespace e2e;

std::set<std::string> ficheros(const fs::path& dir) {
  std::set<std::string> r;
  for (const auto& e : fs::directory_iterator(dir)) r.insert(e.path().filename().string());
  return r;
}

struct Caso {
  const char* nombre;
  const char* config;
  const char* mensaje;  // nullptr: the run prints nothing
  int estado = 2;
};

std::ostream& operator<<(std::ostream& os, const Caso& c) { return os << c.nombre; }

// The training file is read as soon as its name is known, before the test file's name.
constexpr const char* kSinTrn = "Error de apertura del fichero a.trn";

const Caso kCasos[] = {
    // Jobs that read through to their last item.
    {"LearnWithTest", "velmor\n1 4 1\nnri 2\nnre 1\nlearn\nnco 50\nftrain a.trn\nftest a.tst\n", kSinTrn, 1},
    {"LearnWithoutTest", "velmor 1 4 1 nri 2 nre 1 learn nco 5 ftrain a.trn", kSinTrn, 1},
    {"LearnThenOtherToken", "velmor 1 4 1 nri 2 nre 1 learn nco 5 ftrain a.trn basura nco -1", kSinTrn, 1},
    {"ContinuedLearning", "veldmor 2 3 2 nri 3 2 nre 0 1 c_learn nco 1 ftrain a.trn ftest a.tst", kSinTrn, 1},
    {"TestOnly", "velmor 1 4 1 nri 2 nre 1 ftest a.tst", "Error de apertura del fichero a.tst", 1},
    {"ModelOnly", "velmor 1 4 1 nri 2 nre 1", nullptr, 0},
    {"UnknownJobReadsNoFurther", "velmor 1 4 1 nri 2 nre 1 entrena nco 0 ftrain", nullptr, 0},
    {"AnyCase", "VelMor 1 4 1\nNrI 2\nnRE 1\nLEARN\nNCO 5\nFTrain A.TRN\nFTEST A.TST\n", kSinTrn, 1},
    {"CommentsAndSeparators", "* model\nvelmor (1, 4, 1) * sizes\nnri=2 {nre 1\n", nullptr, 0},
    {"FractionalTapsTruncate", "velmor 2 4 1 nri 2.9 1.0 nre 0.7", nullptr, 0},
    {"ZeroErrorTapsAreLegal", "velmor 1 4 2 nri 1 nre 0 0", nullptr, 0},
    {"SmallNegativeErrorTapTruncatesToZero", "velmor 1 4 1 nri 1 nre -0.5", nullptr, 0},
    {"IntegerPrefix", "velmor 1x 4.7 1e9 nri 2 nre 1 learn nco 3.9 ftrain a", "Error de apertura del fichero a", 1},
    // Model description.
    {"EmptyFile", "", "VEL(D)MOR esperado"},
    {"CommentOnly", "* nothing here\n", "VEL(D)MOR esperado"},
    {"WrongKind", "velmors 1 4 1 nri 2 nre 1", "VEL(D)MOR esperado"},
    {"KindAfterSizes", "1 4 1 velmor nri 2 nre 1", "VEL(D)MOR esperado"},
    {"NiZero", "velmor 0 4 1 nri nre 1", "ni <= 0"},
    {"NiNegative", "velmor -2 4 1", "ni <= 0"},
    {"NiNotANumber", "velmor dos 4 1", "ni <= 0"},
    {"NiMissing", "velmor", "ni <= 0"},
    {"NhZero", "velmor 1 0 1", "nh <= 0"},
    {"NoZero", "velmor 1 4 0", "no <= 0"},
    {"NriKeywordMissing", "velmor 1 4 1 2 nre 1", "NRI esperado"},
    {"NriTapBelowOne", "velmor 1 4 1 nri 0.5 nre 1", "nri <= 0"},
    {"NriTapZeroSecond", "velmor 2 4 1 nri 3 0 nre 1", "nri <= 0"},
    {"NriListShortEatsKeyword", "velmor 2 4 1 nri 3 nre 1", "nri <= 0"},
    {"NriListAtEndOfFile", "velmor 3 4 1 nri 1 2", "nri <= 0"},
    {"NriTapBeyondInt", "velmor 1 4 1 nri 1e10 nre 1", "nri <= 0"},
    {"NriTapNotANumber", "velmor 1 4 1 nri nan nre 1", "nri <= 0"},
    {"HugeNiInShortFile", "velmor 2000000000 4 1 nri 1 2", "nri <= 0"},
    {"NreKeywordMissing", "velmor 1 4 1 nri 2 1", "NRE esperado"},
    {"NreKeywordWithBrace", "velmor 1 4 1 nri 2 nre} 1", "NRE esperado"},  // "}" stays in the token
    {"NreTapNegative", "velmor 1 4 1 nri 2 nre -1", "nre < 0"},
    {"NreTapBeyondInt", "velmor 1 4 1 nri 2 nre inf", "nre < 0"},
    {"NreListShortEatsJob", "velmor 1 4 2 nri 2 nre 1 learn", nullptr, 0},  // "learn" reads as 0 taps
    // The end of the file would read as legal zeros for ever.
    {"NreListCutByEndOfFile", "velmor 1 4 3 nri 2 nre 1 ",
     "Fin del fichero de configuraci\xA2n antes del \xA3ltimo valor de la lista"},
    {"HugeNoInShortFile", "* \nvelmor\n1 4 99999999999999999999992\nnri 3\nnre at\n",
     "Fin del fichero de configuraci\xA2n antes del \xA3ltimo valor de la lista"},
    // Job description.
    {"NcoKeywordMissing", "velmor 1 4 1 nri 2 nre 1 learn ftrain a.trn nco 5", "NCO esperado"},
    {"NcoKeywordMissingContinued", "velmor 1 4 1 nri 2 nre 1 c_learn 5", "NCO esperado"},
    {"NcoAtEndOfFile", "velmor 1 4 1 nri 2 nre 1 learn", "NCO esperado"},
    {"NcoZero", "velmor 1 4 1 nri 2 nre 1 learn nco 0 ftrain a.trn", "NCO <= 0"},
    {"NcoFraction", "velmor 1 4 1 nri 2 nre 1 learn nco 0.9 ftrain a.trn", "NCO <= 0"},
    {"FtrainMissing", "velmor 1 4 1 nri 2 nre 1 learn nco 5 a.trn", "FTRAIN esperado"},
    {"FtrainAtEndOfFile", "velmor 1 4 1 nri 2 nre 1 learn nco 5", "FTRAIN esperado"},
};

class VelmorConfig : public ::testing::TestWithParam<Caso> {};

TEST_P(VelmorConfig, EndsWithItsMessageAndTouchesNoOtherFile) {
  const Caso& c = GetParam();
  DirTemporal dir;
  e2e::escribe(dir / "modelo.net", c.config);
  const auto r = corre(VELMOR_BIN, {"modelo"}, dir.path());
  ASSERT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.estado, c.estado);
  EXPECT_EQ(r.salida, c.mensaje == nullptr ? std::string() : marco(c.mensaje));
  EXPECT_EQ(ficheros(dir.path()), std::set<std::string>{"modelo.net"});
}

INSTANTIATE_TEST_SUITE_P(Gramatica, VelmorConfig, ::testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nombre); });

const std::string kUso = "Uso: VELMORTR nombre (sin extensi\xA2n .NET)";
// A whole configuration whose job builds the model and stops.
const std::string kValida = "velmor 1 4 1 nri 2 nre 1 nada learn nco 5 ftrain a.trn ftest a.tst\n";

struct Linea {
  std::vector<std::string> args;
  std::string salida;
};

TEST(VelmorLinea, WrongArgumentCountsPrintUsage) {
  DirTemporal dir;
  e2e::escribe(dir / "modelo.net", kValida);
  for (const Linea& l : {Linea{{}, marco(kUso)}, Linea{{"modelo", "otro"}, marco(kUso)},
                         Linea{{"modelo", "modelo", "modelo"}, marco(kUso)}, Linea{{"modelo"}, ""}}) {
    const auto r = corre(VELMOR_BIN, l.args, dir.path());
    EXPECT_EQ(r.estado, l.salida.empty() ? 0 : 2) << l.args.size() << " arguments";
    EXPECT_EQ(r.salida, l.salida) << l.args.size() << " arguments";
  }
}

TEST(VelmorLinea, MissingConfigurationIsNamedWithItsExtension) {
  DirTemporal dir;
  e2e::escribe(dir / "modelo", kValida);  // the extension is always added
  const auto r = corre(VELMOR_BIN, {"modelo"}, dir.path());
  EXPECT_EQ(r.estado, 2);
  EXPECT_EQ(r.salida, marco("Error de apertura del fichero modelo.net"));
  EXPECT_EQ(r.errores,
            "Aviso: no se puede leer modelo.net en el directorio actual; velmor a\xA4"
            "ade .net al nombre "
            "que se le da (velmor -h explica el uso)\n");
}

TEST(VelmorLinea, NameIsTakenAsGivenAndNotLowerCased) {
  DirTemporal dir;
  e2e::escribe(dir / "Modelo.net", kValida);
  EXPECT_EQ(corre(VELMOR_BIN, {"Modelo"}, dir.path()).salida, "");
  EXPECT_EQ(corre(VELMOR_BIN, {"modelo"}, dir.path()).salida, marco("Error de apertura del fichero modelo.net"));
}

TEST(VelmorLinea, UnreadableConfigurationIsAnOpenFailure) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
  DirTemporal dir;
  e2e::escribe(dir / "modelo.net", kValida);
  fs::permissions(dir / "modelo.net", fs::perms::none);
  const auto r = corre(VELMOR_BIN, {"modelo"}, dir.path());
  EXPECT_EQ(r.estado, 2);
  EXPECT_EQ(r.salida, marco("Error de apertura del fichero modelo.net"));
}

TEST(Dulvick, MissingNarmaxIsNamedWithoutExtension) {
  DirTemporal dir;
  e2e::escribe(dir / "otro.net", kValida);
  for (const auto& args : {std::vector<std::string>{}, {"otro"}, {"otro", "mas"}, {"--help"}}) {
    const auto r = corre(DULVICK_BIN, args, dir.path());
    EXPECT_EQ(r.estado, 2) << args.size() << " arguments";
    EXPECT_EQ(r.salida, marco("Error de apertura del fichero narmax")) << args.size() << " arguments";
  }
}

TEST(Dulvick, IgnoresItsArgumentsAndReadsNarmax) {
  DirTemporal dir;
  e2e::escribe(dir / "narmax.net", kValida);
  e2e::escribe(dir / "otro.net", "basura");
  for (const auto& args : {std::vector<std::string>{}, {"otro"}, {"otro", "mas", "aun"}}) {
    const auto r = corre(DULVICK_BIN, args, dir.path());
    EXPECT_EQ(r.estado, 0) << args.size() << " arguments";
    EXPECT_EQ(r.salida, "") << args.size() << " arguments";
  }
}

TEST(Dulvick, ChecksItsConfigurationLikeVelmor) {
  DirTemporal dir;
  e2e::escribe(dir / "narmax.net", "velmor 1 4 1 nri 2 nre 1 learn ftrain a.trn");
  const auto r = corre(DULVICK_BIN, {}, dir.path());
  EXPECT_EQ(r.estado, 2);
  EXPECT_EQ(r.salida, marco("NCO esperado"));
}

// -h, --help and --version print on standard output, end with 0 and read or write no file.
TEST(VelmorLinea, HelpAndVersion) {
  DirTemporal dir;
  for (const char* a : {"-h", "--help"}) {
    const auto r = corre(VELMOR_BIN, {a}, dir.path());
    EXPECT_EQ(r.estado, 0) << a;
    EXPECT_EQ(r.salida.rfind("Uso: velmor nombre", 0), 0u) << r.salida;
    for (const char* t : {"nri", "nre", "learn", "c_learn", "ftest", "VELMOR_SEMILLA", "VELMOR_ESCALA", "VELMOR_HILOS",
                          "VELMOR_GRADIENTE", "docs/velmor.md"})
      EXPECT_NE(r.salida.find(t), std::string::npos) << t;
  }
  const auto v = corre(VELMOR_BIN, {"--version"}, dir.path());
  EXPECT_EQ(v.estado, 0);
  EXPECT_TRUE(std::regex_match(v.salida, std::regex("velmor [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << v.salida;
  EXPECT_TRUE(ficheros(dir.path()).empty());
}

// What velmor adds on standard error: where a refused configuration stopped and what it expected there (before
// the specified message, which stays on standard output), and a job keyword that is none.
TEST(VelmorAvisos, ConfigurationRefusalsSayWhereAndWhatWasExpected) {
  struct Aviso {
    const char* config;
    const char* aviso;
    int estado;
  };
  for (const Aviso& a :
       {Aviso{"velmor 1 4 1 nri 2 nre 1\nlearn nco = 50 ftrain a.trn\n",
              "Aviso: modelo.net, l\xA1nea 2: se ley\xA2 '=' donde se esperaba el n\xA3mero de ciclos de "
              "optimizaci\xA2n, un entero >= 1 (sin '=': nco 50)\n",
              2},
        Aviso{"* modelo\nVelmors 1 4 1",
              "Aviso: modelo.net, l\xA1nea 2: se ley\xA2 'Velmors' donde se esperaba "
              "el tipo de modelo, velmor o veldmor\n",
              2},
        Aviso{"velmor 1 4 1\nnri 2\nnre\n",
              "Aviso: modelo.net, l\xA1nea 4: el fichero acaba donde se esperaba "
              "los retardos del error de las no salidas, cada uno >= 0\n",
              2},
        Aviso{"velmor 1 4 1\nnri 2\nnre 1\n\nLaern nco 5\n",
              "Aviso: modelo.net, l\xA1nea 5: 'Laern' no es un trabajo (learn, c_learn o ftest); s\xA2lo se "
              "construy\xA2 el modelo\n",
              0}}) {
    DirTemporal dir;
    e2e::escribe(dir / "modelo.net", a.config);
    const auto r = corre(VELMOR_BIN, {"modelo"}, dir.path(), "", 60, {"VELMOR_SEMILLA=1"});
    EXPECT_EQ(r.estado, a.estado) << a.config;
    EXPECT_EQ(r.errores, a.aviso) << a.config;
    EXPECT_EQ(r.salida.empty(), a.estado == 0) << a.config;
  }
}

// Tokens the job leaves unread, with the keyword a typo may have meant, and a name cut to its first 7
// characters, with the files it shares with any name that begins the same.
TEST(VelmorAvisos, UnusedTokensAndACutNameAreNamed) {
  DirTemporal dir;
  e2e::escribe(dir / "a.trn", "0.1 0.2\n0.2 0.3\n0.3 0.1\n0.1 0.4\n0.4 0.2\n0.2 0.1\n");
  e2e::escribe(dir / "sunspots.net", "velmor 1 2 1 nri 1 nre 1\nlearn nco 1 ftrain a.trn\nFtets a.tst\n");
  const auto r = corre(VELMOR_BIN, {"sunspots"}, dir.path(), "", 60, {"VELMOR_SEMILLA=1"});
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(r.errores,
            "Aviso: sunspots.net, l\xA1nea 3: 'Ftets' no se usa; \xA8quer\xA1"
            "a decir ftest?\n"
            "Aviso: sunspots.net, l\xA1nea 3: 'a.tst' no se usa\n"
            "Aviso: el nombre sunspots se acorta a sus 7 primeros caracteres, sunspot: escribe sunspot.wgt y "
            "sunspot#.wgt, como cualquier nombre que empiece igual\n");
}

}  // namespace
