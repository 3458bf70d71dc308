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

// Training writes its files in the current directory: each test starts in a directory of its own, with a
// record of no reports and no best test error to lend the trainings.
class EntrenaEnDirectorio : public DirectorioPropio {
 protected:
  Marcador<double> marcador;
};

}  // namespace prueba
