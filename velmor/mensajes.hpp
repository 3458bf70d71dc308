// Every text velmor prints, in code page 850 (\xA2 o-acute, \xA0 a-acute, \xA7 ordinal sign).
#pragma once

#include <cstdio>

#include "common/errmess.hpp"

namespace msg {
inline constexpr char uso[] = "Uso: VELMORTR nombre (sin extensi\xA2n .NET)";

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
}  // namespace msg

// Texts with arguments are small functions, so g++ checks each format against its arguments.
[[noreturn]] inline void error_apertura_config(const char* f) { puterr(0, "Error de apertura del fichero %s", f); }

// Weight file of the model.
namespace msg {
inline constexpr char pesos_incompatibles[] = "Fichero de pesos incompatible";
}  // namespace msg
[[noreturn]] inline void error_apertura_pesos(const char* f) { puterr(1, "Error de apertura del fichero %s", f); }

// Training.
namespace msg {
inline constexpr char sin_memoria_w_train_velmor[] = "Error de asignaci\xA2n de memoria a w en train_velmor()";
inline constexpr char sin_memoria_dydw[] = "Error de asignaci\xA2n de memoria a dydw en train_velmor()";
inline constexpr char sin_memoria_dydw_nret[] = "Error de asignaci\xA2n de memoria a dydw[nret] en train_velmor()";
inline constexpr char sin_memoria_dydw_nsal[] =
    "Error de asignaci\xA2n de memoria a dydw[nret][nsal] en train_velmor()";
inline constexpr char sin_memoria_dydx[] = "Error de asignaci\xA2n de memoria a dydx en train_velmor()";
inline constexpr char sin_memoria_dydx_nsal[] = "Error de asignaci\xA2n de memoria a dydx[nsal] en train_velmor()";
inline constexpr char sin_memoria_err[] = "Error de asignaci\xA2n de memoria a err en train_velmor()";
inline constexpr char sin_retardos_error[] = "\n\n N\xA7 de retardos del error nulo \n\n";
inline constexpr char pesos_guardados_ctrl_c[] = "Pulsaci\xA2n de CTRL-C: Fichero de pesos guardado";
}  // namespace msg
inline void imprime_ciclo(int n, double etr, double ets) {
  flockfile(stdout);  // the line and its flush as one, against the interrupt menu
  std::printf("Ciclo de Opt.: %5d   Etr = %10f   Ets = %10f \n", n, etr, ets);
  std::fflush(stdout);
  funlockfile(stdout);
}

// Test of the trained model (its allocation failures use the training's words).
[[noreturn]] inline void error_apertura(const char* f) { puterr(1, "Error de apertura del fichero %s", f); }
inline void imprime_ets(double ets) { std::printf("\n\n ets = %f \n\n", ets); }

// Initialisation.
[[noreturn]] inline void error_datos_cortos(const char* f) {
  puterr(0, "Fichero de datos %s demasiado corto para los retardos de la red", f);
}

// Scalings of a new model.
namespace msg {
[[noreturn]] inline void escala_no_valida(const char* v) { puterr(0, "VELMOR_ESCALA debe valer 0 o 1, no \"%s\"", v); }
}  // namespace msg
inline void aviso_datos_sin_escala(const char* f, double mayor) {
  aviso(
      "los datos de %s llegan a %g, fuera de +-5, y la red los recibe sin escalar; con VELMOR_ESCALA=1 cada "
      "serie entra con media 0 y desviaci\xA2"
      "n 1",
      f, mayor);
}
