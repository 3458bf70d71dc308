#include "korbent/zelbrin_fdp_entrena.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

#include "common/asigna.hpp"
#include "common/entorno.hpp"
#include "common/errmess.hpp"
#include "common/lmqn1.hpp"
#include "common/mensajes.hpp"
#include "korbent/mensajes.hpp"
#include "korbent/zelbrin_fdp_centil.hpp"
#include "korbent/zelbrin_fdp_em.hpp"
#include "korbent/zelbrin_fdp_pasada.hpp"

namespace {

// A block of the pass holds about this many values: with one part, few enough to stay in the nearest
// cache; with several, enough to keep the parts' meetings (one a block) rare.
constexpr std::size_t kValoresBloque = 1024, kValoresBloqueReparto = 16384;
// Rows a part takes at a time from a block to evaluate: some 10 us of work.
constexpr std::size_t kFilasTrozo = 16;

// The first element of `p` onwards that starts a cache line (of 64 bytes, 4 long doubles).
long double* en_linea(long double* p) {
  const auto dir = reinterpret_cast<std::uintptr_t>(p);
  return p + (64 - dir % 64) % 64 / sizeof(long double);
}

// What a pass reads besides the rows, worked out once per pass into ESPACIO_PASO::comun.
struct Mezcla {
  std::size_t ni, nh;
  const long double *ia, *ib0;  // the inputs' scaling
  const long double *r, *b;     // centres and inverse widths, kernel by kernel
  const long double *norma, *wa2, *dos_wa, *b2, *dos_b, *inv_b;
  long double s;  // sum of wa^2

