// What the numeric tests share: both programs' settings as a list of types, and an error surface known in closed form.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <span>
#include <vector>

#include "common/ajustes.hpp"

using LosDosProgramas = ::testing::Types<AjustesVelmor, AjustesKorbent>;

namespace prueba {

// sum_i h_i (w_i - c_i)^2 / 2 with its minimum at c; every h_i is 1 when h is empty.
template <class Real>
struct Cuadratica {
  std::vector<Real> c, h;
  int evaluaciones = 0;
  Real operator()(std::span<const Real> w, std::span<Real> g) {
    ++evaluaciones;
    Real e = 0;
    for (std::size_t i = 0; i < w.size(); ++i) {
      const Real hi = h.empty() ? Real(1) : h[i];
      g[i] = hi * (w[i] - c[i]);
      e += hi * (w[i] - c[i]) * (w[i] - c[i]) / 2;
    }
    return e;
  }
};

}  // namespace prueba
