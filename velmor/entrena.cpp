#include "velmor/entrena.hpp"

#include <algorithm>
#include <mutex>
#include <vector>

#include "common/asigna.hpp"
#include "common/gconj.hpp"
#include "velmor/ctrl_c.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/pesos.hpp"

namespace {

std::size_t tam(int n) { return static_cast<std::size_t>(n); }

// Whether a report of this training saved the model; without it there are no best weights to load back.
bool guardado_en_entrena = false;

// Sizes the training buffers of lp for the model's shape, once; later calls find them ready.
void prepara_buffers(VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
  const std::size_t nret = tam(nret_velmor(m)), no = tam(m.no), nw = m.mp->nw;
  const std::size_t nx = tam(m.mp->ni);
  if (lp.dydw_r.size() == nret + 1 && lp.dydw.size() == (nret + 1) * no * nw && lp.dydx.size() == no * nx &&
      lp.err.size() == no)
    return;
  lp.dydw_r = asigna<double*>(nret + 1, msg::sin_memoria_dydw);
  // One block for every slice; the product is checked so that it cannot wrap into a small block.
  if (nw != 0 && (nret + 1) * no > lp.dydw.max_size() / nw) puterr(kFalloRecurso, "%s", msg::sin_memoria_dydw_nsal);
  lp.dydw = asigna<double>((nret + 1) * no * nw, msg::sin_memoria_dydw_nsal);
  for (std::size_t r = 0; r <= nret; ++r) lp.dydw_r[r] = lp.dydw.data() + r * no * nw;
  lp.dydx = asigna<double>(no * nx, msg::sin_memoria_dydx_nsal);
  lp.err = asigna<double>(no, msg::sin_memoria_err);
}

void libera_buffers(VELMOR_LP& lp) {
  std::vector<double>().swap(lp.dydw);
  std::vector<double*>().swap(lp.dydw_r);
  std::vector<double>().swap(lp.dydx);
  std::vector<double>().swap(lp.err);
}

// Inputs of row t, and the outputs observed at row t - 1 (0 at the first row).
void pon_fila(VELMOR& m, const Columnas& D, std::size_t t) {
  const std::size_t nx = tam(m.ni);
  for (std::size_t k = 0; k < nx; ++k) m.i[k] = D.d[k][t];
  for (std::size_t j = 0; j < m.d.size(); ++j) m.d[j] = t >= 1 ? D.d[nx + j][t - 1] : 0.0;
}

// Error of output j in the perceptron's units: the observation is taken back through the output scaling.
double error_salida(const VELMOR& m, const Columnas& D, std::size_t j, std::size_t t) {
  const MP_BUF& s = m.obuf[j];
  return m.mp->obuf[j].o - (D.d[tam(m.ni) + j][t] - s.b) / s.a;
}

}  // namespace

int nret_velmor(const VELMOR& m) {
  int nret = 0;
  for (const auto& b : m.bancoe)
    if (b) nret = std::max(nret, b->n);
  return nret;
}

void deriv_velmor(VELMOR& m, std::span<double* const> dydw, std::span<double> dydx) {
  const MP& mp = *m.mp;
  const std::size_t nw = mp.nw, nx = tam(mp.ni), no = tam(m.no);
  dydw_mp(mp, std::span<double>(dydw[0], no * nw));
  dydx_mp(mp, dydx, tam(primera_entrada_error(m)));
  // Every element takes its subtractions in the order bank, tap; the weight loop is innermost so that it
  // runs over contiguous rows.
  for (std::size_t j = 0; j < no; ++j) {
    double* fila = dydw[0] + j * nw;
    const double* dx = dydx.data() + j * nx;
    for (std::size_t q = 0; q < no; ++q) {
      const BANCO* b = m.bancoe[q].get();
      if (b == nullptr) continue;
      const double aq = m.obuf[q].a, aeq = b->ibuf.a;
      const std::size_t pos = tam(b->pos);
      for (std::size_t l = 0; l < tam(b->n); ++l) {
        const double c = dx[pos + l] * aq * aeq;
        const double* previa = dydw[l + 1] + q * nw;
        for (std::size_t k = 0; k < nw; ++k) fila[k] -= c * previa[k];
      }
    }
  }
}

