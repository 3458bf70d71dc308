// The perceptron's weight file, `name`.wgt: sizes, buffer coefficients and weights as text.
#pragma once

#include "mp/mp.hpp"

// Writes the file beside its name and renames it over the old one when complete, so an interrupted save
// leaves the previous file whole.
void save_w(const MP& net);
// Reads the file into a perceptron of the same sizes; a size mismatch is refused before anything changes.
void load_w(MP& net);
