#include "velmor/gradiente_adjunto.hpp"

#include <algorithm>
#include <vector>

#include "common/asigna.hpp"
#include "common/hilos.hpp"
#include "common/reparto.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/pasada.hpp"

namespace {

// A row's record, in doubles: the value each bank took in at its tap 0 (input banks, then the error banks
// that exist), then per hidden unit its slope (its adjoint after the backward sweep), its output, then per
// output its slope (its adjoint) and its error. The older taps are earlier rows' tap 0, so the perceptron's
// inputs are rebuilt from them rather than kept.
struct Forma {
  std::size_t nx = 0, nh = 0, no = 0, bancos = 0;
  std::size_t pend = 0, z = 0, gs = 0, e = 0, tam = 0;
  std::size_t R = 0;  // slots of the ring of adjoint terms: the longest error bank, and the current row
};

Forma forma(const VELMOR& m) {
  Forma f;
  f.nx = tam(m.mp->ni);
  f.nh = tam(m.mp->nh);
  f.no = tam(m.no);
  std::size_t nret = 0;
  f.bancos = m.bancox.size();
  for (const auto& b : m.bancoe)
    if (b) ++f.bancos, nret = std::max(nret, tam(b->n));
  f.pend = f.bancos;
  f.z = f.pend + f.nh;
  f.gs = f.z + f.nh;
  f.e = f.gs + f.no;
  f.tam = f.e + f.no;
  f.R = nret + 1;
  return f;
}

// Rows of a block of perceptron inputs that a thread rebuilds for the weights' sums.
constexpr std::size_t kFilasBloque = 32;

// Multiply-adds of the weights' sums below which a crew's one hand-over a pass (some tens of microseconds)
// costs more than the threads save.
constexpr double kTrabajoMinimoHilos = 5e5;

// The banks in record order.
template <class F>
void por_banco(const VELMOR& m, F&& f) {
  std::size_t b = 0;
  for (const auto& x : m.bancox) f(b++, *x);
  for (const auto& x : m.bancoe)
    if (x) f(b++, *x);
}

// Inputs of row t (bias first, then the perceptron's input buffers) from the records' taps: before the first
// row every tap holds 0.
void entradas_de(const VELMOR& m, const Forma& f, const double* pasos, std::size_t t, double* x) {
  const MP& mp = *m.mp;
  x[0] = mp.uno;
  por_banco(m, [&](std::size_t b, const BANCO& banco) {
    for (std::size_t k = 0; k < tam(banco.n); ++k) {
      const MP_BUF& ib = mp.ibuf[tam(banco.pos) + k];
      const double tap = t >= k ? pasos[(t - k) * f.tam + b] : 0.0;
      x[1 + tam(banco.pos) + k] = ib.a * tap + ib.b;
    }
  });
}

// y[k] = c x[k] + y[k] over n elements, apart so that the loop keeps its operands in registers.
[[gnu::noinline]] void acumula(double* __restrict y, const double* __restrict x, double c, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) y[k] = c * x[k] + y[k];
}

