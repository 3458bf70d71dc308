// Small kernel density networks and data matrices, built in one line.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "korbent/zelbrin_fdp.hpp"
#include "korbent/zelbrin_fdp_entrena.hpp"

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

// The training record of a network about to train on m's rows, as the training makes it.
inline void con_filas(ZELBRIN_FDP& net, const MATRIZ& m) {
  net.lp = std::make_unique<ZELBRIN_FDP_LP>();
  net.lp->ts = m.d;
  net.lp->tsize = m.ndat;
  net.lp->wopt.assign(tam_parametros_zelbrin_fdp(net), 0);
}

// The training objective at w over net.lp's rows, and its gradient into *g when asked.
inline long double objetivo(ZELBRIN_FDP& net, const std::vector<long double>& w,
                            std::vector<long double>* g = nullptr) {
  std::vector<long double> dw(w.size());
  const long double e = evalua_grad_zelbrin_fdp(w, dw, net);
  if (g != nullptr) *g = dw;
  return e;
}

}  // namespace prueba
