// Interruptions and hostile inputs: a kill at any moment leaves only complete weight files, a storm of
// Ctrl-C always ends in a specified way, and no input crashes or hangs either program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/errmess.hpp"
#include "comun/proceso.hpp"
#include "mp/mp.hpp"
#include "mp/mp_pesos.hpp"

namespace {

using namespace e2e;

// AddressSanitizer reports a failed operator new and aborts instead of throwing bad_alloc, so the
// allocation-failure paths can only be checked in the ordinary build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kNewLanza = false;
#else
constexpr bool kNewLanza = true;
#endif
bool es_enorme(const char* nombre) {
  return std::string(nombre).find("Huge") == 0 && std::string(nombre).find("Short") == std::string::npos;
}

const std::string kVelmor = VELMOR_BIN;
const std::string kKorbent = KORBENT_BIN;
const fs::path kEjemplo = fs::path(EJEMPLOS_DIR) / "velmor";

// The sunspot model with enough cycles to be caught in the middle of its training.
std::string config(const std::string& trabajo) { return "velmor 1 4 1 nri 2 nre 1\n" + trabajo + "\n"; }

void prepara(const DirTemporal& dir, int nco) {
  fs::copy_file(kEjemplo / "sunspots-train.dat", dir / "sunspots-train.dat");
  fs::copy_file(kEjemplo / "sunspots-test.dat", dir / "sunspots-test.dat");
  e2e::escribe(dir / "sol.net",
               config("learn nco " + std::to_string(nco) + " ftrain sunspots-train.dat ftest sunspots-test.dat"));
}

bool acaba_en(const std::string& s, const std::string& fin) {
  return s.size() >= fin.size() && s.compare(s.size() - fin.size(), fin.size(), fin) == 0;
}

struct Fatal {};
[[noreturn]] void lanza(int) { throw Fatal{}; }

// A perceptron file loads into a perceptron of its sizes without a fatal report.
bool carga_perceptron(const fs::path& dir, const std::string& nombre, int ni, int nh, int no) {
  const fs::path antes = fs::current_path();
  fs::current_path(dir);
  puterr_fin_proceso(lanza);
  std::fflush(stdout);
  bool bien = true;
  try {
    auto mp = build_mp(nombre, ni, nh, no, 0);
    load_w(*mp);
  } catch (const Fatal&) {
    bien = false;
  }
  puterr_fin_proceso(nullptr);
  fs::current_path(antes);
  return bien;
}

// No temporary and no record of an unfinished set is left in `dir`.
void sin_restos(const fs::path& dir, const std::string& cuando) {
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    EXPECT_EQ(n.find(".tmp"), std::string::npos) << cuando << ": " << n;
    EXPECT_FALSE(acaba_en(n, ".conjunto")) << cuando << ": " << n;
  }
}

// What the next run sees in `dir` is whole: the model pair runs a test (or is absent as a pair), mpaux
// loads, and nothing of an unfinished save is left.
void comprueba_pesos(const DirTemporal& dir, const std::string& cuando) {
  e2e::escribe(dir / "sol.net", config("ftest sunspots-test.dat"));
  const Resultado r = corre(kVelmor, {"sol"}, dir.path(), "", 60);
  const bool modelo = fs::exists(dir / "sol.wgt"), perceptron = fs::exists(dir / "sol#.wgt");
  EXPECT_EQ(modelo, perceptron) << cuando;
  if (modelo && perceptron) {
    EXPECT_EQ(r.estado, 0) << cuando << "\n" << r.salida;
    EXPECT_NE(r.salida.find(" ets = "), std::string::npos) << cuando << "\n" << r.salida;
    EXPECT_TRUE(acaba_en(lee(dir / "sol#.wgt"), " *** @ZQKT ***")) << cuando;
  }
  if (fs::exists(dir / "mpaux.wgt")) EXPECT_TRUE(carga_perceptron(dir.path(), "mpaux", 2, 4, 1)) << cuando;
  sin_restos(dir.path(), cuando);
}

