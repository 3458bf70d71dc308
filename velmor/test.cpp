#include "velmor/test.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "common/asigna.hpp"
#include "common/fichero.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/modelo.hpp"
#include "velmor/pasada.hpp"

void test_velmor(VELMOR& m) {
  const std::string nout = m.name + ".out", ndrv = m.name + ".drv";
  Fichero out = crea_resultado(nout, msg_velmor::error_apertura);
  Fichero drv = crea_resultado(ndrv, msg_velmor::error_apertura);
  // One block of no rows of mp.ni, the layout dydx_mp writes.
  const std::size_t no = tam(m.no), ni = tam(m.mp->ni);
  if (ni != 0 && no > SIZE_MAX / ni) puterr(kFalloRecurso, "%s", msg_velmor::sin_memoria_dydx);
  std::vector<double> dydx = asigna<double>(no * ni, msg_velmor::sin_memoria_dydx);
  // ets is in the perceptron's units; with a scaled output the user also needs the error of .out itself.
  std::vector<double> ecm(no, 0.0);
  std::size_t t = 0;
  double ets = 0;
  eval_set_velmor(m, m.tp->d, m.tp->ndat, ets, dydx, [&](std::span<const MP_BUF> salidas, std::span<const double> dx) {
    for (const double x : dx) std::fprintf(drv.get(), "%+-15.8g  ", x);
    std::fprintf(drv.get(), "\n");
    for (const MP_BUF& s : salidas) std::fprintf(out.get(), "%+-15.8g  ", s.o);
    std::fprintf(out.get(), "\n");
    for (std::size_t j = 0; j < no; ++j) {
      const double e = salidas[j].o - m.tp->d.d[tam(m.ni) + j][t];
      ecm[j] += e * e;
    }
    ++t;
  });
  msg_velmor::imprime_ets(ets);
  if (t > 0 && std::any_of(m.obuf.begin(), m.obuf.end(), [](const MP_BUF& s) { return s.a != 1 || s.b != 0; })) {
    for (double& e : ecm) e /= static_cast<double>(t);
    msg_velmor::aviso_ecm_datos(nout.c_str(), ecm);
  }
  cierra_resultado(out, nout, msg_velmor::error_apertura);
  cierra_resultado(drv, ndrv, msg_velmor::error_apertura);
}
