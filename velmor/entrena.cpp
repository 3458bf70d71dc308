#include "velmor/entrena.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "common/asigna.hpp"
#include "common/gconj.hpp"
#include "common/mensajes.hpp"
#include "velmor/ctrl_c.hpp"
#include "velmor/gradiente_adjunto.hpp"
#include "velmor/gradiente_rtrl.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/pasada.hpp"
#include "velmor/pesos.hpp"

namespace {

void libera_buffers(VELMOR_LP& lp) {
  lp.cuadrilla.reset();
  std::vector<double>().swap(lp.dydw);
  std::vector<double*>().swap(lp.dydw_r);
  std::vector<double>().swap(lp.dydx);
  std::vector<double>().swap(lp.err);
  std::vector<double>().swap(lp.pasos);
  std::vector<double>().swap(lp.adjuntos);
  std::vector<double>().swap(lp.entradas);
}

}  // namespace

int nret_velmor(const VELMOR& m) {
  int nret = 0;
  for (const auto& b : m.bancoe)
    if (b) nret = std::max(nret, b->n);
  return nret;
}

PaseGradiente pase_de_entorno() {
  const char* v = std::getenv("VELMOR_GRADIENTE");
  if (v == nullptr || *v == '\0' || std::strcmp(v, "adjunto") == 0) return PaseGradiente::adjunto;
  if (std::strcmp(v, "rtrl") == 0) return PaseGradiente::rtrl;
  msg_velmor::gradiente_no_valido(v);
}

void reparte_hilos(VELMOR& m, unsigned hilos) {
  VELMOR_LP& lp = *m.lp;
  lp.cuadrilla.reset();
  const unsigned partes = lp.pase == PaseGradiente::rtrl ? 1u : partes_adjunto(m, hilos);
  if (partes > 1) lp.cuadrilla = std::make_unique<Cuadrilla>(partes);
}

double grad_velmor(std::span<const double> w, std::span<double> g, VELMOR& m) {
  reset_velmor(m);
  desempaqueta_pesos(*m.mp, w);
  double E = 0;
  std::fill(g.begin(), g.end(), 0.0);
  if (m.lp->pase == PaseGradiente::rtrl)
    grad_rtrl(g, E, m);
  else
    grad_adjunto(g, E, m);
  const double N = static_cast<double>(m.lp->trn.d.ndat);
  E = E / N;
  const double factor = 0.5 / N;
  for (double& x : g) x = factor * x;
  return E;
}

bool seguimiento(std::span<const double> w, double Etr, VELMOR& m, RegistroVelmor& registro) {
  Marcador<double>& marcador = registro.marcador;
  ++marcador.ciclos;
  double Ets = 0;
  if (m.tp) {
    desempaqueta_pesos(*m.mp, w);
    eval_set_velmor(m, m.tp->d, m.tp->d.ndat, Ets);
  }
  const auto pausa = registro.pausa();
  if (registro.opcion == 1) {
    registro.olvida_punto();  // so that the menu's stop-now cannot write the same files meanwhile
    save_velmor(m);
    puterr(kFinNormal, "%s", msg_velmor::pesos_guardados_ctrl_c);
  }
  if (!m.tp) registro.anota_punto(w);
  msg_velmor::imprime_ciclo(static_cast<int>(marcador.ciclos), Etr, Ets);
  if (m.tp && marcador.nuevo_minimo(Ets)) registro.guardando([&] { save_velmor(m); });
  return marcador.sin_paciencia();
}

void train_velmor(VELMOR& m, RegistroVelmor& registro) {
  std::vector<double> w = asigna<double>(m.mp->nw, msg_velmor::sin_memoria_w_train_velmor);
  if (nret_velmor(m) == 0) {
    std::printf("%s", msg_velmor::sin_retardos_error);
    std::fflush(stdout);
    // The run goes on to test from the weight file: it must hold this model's weights, not an older run's.
    save_velmor(m);
    return;
  }
  m.lp->pase = pase_de_entorno();
  Marcador<double>& marcador = registro.marcador;
  const unsigned nco = static_cast<unsigned>(m.lp->nco);
  msg_comun::aparta_paciencia_sin_test(marcador, m.tp != nullptr, kPacienciaVelmor, nco);
  reparte_hilos(m, hilos_de_entorno("VELMOR_HILOS"));
  empaqueta_pesos(*m.mp, w);
  // Without a save of this training there are no best weights to load back.
  marcador.guardado = false;
  FinGconj fin;
  gconj(
      std::span<double>(w), nco, [&](std::span<const double> x, std::span<double> g) { return grad_velmor(x, g, m); },
      [&](std::span<const double> x, double etr) { return seguimiento(x, etr, m, registro); }, &fin);
  msg_comun::avisa_fin(fin, fin.ciclos, nco, marcador, {.variable = kPacienciaVelmor});
  // The best weights by test error are on disk; a test error that never fell below the start value
  // (not a number, or huge) saved nothing, and the optimiser's point is all there is.
  if (m.tp && marcador.guardado)
    load_velmor(m);
  else
    desempaqueta_pesos(*m.mp, w);
  registro.olvida_punto();
  save_velmor(m);
  libera_buffers(*m.lp);
}
