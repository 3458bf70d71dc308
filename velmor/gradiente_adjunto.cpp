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

// The perceptron inputs that bank b (in record order) feeds at row t, from the records' taps: before the first
// row every tap holds 0.
void taps_de(const MP& mp, const BANCO& banco, std::size_t b, const Forma& f, const double* pasos, std::size_t t,
             double* x) {
  const std::size_t n = tam(banco.n), pos = tam(banco.pos), hay = std::min(n, t + 1);
  const MP_BUF* ib = mp.ibuf.data() + pos;
  const double* T = pasos + b;
  double* y = x + 1 + pos;
  for (std::size_t k = 0; k < hay; ++k) y[k] = ib[k].a * T[(t - k) * f.tam] + ib[k].b;
  for (std::size_t k = hay; k < n; ++k) y[k] = ib[k].a * 0.0 + ib[k].b;
}

// Inputs of row t: the bias, then the perceptron's input buffers.
void entradas_de(const VELMOR& m, const Forma& f, const double* pasos, std::size_t t, double* x) {
  const MP& mp = *m.mp;
  x[0] = mp.uno;
  std::size_t b = 0;
  for (const auto& banco : m.bancox) taps_de(mp, *banco, b++, f, pasos, t, x);
  for (const auto& banco : m.bancoe)
    if (banco) taps_de(mp, *banco, b++, f, pasos, t, x);
}

// y[k] = c[i pc] x[i px + k] + y[k] for each row i < filas in turn, over n elements: four rows at a time, so that
// y is loaded and stored once for four, each element still adding its rows in order.
void acumula_filas(double* __restrict y, const double* __restrict x, std::size_t px, const double* __restrict c,
                   std::size_t pc, std::size_t filas, std::size_t n) {
  std::size_t i = 0;
  for (; i + 4 <= filas; i += 4) {
    const double c0 = c[i * pc], c1 = c[(i + 1) * pc], c2 = c[(i + 2) * pc], c3 = c[(i + 3) * pc];
    const double *x0 = x + i * px, *x1 = x0 + px, *x2 = x1 + px, *x3 = x2 + px;
    for (std::size_t k = 0; k < n; ++k) {
      double v = y[k];
      v = c0 * x0[k] + v;
      v = c1 * x1[k] + v;
      v = c2 * x2[k] + v;
      v = c3 * x3[k] + v;
      y[k] = v;
    }
  }
  for (; i < filas; ++i)
    for (std::size_t k = 0; k < n; ++k) y[k] = c[i * pc] * x[i * px + k] + y[k];
}

// s[j] = sum over k of x[k] a[k paso + j], for j < n: each sum adds its terms in the order of k, as a unit
// adds its inputs, with eight sums side by side in registers.
void sumas(const double* __restrict x, const double* __restrict a, std::size_t nk, std::size_t paso, std::size_t n,
           double* __restrict s) {
  std::size_t j = 0;
  for (; j + 8 <= n; j += 8) {
    double v[8] = {};
    for (std::size_t k = 0; k < nk; ++k)
      for (std::size_t b = 0; b < 8; ++b) v[b] = x[k] * a[k * paso + j + b] + v[b];
    std::copy(v, v + 8, s + j);
  }
  for (; j < n; ++j) {
    double v = 0;
    for (std::size_t k = 0; k < nk; ++k) v = x[k] * a[k * paso + j] + v;
    s[j] = v;
  }
}

// The forward sweep: every row's record, and E. The units' sums are those of eval_velmor (each unit adds its
// inputs in order), taken for all the units of a layer at once from the weights laid input by input.
void hacia_adelante(VELMOR& m, const Forma& f, double& E, double* wp, double* wt, double* wot, double* x, double* s,
                    double* zf) {
  VELMOR_LP& lp = *m.lp;
  const MP& mp = *m.mp;
  const Columnas& D = lp.trn.d;
  const std::size_t nh = f.nh, no = f.no, nx1 = f.nx + 1, ni = tam(m.ni);
  for (std::size_t h = 0; h < nh; ++h)
    for (std::size_t k = 0; k < nx1; ++k) wt[k * nh + h] = wp[h * nx1 + k] = mp.hl[h].w[k];
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
    sumas(x, wt, nx1, nh, nh, s);
    double* const pend = r + f.pend;
    double* const z = r + f.z;
    for (std::size_t h = 0; h < nh; ++h) {
      const MP_UNIT& u = mp.hl[h];
      zf[h + 1] = z[h] = u.f(s[h]);
      pend[h] = MP_UNIT::pendiente_de(u.df, s[h], z[h]);
    }
    zf[0] = mp.uno;
    sumas(zf, wot, nh + 1, no, no, so);
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
void hacia_atras(VELMOR& m, const Forma& f, const double* wp, double* v) {
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
    sumas(delta, wp + 1 + primera, nh, f.nx + 1, ne, v);
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
      acumula_filas(fila, x, nx1, pasos + t0 * f.tam + f.pend + h, f.tam, filas, nx1);
    }
    for (std::size_t j = salidas.inicio; j < salidas.fin; ++j) {
      double* const fila = g.data() + indice_peso_salida(mp, j, 0);
      const double* const r = pasos + t0 * f.tam;
      for (std::size_t i = 0; i < filas; ++i) fila[0] = r[i * f.tam + f.gs + j] * mp.uno + fila[0];
      acumula_filas(fila + 1, r + f.z, f.tam, r + f.gs + j, f.tam, filas, nh);
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
  // Scratch after the records: the hidden weights as packed and laid input by input, the output weights laid
  // hidden unit by hidden unit, one row's inputs, sums and hidden outputs, the error taps' adjoints.
  const std::size_t extra = 2 * nx1 * f.nh + (f.nh + 1) * f.no + nx1 + f.nh + 2 * f.no + f.nh + 1 + f.nx;
  if (N != 0 && f.tam > (lp.pasos.max_size() - extra) / N)
    puterr(kFalloRecurso, "%s", msg_velmor::sin_memoria_dydw_nsal);
  if (lp.pasos.size() != N * f.tam + extra)
    lp.pasos = asigna<double>(N * f.tam + extra, msg_velmor::sin_memoria_dydw_nsal);
  if (lp.adjuntos.size() != f.R * f.no) lp.adjuntos = asigna<double>(f.R * f.no, msg_velmor::sin_memoria_dydw);
  if (lp.entradas.size() != partes * kFilasBloque * nx1)
    lp.entradas = asigna<double>(partes * kFilasBloque * nx1, msg_velmor::sin_memoria_dydx);
  double* const wp = lp.pasos.data() + N * f.tam;
  double* const wt = wp + nx1 * f.nh;
  double* const wot = wt + nx1 * f.nh;
  double* const x = wot + (f.nh + 1) * f.no;
  double* const s = x + nx1;
  double* const zf = s + f.nh + 2 * f.no;
  double* const v = zf + f.nh + 1;
  hacia_adelante(m, f, E, wp, wt, wot, x, s, zf);
  hacia_atras(m, f, wp, v);
  Reparto{lp.cuadrilla.get()}(
      [&](unsigned parte) { suma_pesos(m, f, g, lp.entradas.data() + parte * kFilasBloque * nx1, parte, partes); });
}
