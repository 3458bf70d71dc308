// The model's weight file, `name`.wgt: its shape and the coefficients of its buffer units. The perceptron's
// weights go to its own file, `name`#.wgt, written and read right after.
#pragma once

#include <span>

#include "velmor/modelo.hpp"

// Both files are written beside their names and renamed as one set when complete: an interrupted save
// leaves the previous pair whole.
// With `pesos` (packed in the perceptron's order) the perceptron's weights come from there, and the model's
// own are not read: the interrupt watcher saves a point while the training moves the model.
void save_velmor(const VELMOR& m, std::span<const double> pesos = {});
// Before any weight file is read or written: completes a save of the pair that a kill cut short, and
// removes the temporaries earlier runs left of the pair and of mpaux.wgt.
void recupera_pesos(const VELMOR& m);
// Into a model built with the same configuration. A different shape, or a file that ends before its last
// number, or a coefficient that is not a finite number, ends the process with "Fichero de pesos incompatible"
// before any coefficient changes.
void load_velmor(VELMOR& m);