TEST(VelmorKill, AKillAtAnyMomentLeavesOnlyCompleteWeightFiles) {
  // A whole run first, to spread the kills over its length.
  double duracion;
  {
    DirTemporal dir;
    prepara(dir, 150);
    const auto t0 = std::chrono::steady_clock::now();
    const Resultado r = corre(kVelmor, {"sol"}, dir.path(), "", 120);
    duracion = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_EQ(r.estado, 0) << r.salida;
  }
  for (int k = 0; k < 20; ++k) {
    DirTemporal dir;
    prepara(dir, 150);
    const double espera = duracion * (k + 0.5) / 20;
    {
      Proceso p(kVelmor, {"sol"}, dir.path());
      std::this_thread::sleep_for(std::chrono::duration<double>(espera));
      p.senal(SIGKILL);
      p.espera(30);
    }
    comprueba_pesos(dir, "kill " + std::to_string(k) + " at " + std::to_string(espera) + " s");
  }
}

// A run killed between the renames of its pair, here after the model file took its new shape: the next run
// finds the pair whole, both files of the new save.
TEST(VelmorKill, AKillBetweenTheRenamesOfThePairLeavesTheNextRunOneWholePair) {
  DirTemporal dir;
  prepara(dir, 3);
  ASSERT_EQ(corre(kVelmor, {"sol"}, dir.path(), "", 60).estado, 0);
  const std::string tres = "velmor 1 3 1 nri 2 nre 1\n";
  e2e::escribe(dir / "sol.net", tres + "learn nco 3 ftrain sunspots-train.dat ftest sunspots-test.dat\n");
  const Resultado r = corre(kVelmor, {"sol"}, dir.path(), "", 60, {"PRUEBA_MUERE_TRAS_RENOMBRAR=sol.wgt"});
  ASSERT_EQ(r.senal, SIGKILL) << r.salida;
  e2e::escribe(dir / "sol.net", tres + "ftest sunspots-test.dat\n");
  const Resultado t = corre(kVelmor, {"sol"}, dir.path(), "", 60);
  EXPECT_EQ(t.estado, 0) << t.salida;
  EXPECT_NE(t.salida.find(" ets = "), std::string::npos) << t.salida;
  sin_restos(dir.path(), "after the kill");
}

TEST(VelmorCtrlC, AStormOfInterruptsEndsInASpecifiedWayWithWholeFiles) {
  std::mt19937 azar(20261208);
  const char* respuestas[] = {"3\n", "\n", "x\n", "3\n", "2\n", "\n", "1\n", "4\n", "33333\n"};
  for (int ronda = 0; ronda < 4; ++ronda) {
    DirTemporal dir;
    prepara(dir, 100000);
    Proceso p(kVelmor, {"sol"}, dir.path());
    ASSERT_TRUE(p.espera_texto("Ciclo de Opt.:", 60)) << p.salida();
    for (int k = 0; k < 25; ++k) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5 + azar() % 40));
      p.senal(SIGINT);
      p.escribe_entrada(respuestas[azar() % std::size(respuestas)]);
    }
    // Whatever the storm left pending, this ends the run.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    p.senal(SIGINT);
    p.escribe_entrada("4\n");
    const Resultado r = p.espera(60);
    EXPECT_TRUE(r.a_tiempo) << "ronda " << ronda;
    EXPECT_EQ(r.senal, 0) << "ronda " << ronda;
    EXPECT_EQ(r.estado, 0) << "ronda " << ronda << "\n" << r.salida;
    const bool parada = acaba_en(r.salida, marco("Proceso interrumpido por el usuario")) ||
                        acaba_en(r.salida, marco("Pulsaci\xA2n de CTRL-C: Fichero de pesos guardado"));
    // The optimiser may also reach its gradient test first and the run end normally, with its test.
    const bool completa =
        r.salida.find("**** Error") == std::string::npos && r.salida.find("\n\n ets = ") != std::string::npos;
    EXPECT_TRUE(parada || completa) << "ronda " << ronda << "\n"
                                    << r.salida.substr(r.salida.size() > 400 ? r.salida.size() - 400 : 0);
    comprueba_pesos(dir, "ronda " + std::to_string(ronda));
  }
}

