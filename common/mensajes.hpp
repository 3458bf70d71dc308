// Texts of the shared numerical library, code page 850: \xA2 o-acute. Those with accents are Texto850, so that
// korbent, whose own texts are Windows-1252, converts them from their own page on a UTF-8 console.
#pragma once

#include <cstdio>

#include "common/errmess.hpp"

namespace msg_comun {

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

[[noreturn]] inline void datos_no_abre(const char* f) { puterr(kFalloRecurso, "Error de apertura del fichero %s", f); }
[[noreturn]] inline void datos_erroneos(const char* f) {
  puterr(kEntradaErronea, "Error en el fichero de datos %s", f);
}
[[noreturn]] inline void datos_vacios(const char* f) { puterr(kEntradaErronea, "No hay datos en %s", f); }
// A value the arithmetic cannot hold, with the program's limit on magnitudes. The texts with accents are
// printed in their own page, which korbent's console converts from.
[[noreturn]] inline void dato_grande(const char* f, unsigned long linea, const char* valor, long double limite) {
  const EnPagina pagina(Pagina::cp850);
  puterr(kEntradaErronea,
         "Valor demasiado grande en el fichero de datos %s, l\xA1"
         "nea %lu: %s (el l\xA1mite es %Lg en valor absoluto)",
         f, linea, valor, limite);
}
[[noreturn]] inline void dato_pequeno(const char* f, unsigned long linea, const char* valor, long double limite) {
  const EnPagina pagina(Pagina::cp850);
  puterr(kEntradaErronea,
         "Valor demasiado peque\xA4o en el fichero de datos %s, l\xA1"
         "nea %lu: %s (el l\xA1mite es %Lg en valor absoluto, o 0)",
         f, linea, valor, limite);
}

// Warnings on the data, on standard error: the run goes on.
inline constexpr unsigned kAvisosNoNumero = 5;  // tokens named one by one; the rest are only counted
inline void aviso_no_numero(const char* f, unsigned long linea, const char* item) {
  const EnPagina pagina(Pagina::cp850);
  aviso("%s, l\xA1nea %lu: \"%s\" no es un n\xA3mero; se lee como 0", f, linea, item);
}
// Past the first few, the tokens of one kind are only counted.
inline void aviso_mas_valores(const char* f, unsigned long n, const char* cuales) {
  const EnPagina pagina(Pagina::cp850);
  aviso("%s: %lu valores m\xA0s %s", f, n, cuales);
}
inline constexpr char mas_no_numeros[] =
    "que no son n\xA3meros, le\xA1"
    "dos como 0";
inline constexpr char mas_con_resto[] =
    "con texto tras el n\xA3mero, le\xA1"
    "dos sin \x82l";
inline void aviso_ancho_lineas(const char* f, unsigned long por_linea, unsigned dim) {
  const EnPagina pagina(Pagina::cp850);
  aviso("%s: todas sus l\xA1neas tienen %lu valores, que no son un m\xA3ltiplo de los %u de cada patr\xA2n", f,
        por_linea, dim);
}
inline void aviso_varios_por_linea(const char* f, unsigned long por_linea, unsigned dim) {
  const EnPagina pagina(Pagina::cp850);
  aviso("%s: todas sus l\xA1neas tienen %lu valores y cada patr\xA2n %u: se leen %lu patrones por l\xA1nea", f,
        por_linea, dim, por_linea / dim);
}
inline void aviso_lineas_distintas(const char* f, unsigned long linea, unsigned long valores, unsigned long primera,
                                   unsigned long en_primera, unsigned dim) {
  const EnPagina pagina(Pagina::cp850);
  aviso(
      "%s, l\xA1nea %lu: tiene %lu %s y la l\xA1nea %lu, la primera con datos, %lu; cada patr\xA2n toma los %u "
      "valores siguientes, sin mirar d\xA2nde acaba cada l\xA1nea",
      f, linea, valores, valores == 1 ? "valor" : "valores", primera, en_primera, dim);
}
inline void aviso_resto(const char* f, unsigned long linea, const char* item, const char* leido) {
  const EnPagina pagina(Pagina::cp850);
  aviso("%s, l\xA1nea %lu: \"%s\" lleva texto tras el n\xA3mero; se lee como %s", f, linea, item, leido);
}
// Before "Error en el fichero de datos", which names no line.
inline void aviso_no_finito(const char* f, unsigned long linea, const char* item) {
  const EnPagina pagina(Pagina::cp850);
  aviso("%s, l\xA1nea %lu: \"%s\" no es un n\xA3mero finito", f, linea, item);
}
inline void aviso_patron_incompleto(const char* f, unsigned long linea, unsigned leidos, unsigned dim) {
  const EnPagina pagina(Pagina::cp850);
  aviso("%s, l\xA1nea %lu: el fichero acaba con un patr\xA2n incompleto, %u de sus %u valores", f, linea, leidos, dim);
}
inline void aviso_patron_cortado(const char* f, unsigned long linea, char corte, unsigned leidos, unsigned dim) {
  const EnPagina pagina(Pagina::cp850);
  aviso("%s, l\xA1nea %lu: '%c' corta un patr\xA2n tras %u de sus %u valores", f, linea, corte, leidos, dim);
}
inline void aviso_demasiados_patrones(const char* f, unsigned long n) {
  const EnPagina pagina(Pagina::cp850);
  aviso("%s: tiene m\xA0s de %lu patrones, los que caben en la cuenta", f, n);
}

// Seeds (standard error).
[[noreturn]] inline void semilla_no_entera(const char* variable, const char* valor) {
  const EnPagina pagina(Pagina::cp850);
  rechaza("Error: %s='%s' no es un n\xA3mero entero; indique un entero (p. ej. %s=12345) o quite la variable", variable,
          valor, variable);
}
// Patience (standard error).
[[noreturn]] inline void paciencia_no_valida(const char* variable, const char* valor) {
  const EnPagina pagina(Pagina::cp850);
  rechaza(
      "Error: %s='%s' no es un entero >= 1; indique cu\xA0ntos informes seguidos sin un error de test menor "
      "terminan el entrenamiento (p. ej. %s=10) o quite la variable",
      variable, valor, variable);
}
inline void aviso_paciencia_sin_test(const char* variable, unsigned p, unsigned nco) {
  const EnPagina pagina(Pagina::cp850);
  aviso(
      "%s=%u no se aplica: sin datos de test no hay error de test que vigilar; el entrenamiento sigue hasta "
      "sus %u ciclos",
      variable, p, nco);
}

inline void anuncia_semilla(unsigned s) {
  const EnPagina pagina(Pagina::cp850);
  char linea[96];
  std::snprintf(linea, sizeof linea, "Semilla: %u (VELMOR_SEMILLA=%u repite esta ejecuci\xA2n)\n", s, s);
  std::fflush(stdout);
  std::fputs(anadido(linea, stderr).c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace msg_comun
