// Every text velmor prints, in code page 850 (\xA2 o-acute, \xA0 a-acute, \xA7 ordinal sign).
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "common/errmess.hpp"
#include "common/gconj.hpp"
#include "terminal/interrupcion.hpp"

namespace msg_velmor {

inline constexpr char uso[] = "Uso: VELMORTR nombre (sin extensi\xA2n .NET)";
inline constexpr char ayuda[] =
    "Uso: velmor nombre        entrena o prueba el modelo que describe nombre.net\n"
    "     velmor -h | --help   esta ayuda\n"
    "     velmor --version     la versi\xA2n\n"
    "dulvick hace lo mismo con narmax.net y no lee la l\xA1nea de \xA2rdenes.\n"
    "\n"
    "El fichero nombre.net (palabras separadas por blancos, comas o par\x82ntesis; un '*'\n"
    "comenta hasta el fin de la l\xA1nea; may\xA3sculas y min\xA3sculas dan igual):\n"
    "  velmor|veldmor ni nh no    salidas lineales (velmor) o tanh (veldmor); ni series de\n"
    "                             entrada, nh unidades ocultas, no salidas\n"
    "  nri r1 ... r_ni            retardos de cada serie de entrada (>= 1)\n"
    "  nre e1 ... e_no            retardos del error de cada salida (>= 0)\n"
    "y despu\x82s el trabajo:\n"
    "  learn   nco N ftrain datos [ftest datos]   entrena N ciclos desde un arranque\n"
    "                             aleatorio (lo da un perceptr\xA2n auxiliar, mpaux)\n"
    "  c_learn nco N ftrain datos [ftest datos]   sigue entrenando desde los pesos guardados\n"
    "  ftest datos                prueba los pesos guardados\n"
    "Cada fila de datos lleva las ni entradas y luego las no salidas de un instante.\n"
    "Con ftest se guardan los pesos de menor error de test. Los ficheros llevan los 7\n"
    "primeros caracteres del nombre: .wgt y #.wgt (pesos), .out (predicciones), .drv\n"
    "(derivadas); y mpaux.wgt, mpaux.out, mpaux.res del perceptr\xA2n auxiliar.\n"
    "Ctrl-C abre un men\xA3: parar guardando, cambiar par\xA0metros o salir.\n"
    "\n"
    "Variables de entorno:\n"
    "  VELMOR_SEMILLA=N  semilla del arranque aleatorio; sin ella se toma del reloj y del\n"
    "                    proceso y se escribe en la salida de errores para repetir la ejecuci\xA2n\n"
    "  VELMOR_ESCALA=1   learn ajusta la escala de cada serie a los datos de entrenamiento\n"
    "  VELMOR_HILOS=N    hilos de c\xA0lculo (por omisi\xA2n, los n\xA3"
    "cleos); no cambia el resultado\n"
    "  VELMOR_GRADIENTE=rtrl  gradiente por la recursi\xA2n de versiones anteriores, que repite\n"
    "                    sus resultados; por omisi\xA2n, adjunto\n"
    "  VELMOR_PACIENCIA=P  con ftest, acaba tras P ciclos seguidos sin un Ets menor\n"
    "Estado de salida: 0 trabajo terminado o parada elegida en el men\xA3, 1 fallo de un\n"
    "recurso (memoria, un fichero que no se abre), 2 error en la entrada.\n"
    "Gu\xA1"
    "as: docs/velmor.md y docs/README.md de la distribuci\xA2n.\n";

// Configuration file.
inline constexpr char vel_d_mor_esperado[] = "VEL(D)MOR esperado";
inline constexpr char ni_no_positivo[] = "ni <= 0";
inline constexpr char nh_no_positivo[] = "nh <= 0";
inline constexpr char no_no_positivo[] = "no <= 0";
inline constexpr char nri_esperado[] = "NRI esperado";
inline constexpr char nri_no_positivo[] = "nri <= 0";
inline constexpr char nre_esperado[] = "NRE esperado";
inline constexpr char nre_negativo[] = "nre < 0";
inline constexpr char nco_esperado[] = "NCO esperado";
inline constexpr char nco_no_positivo[] = "NCO <= 0";
inline constexpr char lista_incompleta[] = "Fin del fichero de configuraci\xA2n antes del \xA3ltimo valor de la lista";
inline constexpr char ftrain_esperado[] = "FTRAIN esperado";
inline constexpr char sin_memoria_nri[] = "Error de asignaci\xA2n de memoria a nri en main()";
inline constexpr char sin_memoria_nre[] = "Error de asignaci\xA2n de memoria a nre en main()";
inline constexpr char sin_memoria_lp[] = "Error de asignaci\xA2n de memoria a lp en main()";
inline constexpr char sin_memoria_tp[] = "Error de asignaci\xA2n de memoria a tp en main()";

// The recurrent model and its delay banks.
inline constexpr char sin_memoria_banco[] = "Error de asignacion de memoria a banco en build_banco_retardos";
inline constexpr char sin_memoria_banco_ret[] = "Error de asignacion de memoria a banco->ret en build_banco_retardos()";
inline constexpr char sin_memoria_velmor[] = "Error de asignacion de memoria a velmor en build_velmor()";
inline constexpr char sin_memoria_bancox[] = "Error de asignacion de memoria a velmor->bancox en build_velmor()";
inline constexpr char sin_memoria_bancoe[] = "Error de asignacion de memoria a velmor->bancoe en build_velmor()";
inline constexpr char sin_memoria_velmor_obuf[] = "Error de asignacion de memoria a velmor->obuf en build_velmor()";
inline constexpr char sin_memoria_velmor_oret[] = "Error de asignacion de memoria a velmor->oret en build_velmor()";
inline constexpr char sin_memoria_velmor_osub[] = "Error de asignacion de memoria a velmor->osub en build_velmor()";
inline constexpr char sin_memoria_velmor_i[] = "Error de asignaci\xA2n de memoria a velmor->i en build_velmor()";
inline constexpr char sin_memoria_velmor_d[] = "Error de asignaci\xA2n de memoria a velmor->d en build_velmor()";

// Interrupt menu.
inline constexpr char redireccionando[] = "Error redireccionando CTRL-C";
inline constexpr char menu_1[] = "\n\n 1. Parar inmediatamente el proceso dejando los pesos optimos hallados\n";
inline constexpr char menu_2[] = " 2. Esperar a que finalice el ciclo de opt. y guardar los pesos actuales\n";
inline constexpr char menu_3[] = " 3. Cambiar los par\xA0metros de optimizaci\xA2n.\n";
inline constexpr char menu_4[] = " 4. Salir sin salvar. \n";
inline constexpr char opcion[] = "\n Opcion ->   ";
inline constexpr char interrumpido[] = "Proceso interrumpido por el usuario";

// Initialisation through the auxiliary perceptron.
inline constexpr char sin_memoria_lp_init[] = "Error de asignacion de memoria a lp en init_velmor()";
inline constexpr char sin_memoria_ts_init[] = "Error de asignacion de memoria a ts en init_velmor()";
inline constexpr char inicializando_aux[] = "\n Inicializando los pesos de la red MP auxiliar \n";
inline constexpr char inicializacion_aux_fin[] = "\n Inicializaci\xA2n de la red RBWBR auxiliar finalizada \n";
inline constexpr char entrenamiento_aux[] = "\n Entrenamiento de la red RBWBR auxiliar \n";
inline constexpr char entrenamiento_aux_fin[] = "\n Entrenamiento de la red RBWBR auxiliar finalizado\n";

// What each item of the configuration should be, for the warning that goes with a refusal.
inline constexpr char se_espera_tipo[] = "el tipo de modelo, velmor o veldmor";
inline constexpr char se_espera_ni[] = "ni, el n\xA3mero de series de entrada (un entero >= 1)";
inline constexpr char se_espera_nh[] = "nh, el n\xA3mero de unidades ocultas (un entero >= 1)";
inline constexpr char se_espera_no[] = "no, el n\xA3mero de salidas (un entero >= 1)";
inline constexpr char se_espera_palabra_nri[] = "la palabra nri y un n\xA3mero de retardos por serie de entrada";
inline constexpr char se_espera_nri[] = "los retardos de las ni series de entrada, cada uno >= 1";
inline constexpr char se_espera_palabra_nre[] = "la palabra nre y un n\xA3mero de retardos del error por salida";
inline constexpr char se_espera_nre[] = "los retardos del error de las no salidas, cada uno >= 0";
inline constexpr char se_espera_palabra_nco[] = "la palabra nco tras learn o c_learn";
inline constexpr char se_espera_nco[] = "el n\xA3mero de ciclos de optimizaci\xA2n, un entero >= 1 (sin '=': nco 50)";
inline constexpr char se_espera_ftrain[] = "la palabra ftrain y el fichero de entrenamiento";

inline void config_no_abre(const char* f) {
  aviso(
      "no se puede leer %s en el directorio actual; velmor a\xA4"
      "ade .net al nombre que se le da (velmor -h explica "
      "el uso)",
      f);
}
inline void config_leido(const char* f, unsigned linea, const char* leido, const char* esperado) {
  aviso("%s, l\xA1nea %u: se ley\xA2 '%s' donde se esperaba %s", f, linea, leido, esperado);
}
inline void config_acaba(const char* f, unsigned linea, const char* esperado) {
  aviso("%s, l\xA1nea %u: el fichero acaba donde se esperaba %s", f, linea, esperado);
}
inline void trabajo_desconocido(const char* f, unsigned linea, const char* leido) {
  aviso("%s, l\xA1nea %u: '%s' no es un trabajo (learn, c_learn o ftest); s\xA2lo se construy\xA2 el modelo", f, linea,
        leido);
}
inline void sin_trabajo(const char* f) {
  aviso("%s no pide ning\xA3n trabajo tras el modelo (learn, c_learn o ftest); s\xA2lo se construy\xA2 el modelo", f);
}

// Tokens after the job's last item: named one by one, then only counted.
inline constexpr unsigned long kAvisosNoUsados = 5;
inline void no_usado(const char* f, unsigned linea, const char* leido, const char* parecidas) {
  if (parecidas[0] != '\0')
    aviso(
        "%s, l\xA1nea %u: '%s' no se usa; \xA8quer\xA1"
        "a decir %s?",
        f, linea, leido, parecidas);
  else
    aviso("%s, l\xA1nea %u: '%s' no se usa", f, linea, leido);
}
inline void mas_no_usados(const char* f, unsigned long n) { aviso("%s: %lu palabras m\xA0s que no se usan", f, n); }
// The model's files take the first characters of its name.
inline void nombre_cortado(const char* base, unsigned long maximo, const char* nombre, const char* ficheros) {
  aviso("el nombre %s se acorta a sus %lu primeros caracteres, %s: escribe %s, como cualquier nombre que empiece igual",
        base, maximo, nombre, ficheros);
}

// Texts with arguments are small functions, so g++ checks each format against its arguments.
[[noreturn]] inline void error_apertura_config(const char* f) {
  puterr(kEntradaErronea, "Error de apertura del fichero %s", f);
}

// Weight file of the model.
inline constexpr char pesos_incompatibles[] = "Fichero de pesos incompatible";
// A weight or result file that cannot be opened or written whole.
[[noreturn]] inline void error_apertura(const char* f) { puterr(kFalloRecurso, "Error de apertura del fichero %s", f); }

// Training.
inline constexpr char sin_memoria_w_train_velmor[] = "Error de asignaci\xA2n de memoria a w en train_velmor()";
inline constexpr char sin_memoria_dydw[] = "Error de asignaci\xA2n de memoria a dydw en train_velmor()";
inline constexpr char sin_memoria_dydw_nsal[] =
    "Error de asignaci\xA2n de memoria a dydw[nret][nsal] en train_velmor()";
inline constexpr char sin_memoria_dydx[] = "Error de asignaci\xA2n de memoria a dydx en train_velmor()";
inline constexpr char sin_memoria_dydx_nsal[] = "Error de asignaci\xA2n de memoria a dydx[nsal] en train_velmor()";
inline constexpr char sin_memoria_err[] = "Error de asignaci\xA2n de memoria a err en train_velmor()";
inline constexpr char sin_retardos_error[] = "\n\n N\xA7 de retardos del error nulo \n\n";
inline constexpr char pesos_guardados_ctrl_c[] = "Pulsaci\xA2n de CTRL-C: Fichero de pesos guardado";

inline void imprime_ciclo(int n, double etr, double ets) {
  imprime_bloque("Ciclo de Opt.: %5d   Etr = %10f   Ets = %10f \n", n, etr, ets);  // whole, against the menu
}

// Test of the trained model (its allocation failures use the training's words).
inline void imprime_ets(double ets) { std::printf("\n\n ets = %f \n\n", ets); }
// ecm: the mean squared error of each output of `out`, in the units of the data.
inline void aviso_ecm_datos(const char* out, std::span<const double> ecm) {
  std::string salidas;
  double total = 0;
  for (std::size_t j = 0; j < ecm.size(); ++j) {
    char v[64];
    std::snprintf(v, sizeof v, "%ssalida %zu: %g", j == 0 ? "" : ", ", j + 1, ecm[j]);
    salidas += v;
    total += ecm[j];
  }
  aviso(
      "error cuadr\xA0tico medio de %s en las unidades de los datos: %g (%s); el ets de arriba est\xA0 en las "
      "unidades escaladas de la red",
      out, total, salidas.c_str());
}

// Initialisation.
[[noreturn]] inline void error_datos_cortos(const char* f) {
  puterr(kEntradaErronea, "Fichero de datos %s demasiado corto para los retardos de la red", f);
}

// The gradient pass asked for.
[[noreturn]] inline void gradiente_no_valido(const char* v) {
  rechaza("Error: VELMOR_GRADIENTE debe valer adjunto o rtrl, no \"%s\"", v);
}

// Scalings of a new model.
[[noreturn]] inline void escala_no_valida(const char* v) {
  rechaza("Error: VELMOR_ESCALA debe valer 0 o 1, no \"%s\"", v);
}
inline void aviso_datos_sin_escala(const char* f, double mayor) {
  aviso(
      "los datos de %s llegan a %g, fuera de +-5, y la red los recibe sin escalar; con VELMOR_ESCALA=1 cada "
      "serie entra con media 0 y desviaci\xA2"
      "n 1",
      f, mayor);
}

}  // namespace msg_velmor
