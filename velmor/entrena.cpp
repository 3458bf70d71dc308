#include "velmor/entrena.hpp"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "common/asigna.hpp"
#include "common/gconj.hpp"
#include "common/mensajes.hpp"
#include "velmor/ctrl_c.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/pasada.hpp"
#include "velmor/pesos.hpp"

namespace {

// Where each part of a step's record lies, for the pass split by weights.
struct Registro {
  std::size_t x = 0;   // inputs of the hidden units, bias first: ni + 1
  std::size_t z = 0;   // inputs of the output units, bias first: nh + 1
  std::size_t ch = 0;  // per output j, per hidden unit h, the factor of h's input weights in row j: no nh
  std::size_t gs = 0;  // slope of each output unit: no
  std::size_t cr = 0;  // per output, the coefficient of each older slice in the order bank, tap: no ntaps
  std::size_t e = 0;   // errors: no
  std::size_t tam = 0;
};

// Error taps of all the banks: the older slices each row of the recursion reads.
std::size_t taps_de_error(const VELMOR& m) {
  std::size_t n = 0;
  for (const auto& b : m.bancoe)
    if (b) n += tam(b->n);
  return n;
}

Registro disposicion(const VELMOR& m) {
  const std::size_t ntaps = taps_de_error(m), no = tam(m.no), nh = tam(m.mp->nh);
  Registro r;
  r.z = tam(m.mp->ni) + 1;
  r.ch = r.z + nh + 1;
  r.gs = r.ch + no * nh;
  r.cr = r.gs + no;
  r.e = r.cr + no * ntaps;
  r.tam = r.e + no;
  return r;
}

// Below this much work per pass (multiply-adds), a crew costs more in hand-overs than it saves.
constexpr double kTrabajoMinimoHilos = 4e6;

// Fewest weights a part takes: shorter inner loops would cost more than the threads gain.
constexpr std::size_t kAnchoMinimo = 64;

// Records of a block take at most this many doubles, so that both blocks stay in each core's cache beside
// the ring of its part; the parts meet once a block.
constexpr std::size_t kDoublesBloque = std::size_t{1} << 13;

// Steps of a block. The first block's forward steps run alone, and in the last block the other parts work
// as long after part 0 as it took for the forward steps; each block costs a meeting of about a microsecond.
constexpr std::size_t kPasosMaximos = 32;
std::size_t pasos_bloque(std::size_t registro, std::size_t filas) {
  return std::min({filas, kPasosMaximos, std::max<std::size_t>(16, kDoublesBloque / registro)});
}

// Doubles in a cache line: the parts' storage and their shares of the weights are whole lines, since two
// threads writing one line take turns at it.
constexpr std::size_t kLinea = 8;
std::size_t en_lineas(std::size_t n) { return (n + kLinea - 1) / kLinea * kLinea; }

// The split pass's scratch in lp.bloque, from its first whole cache line: part p's storage, then two blocks
// of step records.
struct Espacio {
  double* base = nullptr;
  double* registros = nullptr;
  std::size_t ranuras = 0, pasos = 0;
  std::size_t por_peso = 0;  // doubles per weight in a part's storage: its sum, and one per row of the ring
};

// Part p's storage: the sums of its weights, then `ranuras` slices of no rows of `ancho` doubles.
struct Parte {
  std::size_t k0 = 0, k1 = 0, ancho = 0;
  double* g = nullptr;
  double* anillo = nullptr;
};

Parte parte_de(const VELMOR_LP& lp, const Espacio& es, unsigned p) {
  Parte r;
  r.k0 = lp.cortes[p];
  r.k1 = lp.cortes[p + 1];
  r.ancho = en_lineas(r.k1 - r.k0);
  r.g = es.base + r.k0 * es.por_peso;  // every part before p owns whole lines
  r.anillo = r.g + r.ancho;
  return r;
}

std::size_t tam_espacio(std::size_t ranuras, std::size_t no, std::size_t fila, std::size_t registros) {
  // Checked so that the product cannot wrap into a small block.
  if (fila != 0 && ranuras * no + 1 > (std::vector<double>().max_size() - registros - kLinea) / fila)
    puterr(kFalloRecurso, "%s", msg_velmor::sin_memoria_dydw_nsal);
  return kLinea + fila * (1 + ranuras * no) + registros;
}

Espacio espacio(VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
  Espacio e;
  e.ranuras = tam(nret_velmor(m)) + 1;
  e.por_peso = 1 + e.ranuras * tam(m.no);
  e.pasos = pasos_bloque(lp.registro, lp.trn.d.ndat);
  const auto dir = reinterpret_cast<std::uintptr_t>(lp.bloque.get());
  e.base = lp.bloque.get() +
           (kLinea * sizeof(double) - dir % (kLinea * sizeof(double))) % (kLinea * sizeof(double)) / sizeof(double);
  e.registros = e.base + en_lineas(m.mp->nw) * e.por_peso;
  return e;
}

// Sets lp.cortes: part 0 takes `primera` weights (in whole lines, at least one), the others share the rest
// evenly in whole lines.
void pon_cortes(VELMOR_LP& lp, std::size_t nw, unsigned partes, double primera) {
  const std::size_t lineas = (nw + kLinea - 1) / kLinea;
  const double l0 = std::clamp(primera / kLinea + 0.5, 1.0, std::max(1.0, static_cast<double>(lineas) - (partes - 1)));
  const std::size_t n0 = static_cast<std::size_t>(l0);
  lp.cortes.assign(partes + 1, nw);
  lp.cortes[0] = 0;
  for (unsigned p = 1; p < partes; ++p)
    lp.cortes[p] = std::min(nw, (n0 + tramo(lineas - n0, p - 1, partes - 1).inicio) * kLinea);
}

// After a pass, moves weights between part 0 and the others so that all would have been busy equally long:
// half the way, as one pass's times are noisy.
void equilibra(VELMOR_LP& lp, std::size_t nw) {
  const unsigned partes = static_cast<unsigned>(lp.cortes.size() - 1);
  double otras = 0, derivadas = 0;
  for (unsigned p = 1; p < partes; ++p) otras += lp.ocupado[p];
  for (unsigned p = 0; p < partes; ++p) derivadas += lp.derivando[p];
  if (!(derivadas > 0)) return;
  const double por_peso = derivadas / static_cast<double>(nw);
  const double exceso = lp.ocupado[0] - otras / (partes - 1);
  const double mover = 0.5 * exceso * (partes - 1) / (partes * por_peso);
  pon_cortes(lp, nw, partes, static_cast<double>(lp.cortes[1]) - mover);
}

// Sizes the training buffers of lp for the model's shape and its crew, once; later calls find them ready.
void prepara_buffers(VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
  const std::size_t nret = tam(nret_velmor(m)), no = tam(m.no), nw = m.mp->nw;
  const std::size_t nx = tam(m.mp->ni);
  if (lp.dydx.size() != no * nx) lp.dydx = asigna<double>(no * nx, msg_velmor::sin_memoria_dydx_nsal);
  if (lp.err.size() != no) lp.err = asigna<double>(no, msg_velmor::sin_memoria_err);
  if (lp.cuadrilla && lp.cuadrilla->hilos() > 1) {
    const unsigned partes = lp.cuadrilla->hilos();
    lp.registro = disposicion(m).tam;
    const std::size_t n =
        tam_espacio(nret + 1, no, en_lineas(nw), 2 * pasos_bloque(lp.registro, lp.trn.d.ndat) * lp.registro);
    if (lp.tam_bloque != n) {
      lp.bloque.reset();
      try {
        lp.bloque = std::make_unique_for_overwrite<double[]>(n);
      } catch (const std::bad_alloc&) {
        puterr(kFalloRecurso, "%s", msg_velmor::sin_memoria_dydw);
      }
      lp.tam_bloque = n;
    }
    if (lp.cortes.size() != partes + 1 || lp.cortes.back() != nw) {
      // A first guess of what the forward steps cost part 0, in weights: per step they take some three
      // times the time per multiply-add of the weights' recursion, over the model's evaluation and dydx.
      const double avance = 3.0 * static_cast<double>(nw + no * tam(m.mp->nh) * nx);
      const double por_peso = static_cast<double>(no * (taps_de_error(m) + 2));
      pon_cortes(lp, nw, partes, (static_cast<double>(nw) - (partes - 1) * avance / por_peso) / partes);
      lp.ocupado.assign(partes, 0.0);
      lp.derivando.assign(partes, 0.0);
    }
    return;
  }
  if (lp.dydw_r.size() == nret + 1 && lp.dydw.size() == (nret + 1) * no * nw) return;
  lp.dydw_r = asigna<double*>(nret + 1, msg_velmor::sin_memoria_dydw);
  // One block for every slice; the product is checked so that it cannot wrap into a small block.
  if (nw != 0 && (nret + 1) * no > lp.dydw.max_size() / nw)
    puterr(kFalloRecurso, "%s", msg_velmor::sin_memoria_dydw_nsal);
  lp.dydw = asigna<double>((nret + 1) * no * nw, msg_velmor::sin_memoria_dydw_nsal);
  for (std::size_t r = 0; r <= nret; ++r) lp.dydw_r[r] = lp.dydw.data() + r * no * nw;
}

void libera_buffers(VELMOR_LP& lp) {
  lp.cuadrilla.reset();
  lp.bloque.reset();
  lp.tam_bloque = 0;
  std::vector<double>().swap(lp.dydw);
  std::vector<double*>().swap(lp.dydw_r);
  std::vector<double>().swap(lp.dydx);
  std::vector<double>().swap(lp.err);
}

// One forward step of the pass split by weights, and its record r: every factor that the single-thread pass
// (dydw_mp, then deriv_velmor's recursion) computes from the step's state, computed by the same expressions.
void registra_paso(VELMOR& m, const Columnas& D, std::size_t t, const Registro& dis, double* r, double& E) {
  pon_fila(m, D, t);
  eval_velmor(m);
  const MP& mp = *m.mp;
  const std::size_t nh = tam(mp.nh), nx = tam(mp.ni);
  // Every hidden unit reads the same inputs, and every output unit the same hidden outputs.
  for (std::size_t k = 0; k <= nx; ++k) r[dis.x + k] = *mp.hl[0].i[k];
  for (std::size_t h = 0; h <= nh; ++h) r[dis.z + h] = *mp.ol[0].i[h];
  for (std::size_t j = 0; j < mp.ol.size(); ++j) {
    const MP_UNIT& o = mp.ol[j];
    const double g = o.pendiente();
    r[dis.gs + j] = g;
    for (std::size_t h = 0; h < nh; ++h) r[dis.ch + j * nh + h] = mp.hl[h].pendiente() * g * o.w[h + 1];
  }
  VELMOR_LP& lp = *m.lp;
  dydx_mp(mp, lp.dydx, tam(primera_entrada_error(m)));
  double* cr = r + dis.cr;
  for (std::size_t j = 0; j < tam(m.no); ++j) {
    const double* dx = lp.dydx.data() + j * nx;
    for (std::size_t q = 0; q < m.bancoe.size(); ++q) {
      const BANCO* b = m.bancoe[q].get();
      if (b == nullptr) continue;
      const double aq = m.obuf[q].a, aeq = b->ibuf.a;
      for (std::size_t l = 0; l < tam(b->n); ++l) *cr++ = dx[tam(b->pos) + l] * aq * aeq;
    }
  }
  for (std::size_t j = 0; j < tam(m.no); ++j) {
    const double e = error_salida(m, D, j, t);
    r[dis.e + j] = e;
    E += e * e;
  }
}

// y[k] -= c x[k] and y[k] += c x[k] over n elements. Calls of their own, without aliasing, so that the loops
// keep every operand in registers: inlined among the many live values of the pass, their bound went to the
// stack, and a third load per iteration cost a quarter of the time.
[[gnu::noinline]] void resta_producto(double* __restrict y, const double* __restrict x, double c, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) y[k] -= c * x[k];
}
[[gnu::noinline]] void suma_producto(double* __restrict y, const double* __restrict x, double c, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) y[k] += c * x[k];
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

