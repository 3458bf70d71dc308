#include "korbent/zelbrin_fdp_train.hpp"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/asigna.hpp"
#include "common/ayuda.hpp"
#include "common/entorno.hpp"
#include "common/errmess.hpp"
#include "common/random.hpp"
#include "common/read_data.hpp"
#include "korbent/mensajes.hpp"
#include "korbent/zelbrin_fdp.hpp"
#include "korbent/zelbrin_fdp_em.hpp"
#include "korbent/zelbrin_fdp_entrena.hpp"
#include "korbent/zelbrin_fdp_rep.hpp"
#include "terminal/interrupcion.hpp"

std::atomic<int> ctrl_c_flag{0};

namespace {

constexpr std::size_t kMaxTexto = 99;  // names and answers are kept to what the program's buffers held

std::string corta(const char* s) {
  std::string t(s);
  if (t.size() > kMaxTexto) t.resize(kMaxTexto);
  return t;
}

// One whole line of any length, without its line end; only the first 99 characters are kept. At end of
// input the answer is empty, so a dialog fed too few lines still ends through the checks. The stream is
// held for the whole line: the Ctrl-C question reads the same stdin from its own thread, and each of
// them must get whole lines, not characters taken turn about.
std::string lee_linea(std::FILE* in) {
  std::string t;
  flockfile(in);
  for (int c = getc_unlocked(in); c != EOF && c != '\n'; c = getc_unlocked(in))
    if (t.size() < kMaxTexto) t.push_back(static_cast<char>(c));
  funlockfile(in);
  if (!t.empty() && t.back() == '\r') t.pop_back();  // an answer typed on a console that sends CR LF
  return t;
}

std::string pregunta(const char* texto, std::FILE* in, std::FILE* out) {
  std::fputs(texto, out);
  std::fflush(out);
  return lee_linea(in);
}

// atol's reading (blanks, sign, digits up to the first other character, 0 without digits); strtol
// saturates where atol would overflow, so a number beyond 64 bits is still out of every range.
std::int64_t numero(const std::string& t) { return std::strtoll(t.c_str(), nullptr, 10); }

// The program's integers are 32 bits wide: a number beyond them is refused, never wrapped into range.
bool cabe(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

// Densities are given in the units of the data: the normalisation's Jacobian, the product of the inputs'
// scale factors, multiplies every one of them. Inputs so concentrated that it leaves the range that data
// values have would make densities, and the error, infinite.
void comprueba_dispersion(const ZELBRIN_FDP& net, const std::string& fichero) {
  long double log_jacobiano = 0;
  for (const BUF_UNIT& u : net.ibuf) log_jacobiano += std::log10(std::abs(u.a));
  const long double limite = 1 / AjustesKorbent::dato_maximo;
  if (!(log_jacobiano <= -std::log10(limite))) msg_korbent::entradas_concentradas(fichero.c_str(), limite);
}

}  // namespace

bool fichero_presente(const std::string& f) { return !f.empty() && f[0] != '-'; }

ParametrosKorbent toma_parametros(int argc, const char* const* argv, std::FILE* in, std::FILE* out) {
  std::string t[9];
  if (argc >= 8 && argc <= 10) {
    for (int k = 1; k < argc; ++k) t[k - 1] = corta(argv[k]);
  } else {
    // Answers taken from a file or a pipe would be read without a word: a user who gave arguments meant them.
    if (argc > 1 && isatty(fileno(in)) == 0) msg_korbent::argumentos_dialogo(argc - 1);
    const char* const textos[9] = {
        msg_korbent::pide_nombre,        msg_korbent::pide_entradas, msg_korbent::pide_ocultas,
        msg_korbent::pide_salidas,       msg_korbent::pide_ciclos,   msg_korbent::pide_inic,
        msg_korbent::pide_entrenamiento, msg_korbent::pide_test,     msg_korbent::pide_validacion};
    for (int k = 0; k < 9; ++k) t[k] = pregunta(textos[k], in, out);
  }
  ParametrosKorbent p;
  p.name = t[0];
  p.ni = numero(t[1]);
  p.nh = numero(t[2]);
  p.no = numero(t[3]);
  p.nco = numero(t[4]);
  p.modo = numero(t[5]);
  p.leader_flag = static_cast<std::uint8_t>(p.modo);
  p.ftr = t[6];
  p.fts = t[7];
  p.ftv = t[8];
  return p;
}

void comprueba_parametros(const ParametrosKorbent& prm) {
  if (prm.ni <= 0 || !cabe(prm.ni)) puterr(kFalloRecurso, "%s", msg_korbent::entradas_mal);
  if (prm.nh <= 0 || !cabe(prm.nh)) puterr(kFalloRecurso, "%s", msg_korbent::unidades_mal);
  if (prm.no < 0 || !cabe(prm.no)) puterr(kFalloRecurso, "%s", msg_korbent::salidas_mal);
  if (prm.nco < 0 || !cabe(prm.nco)) puterr(kFalloRecurso, "%s", msg_korbent::ciclos_mal);
  if (!cabe(prm.modo)) puterr(kFalloRecurso, "%s", msg_korbent::modo_mal);
}

char seguimiento(std::uint32_t iter, long double etr, long double ets) {
  imprime_bloque(msg_korbent::ciclo, iter, etr, ets);
  return static_cast<char>(ctrl_c_flag.load());
}

void pregunta_ctrl_c(std::FILE* in, std::FILE* out, bool al_terminal) {
  const int c = pregunta_caracter((std::string(msg_korbent::pregunta_ctrl_c) + msg_korbent::opcion_ctrl_c).c_str(), in,
                                  out, al_terminal);
  ctrl_c_flag = (c == 'S' || c == 's') ? 1 : 0;
}

void instala_ctrl_c() {
  // Called while the process has one thread, so every later thread inherits the blocked mask.
  if (!vigila_sigint([] { pregunta_ctrl_c(stdin, stdout, true); }))
    puterr(kFalloRecurso, "%s", msg_korbent::redireccionando);
}

int zelbrin_fdp_train(int argc, char** argv, ClaveOrden clave) {
  if (opcion_informativa(argc, argv, "korbent", msg_korbent::ayuda)) return kFinNormal;
  semilla_korbent();                        // a KORBENT_SEMILLA that is not an integer is refused before the dialog
  paciencia_de_entorno(kPacienciaKorbent);  // and so is a patience that is not one of at least 1
  optimizador_korbent();                    // and a KORBENT_OPTIMIZADOR that names no optimiser
  puterr_espera_enter(true);
  instala_ctrl_c();
  const ParametrosKorbent par = toma_parametros(argc, argv, stdin, stdout);
  comprueba_parametros(par);
  VECTOR prm;
  prm.d = asigna<long double>(3, msg_korbent::sin_memoria_prm);
  prm.ndat = 3;
  prm.d[0] = par.ni;
  prm.d[1] = par.nh;
  prm.d[2] = par.no;
  return corre_zelbrin_fdp(par, prm, clave);
}

int corre_zelbrin_fdp(const ParametrosKorbent& par, const VECTOR& prm, ClaveOrden clave) {
  const std::unique_ptr<ZELBRIN_FDP> net = construye_zelbrin_fdp(par.name, prm);
  net->clave = clave;
  recupera_rep_sig_fdp(*net);
  // Every row holds the inputs and then the outputs, whatever the set is used for.
  const unsigned dim = net->ni + net->no;
  const auto lee = [dim](const std::string& f) {
    return fichero_presente(f) ? read_data<AjustesKorbent>(f.c_str(), dim) : MATRIZ{};
  };
  if (fichero_presente(par.ftr)) {
    const MATRIZ ztr = lee(par.ftr);
    net->inicializa_pesos(*net, ztr, par.leader_flag);
    comprueba_dispersion(*net, par.ftr);
    const MATRIZ zts = lee(par.fts);
    net->entrena(*net, static_cast<unsigned>(par.nco), ztr, zts, seguimiento);
    escribe_rep_sig_fdp(*net);
  } else {
    carga_rep_sig_zelbrin_fdp(*net);
  }
  const MATRIZ ztv = lee(par.ftv);
  net->test(*net, ztv);  // its mean is not shown: the results are in <name>.out
  return kFinNormal;
}
