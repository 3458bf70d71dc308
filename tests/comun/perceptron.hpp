// A perceptron's weights and outputs as vectors the tests can compare, and a fixture for its training.
#pragma once

#include <vector>

#include "comun/directorio_propio.hpp"
#include "mp/mp.hpp"
#include "mp/mp_entrena.hpp"

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

// Training writes its files in the current directory and keeps its best test error in a global: each test
// starts in a directory of its own and from no best error.
class EntrenaEnDirectorio : public DirectorioPropio {
 protected:
  void SetUp() override {
    DirectorioPropio::SetUp();
    err_tst_min = 1e30;
  }
};

}  // namespace prueba
