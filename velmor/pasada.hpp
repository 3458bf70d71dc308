// The model's passes over a data set: the step each pass takes per row, and the pass that measures the error of
// a set and hands each row's results to its caller (the test writes them; the training's report only sums).
#pragma once

#include <cstddef>
#include <span>

#include "common/datos.hpp"
#include "velmor/modelo.hpp"

// Inputs of row t, and the outputs observed at row t - 1 (0 at the first row).
inline void pon_fila(VELMOR& m, const Columnas& D, std::size_t t) {
  const std::size_t nx = tam(m.ni);
  for (std::size_t k = 0; k < nx; ++k) m.i[k] = D.d[k][t];
  for (std::size_t j = 0; j < m.d.size(); ++j) m.d[j] = t >= 1 ? D.d[nx + j][t - 1] : 0.0;
}

// Error of output j in the perceptron's units: the observation is taken back through the output scaling.
inline double error_salida(const VELMOR& m, const Columnas& D, std::size_t j, std::size_t t) {
  const MP_BUF& s = m.obuf[j];
  return m.mp->obuf[j].o - (D.d[tam(m.ni) + j][t] - s.b) / s.a;
}

// One pass over `rows` rows of D from a cleared state; E is the mean squared error. After each row's error,
// fila(salidas, dydx) gets the model's outputs (m.obuf) and, when dydx is not empty (no rows of the
// perceptron's ni), the perceptron's input derivatives at that row.
template <class Fila>
void eval_set_velmor(VELMOR& m, const Columnas& D, std::size_t rows, double& E, std::span<double> dydx, Fila&& fila) {
  reset_velmor(m);
  E = 0;
  for (std::size_t t = 0; t < rows; ++t) {
    pon_fila(m, D, t);
    eval_velmor(m);
    if (!dydx.empty()) dydx_mp(*m.mp, dydx);
    for (std::size_t j = 0; j < tam(m.no); ++j) {
      const double e = error_salida(m, D, j, t);
      E += e * e;
    }
    fila(std::span<const MP_BUF>(m.obuf), std::span<const double>(dydx));
  }
  E = E / static_cast<double>(rows);
}

// The error alone.
void eval_set_velmor(VELMOR& m, const Columnas& D, std::size_t rows, double& E);
