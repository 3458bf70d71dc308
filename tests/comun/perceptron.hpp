// A perceptron's weights and outputs as vectors the tests can compare.
#pragma once

#include <vector>

#include "mp/mp.hpp"

namespace prueba {

inline std::vector<double> pesos(const MP& mp) {
  std::vector<double> w(mp.nw);
  empaqueta_pesos(mp, w);
  return w;
}

// Evaluates the network on what its inputs point at.
inline std::vector<double> salidas(MP& mp) {
  eval_mp(mp);
  std::vector<double> o;
  for (const MP_BUF& b : mp.obuf) o.push_back(b.o);
  return o;
}

}  // namespace prueba