// The derivatives and the gradient's sums of part `pt`'s weights over the `pasos` records from step t0: for
// each weight the single-thread pass's operations in its order. Touches only the part's own storage (step t
// in slice t mod ranuras) and reads only what a forward step leaves alone, so that it can run beside the
// next block's forward steps.
void deriva_tramo(const VELMOR& m, const Espacio& es, const Registro& dis, const double* registros, std::size_t t0,
                  std::size_t pasos, const Parte& pt) {
  const VELMOR_LP& lp = *m.lp;
  const MP& mp = *m.mp;
  const std::size_t nx1 = tam(mp.ni) + 1, nh = tam(mp.nh), no = tam(m.no), ancho = pt.ancho;
  const std::size_t k0 = pt.k0, k1 = pt.k1, n = k1 - k0, base_salidas = nx1 * nh;
  for (std::size_t s = 0; s < pasos; ++s) {
    const std::size_t t = t0 + s;
    const double* r = registros + s * lp.registro;
    const std::size_t ranura = t % es.ranuras;
    double* const actual = pt.anillo + ranura * no * ancho;
    const double* cr = r + dis.cr;
    for (std::size_t j = 0; j < no; ++j) {
      double* const fila = actual + j * ancho;  // element k - k0 is weight k's
      for (std::size_t h = k0 / nx1; h < nh && h * nx1 < k1; ++h) {
        const double c = r[dis.ch + j * nh + h];
        const std::size_t a = std::max(k0, h * nx1), b = std::min(k1, (h + 1) * nx1);
        const double* x = r + dis.x + (a - h * nx1);
        double* y = fila + (a - k0);
        for (std::size_t i = 0; i < b - a; ++i) y[i] = c * x[i];
      }
      for (std::size_t q = 0; q < no; ++q) {
        const std::size_t inicio = base_salidas + q * (nh + 1);
        const std::size_t a = std::max(k0, inicio), b = std::min(k1, inicio + nh + 1);
        if (a >= b) continue;
        double* y = fila + (a - k0);
        if (q != j) {
          std::fill(y, y + (b - a), 0.0);
          continue;
        }
        const double gj = r[dis.gs + j];
        const double* z = r + dis.z + (a - inicio);
        for (std::size_t i = 0; i < b - a; ++i) y[i] = gj * z[i];
      }
      Restas restas(fila, n);
      for (std::size_t q = 0; q < no; ++q) {
        const BANCO* b = m.bancoe[q].get();
        if (b == nullptr) continue;
        // The slice of step t - l - 1, walking back round the ring; before the first step it is one still
        // cleared.
        std::size_t previa = ranura;
        for (std::size_t l = 0; l < tam(b->n); ++l) {
          previa = (previa == 0 ? es.ranuras : previa) - 1;
          restas.agrega(pt.anillo + (previa * no + q) * ancho, *cr++);
        }
      }
    }
    for (std::size_t j = 0; j < no; ++j) suma_producto(pt.g, actual + j * ancho, r[dis.e + j], n);
  }
}