// Hostile inputs: each run ends by itself with a status, never by a signal or at the deadline.
struct Hostil {
  const char* nombre;
  std::string contenido;  // of the file named `fichero`
  const char* fichero;
  const char* mensaje;  // the framed message expected, or nullptr when any clean end will do
  int estado;           // -1: any status
};

void PrintTo(const Hostil& h, std::ostream* os) { *os << h.nombre; }

class VelmorHostil : public ::testing::TestWithParam<Hostil> {};

TEST_P(VelmorHostil, EndsCleanly) {
  const Hostil& h = GetParam();
  if (!kNewLanza && es_enorme(h.nombre)) GTEST_SKIP() << "allocation failure under AddressSanitizer";
  DirTemporal dir;
  fs::copy_file(kEjemplo / "sunspots-train.dat", dir / "a.dat");
  fs::copy_file(kEjemplo / "sunspots-test.dat", dir / "b.dat");
  e2e::escribe(dir / "m.net", config("learn nco 3 ftrain a.dat ftest b.dat"));
  e2e::escribe(dir / h.fichero, h.contenido);
  const Resultado r = corre(kVelmor, {"m"}, dir.path(), "", 60);
  EXPECT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.senal, 0);
  if (h.estado >= 0) EXPECT_EQ(r.estado, h.estado) << r.salida;
  if (h.mensaje != nullptr) EXPECT_TRUE(acaba_en(r.salida, marco(h.mensaje))) << r.salida;
}

std::string basura(std::size_t n, unsigned semilla) {
  std::mt19937 azar(semilla);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(azar() % 256);
  return s;
}

// A NUL ends the token for every comparison: before the keyword it spoils it, after it it is not seen.
const std::string kNulAntes("\0velmor 1 4 1", 13), kNulDespues("velmor\0 1 4 1", 13);

