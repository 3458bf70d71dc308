// Every text korbent prints. Its own texts are Windows-1252 (\xF3 o-acute, \xE1 a-acute, \xFA u-acute,
// \xBF inverted question mark); the allocation messages in code page 850 (\xA2 o-acute) are Texto850, so a
// UTF-8 console converts each from its own page.
#pragma once

#include <cstddef>

#include "common/errmess.hpp"
#include "terminal/consola.hpp"

namespace msg_korbent {

// -h and --help.
inline constexpr char ayuda[] =
    "Uso: korbent nombre ni nh no nco inic entrenamiento [test [validaci\xF3n]]\n"
    "     korbent              pide los mismos datos uno a uno\n"
    "     korbent -h | --help  esta ayuda\n"
    "     korbent --version    la versi\xF3n\n"
    "\n"
    "  nombre         nombre de la red y de sus ficheros\n"
    "  ni nh no       entradas, n\xFA"
    "cleos gaussianos (>= 1) y salidas (>= 0)\n"
    "  nco            ciclos de entrenamiento (>= 0)\n"
    "  inic           inicializaci\xF3n: 0=NGAS 1=KMEANS 2=LEADER+KMEANS 3=FICHERO\n"
    "  entrenamiento  datos de entrenamiento; '-' o vac\xEDo: no entrena y carga la red\n"
    "                 guardada (nombre.rep, .sig, .nvr, .wa, .prc)\n"
    "  test           datos que vigilan el entrenamiento ('-': ninguno)\n"
    "  validaci\xF3n     datos que se eval\xFA"
    "an al final en nombre.out ('-': ninguno)\n"
    "Cada fila de datos lleva las ni entradas y luego las no salidas.\n"
    "Escribe nombre.rep, .sig, .nvr, .wa, .prc y nombre.out (una l\xEDnea por fila de\n"
    "validaci\xF3n, campos separados por TAB). Ctrl-C pregunta si parar al acabar el ciclo.\n"
    "Tras un error espera Enter: sin nadie en la consola, redirija la entrada (</dev/null).\n"
    "\n"
    "Variables de entorno:\n"
    "  KORBENT_SEMILLA=N  semilla del generador aleatorio (por omisi\xF3n 1: toda ejecuci\xF3n\n"
    "                     se repite)\n"
    "  KORBENT_HILOS=N    hilos de c\xE1lculo (por omisi\xF3n, los n\xFA"
    "cleos); no cambia el resultado\n"
    "  KORBENT_PACIENCIA=P  con test, acaba tras P ciclos seguidos sin un Ets menor\n"
    "  KORBENT_OPTIMIZADOR=em  entrena por expectaci\xF3n-maximizaci\xF3n: el mismo error, en\n"
    "                     muchos menos ciclos; lmqn1 o sin variable: gradientes conjugados\n"
    "Estado de salida: 0 trabajo terminado, 1 fallo de un recurso o par\xE1metro incorrecto,\n"
    "2 error en la entrada (datos, dimensiones, pesos).\n"
    "Gu\xED"
    "as: docs/korbent.md y docs/README.md de la distribuci\xF3n.\n";

// Dialog prompts.
inline constexpr char pide_nombre[] = "\n\n Nombre de la red -> ";
inline constexpr char pide_entradas[] = "\n Numero de entradas -> ";
inline constexpr char pide_ocultas[] = "\n Numero de unidades ocultas -> ";
inline constexpr char pide_salidas[] = "\n Numero de salidas -> ";
inline constexpr char pide_ciclos[] = "\n Numero de ciclos de entrenamiento -> ";
inline constexpr char pide_inic[] = "\n Inic.: 0=NGAS 1=KMEANS 2=LEADER+KMEANS 3=FICHERO -> ";
inline constexpr char pide_entrenamiento[] = "\n Fichero de entrenamiento -> ";
inline constexpr char pide_test[] = "\n Fichero de test -> ";
inline constexpr char pide_validacion[] = "\n Fichero de validacion -> ";

// A command line that opens the dialog while its answers come from a file or a pipe.
inline void argumentos_dialogo(int n) {
  static const char* const kNombres[] = {"nombre", "ni", "nh", "no", "nco", "inic", "entrenamiento"};
  const char* que = n == 1 ? "argumento" : "argumentos";
  if (n < 7)
    aviso(
        "korbent recibi\xF3 %d %s y necesita al menos 7: falta %s; el di\xE1logo toma las respuestas de la "
        "entrada est\xE1ndar",
        n, que, kNombres[n]);
  else
    aviso(
        "korbent recibi\xF3 %d %s y admite 9 como mucho; el di\xE1logo toma las respuestas de la entrada "
        "est\xE1ndar",
        n, que);
}

// Parameter checks (status 1).
inline constexpr char entradas_mal[] = "Numero de entradas incorrecto";
inline constexpr char unidades_mal[] = "Numero de unidades incorrecto";
inline constexpr char salidas_mal[] = "Numero de salidas incorrecto";
inline constexpr char ciclos_mal[] = "Numero de ciclos incorrecto";
inline constexpr char modo_mal[] = "Modo de inicializaci\xF3n incorrecto";  // a mode beyond 32 bits
inline constexpr char sin_memoria_prm[] = "Error de asignaci\xF3n de memoria";

// Ctrl-C.
inline constexpr char redireccionando[] = "Error redireccionando CTRL-C";
inline constexpr char pregunta_ctrl_c[] =
    "  \n \xBFInterrumpir el proceso cuando acabe el ciclo de opt. y guardar pesos?";
inline constexpr char opcion_ctrl_c[] = "\n\n \t\t\t\tOPCION -> ";

// The advice of the shared early-end warning, in its code page 850: a start that differs. Modes 0 and 1 draw
// random rows (neural gas, k-means seeding itself); leader seeding draws none, nor do the stored files.
inline constexpr char otro_arranque[] =
    "pruebe otro arranque: otro modo de inicializaci\xA2n o, en los modos 0 y 1, los que sacan n\xA3meros "
    "aleatorios, otra KORBENT_SEMILLA";

// Progress report, one line per optimisation cycle.
inline constexpr char ciclo[] = "\n \t Ciclo: %u \t Etr=%Lf \t Ets=%Lf";

// Construction of the network.
inline constexpr char parametros_mal[] =
    "N\xFAmero de par\xE1metros incorrecto en la llamada a construye_zelbrin_fdp()";
inline constexpr char dimensiones_mal[] = "Dimensiones de red %s incorrectas";
inline constexpr char sin_memoria_red[] = "Error de asignacion de memoria a zelbr en main()";
// Also the message of emax.
inline constexpr Texto850 sin_memoria_i{"Error de asignaci\xA2n de memoria a rbfn->i en construye_zelbrin_fdp()"};
inline constexpr Texto850 sin_memoria_ibuf{"Error de asignaci\xA2n de memoria a zelbr->ibuf en create_rbfn()"};
inline constexpr Texto850 sin_memoria_rb{"Error de asignaci\xA2n de memoria a zelbr->rb en create_rbfn()"};
inline constexpr Texto850 sin_memoria_rb_i{"Error de asignaci\xA2n de memoria a zelbr->rb[i]->i en create_rbfn()"};
inline constexpr Texto850 sin_memoria_rb_r{"Error de asignaci\xA2n de memoria a zelbr->rb[i]->r en create_rbfn()"};
inline constexpr Texto850 sin_memoria_rb_b{"Error de asignaci\xA2n de memoria a zelbr->rb[i]->b en create_rbfn()"};
inline constexpr Texto850 sin_memoria_wa{"Error de asignaci\xA2n de memoria a rbfn->wa en construye_zelbrin_fdp()"};
inline constexpr Texto850 sin_memoria_prbout{"Error de asignaci\xA2n de memoria a zelbr->prbout en create_rbfn()"};
inline constexpr Texto850 sin_memoria_prbout_i{
    "Error de asignaci\xA2n de memoria a zelbr->prbout[i]->i en create_rbfn()"};
inline constexpr Texto850 sin_memoria_prbout_w{"Error de asignaci\xA2n de memoria a zelbr->rb[i]->w en create_rbfn()"};
inline constexpr Texto850 sin_memoria_obuf{"Error de asignaci\xA2n de memoria a zelbr->obuf en create_rbfn()"};

// Weight vector.
inline constexpr char sin_memoria_w_d[] = "Error de asignaci\xF3n de memoria a w->d en salva_pesos";
inline constexpr char pesos_incompatibles[] = "Pesos incompatibles";

// Training data whose density in its own units the arithmetic cannot hold: an error in the data.
[[noreturn]] inline void entradas_concentradas(const char* f, long double limite) {
  puterr(kEntradaErronea,
         "Entradas de %s demasiado concentradas: el producto de sus desviaciones t\xEDpicas es menor que %Lg", f,
         limite);
}

// KORBENT_OPTIMIZADOR names no optimiser: refused on standard error, status 2.
[[noreturn]] inline void optimizador_desconocido(const char* valor) {
  rechaza(
      "Error: KORBENT_OPTIMIZADOR='%s' no es un optimizador; indique lmqn1 (gradientes conjugados, el de siempre) o em "
      "(expectaci\xF3n-maximizaci\xF3n), o quite la variable",
      valor);
}

// Representation files.
inline constexpr char apertura_fichero[] = "Error de apertura de fichero %s";
inline constexpr char dimensiones_rep[] = "Dimensiones incorrectas en %s";
// Before "Error en el fichero de datos", which names no line: the row (one per kernel) and its value.
inline void aviso_rep_invalido(const char* f, std::size_t fila, long double v, const char* debe) {
  aviso("%s, fila %zu: %Lg, y %s", f, fila, v, debe);
}
inline constexpr char sig_no_nula[] = "una desviaci\xF3n t\xEDpica no puede ser 0 ni infinita";
inline constexpr char wa_no_negativo[] = "un peso de mezcla debe ser >= 0";

// Initialisation (code page 850).
inline constexpr Texto850 sin_memoria_r{"Error de asignaci\xA2n de memoria a r"};
inline constexpr Texto850 sin_memoria_nvr{"Error de asignaci\xA2n de memoria a nvr"};
inline constexpr Texto850 sin_memoria_sig{"Error de asignaci\xA2n de memoria a sig"};

// Training (Windows-1252 except `sin_memoria_w` and `sin_memoria_wopt`, which are code page 850).
inline constexpr char sin_memoria_lp[] = "Error de asignaci\xF3n de memoria a lp en train_zelbrin_fdi";
inline constexpr char sin_memoria_tp[] = "Error de asignaci\xF3n de memoria a tp en train_zelbrin_fdi";
inline constexpr Texto850 sin_memoria_w{"Error de asignaci\xA2n de memoria a w"};
inline constexpr Texto850 sin_memoria_wopt{"Error de asignaci\xA2n de memoria a zelbr->lp->wopt"};
inline constexpr char sin_memoria_sum_a[] = "Error de asignaci\xF3n de memoria a sum_a en compute_zelbrin_fdi_e2";
inline constexpr char sin_memoria_e2[] = "Error de asignaci\xF3n de memoria a e2 en compute_zelbrin_fdi_e2";

// Centiles, ordering and test (Windows-1252 except `sin_memoria_rb_orden`, code page 850).
inline constexpr char sin_memoria_p_centil[] = "Error de asignaci\xF3n de memoria a p en centiles()";
inline constexpr char sin_memoria_p_orden[] = "Error de asignaci\xF3n de memoria a p en ordena_zelbrin_fdp()";
inline constexpr Texto850 sin_memoria_rb_orden{"Error de asignaci\xA2n de memoria a zelbr->rb en ordena_zelbrin_fdp()"};
inline constexpr char sin_memoria_waux[] = "Error de asignaci\xF3n de memoria a waux en ordena_zelbrin_fdp()";
inline constexpr char apertura_out[] = "Error de apertura del fichero %s";

// <name>.out, one line per validation row.
inline constexpr char out_campo[] = "%Lf\t";
inline constexpr char out_hmax[] = "%d\t";
inline constexpr char out_cuota_nula[] = "0.0\t";
inline constexpr char out_fin[] = "\n";

}  // namespace msg_korbent
