// The start of a new model: a static perceptron "mpaux" fitted from the lagged inputs to the outputs, whose
// weights the model takes over with its error feedback switched off.
#pragma once

#include <memory>

#include "mp/mp.hpp"
#include "velmor/modelo.hpp"

// Trains mpaux on the model's training set (watching its test set, when it has one) for 25 cycles and copies
// its scalings and weights into the model. The error taps keep weight 0 and get the identity scaling. A data
// set with fewer rows than the longest input bank ends the process with status 0. Returns mpaux, whose pattern
// records point into the model's data sets.
std::unique_ptr<MP> init_velmor(VELMOR& m);
