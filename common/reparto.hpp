// A job over a crew of threads when there is one, or whole on the calling thread when there is not, so a
// loop is written once for both.
#pragma once

#include "common/hilos.hpp"

struct Reparto {
  Cuadrilla* cuadrilla = nullptr;  // none: one part, run by the caller

  unsigned partes() const { return cuadrilla != nullptr ? cuadrilla->hilos() : 1u; }

  // f(parte) for every part; see Cuadrilla::reparte.
  template <class F>
  void operator()(F&& f) const {
    if (cuadrilla != nullptr)
      cuadrilla->reparte([&f](unsigned parte) { f(parte); });
    else
      f(0u);
  }

  // Inside a job: the parts' meeting; see Cuadrilla::sincroniza.
  void sincroniza() const {
    if (cuadrilla != nullptr) cuadrilla->sincroniza();
  }
};