INSTANTIATE_TEST_SUITE_P(
    Entradas, VelmorHostil,
    ::testing::Values(
        Hostil{"GarbageConfiguration", basura(4000, 1), "m.net", nullptr, 2},
        Hostil{"NulBeforeKeyword", kNulAntes + " nri 2 nre 1", "m.net", "VEL(D)MOR esperado", 2},
        Hostil{"NulAfterKeyword", kNulDespues + " nri 2 nre 1", "m.net", nullptr, 0},
        Hostil{"GarbageTrainingData", basura(5000, 2), "a.dat", nullptr, -1},
        Hostil{"NulInData", std::string("1 2\n3\0 4\n5 6\n", 12), "a.dat", nullptr, -1},
        Hostil{"InfiniteValue", "1 2\n1e999 3\n", "a.dat", "Error en el fichero de datos a.dat", 2},
        Hostil{"NanValue", "1 2\nnan 3\n", "a.dat", "Error en el fichero de datos a.dat", 2},
        Hostil{"MegabyteLine", std::string(1 << 20, '7') + " 1\n2 3\n4 5\n", "a.dat", nullptr, -1},
        Hostil{"OddNumbers", "-0 0x10\n1e-320 +5\n-0 0\n", "a.dat", nullptr, 0},
        // Squares of squares of such values overflow: refused, not trained into infinities.
        Hostil{"ValueTooLarge", "1 2\n1e200 3\n", "a.dat",
               "Valor demasiado grande en el fichero de datos a.dat, l\xA1nea 2: 1e200 (el l\xA1mite es 1e+60 en valor "
               "absoluto)",
               2},
        // Sizes whose allocation fails end with the allocation message and status 1, not an abort.
        Hostil{"HugeHiddenLayer", "velmor 1 2000000000 1 nri 1 nre 0 learn nco 3 ftrain a.dat", "m.net",
               "Error de asignaci\xA2n de memoria a net->hl en create_hl()", 1},
        Hostil{"HugeOutputCountInShortFile", "velmor 1 4 2000000000 nri 1 nre 0 0 0", "m.net", nullptr, 2}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(VelmorHostilFichero, DirectoryWhereAFileIsExpected) {
  DirTemporal dir;
  fs::copy_file(kEjemplo / "sunspots-test.dat", dir / "b.dat");
  fs::create_directory(dir / "a.dat");
  e2e::escribe(dir / "m.net", config("learn nco 3 ftrain a.dat ftest b.dat"));
  Resultado r = corre(kVelmor, {"m"}, dir.path(), "", 60);
  EXPECT_EQ(r.senal, 0);
  EXPECT_TRUE(acaba_en(r.salida, marco("No hay datos en a.dat"))) << r.salida;

  fs::create_directory(dir / "d.net");
  r = corre(kVelmor, {"d"}, dir.path(), "", 60);
  EXPECT_EQ(r.senal, 0);
  EXPECT_EQ(r.estado, 2);
}

TEST(VelmorHostilFichero, WeightFileNameTakenByADirectory) {
  DirTemporal dir;
  fs::copy_file(kEjemplo / "sunspots-train.dat", dir / "a.dat");
  fs::create_directory(dir / "m.wgt");
  e2e::escribe(dir / "m.net", config("learn nco 2 ftrain a.dat"));
  const Resultado r = corre(kVelmor, {"m"}, dir.path(), "", 60);
  EXPECT_EQ(r.senal, 0);
  EXPECT_EQ(r.estado, 1) << r.salida;
  EXPECT_TRUE(acaba_en(r.salida, marco("Error de apertura del fichero m.wgt"))) << r.salida;
  EXPECT_TRUE(fs::is_directory(dir / "m.wgt"));
}

TEST(VelmorHostilFichero, LongNamesAreCutNotOverrun) {
  DirTemporal dir;
  const std::string largo(79, 'd');
  fs::copy_file(kEjemplo / "sunspots-train.dat", dir / (largo + ".x"));  // 81 characters: cut to 79
  e2e::escribe(dir / "m.net", config("learn nco 2 ftrain " + largo + ".x"));
  Resultado r = corre(kVelmor, {"m"}, dir.path(), "", 60);
  EXPECT_EQ(r.estado, 1);
  EXPECT_TRUE(acaba_en(r.salida, marco("Error de apertura del fichero " + largo))) << r.salida;

  const std::string base(200, 'b');
  e2e::escribe(dir / (base + ".net"), config("nada"));
  r = corre(kVelmor, {base}, dir.path(), "", 60);
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(r.salida, "");
}

// korbent: the same guarantees; its fatal report waits for Enter, so stdin is always given.
struct HostilK {
  const char* nombre;
  std::vector<std::string> args;
  std::string entrenamiento;
  const char* mensaje;
  int estado;
};

void PrintTo(const HostilK& h, std::ostream* os) { *os << h.nombre; }

class KorbentHostil : public ::testing::TestWithParam<HostilK> {};

TEST_P(KorbentHostil, EndsCleanly) {
  const HostilK& h = GetParam();
  if (!kNewLanza && es_enorme(h.nombre)) GTEST_SKIP() << "allocation failure under AddressSanitizer";
  DirTemporal dir;
  e2e::escribe(dir / "t.dat", h.entrenamiento);
  const Resultado r = corre(kKorbent, h.args, dir.path(), "\n", 60);
  EXPECT_TRUE(r.a_tiempo);
  EXPECT_EQ(r.senal, 0);
  if (h.estado >= 0) EXPECT_EQ(r.estado, h.estado) << r.salida;
  if (h.mensaje != nullptr) EXPECT_TRUE(acaba_en(r.salida, marco(h.mensaje))) << r.salida;
}

const std::string kPuntos = "1 2\n2 3\n3 5\n4 4\n5 1\n6 2\n7 3\n";

INSTANTIATE_TEST_SUITE_P(
    Entradas, KorbentHostil,
    ::testing::Values(
        HostilK{"GarbageTraining", {"r", "2", "2", "0", "3", "1", "t.dat"}, basura(3000, 3), nullptr, -1},
        HostilK{"InfiniteValue",
                {"r", "2", "2", "0", "3", "1", "t.dat"},
                "1 2\n1e99999 3\n",
                "Error en el fichero de datos t.dat",
                2},
        HostilK{"HugeInputCount",
                {"r", "2147483647", "2", "0", "3", "1", "t.dat"},
                kPuntos,
                "Error de asignaci\xA2n de memoria a rbfn->i en construye_zelbrin_fdp()",
                1},
        HostilK{"HugeKernelCount", {"r", "2", "2147483647", "0", "3", "1", "t.dat"}, kPuntos, nullptr, 1},
        HostilK{"LongName", {std::string(150, 'n'), "2", "2", "0", "3", "1", "t.dat"}, kPuntos, nullptr, 0},
        HostilK{"MissingRepresentation",
                {"r", "2", "2", "0", "3", "1", "-"},
                kPuntos,
                "Error de apertura del fichero r.rep",
                1},
        // Values whose squares leave the long double, and inputs whose density would: refused.
        HostilK{"ValueTooLarge",
                {"r", "2", "2", "0", "3", "1", "t.dat"},
                "1 2\n1e2467 3\n",
                "Valor demasiado grande en el fichero de datos t.dat, l\xA1nea 2: 1e2467 (el l\xA1mite es 1e+2400 en "
                "valor absoluto)",
                2},
        HostilK{
            "ValueTooSmall",
            {"r", "2", "2", "0", "3", "1", "t.dat"},
            "1 2\n-1e-2467 3\n",
            "Valor demasiado peque\xA4o en el fichero de datos t.dat, l\xA1nea 2: -1e-2467 (el l\xA1mite es 1e-2400 "
            "en valor absoluto, o 0)",
            2},
        HostilK{"InputsTooConcentrated",
                {"r", "2", "2", "0", "3", "1", "t.dat"},
                "1e-1300 2e-1300\n2e-1300 3e-1300\n3e-1300 5e-1300\n4e-1300 4e-1300\n",
                "Entradas de t.dat demasiado concentradas: el producto de sus desviaciones t\xEDpicas es menor que "
                "1e-2400",
                2}),
    [](const auto& info) { return std::string(info.param.nombre); });

// A pipe or a FIFO can be read only once: a data file given as one trains as the same file on disk would.
class DatosNoRegulares : public ::testing::Test {
 protected:
  // Runs with the training data through `ruta`: "/dev/stdin" gets them on stdin, a FIFO from a writer.
  Resultado corre_con(const std::string& programa, const std::vector<std::string>& args, const std::string& ruta,
                      const std::string& datos, const std::vector<std::string>& entorno = {}) {
    if (ruta == "/dev/stdin") return corre(programa, args, dir.path(), datos, 20, entorno);
    const fs::path fifo = dir / ruta;
    if (mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("mkfifo");
    std::thread escritor([&] {
      const int fd = open(fifo.c_str(), O_WRONLY);
      if (fd < 0) return;
      for (std::size_t hecho = 0; hecho < datos.size();) {
        const ssize_t n = write(fd, datos.data() + hecho, datos.size() - hecho);
        if (n <= 0) break;
        hecho += static_cast<std::size_t>(n);
      }
      close(fd);
    });
    const Resultado r = corre(programa, args, dir.path(), "\n", 20, entorno);
    const int libera = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // a writer still waiting for a reader
    escritor.join();
    if (libera >= 0) close(libera);
    fs::remove(fifo);
    return r;
  }
  DirTemporal dir;
};

TEST_F(DatosNoRegulares, VelmorReadsAPipeOrAFifoOnce) {
  const std::string datos = lee(kEjemplo / "sunspots-train.dat");
  const std::vector<std::string> semilla{"VELMOR_SEMILLA=5"};
  e2e::escribe(dir / "t.dat", datos);
  e2e::escribe(dir / "sol.net", config("learn nco 3 ftrain t.dat"));
  const Resultado fichero = corre(kVelmor, {"sol"}, dir.path(), "", 60, semilla);
  ASSERT_EQ(fichero.estado, 0) << fichero.salida;
  for (const std::string ruta : {"/dev/stdin", "fifo"}) {
    e2e::escribe(dir / "sol.net", config("learn nco 3 ftrain " + ruta));
    const Resultado r = corre_con(kVelmor, {"sol"}, ruta, datos, semilla);
    EXPECT_TRUE(r.a_tiempo) << ruta;
    EXPECT_EQ(r.estado, 0) << ruta;
    EXPECT_EQ(r.salida, fichero.salida) << ruta;
  }
}

TEST_F(DatosNoRegulares, KorbentReadsAPipeOrAFifoOnce) {
  const std::vector<std::string> args{"r", "2", "2", "0", "3", "1"};
  e2e::escribe(dir / "t.dat", kPuntos);
  auto con = [&](const std::string& f) {
    std::vector<std::string> a = args;
    a.push_back(f);
    return a;
  };
  ASSERT_EQ(corre(kKorbent, con("t.dat"), dir.path(), "\n", 20).estado, 0);
  const std::string rep = lee(dir / "r.rep"), sig = lee(dir / "r.sig");
  for (const std::string ruta : {"/dev/stdin", "fifo"}) {
    fs::remove(dir / "r.rep");
    const Resultado r = corre_con(kKorbent, con(ruta), ruta, kPuntos);
    EXPECT_TRUE(r.a_tiempo) << ruta;
    EXPECT_EQ(r.estado, 0) << ruta;
    EXPECT_EQ(lee(dir / "r.rep"), rep) << ruta;
    EXPECT_EQ(lee(dir / "r.sig"), sig) << ruta;
  }
}

}  // namespace

namespace {

// Weight and representation files damaged by hand or by a disk: refused with their messages, never a crash.
TEST(VelmorHostilPesos, GarbageModelFileIsIncompatible) {
  DirTemporal dir;
  fs::copy_file(kEjemplo / "sunspots-test.dat", dir / "b.dat");
  e2e::escribe(dir / "m.net", config("ftest b.dat"));
  e2e::escribe(dir / "m.wgt", basura(3000, 7));
  e2e::escribe(dir / "m#.wgt", basura(3000, 8));
  const Resultado r = corre(kVelmor, {"m"}, dir.path(), "", 60);
  EXPECT_EQ(r.senal, 0);
  EXPECT_EQ(r.estado, 2);
  EXPECT_TRUE(acaba_en(r.salida, marco("Fichero de pesos incompatible"))) << r.salida;
  EXPECT_FALSE(fs::exists(dir / "m.out"));
}

TEST(VelmorHostilPesos, GarbagePerceptronFileBehindAGoodModelFileIsRefused) {
  DirTemporal dir;
  prepara(dir, 3);
  ASSERT_EQ(corre(kVelmor, {"sol"}, dir.path(), "", 60).estado, 0);
  e2e::escribe(dir / "sol#.wgt", std::string("\0\0\0", 3) + basura(2000, 9));
  e2e::escribe(dir / "sol.net", config("ftest sunspots-test.dat"));
  const Resultado r = corre(kVelmor, {"sol"}, dir.path(), "", 60);
  EXPECT_EQ(r.senal, 0);
  EXPECT_EQ(r.estado, 2) << r.salida;
  EXPECT_NE(r.salida.find("**** Error ****"), std::string::npos) << r.salida;
}

TEST(KorbentHostilRepresentacion, GarbageFilesAreRefused) {
  DirTemporal dir;
  e2e::escribe(dir / "t.dat", kPuntos);
  ASSERT_EQ(corre(kKorbent, {"r", "2", "2", "0", "3", "1", "t.dat"}, dir.path(), "\n", 60).estado, 0);
  for (const char* f : {"r.rep", "r.sig", "r.nvr", "r.wa", "r.prc"}) {
    const std::string bueno = lee(dir / f);
    e2e::escribe(dir / f, basura(500, 11) + std::string("\0", 1) + "1e99999");
    const Resultado r = corre(kKorbent, {"r", "2", "2", "0", "3", "1", "-", "-", "t.dat"}, dir.path(), "\n", 60);
    EXPECT_EQ(r.senal, 0) << f;
    EXPECT_TRUE(r.a_tiempo) << f;
    EXPECT_NE(r.estado, 0) << f;
    EXPECT_NE(r.salida.find("**** Error ****"), std::string::npos) << f << "\n" << r.salida;
    e2e::escribe(dir / f, bueno);
  }
  // The representation restored, the same run succeeds.
  EXPECT_EQ(corre(kKorbent, {"r", "2", "2", "0", "3", "1", "-", "-", "t.dat"}, dir.path(), "\n", 60).estado, 0);
}

// korbent killed between the renames of its representation: the next run loads the new set whole, as an
// uninterrupted run wrote it, and nothing of the save is left.
TEST(KorbentKill, AKillBetweenTheRenamesOfTheRepresentationLeavesTheNextRunOneWholeSet) {
  DirTemporal dir, referencia;
  for (const DirTemporal* d : {&dir, &referencia}) e2e::escribe(*d / "t.dat", kPuntos);
  ASSERT_EQ(corre(kKorbent, {"r", "2", "3", "0", "3", "1", "t.dat"}, dir.path(), "\n", 60).estado, 0);
  const std::vector<std::string> dos = {"r", "2", "2", "0", "3", "1", "t.dat"};
  ASSERT_EQ(corre(kKorbent, dos, referencia.path(), "\n", 60).estado, 0);
  const Resultado r = corre(kKorbent, dos, dir.path(), "\n", 60, {"PRUEBA_MUERE_TRAS_RENOMBRAR=r.rep"});
  ASSERT_EQ(r.senal, SIGKILL) << r.salida;
  const Resultado t = corre(kKorbent, {"r", "2", "2", "0", "0", "0", "-", "-", "t.dat"}, dir.path(), "\n", 60);
  EXPECT_EQ(t.estado, 0) << t.salida;
  for (const char* f : {"r.rep", "r.sig", "r.nvr", "r.wa", "r.prc"}) EXPECT_EQ(lee(dir / f), lee(referencia / f)) << f;
  sin_restos(dir.path(), "after the kill");
}

// A result file that cannot be written whole (a full disk) ends the run with its open-failure message and
// status 1, never as a success.
TEST(EscrituraFallida, AResultFileOnAFullDiskEndsWithStatusOne) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  {
    DirTemporal dir;
    e2e::escribe(dir / "t.dat", kPuntos);
    fs::create_symlink("/dev/full", dir / "r.out");
    const Resultado r =
        corre(kKorbent, {"r", "2", "3", "0", "3", "1", "t.dat", "t.dat", "t.dat"}, dir.path(), "\n", 60);
    EXPECT_EQ(r.estado, 1) << r.salida;
    EXPECT_TRUE(acaba_en(r.salida, marco("Error de apertura del fichero r.out"))) << r.salida;
  }
  for (const char* f : {"mpaux.res", "mpaux.out"}) {
    DirTemporal dir;
    prepara(dir, 3);
    fs::create_symlink("/dev/full", dir / f);
    const Resultado r = corre(kVelmor, {"sol"}, dir.path(), "", 60);
    EXPECT_EQ(r.estado, 1) << f << "\n" << r.salida;
    EXPECT_TRUE(acaba_en(r.salida, marco(std::string("Error de apertura del fichero ") + f))) << r.salida;
  }
}

TEST(KorbentHostilDialogo, BinaryAnswersEndWithACheckMessage) {
  DirTemporal dir;
  const Resultado r = corre(kKorbent, {}, dir.path(), basura(4000, 12), 60);
  EXPECT_EQ(r.senal, 0);
  EXPECT_TRUE(r.a_tiempo);
  EXPECT_TRUE(r.estado == 1 || r.estado == 2) << r.estado;  // a failure never ends with 0
  EXPECT_NE(r.salida.find("**** Error ****"), std::string::npos);
}

}  // namespace