  // The kernels' outputs at the raw row x into o, its scaled inputs into u; returns q = sum o_h wa_h^2.
  long double evalua(const long double* x, long double* u, long double* o) const {
    for (std::size_t j = 0; j < ni; ++j) u[j] = x[j] * ia[j] + ib0[j];
    long double q = 0;
    for (std::size_t h = 0; h < nh; ++h) {
      const long double* const rh = r + h * ni;
      const long double* const bh = b + h * ni;
      long double suma = 0;
      for (std::size_t j = 0; j < ni; ++j) {
        const long double t = (u[j] - rh[j]) * bh[j];
        suma += t * t;
      }
      o[h] = std::exp(-suma) * norma[h];
      q += o[h] * wa2[h];
    }
    return q;
  }
};

// The pass's storage for the training in progress, made on its first pass.
ESPACIO_PASO& espacio(ZELBRIN_FDP& net) {
  ESPACIO_PASO& ep = net.lp->paso;
  const std::size_t ni = net.ni, nh = net.nh, filas = net.lp->ts.size();
  if (!ep.comun.empty() && ep.ni == ni && ep.nh == nh && ep.filas == filas) return ep;
  ep.ni = ni;
  ep.nh = nh;
  ep.filas = filas;
  ep.reparto = reparto_zelbrin_fdp(net, static_cast<double>(filas) * static_cast<double>(nh));
  const unsigned partes = ep.reparto.partes();
  // Each part's copy of the gradient, a cache line or more apart from the next.
  ep.paso_gradiente = (2 * ni * nh + nh + 7) / 4 * 4;
  if (partes > 1) redimensiona(ep.gradiente, partes * ep.paso_gradiente, msg_korbent::sin_memoria_w);
  const std::size_t paso = ni + nh + 2;
  const std::size_t valores = partes > 1 ? kValoresBloqueReparto : kValoresBloque;
  ep.filas_bloque = std::max<std::size_t>(1, std::min(filas, std::max<std::size_t>(16, valores / paso)));
  redimensiona(ep.comun, 2 * ni + 3 * nh + 3 * ni * nh, msg_korbent::sin_memoria_w);
  // One cache line more, so that the rows can start on a line: the runs of rows the parts write apart then
  // share none.
  for (std::vector<long double>& b : ep.bloque) redimensiona(b, ep.filas_bloque * paso + 4, msg_korbent::sin_memoria_w);
  return ep;
}

// Everything of the current parameters that does not depend on the row: the inputs' scaling, the kernels'
// normalisations |prod b|, wa^2, 2 wa, S, and per coordinate b^2, 2b and 1/b.
Mezcla mezcla_de(const ZELBRIN_FDP& net, ESPACIO_PASO& ep) {
  const std::size_t ni = net.ni, nh = net.nh, nr = ni * nh;
  long double* const ia = ep.comun.data();
  long double* const ib0 = ia + ni;
  long double* const norma = ib0 + ni;
  long double* const wa2 = norma + nh;
  long double* const dos_wa = wa2 + nh;
  long double* const b2 = dos_wa + nh;
  long double* const dos_b = b2 + nr;
  long double* const inv_b = dos_b + nr;
  const long double* const b = net.anchos.data();
  for (std::size_t j = 0; j < ni; ++j) {
    ia[j] = net.ibuf[j].a;
    ib0[j] = net.ibuf[j].b;
  }
  long double s = 0;
  for (std::size_t h = 0; h < nh; ++h) {
    long double prod = 1;
    for (std::size_t j = 0; j < ni; ++j) prod *= b[h * ni + j];
    norma[h] = std::abs(prod);
    wa2[h] = net.wa[h] * net.wa[h];
    dos_wa[h] = 2 * net.wa[h];
    s += wa2[h];
  }
  for (std::size_t k = 0; k < nr; ++k) {
    b2[k] = b[k] * b[k];
    dos_b[k] = 2 * b[k];
    // A zero width factor zeroes its kernel's output, and such a kernel is skipped by the pass.
    inv_b[k] = b[k] != 0 ? 1 / b[k] : 0;
  }
  return {ni, nh, ia, ib0, net.centros.data(), b, norma, wa2, dos_wa, b2, dos_b, inv_b, s};
}

// Minus the mean of ln p over `ts`, the rows of non-positive density adding nothing. The parts evaluate
// rows apart; the sum then takes them in row order.
long double menos_log_media(ZELBRIN_FDP& net, std::span<const std::vector<long double>> ts, std::uint32_t tsize) {
  ESPACIO_PASO& ep = espacio(net);
  const Mezcla m = mezcla_de(net, ep);
  const FactorDensidad f = factor_densidad_zelbrin_fdp(net);
  // Each part's scratch row a whole cache line and more from the next: the parts write theirs all the time.
  const std::size_t filas = ts.size(), ancho = (m.ni + m.nh + 3) / 4 * 4 + 4;
  const Reparto reparto = reparto_zelbrin_fdp(net, static_cast<double>(filas) * static_cast<double>(m.nh));
  const unsigned partes = reparto.partes();
  if (ep.ln_p.size() < filas) redimensiona(ep.ln_p, filas, msg_korbent::sin_memoria_w);
  if (ep.fila.size() < partes * ancho) redimensiona(ep.fila, partes * ancho, msg_korbent::sin_memoria_w);
  std::atomic<std::size_t> siguiente{0};
  reparto([&](unsigned parte) {
    long double* const u = ep.fila.data() + parte * ancho;
    // Runs of rows to whichever part is free, as in the gradient's pass.
    for (std::size_t i0; (i0 = siguiente.fetch_add(kFilasTrozo, std::memory_order_relaxed)) < filas;)
      for (std::size_t i = i0; i < std::min(filas, i0 + kFilasTrozo); ++i) {
        const long double p = densidad_zelbrin_fdp(f, m.evalua(ts[i].data(), u, u + m.ni), m.s);
        ep.ln_p[i] = p > 0 ? std::log(p) : std::numeric_limits<long double>::quiet_NaN();
      }
  });
  long double suma = 0;
  for (std::size_t i = 0; i < filas; ++i)
    if (!std::isnan(ep.ln_p[i])) suma += ep.ln_p[i];
  return -suma / tsize;
}

}  // namespace

std::size_t tam_parametros_zelbrin_fdp(const ZELBRIN_FDP& net) {
  return static_cast<std::size_t>(2.0 * net.ni * net.nh + net.nh);
}

void empaqueta_zelbrin_fdp(const ZELBRIN_FDP& net, std::span<long double> w) {
  auto x = std::copy(net.centros.begin(), net.centros.end(), w.begin());
  x = std::copy(net.anchos.begin(), net.anchos.end(), x);
  std::copy(net.wa.begin(), net.wa.end(), x);
}

void desempaqueta_zelbrin_fdp(ZELBRIN_FDP& net, std::span<const long double> w) {
  const std::size_t nr = net.centros.size();
  std::copy_n(w.begin(), nr, net.centros.begin());
  std::copy_n(w.begin() + static_cast<std::ptrdiff_t>(nr), nr, net.anchos.begin());
  std::copy_n(w.begin() + static_cast<std::ptrdiff_t>(2 * nr), net.nh, net.wa.begin());
}

