// The test of a trained network: the scoring of a validation set into <name>.out, one line per row.
#pragma once

#include "common/datos.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"

// The network's `test` operation: writes <name>.out (nothing for an empty set) and returns minus the mean
// of ln p over all rows, the rows of non-positive density adding nothing.
long double test_zelbrin_fdp(ZELBRIN_FDP& net, const MATRIZ& zts);