// The forward sweep: every row's record, and E. The units' sums are those of eval_velmor (each unit adds its
// inputs in order), taken for all the units of a layer at once from the weights laid input by input.
void hacia_adelante(VELMOR& m, const Forma& f, double& E, double* wt, double* wot, double* x, double* s) {
  VELMOR_LP& lp = *m.lp;
  const MP& mp = *m.mp;
  const Columnas& D = lp.trn.d;
  const std::size_t nh = f.nh, no = f.no, nx1 = f.nx + 1, ni = tam(m.ni);
  for (std::size_t h = 0; h < nh; ++h)
    for (std::size_t k = 0; k < nx1; ++k) wt[k * nh + h] = mp.hl[h].w[k];
  for (std::size_t j = 0; j < no; ++j)
    for (std::size_t h = 0; h <= nh; ++h) wot[h * no + j] = mp.ol[j].w[h];
  double* const y = s + nh;   // the model's outputs of the previous row
  double* const so = y + no;  // the output units' sums
  std::fill(y, y + no, 0.0);
  for (std::size_t t = 0; t < D.ndat; ++t) {
    double* const r = lp.pasos.data() + t * f.tam;
    for (std::size_t k = 0; k < ni; ++k) r[k] = m.bancox[k]->ibuf.a * D.d[k][t] + m.bancox[k]->ibuf.b;
    std::size_t b = ni;
    for (std::size_t q = 0; q < no; ++q) {
      const BANCO* banco = m.bancoe[q].get();
      if (banco == nullptr) continue;
      const double d = t >= 1 ? D.d[ni + q][t - 1] : 0.0;
      const double error = d - y[q];
      r[b++] = banco->ibuf.a * error + banco->ibuf.b;
    }
    entradas_de(m, f, lp.pasos.data(), t, x);
    std::fill(s, s + nh, 0.0);
    for (std::size_t k = 0; k < nx1; ++k) acumula(s, wt + k * nh, x[k], nh);
    double* const pend = r + f.pend;
    double* const z = r + f.z;
    for (std::size_t h = 0; h < nh; ++h) {
      const MP_UNIT& u = mp.hl[h];
      z[h] = u.f(s[h]);
      pend[h] = MP_UNIT::pendiente_de(u.df, s[h], z[h]);
    }
    std::fill(so, so + no, 0.0);
    acumula(so, wot, mp.uno, no);
    for (std::size_t h = 0; h < nh; ++h) acumula(so, wot + (h + 1) * no, z[h], no);
    for (std::size_t j = 0; j < no; ++j) {
      const MP_UNIT& o = mp.ol[j];
      const double oo = o.f(so[j]);
      r[f.gs + j] = MP_UNIT::pendiente_de(o.df, so[j], oo);
      const MP_BUF& pb = mp.obuf[j];
      const double salida = pb.a * oo + pb.b;
      y[j] = m.obuf[j].a * salida + m.obuf[j].b;
      const double e = salida - (D.d[ni + j][t] - m.obuf[j].b) / m.obuf[j].a;
      r[f.e + j] = e;
      E += e * e;
    }
  }
}

// The backward sweep: the adjoint of output j at row t is its error plus what its output feeds, through the
// error taps, into rows t+1 .. t+nret; each record's slopes become the adjoints of the units' sums.
void hacia_atras(VELMOR& m, const Forma& f, double* v) {
  VELMOR_LP& lp = *m.lp;
  const MP& mp = *m.mp;
  const std::size_t nh = f.nh, no = f.no, N = lp.trn.d.ndat;
  const std::size_t primera = tam(primera_entrada_error(m)), ne = f.nx - primera;
  double* const anillo = lp.adjuntos.data();
  std::fill(anillo, anillo + f.R * no, 0.0);
  for (std::size_t t = N; t-- > 0;) {
    double* const r = lp.pasos.data() + t * f.tam;
    double* const llega = anillo + (t % f.R) * no;
    for (std::size_t j = 0; j < no; ++j) {
      r[f.gs + j] *= r[f.e + j] - llega[j];
      llega[j] = 0;
    }
    double* const delta = r + f.pend;
    for (std::size_t h = 0; h < nh; ++h) {
      double a = 0;
      for (std::size_t j = 0; j < no; ++j) a += r[f.gs + j] * mp.ol[j].w[h + 1];
      delta[h] *= a;
    }
    if (t == 0) break;
    // v: the adjoint of each error-tap input of row t.
    std::fill(v, v + ne, 0.0);
    for (std::size_t h = 0; h < nh; ++h) acumula(v, mp.hl[h].w.data() + 1 + primera, delta[h], ne);
    for (std::size_t q = 0; q < no; ++q) {
      const BANCO* b = m.bancoe[q].get();
      if (b == nullptr) continue;
      const double c = m.obuf[q].a * b->ibuf.a;
      const std::size_t pos = tam(b->pos) - primera;
      for (std::size_t l = 0; l < tam(b->n) && l < t; ++l) anillo[((t - 1 - l) % f.R) * no + q] += c * v[pos + l];
    }
  }
}

