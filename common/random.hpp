// Uniform random numbers of weight initialisation, and the seeding of the generator the clustering shares.
#pragma once

#include <cstdlib>

#include "common/ajustes.hpp"

// A value on the grid of 1000 points -rango, -0.998 rango, ..., 0.998 rango; +rango never occurs.
template <class A>
typename A::Real aleatorio(typename A::Real rango) {
  using Real = typename A::Real;
  const int k = std::rand() % 1000;
  return rango * Real(k) / Real(500) - rango;
}

// The seed of this velmor process: the integer in VELMOR_SEMILLA, or else the clock (microseconds) mixed
// with the process id. It is chosen once: every perceptron the run builds restarts its draws from the same
// seed, with or without the variable, so one value repeats the whole run. A variable that is not an
// integer ends the process (status 2).
unsigned semilla_velmor();

// Writes a seed taken from the clock on standard error, once, so that the run can be repeated; a seed
// given is not repeated back.
void anuncia_semilla_velmor();

// korbent's seed: the integer in KORBENT_SEMILLA, or 1, so that every run repeats unless asked otherwise.
unsigned semilla_korbent();

template <class A>
void init_aleatorio() {
  std::srand(A::semilla_fija ? semilla_korbent() : semilla_velmor());
}