// The whole pass on the calling thread, step after step.
void grad_un_hilo(std::span<double> g, double& E, VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
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

double segundos() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// The pass split by weights. Each part clears and keeps the storage of its own weights; block after block,
// every part works out its weights' derivatives from the block's records while part 0 also runs the next
// block's forward steps, and the parts meet before the next block. Two blocks of records take turns.
void grad_por_pesos(std::span<double> g, double& E, VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
  const Columnas& D = lp.trn.d;
  const std::size_t N = D.ndat, nw = m.mp->nw;
  const Registro dis = disposicion(m);
  const Espacio es = espacio(m);
  Cuadrilla& cuadrilla = *lp.cuadrilla;
  auto registros = [&](std::size_t t0) { return es.registros + (t0 / es.pasos % 2) * es.pasos * lp.registro; };
  auto registra = [&](std::size_t t0) {
    double* r = registros(t0);
    for (std::size_t t = t0; t < std::min(N, t0 + es.pasos); ++t, r += lp.registro) registra_paso(m, D, t, dis, r, E);
  };
  cuadrilla.reparte([&](unsigned parte) {
    const Parte pt = parte_de(lp, es, parte);
    std::fill(pt.g, pt.g + pt.ancho * es.por_peso, 0.0);
    if (parte == 0) registra(0);
    cuadrilla.sincroniza();
    double ocupado = 0, derivando = 0;
    for (std::size_t t0 = 0; t0 < N; t0 += es.pasos) {
      const double t_inicio = segundos();
      if (parte == 0 && t0 + es.pasos < N) registra(t0 + es.pasos);
      const double t_medio = segundos();
      deriva_tramo(m, es, dis, registros(t0), t0, std::min(es.pasos, N - t0), pt);
      const double t_fin = segundos();
      ocupado += t_fin - t_inicio;
      derivando += t_fin - t_medio;
      cuadrilla.sincroniza();  // this block's records may be overwritten, and the next block's are ready
    }
    std::copy(pt.g, pt.g + (pt.k1 - pt.k0), g.begin() + static_cast<std::ptrdiff_t>(pt.k0));
    lp.ocupado[parte] = ocupado;
    lp.derivando[parte] = derivando;
  });
  equilibra(lp, nw);
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

void reparte_hilos(VELMOR& m, unsigned hilos) {
  VELMOR_LP& lp = *m.lp;
  lp.cuadrilla.reset();
  // Multiply-adds of a pass in the derivatives: slice 0, the recursion and the gradient, per output and weight.
  const std::size_t taps = taps_de_error(m);
  const double trabajo =
      static_cast<double>(lp.trn.d.ndat) * static_cast<double>(tam(m.no) * m.mp->nw) * static_cast<double>(taps + 2);
  // More threads than slices of weights would only wait.
  const std::size_t partes = std::min<std::size_t>(hilos, (m.mp->nw + kAnchoMinimo - 1) / kAnchoMinimo);
  if (partes > 1 && taps > 0 && trabajo >= kTrabajoMinimoHilos)
    lp.cuadrilla = std::make_unique<Cuadrilla>(static_cast<unsigned>(partes));
}

double grad_velmor(std::span<const double> w, std::span<double> g, VELMOR& m) {
  VELMOR_LP& lp = *m.lp;
  prepara_buffers(m);
  const std::size_t N = lp.trn.d.ndat;
  reset_velmor(m);
  desempaqueta_pesos(*m.mp, w);
  double E = 0;
  std::fill(lp.dydw.begin(), lp.dydw.end(), 0.0);
  std::fill(g.begin(), g.end(), 0.0);
  if (lp.cuadrilla && lp.cuadrilla->hilos() > 1)
    grad_por_pesos(g, E, m);
  else
    grad_un_hilo(g, E, m);
  E = E / static_cast<double>(N);
  const double factor = 0.5 / static_cast<double>(N);
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
  Marcador<double>& marcador = registro.marcador;
  const unsigned nco = static_cast<unsigned>(m.lp->nco);
  if (marcador.paciencia > 0 && !m.tp) {
    msg_comun::aviso_paciencia_sin_test(kPacienciaVelmor, marcador.paciencia, nco);
    marcador.paciencia = 0;
  }
  reparte_hilos(m, hilos_de_entorno("VELMOR_HILOS"));
  prepara_buffers(m);
  empaqueta_pesos(*m.mp, w);
  // Without a save of this training there are no best weights to load back.
  marcador.guardado = false;
  FinGconj fin;
  gconj(
      std::span<double>(w), nco, [&](std::span<const double> x, std::span<double> g) { return grad_velmor(x, g, m); },
      [&](std::span<const double> x, double etr) { return seguimiento(x, etr, m, registro); }, &fin);
  if (marcador.sin_paciencia()) fin.motivo = MotivoFin::paciencia;
  msg_comun::aviso_fin_entrenamiento(fin.motivo, fin.ciclos, nco,
                                     {.variable = kPacienciaVelmor, .paciencia = marcador.paciencia});
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
