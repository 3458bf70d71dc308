// Test of a perceptron on its own: the pass over the test patterns, and the writer of its files, <name>.out
// (the outputs) and, on request, <name>.dNN (the input derivatives of output NN), in the current directory.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "mp/mp.hpp"
#include "mp/mp_entradas.hpp"

// One pass over `npat` patterns of ts (inputs ts[k][p], targets ts[ni + j][p]); returns the mean over the
// patterns of the squared errors summed over outputs. After each pattern's error, fila(salidas, dydx) gets the
// output buffers and, when dydx is not empty (no rows of ni), the input derivatives at that pattern.
template <class Fila>
double pasada_mp(MP& mp, const std::vector<const double*>& ts, std::size_t npat, std::span<double> dydx, Fila&& fila) {
  const std::size_t ni = tam(mp.ni), no = tam(mp.no);
  Entradas x(mp);
  double e = 0;
  for (std::size_t p = 0; p < npat; ++p) {
    x.carga(ts, p);
    eval_mp(mp);
    if (!dydx.empty()) dydx_mp(mp, dydx);
    for (std::size_t i = 0; i < no; ++i) {
      const double diff = ts[ni + i][p] - mp.obuf[i].o;
      e += diff * diff;
    }
    fila(std::span<const MP_BUF>(mp.obuf), std::span<const double>(dydx));
  }
  return media(e, npat);
}

// Over mp.tp: writes <name>.out (and <name>.dNN per output when tp->derivadas is set); returns the error of
// pasada_mp.
double mp_test(MP& mp);
