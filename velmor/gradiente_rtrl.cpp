#include "velmor/gradiente_rtrl.hpp"

#include <algorithm>
#include <vector>

#include "common/asigna.hpp"
#include "velmor/entrena.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/pasada.hpp"

namespace {

// y[k] -= c x[k] over n elements. A call of its own, without aliasing, so that the loop keeps every operand in
// registers: inlined among the many live values of a pass, its bound went to the stack, and a third load per
// iteration cost a quarter of the time.
[[gnu::noinline]] void resta_producto(double* __restrict y, const double* __restrict x, double c, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) y[k] -= c * x[k];
}
// The subtractions of two and of four taps at once, each element taking them in the given order, as
// resta_producto called tap by tap gives them: y is loaded and stored once instead of once a tap, which is
// what bounds these loops.
[[gnu::noinline]] void resta_2(double* __restrict y, const double* __restrict x0, const double* __restrict x1,
                               double c0, double c1, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) {
    double v = y[k];
    v -= c0 * x0[k];
    v -= c1 * x1[k];
    y[k] = v;
  }
}
[[gnu::noinline]] void resta_4(double* __restrict y, const double* __restrict x0, const double* __restrict x1,
                               const double* __restrict x2, const double* __restrict x3, const double* c,
                               std::size_t n) {
  const double c0 = c[0], c1 = c[1], c2 = c[2], c3 = c[3];
  for (std::size_t k = 0; k < n; ++k) {
    double v = y[k];
    v -= c0 * x0[k];
    v -= c1 * x1[k];
    v -= c2 * x2[k];
    v -= c3 * x3[k];
    y[k] = v;
  }
}

// The recursion's subtractions from one row of n elements, y -= c x for each older row x in the order they
// are given, gathered four at a time.
class Restas {
 public:
  Restas(double* y, std::size_t n) : y_(y), n_(n) {}
  ~Restas() { vacia(); }
  void agrega(const double* x, double c) {
    x_[k_] = x;
    c_[k_] = c;
    if (++k_ == 4) vacia();
  }

 private:
  void vacia() {
    if (k_ == 4) {
      resta_4(y_, x_[0], x_[1], x_[2], x_[3], c_, n_);
    } else {
      const std::size_t i = k_ >= 2 ? 2 : 0;
      if (i == 2) resta_2(y_, x_[0], x_[1], c_[0], c_[1], n_);
      if (i < k_) resta_producto(y_, x_[i], c_[i], n_);
    }
    k_ = 0;
  }
  double* y_;
  std::size_t n_, k_ = 0;
  const double* x_[4] = {};
  double c_[4] = {};
};

// Sizes the pass's buffers for the model's shape, once; later passes find them ready.
void prepara(VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
  const std::size_t nret = tam(nret_velmor(m)), no = tam(m.no), nw = m.mp->nw;
  const std::size_t nx = tam(m.mp->ni);
  if (lp.dydx.size() != no * nx) lp.dydx = asigna<double>(no * nx, msg_velmor::sin_memoria_dydx_nsal);
  if (lp.err.size() != no) lp.err = asigna<double>(no, msg_velmor::sin_memoria_err);
  if (lp.dydw_r.size() == nret + 1 && lp.dydw.size() == (nret + 1) * no * nw) return;
  lp.dydw_r = asigna<double*>(nret + 1, msg_velmor::sin_memoria_dydw);
  // One block for every slice; the product is checked so that it cannot wrap into a small block.
  if (nw != 0 && (nret + 1) * no > lp.dydw.max_size() / nw)
    puterr(kFalloRecurso, "%s", msg_velmor::sin_memoria_dydw_nsal);
  lp.dydw = asigna<double>((nret + 1) * no * nw, msg_velmor::sin_memoria_dydw_nsal);
  for (std::size_t r = 0; r <= nret; ++r) lp.dydw_r[r] = lp.dydw.data() + r * no * nw;
}

}  // namespace

void deriv_velmor(VELMOR& m, std::span<double* const> dydw, std::span<double> dydx) {
  const MP& mp = *m.mp;
  const std::size_t nw = mp.nw, nx = tam(mp.ni), no = tam(m.no);
  dydw_mp(mp, std::span<double>(dydw[0], no * nw));
  dydx_mp(mp, dydx, tam(primera_entrada_error(m)));
  // Every element takes its subtractions in the order bank, tap; the weight loop is innermost so that it
  // runs over contiguous rows.
  for (std::size_t j = 0; j < no; ++j) {
    Restas restas(dydw[0] + j * nw, nw);
    const double* dx = dydx.data() + j * nx;
    for (std::size_t q = 0; q < no; ++q) {
      const BANCO* b = m.bancoe[q].get();
      if (b == nullptr) continue;
      const double aq = m.obuf[q].a, aeq = b->ibuf.a;
      const std::size_t pos = tam(b->pos);
      for (std::size_t l = 0; l < tam(b->n); ++l) restas.agrega(dydw[l + 1] + q * nw, dx[pos + l] * aq * aeq);
    }
  }
}

void grad_rtrl(std::span<double> g, double& E, VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
  prepara(m);
  std::fill(lp.dydw.begin(), lp.dydw.end(), 0.0);
  const std::size_t nret = lp.dydw_r.size() - 1, no = tam(m.no), nw = m.mp->nw;
  const Columnas& D = lp.trn.d;
  double** anillo = lp.dydw_r.data();
  for (std::size_t t = 0; t < D.ndat; ++t) {
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
}
