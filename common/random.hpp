// Uniform random numbers of weight initialisation, and the seeding of the generator the clustering shares.
#pragma once

#include <cstdlib>
#include <ctime>

#include "common/ajustes.hpp"

// A value on the grid of 1000 points -rango, -0.998 rango, ..., 0.998 rango; +rango never occurs.
template <class A>
typename A::Real aleatorio(typename A::Real rango) {
  using Real = typename A::Real;
  const int k = std::rand() % 1000;
  return rango * Real(k) / Real(500) - rango;
}

// The seed velmor takes when it does not use the clock: the integer in VELMOR_SEMILLA, if that is set.
bool semilla_de_entorno(unsigned& semilla);

// velmor: the clock (every run differs); korbent: the constant 1 (every run repeats).
template <class A>
void init_aleatorio() {
  if constexpr (A::semilla_fija) {
    std::srand(1);
  } else {
    unsigned semilla;
    if (!semilla_de_entorno(semilla)) semilla = static_cast<unsigned>(std::time(nullptr));
    std::srand(semilla);
  }
}
