// Every text the perceptron module prints, in code page 850 (\xA2 o-acute, \xA7 ordinal sign); the one message
// in Windows-1252 (\xF3 o-acute) is a Texto1252.
#pragma once

#include "common/errmess.hpp"

namespace msg_mp {

inline constexpr char sin_memoria_mp[] = "Error de asignacion de memoria a mp en build_mp()";
inline constexpr char sin_memoria_ibuf[] = "Error de asignacion de memoria a net->ibuf en create_ibuf()";
inline constexpr char sin_memoria_hl[] = "Error de asignaci\xA2n de memoria a net->hl en create_hl()";
inline constexpr char sin_memoria_hl_i[] = "Error de asignacion de memoria a net->hl[j]->i en create_hl()";
inline constexpr char sin_memoria_hl_w[] = "Error de asignacion de memoria a (net->hl)[j]->w en create_hl()";
inline constexpr char sin_memoria_ol[] = "Error de asignacion de memoria a net->ol en create_ol()";
inline constexpr char sin_memoria_ol_i[] = "Error de asignacion de memoria a net->ol[i]->i en create_ol()";
inline constexpr char sin_memoria_ol_w[] = "Error de asignacion de memoria a (net->ol)[i]->w en create_ol()";
inline constexpr char sin_memoria_obuf[] = "Error de asignacion de memoria a net->obuf en create_obuf()";

// Training and test. The input message names eval_mp(), although every pass over the patterns prints it.
inline constexpr char sin_memoria_input[] = "Error de asignaci\xA2n de memoria a input en eval_mp()";
inline constexpr char sin_memoria_w_train[] = "Error de asignaci\xA2n de memoria a w en train_rbwbr()";
inline constexpr Texto1252 sin_memoria_fder{"Error de asignaci\xF3n de memoria a fder en mp_test()"};  // Windows-1252
inline constexpr char sin_memoria_dydx_test[] = "Error de asignaci\xA2n de memoria a dydx en mp_test()";

// Size checks name the perceptron as if it had been read from its own configuration file.
[[noreturn]] inline void error_entradas_nulas(const char* nombre) {
  puterr(kEntradaErronea, "Error de sintaxis en el fichero %s.net: n\xA7 de entradas nulo", nombre);
}
[[noreturn]] inline void error_ocultas_nulas(const char* nombre) {
  puterr(kEntradaErronea, "Error de sintaxis en el fichero %s.net: n\xA7 de unidades ocultas nulo", nombre);
}
[[noreturn]] inline void error_salidas_nulas(const char* nombre) {
  puterr(kEntradaErronea, "Error de sintaxis en el fichero %s.net: n\xA7 de unidades de salida nulo", nombre);
}

// Weight file of a perceptron: open failures name the file, the others the perceptron.
inline constexpr char apertura_save_w[] = "Error de apertura del fichero %s en save_w()";
[[noreturn]] inline void error_apertura_save_w(const char* fichero) {
  puterr(kEntradaErronea, msg_mp::apertura_save_w, fichero);
}
// A file that cannot be written whole is a failure of the disk, not of the input.
[[noreturn]] inline void error_escritura_save_w(const char* fichero) {
  puterr(kFalloRecurso, msg_mp::apertura_save_w, fichero);
}
[[noreturn]] inline void error_apertura_load_w(const char* fichero) {
  puterr(kFalloRecurso, "Error de apertura del fichero %s en load_w()", fichero);
}
[[noreturn]] inline void error_fichero_wgt(const char* nombre) {
  puterr(kEntradaErronea, "Error en el fichero %s.wgt", nombre);
}
[[noreturn]] inline void error_entradas_wgt(const char* nombre) {
  puterr(kEntradaErronea, "El numero de entradas especificado en el fichero %s.wgt es incorrecto", nombre);
}
[[noreturn]] inline void error_ocultas_wgt(const char* nombre) {
  puterr(kEntradaErronea, "El numero de unidades ocultas no coincide en los ficheros %s", nombre);
}
[[noreturn]] inline void error_salidas_wgt(const char* nombre) {
  puterr(kEntradaErronea, "El numero de salidas especificado en el fichero %s.wgt es incorrecto", nombre);
}

// Training and test: every file they cannot open ends with status 1.
[[noreturn]] inline void error_apertura_mp(const char* f) {
  puterr(kFalloRecurso, "Error de apertura del fichero %s", f);
}

}  // namespace msg_mp
