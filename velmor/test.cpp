#include "velmor/test.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include "common/asigna.hpp"
#include "common/fichero_seguro.hpp"
#include "velmor/entrena.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/modelo.hpp"

namespace {

std::FILE* abre_salida(const std::string& nombre) {
  std::FILE* f = std::fopen(nombre.c_str(), "w");
  if (f == nullptr) error_apertura(nombre.c_str());
  return f;
}

// A file that could not be written whole must not pass for a result.
void cierra_salida(std::FILE* f, const std::string& nombre) {
  if (!cierra_comprobado(f)) error_apertura(nombre.c_str());
}

}  // namespace

void test_velmor(VELMOR& m) {
  const std::string nout = m.name + ".out", ndrv = m.name + ".drv";
  std::FILE* out = abre_salida(nout);
  std::FILE* drv = abre_salida(ndrv);
  // One block of no rows of mp.ni, the layout dydx_mp writes.
  const std::size_t no = static_cast<std::size_t>(m.no), ni = static_cast<std::size_t>(m.mp->ni);
  if (ni != 0 && no > SIZE_MAX / ni) puterr(kFalloRecurso, "%s", msg::sin_memoria_dydx);
  std::vector<double> dydx = asigna<double>(no * ni, msg::sin_memoria_dydx);
  double ets = 0;
  eval_set_velmor(m, m.tp->d, m.tp->ndat, ets, dydx, out, drv);
  imprime_ets(ets);
  cierra_salida(out, nout);
  cierra_salida(drv, ndrv);
}
