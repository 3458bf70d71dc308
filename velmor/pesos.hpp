// The model's weight file, `name`.wgt: its shape and the coefficients of its buffer units. The perceptron's
// weights go to its own file, `name`#.wgt, written and read right after.
#pragma once

#include "velmor/modelo.hpp"

// Both files are written beside their names and renamed when complete: an interrupted save leaves the
// previous files whole.
void save_velmor(const VELMOR& m);
// Into a model built with the same configuration. A different shape, or a file that ends before its last
// number, ends the process with "Fichero de pesos incompatible" before any coefficient changes.
void load_velmor(VELMOR& m);