// Part p's weights' sums: its share of the hidden units and of the output units, each weight adding its rows
// in order.
void suma_pesos(const VELMOR& m, const Forma& f, std::span<double> g, double* x, unsigned parte, unsigned partes) {
  const VELMOR_LP& lp = *m.lp;
  const MP& mp = *m.mp;
  const std::size_t nh = f.nh, no = f.no, nx1 = f.nx + 1, N = lp.trn.d.ndat;
  const Tramo ocultas = tramo(nh, parte, partes), salidas = tramo(no, parte, partes);
  const double* const pasos = lp.pasos.data();
  for (std::size_t t0 = 0; t0 < N; t0 += kFilasBloque) {
    const std::size_t filas = std::min(kFilasBloque, N - t0);
    if (ocultas.fin > ocultas.inicio)
      for (std::size_t i = 0; i < filas; ++i) entradas_de(m, f, pasos, t0 + i, x + i * nx1);
    for (std::size_t h = ocultas.inicio; h < ocultas.fin; ++h) {
      double* const fila = g.data() + indice_peso_oculta(mp, h, 0);
      for (std::size_t i = 0; i < filas; ++i) acumula(fila, x + i * nx1, pasos[(t0 + i) * f.tam + f.pend + h], nx1);
    }
    for (std::size_t j = salidas.inicio; j < salidas.fin; ++j) {
      double* const fila = g.data() + indice_peso_salida(mp, j, 0);
      for (std::size_t i = 0; i < filas; ++i) {
        const double* r = pasos + (t0 + i) * f.tam;
        const double a = r[f.gs + j];
        fila[0] = a * mp.uno + fila[0];
        acumula(fila + 1, r + f.z, a, nh);
      }
    }
  }
}

}  // namespace

unsigned partes_adjunto(const VELMOR& m, unsigned hilos) {
  const double trabajo = static_cast<double>(m.lp->trn.d.ndat) * static_cast<double>(m.mp->nw);
  const unsigned partes = std::min(hilos, static_cast<unsigned>(m.mp->nh));
  return trabajo >= kTrabajoMinimoHilos ? partes : 1u;
}

void grad_adjunto(std::span<double> g, double& E, VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
  const Forma f = forma(m);
  const std::size_t N = lp.trn.d.ndat, nx1 = f.nx + 1;
  const unsigned partes = lp.cuadrilla ? lp.cuadrilla->hilos() : 1u;
  // Scratch after the records: the weights laid input by input, one row's inputs and sums.
  const std::size_t extra = nx1 * f.nh + (f.nh + 1) * f.no + nx1 + f.nh + 2 * f.no + f.nx;
  if (N != 0 && f.tam > (lp.pasos.max_size() - extra) / N)
    puterr(kFalloRecurso, "%s", msg_velmor::sin_memoria_dydw_nsal);
  if (lp.pasos.size() != N * f.tam + extra)
    lp.pasos = asigna<double>(N * f.tam + extra, msg_velmor::sin_memoria_dydw_nsal);
  if (lp.adjuntos.size() != f.R * f.no) lp.adjuntos = asigna<double>(f.R * f.no, msg_velmor::sin_memoria_dydw);
  if (lp.entradas.size() != partes * kFilasBloque * nx1)
    lp.entradas = asigna<double>(partes * kFilasBloque * nx1, msg_velmor::sin_memoria_dydx);
  double* const wt = lp.pasos.data() + N * f.tam;
  double* const wot = wt + nx1 * f.nh;
  double* const x = wot + (f.nh + 1) * f.no;
  double* const s = x + nx1;
  double* const v = s + f.nh + 2 * f.no;
  hacia_adelante(m, f, E, wt, wot, x, s);
  hacia_atras(m, f, v);
  Reparto{lp.cuadrilla.get()}(
      [&](unsigned parte) { suma_pesos(m, f, g, lp.entradas.data() + parte * kFilasBloque * nx1, parte, partes); });
}
