// Every text the clustering routines print, in code page 850 (\xA2 o-acute); those with accents are Texto850.
#pragma once

#include <cstdio>

#include "terminal/consola.hpp"

namespace msg_cluster {
inline constexpr Texto850 rv_k_means{"Error de asignaci\xA2n de memoria a rv en k_means()"};
inline constexpr Texto850 drv_leader{"Error de asignaci\xA2n de memoria a drv en leader"};
inline constexpr Texto850 ord_k_means{"Error de asignaci\xA2n de memoria a ord en k_means()"};
inline constexpr Texto850 par_k_means{"Error de asignaci\xA2n de memoria a par en k_means()"};
inline constexpr Texto850 rv_estima_sig{"Error de asignaci\xA2n de memoria a rv en estima_sig()"};
inline constexpr Texto850 nvr_estima_sig{"Error de asignaci\xA2n de memoria a nvr en estima_sig()"};
inline constexpr Texto850 dist_p_nn_h{"Error de asignaci\xA2n de memoria a dist en p_nn_h()"};
inline constexpr Texto850 dist_orden_p_nn_h{"Error de asignaci\xA2n de memoria a dist_orden en p_nn_h()"};
inline constexpr char p_nn_h_requiere[] = "El algoritmo p_nn_h requiere p<dim";

// Progress of the neural gas, every 100 steps.
inline void ciclo_neural_gas(unsigned t) {
  std::printf("\n\t\tCiclo %4.4u del algoritmo NEURAL GAS", t);
  std::fflush(stdout);
}
}  // namespace msg_cluster