long double evalua_grad_zelbrin_fdp(std::span<const long double> w, std::span<long double> dw, ZELBRIN_FDP& net) {
  desempaqueta_zelbrin_fdp(net, w);
  ESPACIO_PASO& ep = espacio(net);
  const Mezcla m = mezcla_de(net, ep);
  const std::size_t ni = net.ni, nh = net.nh, nr = ni * nh;
  const ZELBRIN_FDP_LP& lp = *net.lp;
  const long double n = lp.tsize;
  std::fill(dw.begin(), dw.end(), 0.0L);
  long double* const db = dw.data() + nr;
  const long double inv_s = m.s != 0 ? 1 / m.s : 0;  // with S = 0 no row has a positive mixture

  long double suma_b2 = 0;
  const long double pen = 0.002 * n / nh;
  for (std::size_t k = 0; k < nr; ++k) {
    suma_b2 += m.b2[k];
    db[k] -= pen * m.b[k];
  }
  long double ev = -(0.001 * n * suma_b2 / nh);

  // Block by block, each part first evaluates its share of the rows (every kernel, then the row's
  // mixture); once all have, part 0 adds the rows' logarithms in row order, and each part adds its own
  // kernels' gradient terms row by row. Every sum thus gets the same terms in the same order whatever the
  // number of parts. The blocks alternate between two buffers, so a part may evaluate the next block while
  // another still reads this one.
  const std::size_t filas = lp.ts.size(), paso = ni + nh + 2, nb = ep.filas_bloque;
  const unsigned partes = ep.reparto.partes();
  struct alignas(64) Siguiente {  // the next row of a block's buffer to evaluate
    std::atomic<std::size_t> v{0};
  } siguiente[2];
  ep.reparto([&](unsigned parte) {
    // Private copies: the parts' gradient stores can then alias nothing another part writes, and each
    // part adds into its own copy of the gradient, whose kernels' entries it takes from dw and gives back.
    const Mezcla mz = m;
    const long double is = inv_s;
    const std::vector<long double>* const ts = lp.ts.data();
    const Tramo mios = tramo(nh, parte, partes);
    long double* const g = partes > 1 ? ep.gradiente.data() + parte * ep.paso_gradiente : dw.data();
    const auto intercambia = [&](long double* a, const long double* de) {
      std::copy(de + mios.inicio * ni, de + mios.fin * ni, a + mios.inicio * ni);
      std::copy(de + nr + mios.inicio * ni, de + nr + mios.fin * ni, a + nr + mios.inicio * ni);
      std::copy(de + 2 * nr + mios.inicio, de + 2 * nr + mios.fin, a + 2 * nr + mios.inicio);
    };
    if (g != dw.data()) intercambia(g, dw.data());
    long double* const gr = g;
    long double* const gb = g + nr;
    long double* const gwa = g + 2 * nr;
    long double suma = ev;
    std::size_t cual = 0;
    for (std::size_t f0 = 0; f0 < filas; f0 += nb, cual ^= 1) {
      const std::size_t nf = std::min(nb, filas - f0);
      long double* const bloque = en_linea(ep.bloque[cual].data());
      // The rows go in small runs to whichever part is free, so that a part still busy with the last block's
      // kernels, or held up by the system, leaves its share of this one to the others.
      for (std::size_t i0; (i0 = siguiente[cual].v.fetch_add(kFilasTrozo, std::memory_order_relaxed)) < nf;)
        for (std::size_t i = i0; i < std::min(nf, i0 + kFilasTrozo); ++i) {
          long double* const d = bloque + i * paso;
          const long double q = mz.evalua(ts[f0 + i].data(), d, d + ni);
          const long double mezcla = q / mz.s;
          // Far from every kernel: nothing to learn from this row, which a negative 1/q marks.
          d[ni + nh] = mezcla > 0 ? 1 / q : -1;
          if (mezcla > 0) d[ni + nh + 1] = std::log(mezcla);
        }
      ep.reparto.sincroniza();
      if (parte == 0) siguiente[cual].v.store(0, std::memory_order_relaxed);  // taken again after the next meeting
      if (parte == 0)
        for (std::size_t i = 0; i < nf; ++i)
          if (bloque[i * paso + ni + nh] >= 0) suma += bloque[i * paso + ni + nh + 1];
      for (std::size_t i = 0; i < nf; ++i) {
        const long double* const u = bloque + i * paso;
        const long double* const o = u + ni;
        const long double inv_q = o[nh];
        if (inv_q < 0) continue;
        for (std::size_t h = mios.inicio; h < mios.fin; ++h) {
          gwa[h] += mz.dos_wa[h] * (o[h] * inv_q - is);
          if (o[h] == 0) continue;  // adds exactly nothing, and 1/b of a zero width would make it 0 * inf
          const long double c = mz.wa2[h] * inv_q * o[h];
          const long double c2 = 2 * c;
          const std::size_t k0 = h * ni;
          for (std::size_t j = 0; j < ni; ++j) {
            const std::size_t k = k0 + j;
            const long double d = u[j] - mz.r[k];
            gr[k] += c2 * mz.b2[k] * d;
            gb[k] += (mz.inv_b[k] - mz.dos_b[k] * d * d) * c;
          }
        }
      }
    }
    if (g != dw.data()) intercambia(dw.data(), g);
    if (parte == 0) ev = suma;
  });
  for (long double& g : dw) g = -g / n;
  return -ev / n;
}

