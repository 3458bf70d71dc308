#include "mp/mp_entrena.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/asigna.hpp"
#include "common/fichero.hpp"
#include "common/gconj.hpp"
#include "mp/mensajes.hpp"
#include "mp/mp_entradas.hpp"
#include "mp/mp_pesos.hpp"
#include "mp/mp_prueba.hpp"
#include "terminal/interrupcion.hpp"

namespace {

// The training error of grad_mp, without the gradient: the test's pass over the training patterns.
double error_entrenamiento(MP& mp) {
  return pasada_mp(mp, mp.lp->ts, mp.lp->npat, {}, [](std::span<const MP_BUF>, std::span<const double>) {});
}

}  // namespace

double grad_mp(std::span<const double> w, std::span<double> g, MP& mp) {
  const LP_MP& lp = *mp.lp;
  const std::size_t ni = tam(mp.ni), nh = tam(mp.nh);
  Entradas x(mp);
  double E = 0;
  desempaqueta_pesos(mp, w);
  std::fill(g.begin(), g.end(), 0.0);
  for (std::size_t p = 0; p < lp.npat; ++p) {
    x.carga(lp.ts, p);
    eval_mp(mp);
    for (std::size_t j = 0; j < mp.ol.size(); ++j) {
      const MP_UNIT& o = mp.ol[j];
      const double diff = lp.ts[ni + j][p] - mp.obuf[j].o;
      E += diff * diff;
      const double c = o.pendiente() * diff;
      double* gs = g.data() + indice_peso_salida(mp, j, 0);
      for (std::size_t h = 0; h <= nh; ++h) gs[h] += c * *o.i[h];
      for (std::size_t h = 0; h < nh; ++h) {
        const MP_UNIT& u = mp.hl[h];
        const double t = u.pendiente() * (c * o.w[h + 1]);
        double* gh = g.data() + indice_peso_oculta(mp, h, 0);
        for (std::size_t m = 0; m <= ni; ++m) gh[m] += t * *u.i[m];
      }
    }
  }
  if (lp.npat > 0) {
    const double f = -2.0 / static_cast<double>(lp.npat);
    for (double& gk : g) gk = f * gk;
  }
  return media(E, lp.npat);
}

bool seguimiento_mp(std::span<const double> w, double /*E*/, MP& mp, Marcador<double>& marcador) {
  desempaqueta_pesos(mp, w);
  const double etr = error_entrenamiento(mp);
  // Without a test set there is no test error; the .res and console lines carry 0 in its place.
  double err_tst = 0;
  if (mp.tp) {
    err_tst = mp_test(mp);
    if (marcador.nuevo_minimo(err_tst)) save_w(mp);
  }
  const std::string nombre = mp.name + ".res";
  Fichero res = crea_resultado(nombre, msg_mp::error_apertura_mp, "a");
  ++marcador.ciclos;
  std::fprintf(res.get(), "%+-15.8g  %+-15.8g\n", etr, err_tst);
  imprime_bloque("%4.4d  %+-15.8g  %+-15.8g \n", static_cast<int>(marcador.ciclos), etr, err_tst);
  cierra_resultado(res, nombre, msg_mp::error_apertura_mp);
  return false;
}

void train_rbwbr(MP& mp, Marcador<double>& marcador) {
  std::vector<double> w = asigna<double>(mp.nw, msg_mp::sin_memoria_w_train);
  empaqueta_pesos(mp, w);
  marcador.ciclos = 0;
  // Without a save of this training, the weight file on disk (if any) belongs to an earlier training or an
  // earlier run, and must not be taken for this training's best weights.
  marcador.guardado = false;
  gconj(
      w, mp.lp->nco, [&](std::span<const double> x, std::span<double> g) { return grad_mp(x, g, mp); },
      [&](std::span<const double> x, double e) { return seguimiento_mp(x, e, mp, marcador); });
  // The lowest test error may come from an earlier training: when no report of this one beat it, the weight
  // file is not this training's, and the last point is kept instead.
  if (mp.tp && marcador.guardado)
    load_w(mp);
  else
    desempaqueta_pesos(mp, w);
  save_w(mp);
}
