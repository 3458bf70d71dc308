// The perceptron's weight file, `name`.wgt: sizes, buffer coefficients and weights as text.
#pragma once

#include <cstdio>
#include <span>

#include "mp/mp.hpp"

// Writes the file beside its name and renames it over the old one when complete, so an interrupted save
// leaves the previous file whole.
void save_w(const MP& net);
// The file's text, for a caller that writes it as part of a set. With `pesos` (packed in the perceptron's
// order) the weights come from there, and the units' own are not read.
void escribe_w(const MP& net, std::FILE* f, std::span<const double> pesos = {});
// Reads the file into a perceptron of the same sizes; a size mismatch is refused before anything changes,
// a number that is not finite with "Error en el fichero %s.wgt".
void load_w(MP& net);
