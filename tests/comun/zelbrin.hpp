// Small kernel density networks and data matrices, built in one line.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "korbent/zelbrin_fdp.hpp"

namespace prueba {

// ni inputs, nh kernels, no outputs; the network's files are named after `nombre`.
inline std::unique_ptr<ZELBRIN_FDP> red(std::uint32_t ni, std::uint32_t nh, std::uint32_t no,
                                        const char* nombre = "prueba") {
  return construye_zelbrin_fdp(nombre, VECTOR{{ni * 1.0L, nh * 1.0L, no * 1.0L}, 3});
}

inline void identidad_en_entradas(ZELBRIN_FDP& net) {
  for (BUF_UNIT& u : net.ibuf) {
    u.a = 1;
    u.b = 0;
  }
}

// The network with its inputs taken as they come.
inline std::unique_ptr<ZELBRIN_FDP> red_identidad(std::uint32_t ni, std::uint32_t nh, std::uint32_t no) {
  auto net = red(ni, nh, no);
  identidad_en_entradas(*net);
  return net;
}

inline MATRIZ matriz(std::uint32_t dim, std::vector<std::vector<long double>> filas) {
  MATRIZ m;
  m.dim = dim;
  m.ndat = static_cast<std::uint32_t>(filas.size());
  m.d = std::move(filas);
  return m;
}

// As wide as its first row.
inline MATRIZ matriz(std::vector<std::vector<long double>> filas) {
  const auto dim = static_cast<std::uint32_t>(filas.front().size());
  return matriz(dim, std::move(filas));
}

}  // namespace prueba
