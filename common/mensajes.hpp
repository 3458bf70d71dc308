// Texts of the shared numerical library, code page 850: \xA2 o-acute. Those with accents are Texto850, so that
// korbent, whose own texts are Windows-1252, converts them from their own page on a UTF-8 console.
#pragma once

#include "common/errmess.hpp"

namespace msg {
// Line search: printed bare, without the frame.
inline constexpr Texto850 sin_memoria_w_buscalin{
    "Error de asignaci\xA2"
    "n de memoria a w en buscalin"};
inline constexpr Texto850 sin_memoria_dw_buscalin{
    "Error de asignaci\xA2"
    "n de memoria a dw en buscalin"};
// Conjugate gradients, both programs.
inline constexpr Texto850 sin_memoria_w_gconj{
    "Error de asignaci\xA2"
    "n de memoria a w en grad_c()"};
inline constexpr Texto850 sin_memoria_dw_gconj{
    "Error de asignaci\xA2"
    "n de memoria a dw en grad_c()"};
inline constexpr Texto850 sin_memoria_dw0_gconj{
    "Error de asignaci\xA2"
    "n de memoria a dw0 en grad_c()"};
inline constexpr Texto850 sin_memoria_dir_gconj{
    "Error de asignaci\xA2"
    "n de memoria a dir en gconj()"};
// Data files.
inline constexpr Texto850 sin_memoria_data{
    "Error de asignaci\xA2"
    "n de memoria a data en read_data()"};
inline constexpr Texto850 sin_memoria_data_i{
    "Error de asignaci\xA2"
    "n de memoria a data[i] en read_data()"};

[[noreturn]] inline void datos_no_abre(const char* f) { puterr(1, "Error de apertura del fichero %s", f); }
[[noreturn]] inline void datos_no_reabre(const char* f) { puterr(1, "Error de apertura de fichero %s", f); }
[[noreturn]] inline void datos_erroneos(const char* f) { puterr(0, "Error en el fichero de datos %s", f); }
[[noreturn]] inline void datos_vacios(const char* f) { puterr(0, "No hay datos en %s", f); }
}  // namespace msg