bool actualiza_zelbrin_fdp(std::span<const long double> w, ZELBRIN_FDP& net, Marcador<long double>& marcador,
                           const long double* etr_hallado) {
  desempaqueta_zelbrin_fdp(net, w);
  ZELBRIN_FDP_LP& lp = *net.lp;
  const long double etr = etr_hallado ? *etr_hallado : menos_log_media(net, lp.ts, lp.tsize);
  long double ets = 0;
  if (net.tp) {
    ets = menos_log_media(net, net.tp->ts, net.tp->tsize);
    if (marcador.nuevo_minimo(ets)) std::copy(w.begin(), w.end(), lp.wopt.begin());
  } else {
    std::copy(w.begin(), w.end(), lp.wopt.begin());
  }
  const char para = lp.seguimiento ? lp.seguimiento(marcador.ciclos, etr, ets) : 0;
  ++marcador.ciclos;
  return para != 0 || marcador.sin_paciencia();
}

void entrena_zelbrin_fdp(ZELBRIN_FDP& net, unsigned nco, const MATRIZ& mtr, const MATRIZ& mts, Seguimiento s) {
  net.lp = crea<ZELBRIN_FDP_LP>(msg_korbent::sin_memoria_lp);
  ZELBRIN_FDP_LP& lp = *net.lp;
  lp.ts = filas(mtr);
  lp.tsize = mtr.ndat;
  lp.nc = 0;
  lp.nw = static_cast<std::uint32_t>(tam_parametros_zelbrin_fdp(net));
  lp.seguimiento = s;
  if (mts.ndat > 0) {
    net.tp = crea<ZELBRIN_FDP_TP>(msg_korbent::sin_memoria_tp);
    net.tp->ts = filas(mts);
    net.tp->tsize = mts.ndat;
  }
  std::vector<long double> w = asigna<long double>(lp.nw, msg_korbent::sin_memoria_w);
  lp.wopt = asigna<long double>(lp.nw, msg_korbent::sin_memoria_wopt);
  empaqueta_zelbrin_fdp(net, w);
  lp.wopt = w;
  Marcador<long double> marcador;
  marcador.paciencia = paciencia_de_entorno(kPacienciaKorbent);
  // Without rows there is neither objective nor report (each would be 0/0).
  if (nco > 0 && lp.tsize > 0) {
    msg_comun::aparta_paciencia_sin_test(marcador, net.tp != nullptr, kPacienciaKorbent, nco);
    FinGconj fin;
    if (optimizador_korbent() == Optimizador::em) {
      // EM's objective leaves out the density's constant factors, which the report's Etr keeps.
      const FactorDensidad f = factor_densidad_zelbrin_fdp(net);
      const long double constante = std::log(f.pi_ni) - std::log(f.jac);
      em_zelbrin_fdp(
          net, w, nco,
          [&](std::span<const long double> x, long double e) {
            const long double etr = e + constante;
            return actualiza_zelbrin_fdp(x, net, marcador, &etr);
          },
          &fin);
    } else {
      lmqn1(
          std::span<long double>(w), nco,
          [&net](std::span<const long double> x, std::span<long double> g) {
            return evalua_grad_zelbrin_fdp(x, g, net);
          },
          [&](std::span<const long double> x) { return actualiza_zelbrin_fdp(x, net, marcador); }, &fin);
    }
    // korbent numbers its cycle lines from 0.
    msg_comun::avisa_fin(fin, fin.ciclos - 1, nco, marcador,
                         {.variable = kPacienciaKorbent, .otro_arranque = msg_korbent::otro_arranque});
  }
  // The kept parameters, not the optimiser's last point, which no report has seen.
  desempaqueta_zelbrin_fdp(net, lp.wopt);
  net.lp.reset();
  net.tp.reset();

  ordena_zelbrin_fdp(net);
  compute_zelbrin_fdp_centil(net, filas(mtr), filas(mtr).size());
  if (net.no > 0 && mtr.dim >= net.ni + net.no) calcula_zelbrin_fdp_e2(net, mtr);
}
