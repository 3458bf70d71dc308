// The starting point of training: input normalisation fitted to the training set, kernels placed by a
// clustering method in the normalised space, widths from the spread of each cluster, equal mixing weights.
#pragma once

#include <cstdint>

#include "common/datos.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"

// leader_flag: 0 neural gas, 1 k-means, 2 leader seeding then k-means, 3 the representation files, any
// other value no clustering. Only the first ni columns of `m` are read; `m` itself is left untouched.
void inicializa_pesos_zelbrin_fdp(ZELBRIN_FDP& net, const MATRIZ& m, std::uint8_t leader_flag);
