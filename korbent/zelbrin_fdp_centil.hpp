// What follows the training: the kernels' order, the density centiles and win counts over the training
// rows, and the kernels' output values.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "common/datos.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"

// Sorts the kernels ascending by `clave`; kernels of equal key keep their order. The overload without a key
// uses the network's own (net.clave, which the program's entry sets).
void ordena_zelbrin_fdp(ZELBRIN_FDP& net, ClaveOrden clave);
void ordena_zelbrin_fdp(ZELBRIN_FDP& net);

// Density centiles, first-input ranges and win counts over the first `ndatos` training rows (in the data's
// units).
void compute_zelbrin_fdp_centil(ZELBRIN_FDP& net, std::span<const std::vector<long double>> datos, std::size_t ndatos);

// The output values of every kernel from the target columns of `datos` (after the ni inputs).
void calcula_zelbrin_fdp_e2(ZELBRIN_FDP& net, const MATRIZ& datos);
