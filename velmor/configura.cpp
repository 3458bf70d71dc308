#include "velmor/configura.hpp"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "common/asigna.hpp"
#include "common/errmess.hpp"
#include "velmor/mensajes.hpp"

namespace {

const char* siguiente(LectorConfig& cfg) {
  cfg.agotado = getitem(cfg.f, cfg.item) == EOF && cfg.item[0] == '\0';
  return cfg.item;
}

bool es(const char* item, const char* palabra) { return std::strcmp(item, palabra) == 0; }

// Reads the next token and stops with `mensaje` unless it is `palabra`.
void espera_palabra(LectorConfig& cfg, const char* palabra, const char* mensaje) {
  if (!es(siguiente(cfg), palabra)) puterr(0, "%s", mensaje);
}

int entero_al_menos(LectorConfig& cfg, int minimo, const char* mensaje) {
  const int v = entero_de(siguiente(cfg));
  if (v < minimo) puterr(0, "%s", mensaje);
  return v;
}

// The lists grow as their values are read rather than being sized from ni or no up front: a huge count
// in a short file then ends with the message of the missing value instead of claiming gigabytes.
std::vector<int> lista_retardos(LectorConfig& cfg, int n, int minimo, const char* mensaje, const char* sin_memoria) {
  std::vector<int> v;
  for (int k = 0; k < n; ++k) {
    const int r = retardos_de(siguiente(cfg));
    if (r < minimo) puterr(0, "%s", mensaje);
    // The end of the file reads as 0, which is a legal error-tap count: without this a huge `no` in a
    // short file would fill the list with billions of zeros.
    if (cfg.agotado) puterr(0, "%s", msg::lista_incompleta);
    try {
      v.push_back(r);
    } catch (const std::bad_alloc&) {
      puterr(1, "%s", sin_memoria);
    } catch (const std::length_error&) {
      puterr(1, "%s", sin_memoria);
    }
  }
  return v;
}

}  // namespace

int entero_de(const char* item) {
  const long v = std::strtol(item, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

int retardos_de(const char* item) {
  const double v = std::strtod(item, nullptr);
  // A count that no int holds (or not a number) is refused like a negative one, as the truncating
  // conversion of the machine gives for it, instead of being undefined.
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
  return static_cast<int>(v);
}

void abre_configuracion(LectorConfig& cfg, const OpcionesVelmor& opciones) {
  const std::string nombre = opciones.base + ".net";
  cfg.f = std::fopen(nombre.c_str(), "r");
  if (cfg.f == nullptr)
    error_apertura_config(opciones.nombre_en_errores == NombreEnErrores::con_extension ? nombre.c_str()
                                                                                       : opciones.base.c_str());
}

DescripcionModelo lee_modelo(LectorConfig& cfg) {
  DescripcionModelo m;
  const char* tipo = siguiente(cfg);
  if (es(tipo, "velmor"))
    m.tipo = TipoModelo::velmor;
  else if (es(tipo, "veldmor"))
    m.tipo = TipoModelo::veldmor;
  else
    puterr(0, "%s", msg::vel_d_mor_esperado);
  m.ni = entero_al_menos(cfg, 1, msg::ni_no_positivo);
  m.nh = entero_al_menos(cfg, 1, msg::nh_no_positivo);
  m.no = entero_al_menos(cfg, 1, msg::no_no_positivo);
  espera_palabra(cfg, "nri", msg::nri_esperado);
  m.nri = lista_retardos(cfg, m.ni, 1, msg::nri_no_positivo, msg::sin_memoria_nri);
  espera_palabra(cfg, "nre", msg::nre_esperado);
  m.nre = lista_retardos(cfg, m.no, 0, msg::nre_negativo, msg::sin_memoria_nre);
  return m;
}

Modo lee_modo(LectorConfig& cfg) {
  const char* item = siguiente(cfg);
  if (es(item, "learn")) return Modo::learn;
  if (es(item, "c_learn")) return Modo::c_learn;
  if (es(item, "ftest")) return Modo::ftest;
  return Modo::ninguno;
}

std::unique_ptr<VELMOR_LP> crea_lp() { return crea<VELMOR_LP>(msg::sin_memoria_lp); }
std::unique_ptr<DATASET> crea_tp() { return crea<DATASET>(msg::sin_memoria_tp); }

void lee_entrenamiento(LectorConfig& cfg, VELMOR_LP& lp) {
  espera_palabra(cfg, "nco", msg::nco_esperado);
  lp.nco = entero_al_menos(cfg, 1, msg::nco_no_positivo);
  espera_palabra(cfg, "ftrain", msg::ftrain_esperado);
  pon_nombre(lp.trn, siguiente(cfg));
}

bool lee_ftest_opcional(LectorConfig& cfg) { return es(siguiente(cfg), "ftest"); }

void lee_nombre_test(LectorConfig& cfg, DATASET& tp) { pon_nombre(tp, siguiente(cfg)); }

void cierra_configuracion(LectorConfig& cfg) {
  if (cfg.f != nullptr) std::fclose(cfg.f);
  cfg.f = nullptr;
}
