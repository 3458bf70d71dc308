// What the tests of the model's weight file and training share: a working directory of their own, a small
// model with distinct scalings and synthetic series.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ajustes.hpp"
#include "common/random.hpp"
#include "comun/directorio_propio.hpp"
#include "comun/salida.hpp"
#include "velmor/modelo.hpp"

namespace prueba {

namespace fs = std::filesystem;

// Every file a model writes is named after it, so each test works in a fresh directory.
using EnDirectorio = DirectorioPropio;

// Random weights and scalings away from 1 and 0 everywhere, so that a coefficient left out shows.
inline void aleatoriza(VELMOR& m, unsigned semilla) {
  std::srand(semilla);
  aleatorio_pesos(*m.mp);
  for (auto& b : m.bancox) b->ibuf.a = 0.6 + aleatorio<AjustesVelmor>(0.3), b->ibuf.b = aleatorio<AjustesVelmor>(0.2);
  for (auto& b : m.bancoe)
    if (b) b->ibuf.a = 0.8 + aleatorio<AjustesVelmor>(0.3), b->ibuf.b = aleatorio<AjustesVelmor>(0.2);
  for (MP_BUF& b : m.obuf) b.a = 1.4 + aleatorio<AjustesVelmor>(0.3), b.b = aleatorio<AjustesVelmor>(0.3);
}

// Series of `filas` rows: inputs first, then outputs that depend on them, so that training has something to fit.
inline Columnas series(int ni, int no, std::size_t filas, unsigned semilla) {
  std::srand(semilla);
  Columnas c;
  c.ndat = static_cast<std::uint32_t>(filas);
  c.d.assign(static_cast<std::size_t>(ni + no), std::vector<double>(filas));
  for (std::size_t t = 0; t < filas; ++t) {
    double suma = 0;
    for (std::size_t k = 0; k < static_cast<std::size_t>(ni); ++k) suma += c.d[k][t] = aleatorio<AjustesVelmor>(1.0);
    for (std::size_t j = 0; j < static_cast<std::size_t>(no); ++j)
      c.d[static_cast<std::size_t>(ni) + j][t] =
          0.5 * suma + 0.3 * (t > 0 ? c.d[static_cast<std::size_t>(ni) + j][t - 1] : 0) + 0.1 * double(j);
  }
  return c;
}

}  // namespace prueba