void grad_velmor(std::span<const double> w, std::span<double> g, double& E, VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
  prepara_buffers(m);
  const std::size_t nret = lp.dydw_r.size() - 1, no = tam(m.no), nw = m.mp->nw;
  const Columnas& D = lp.trn.d;
  const std::size_t N = D.ndat;
  reset_velmor(m);
  desempaqueta_pesos(*m.mp, w);
  E = 0;
  std::fill(lp.dydw.begin(), lp.dydw.end(), 0.0);
  std::fill(g.begin(), g.end(), 0.0);
  double** anillo = lp.dydw_r.data();
  for (std::size_t t = 0; t < N; ++t) {
    pon_fila(m, D, t);
    eval_velmor(m);
    deriv_velmor(m, lp.dydw_r, lp.dydx);
    for (std::size_t j = 0; j < no; ++j) {
      const double e = error_salida(m, D, j, t);
      lp.err[j] = e;
      E += e * e;
    }
    for (std::size_t j = 0; j < no; ++j) {
      const double e = lp.err[j];
      const double* d = anillo[0] + j * nw;
      for (std::size_t k = 0; k < nw; ++k) g[k] += e * d[k];
    }
    // The oldest slice becomes the current one, to be overwritten at the next step.
    double* const ultima = anillo[nret];
    for (std::size_t r = nret; r > 0; --r) anillo[r] = anillo[r - 1];
    anillo[0] = ultima;
  }
  E = E / static_cast<double>(N);
  const double factor = 0.5 / static_cast<double>(N);
  for (double& x : g) x = factor * x;
}

void eval_set_velmor(VELMOR& m, const Columnas& D, std::size_t rows, double& E, std::span<double> dydx, std::FILE* out,
                     std::FILE* drv) {
  reset_velmor(m);
  E = 0;
  for (std::size_t t = 0; t < rows; ++t) {
    pon_fila(m, D, t);
    eval_velmor(m);
    if (!dydx.empty()) {
      dydx_mp(*m.mp, dydx);
      if (drv != nullptr) {
        for (const double x : dydx) std::fprintf(drv, "%+-15.8g  ", x);
        std::fprintf(drv, "\n");
      }
    }
    for (std::size_t j = 0; j < tam(m.no); ++j) {
      const double e = error_salida(m, D, j, t);
      E += e * e;
      if (out != nullptr) std::fprintf(out, "%+-15.8g  ", m.obuf[j].o);
    }
    if (out != nullptr) std::fprintf(out, "\n");
  }
  E = E / static_cast<double>(rows);
}

bool seguimiento(std::span<const double> w, double Etr, VELMOR& m) {
  ++ciclo;
  double Ets = 0;
  if (m.tp) {
    desempaqueta_pesos(*m.mp, w);
    eval_set_velmor(m, m.tp->d, m.tp->d.ndat, Ets);
  }
  if (ctrl_c_opcion == 1) {
    olvida_pesos_reporte();  // so that the menu's stop-now cannot write the same files meanwhile
    save_velmor(m);
    puterr(kFinNormal, "%s", msg::pesos_guardados_ctrl_c);
  }
  if (!m.tp) anota_pesos_reporte(w);
  imprime_ciclo(ciclo, Etr, Ets);
  if (m.tp && Ets < ets_min) {
    // An open menu makes this save wait for its answer, and an exit chosen there never cuts it short.
    const std::lock_guard<std::mutex> l(cerrojo_salvado());
    salvando = true;
    save_velmor(m);
    salvando = false;
    ets_min = Ets;
    guardado_en_entrena = true;
  }
  return false;
}

void train_velmor(VELMOR& m) {
  std::vector<double> w = asigna<double>(m.mp->nw, msg::sin_memoria_w_train_velmor);
  if (nret_velmor(m) == 0) {
    std::printf("%s", msg::sin_retardos_error);
    std::fflush(stdout);
    // The run goes on to test from the weight file: it must hold this model's weights, not an older run's.
    save_velmor(m);
    return;
  }
  prepara_buffers(m);
  empaqueta_pesos(*m.mp, w);
  guardado_en_entrena = false;
  FinGconj fin;
  gconj(
      std::span<double>(w), static_cast<unsigned>(m.lp->nco),
      [&](std::span<const double> x, std::span<double> g) {
        double e;
        grad_velmor(x, g, e, m);
        return e;
      },
      [&](std::span<const double> x, double etr) { return seguimiento(x, etr, m); }, &fin);
  msg::aviso_fin_entrenamiento(fin.motivo, fin.ciclos, static_cast<unsigned>(m.lp->nco));
  // The best weights by test error are on disk; a test error that never fell below the start value
  // (not a number, or huge) saved nothing, and the optimiser's point is all there is.
  if (m.tp && guardado_en_entrena)
    load_velmor(m);
  else
    desempaqueta_pesos(*m.mp, w);
  olvida_pesos_reporte();
  save_velmor(m);
  libera_buffers(*m.lp);
}
