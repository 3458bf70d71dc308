// Texts of the shared numerical library, code page 850: \xA2 o-acute.
#pragma once

#include <cstdio>

#include "common/errmess.hpp"

namespace msg {
// Line search: printed bare, without the frame.
inline constexpr char sin_memoria_w_buscalin[] =
    "Error de asignaci\xA2"
    "n de memoria a w en buscalin";
inline constexpr char sin_memoria_dw_buscalin[] =
    "Error de asignaci\xA2"
    "n de memoria a dw en buscalin";
// Conjugate gradients, both programs.
inline constexpr char sin_memoria_w_gconj[] =
    "Error de asignaci\xA2"
    "n de memoria a w en grad_c()";
inline constexpr char sin_memoria_dw_gconj[] =
    "Error de asignaci\xA2"
    "n de memoria a dw en grad_c()";
inline constexpr char sin_memoria_dw0_gconj[] =
    "Error de asignaci\xA2"
    "n de memoria a dw0 en grad_c()";
inline constexpr char sin_memoria_dir_gconj[] =
    "Error de asignaci\xA2"
    "n de memoria a dir en gconj()";
// Data files.
inline constexpr char sin_memoria_data[] =
    "Error de asignaci\xA2"
    "n de memoria a data en read_data()";
inline constexpr char sin_memoria_data_i[] =
    "Error de asignaci\xA2"
    "n de memoria a data[i] en read_data()";

[[noreturn]] inline void datos_no_abre(const char* f) { puterr(kFalloRecurso, "Error de apertura del fichero %s", f); }
[[noreturn]] inline void datos_no_reabre(const char* f) { puterr(kFalloRecurso, "Error de apertura de fichero %s", f); }
[[noreturn]] inline void datos_erroneos(const char* f) {
  puterr(kEntradaErronea, "Error en el fichero de datos %s", f);
}
[[noreturn]] inline void datos_vacios(const char* f) { puterr(kEntradaErronea, "No hay datos en %s", f); }

// Seeds (standard error).
[[noreturn]] inline void semilla_no_entera(const char* variable, const char* valor) {
  rechaza("Error: %s='%s' no es un n\xA3mero entero; indique un entero (p. ej. %s=12345) o quite la variable", variable,
          valor, variable);
}
inline void anuncia_semilla(unsigned s) {
  std::fflush(stdout);
  std::fprintf(stderr, "Semilla: %u (VELMOR_SEMILLA=%u repite esta ejecuci\xA2n)\n", s, s);
  std::fflush(stderr);
}
}  // namespace msg
