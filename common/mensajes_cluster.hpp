// Every text the clustering routines print, in code page 850 (\xA2 o-acute).
#pragma once

#include <cstdio>

namespace msg_cluster {
inline constexpr char rv_k_means[] = "Error de asignaci\xA2n de memoria a rv en k_means()";
inline constexpr char drv_leader[] = "Error de asignaci\xA2n de memoria a drv en leader";
inline constexpr char ord_k_means[] = "Error de asignaci\xA2n de memoria a ord en k_means()";
inline constexpr char par_k_means[] = "Error de asignaci\xA2n de memoria a par en k_means()";
inline constexpr char rv_estima_sig[] = "Error de asignaci\xA2n de memoria a rv en estima_sig()";
inline constexpr char nvr_estima_sig[] = "Error de asignaci\xA2n de memoria a nvr en estima_sig()";
inline constexpr char dist_p_nn_h[] = "Error de asignaci\xA2n de memoria a dist en p_nn_h()";
inline constexpr char dist_orden_p_nn_h[] = "Error de asignaci\xA2n de memoria a dist_orden en p_nn_h()";
inline constexpr char p_nn_h_requiere[] = "El algoritmo p_nn_h requiere p<dim";

// Progress of the neural gas, every 100 steps.
inline void ciclo_neural_gas(unsigned t) {
  std::printf("\n\t\tCiclo %4.4u del algoritmo NEURAL GAS", t);
  std::fflush(stdout);
}
}  // namespace msg_cluster
