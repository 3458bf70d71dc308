#include "velmor/configura.hpp"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "common/asigna.hpp"
#include "common/errmess.hpp"
#include "velmor/mensajes.hpp"

namespace {

// The next token; at the end of the file an empty one, which reads as no number.
const char* siguiente(LectorConfig& cfg) {
  cfg.lee();
  return cfg.item();
}

bool es(const char* item, const char* palabra) { return std::strcmp(item, palabra) == 0; }

const char* nombre_en_avisos(const LectorConfig& cfg) { return cfg.nombre().empty() ? "?" : cfg.nombre().c_str(); }

// The last token as written. A lone separator such as the '=' of "nco = 50" reads as an empty token: it
// is shown as itself.
std::string leido(const LectorConfig& cfg) {
  return cfg.escrito()[0] != '\0' ? std::string(cfg.escrito()) : std::string(1, static_cast<char>(cfg.fin()));
}

// The specified message on standard output, after a line on standard error that says where the reading
// stopped, what it found there and what it expected.
[[noreturn]] void rechaza_item(const LectorConfig& cfg, const char* esperado, const char* mensaje) {
  if (cfg.agotado())
    msg_velmor::config_acaba(nombre_en_avisos(cfg), cfg.linea(), esperado);
  else
    msg_velmor::config_leido(nombre_en_avisos(cfg), cfg.linea(), leido(cfg).c_str(), esperado);
  puterr(kEntradaErronea, "%s", mensaje);
}

// Reads the next token and stops with `mensaje` unless it is `palabra`.
void espera_palabra(LectorConfig& cfg, const char* palabra, const char* esperado, const char* mensaje) {
  if (!es(siguiente(cfg), palabra)) rechaza_item(cfg, esperado, mensaje);
}

int entero_al_menos(LectorConfig& cfg, int minimo, const char* esperado, const char* mensaje) {
  const int v = entero_de(siguiente(cfg));
  if (v < minimo) rechaza_item(cfg, esperado, mensaje);
  return v;
}

// A data file's name: lower-cased as the reader gives it, unless only the name as written names a file.
void pon_nombre_fichero(const LectorConfig& cfg, DATASET& ds) {
  pon_nombre(ds, cfg.item());
  if (access(ds.fname, F_OK) == 0) return;
  const std::string escrito = std::string(cfg.escrito()).substr(0, DATASET::kFname - 1);
  if (access(escrito.c_str(), F_OK) == 0) pon_nombre(ds, escrito.c_str());
}

// The lists grow as their values are read rather than being sized from ni or no up front: a huge count
// in a short file then ends with the message of the missing value instead of claiming gigabytes.
std::vector<int> lista_retardos(LectorConfig& cfg, std::size_t n, int minimo, const char* esperado, const char* mensaje,
                                const char* sin_memoria) {
  std::vector<int> v;
  for (std::size_t k = 0; k < n; ++k) {
    const int r = retardos_de(siguiente(cfg));
    if (r < minimo) rechaza_item(cfg, esperado, mensaje);
    // The end of the file reads as 0, which is a legal error-tap count: without this a huge `no` in a
    // short file would fill the list with billions of zeros.
    if (cfg.agotado()) rechaza_item(cfg, esperado, msg_velmor::lista_incompleta);
    anade(v, r, sin_memoria);
  }
  return v;
}

// Edits between two words: insertions, deletions, substitutions and swaps of neighbours.
std::size_t distancia(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

// Keywords within an edit or two of `item` (one for the short ones), besides itself.
std::string palabras_parecidas(const char* item) {
  static const char* const kPalabras[] = {"velmor",  "veldmor", "nri",    "nre",  "learn",
                                          "c_learn", "nco",     "ftrain", "ftest"};
  std::string r;
  for (const char* p : kPalabras) {
    const std::string palabra(p);
    const std::size_t d = distancia(item, palabra);
    if (d == 0 || d > (palabra.size() <= 4 ? 1u : 2u)) continue;
    r += (r.empty() ? "" : " o ") + palabra;
  }
  return r;
}

}  // namespace

void avisa_no_usados(LectorConfig& cfg, bool actual) {
  unsigned long n = 0;
  for (bool hay = actual && !cfg.agotado(); hay || cfg.lee(); hay = false) {
    if (++n > msg_velmor::kAvisosNoUsados) continue;
    const std::string parecidas = palabras_parecidas(cfg.item());
    msg_velmor::no_usado(nombre_en_avisos(cfg), cfg.linea(), leido(cfg).c_str(), parecidas.c_str());
  }
  if (n > msg_velmor::kAvisosNoUsados)
    msg_velmor::mas_no_usados(nombre_en_avisos(cfg), n - msg_velmor::kAvisosNoUsados);
}

int entero_de(const char* item) {
  int v;
  numero_de(item, v);  // beyond int, the nearest int
  return v;
}

int retardos_de(const char* item) {
  double v;
  // A count that no int holds (or not a number) is refused like a negative one, as the truncating
  // conversion of the machine gives for it, instead of being undefined.
  if (!numero_de(item, v) || !(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
  return static_cast<int>(v);
}

void abre_configuracion(LectorConfig& cfg, const OpcionesVelmor& opciones) {
  const std::string nombre = opciones.base + ".net";
  if (!cfg.abre(nombre)) {
    const bool velmor = opciones.nombre_en_errores == NombreEnErrores::con_extension;
    if (velmor) msg_velmor::config_no_abre(nombre.c_str());
    msg_velmor::error_apertura_config(velmor ? nombre.c_str() : opciones.base.c_str());
  }
}

DescripcionModelo lee_modelo(LectorConfig& cfg) {
  DescripcionModelo m;
  const char* tipo = siguiente(cfg);
  if (es(tipo, "velmor"))
    m.tipo = TipoModelo::velmor;
  else if (es(tipo, "veldmor"))
    m.tipo = TipoModelo::veldmor;
  else
    rechaza_item(cfg, msg_velmor::se_espera_tipo, msg_velmor::vel_d_mor_esperado);
  m.ni = entero_al_menos(cfg, 1, msg_velmor::se_espera_ni, msg_velmor::ni_no_positivo);
  m.nh = entero_al_menos(cfg, 1, msg_velmor::se_espera_nh, msg_velmor::nh_no_positivo);
  m.no = entero_al_menos(cfg, 1, msg_velmor::se_espera_no, msg_velmor::no_no_positivo);
  espera_palabra(cfg, "nri", msg_velmor::se_espera_palabra_nri, msg_velmor::nri_esperado);
  m.nri = lista_retardos(cfg, static_cast<std::size_t>(m.ni), 1, msg_velmor::se_espera_nri, msg_velmor::nri_no_positivo,
                         msg_velmor::sin_memoria_nri);
  espera_palabra(cfg, "nre", msg_velmor::se_espera_palabra_nre, msg_velmor::nre_esperado);
  m.nre = lista_retardos(cfg, static_cast<std::size_t>(m.no), 0, msg_velmor::se_espera_nre, msg_velmor::nre_negativo,
                         msg_velmor::sin_memoria_nre);
  return m;
}

Modo lee_modo(LectorConfig& cfg) {
  const char* item = siguiente(cfg);
  if (es(item, "learn")) return Modo::learn;
  if (es(item, "c_learn")) return Modo::c_learn;
  if (es(item, "ftest")) return Modo::ftest;
  if (cfg.agotado())
    msg_velmor::sin_trabajo(nombre_en_avisos(cfg));
  else
    msg_velmor::trabajo_desconocido(nombre_en_avisos(cfg), cfg.linea(), leido(cfg).c_str());
  return Modo::ninguno;
}

std::unique_ptr<VELMOR_LP> crea_lp() { return crea<VELMOR_LP>(msg_velmor::sin_memoria_lp); }
std::unique_ptr<DATASET> crea_tp() { return crea<DATASET>(msg_velmor::sin_memoria_tp); }

void lee_entrenamiento(LectorConfig& cfg, VELMOR_LP& lp) {
  espera_palabra(cfg, "nco", msg_velmor::se_espera_palabra_nco, msg_velmor::nco_esperado);
  lp.nco = entero_al_menos(cfg, 1, msg_velmor::se_espera_nco, msg_velmor::nco_no_positivo);
  espera_palabra(cfg, "ftrain", msg_velmor::se_espera_ftrain, msg_velmor::ftrain_esperado);
  siguiente(cfg);
  pon_nombre_fichero(cfg, lp.trn);
}

bool lee_ftest_opcional(LectorConfig& cfg) { return es(siguiente(cfg), "ftest"); }

void lee_nombre_test(LectorConfig& cfg, DATASET& tp) {
  siguiente(cfg);
  pon_nombre_fichero(cfg, tp);
}

void cierra_configuracion(LectorConfig& cfg) { cfg.cierra(); }
