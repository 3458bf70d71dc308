#include "korbent/zelbrin_fdp_lib.hpp"

#include <cmath>
#include <exception>
#include <limits>

#include "common/asigna.hpp"
#include "common/errmess.hpp"
#include "korbent/mensajes.hpp"

namespace {

// One band of the level index: `base` at the lower threshold, `base + ancho` at the upper one, interpolated
// in log10. A band whose thresholds are not positive, or whose logarithms coincide, has no usable log scale;
// it is interpolated linearly in the density instead, so the index stays a number inside the band.
long double en_banda(long double p, long double inf, long double sup, long double base, long double ancho) {
  const long double lp = std::log10(p), linf = std::log10(inf), lsup = std::log10(sup);
  long double v = base + ancho * (lp - linf) / (lsup - linf);
  if (!(v >= base && v <= base + ancho)) {
    const long double f = (p - inf) / (sup - inf);
    v = (f >= 0 && f <= 1) ? base + ancho * f : base;
  }
  return v;
}

}  // namespace

void libera_zelbrin_fdp(std::unique_ptr<ZELBRIN_FDP>& net) { net.reset(); }

std::uint32_t cuenta_nvr(long double v) {
  if (!(v >= 0)) return 0;
  if (v >= 4294967295.0) return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(v);
}

void eval_buffer(BUF_UNIT& u) { u.o = *u.i * u.a + u.b; }

void eval_zelbrin_neuron(ZELBRIN_NEURON& u) {
  long double suma = 0, prod = 1;
  for (std::size_t j = 0; j < u.i.size(); ++j) {
    const long double t = (*u.i[j] - u.r[j]) * u.b[j];
    suma += t * t;
    prod *= u.b[j];
  }
  u.s = -suma;
  u.o = std::exp(u.s) * std::abs(prod);
}

void eval_prbout_neuron(PRBOUT_NEURON& u) {
  long double s = 0, a = 0;
  for (std::size_t h = 0; h < u.i.size(); ++h) {
    s += u.w[h] * *u.i[h];
    a += *u.i[h];
  }
  u.s = s;
  u.o = a == 0 ? 0 : s / a;
}

void eval_zelbrin_fdp(ZELBRIN_FDP& net) {
  for (BUF_UNIT& u : net.ibuf) u.evalua(u);
  for (ZELBRIN_NEURON& u : net.rb) u.evalua(u);
  for (PRBOUT_NEURON& u : net.prbout) u.evalua(u);
  for (BUF_UNIT& u : net.obuf) u.evalua(u);
  eval_zelbrin_fdp_p(net);
  eval_zelbrin_fdp_emax(net);
}

FactorDensidad factor_densidad_zelbrin_fdp(const ZELBRIN_FDP& net) {
  long double jac = 1;
  for (const BUF_UNIT& u : net.ibuf) jac *= u.a;
  // A density is never negative, whatever the signs of the input scales.
  return {std::abs(jac), std::pow(3.14159, net.ni * 0.5)};
}

long double densidad_zelbrin_fdp(FactorDensidad f, long double q, long double s) {
  const long double p = f.jac * q / (f.pi_ni * s);
  // No mixture weight at all (0/0) or an overflow (inf/inf): there is no density to speak of. Every caller
  // already skips a density that is not positive, and the centile sort must never see a NaN.
  return std::isnan(p) ? 0 : p;
}

long double suma_wa2_zelbrin_fdp(const ZELBRIN_FDP& net) {
  long double s = 0;
  for (long double a : net.wa) s += a * a;
  return s;
}

void eval_zelbrin_fdp_p(ZELBRIN_FDP& net) {
  long double q = 0, s = 0;
  for (std::size_t h = 0; h < net.nh; ++h) {
    const long double w2 = net.wa[h] * net.wa[h];
    q += net.rb[h].o * w2;
    s += w2;
  }
  net.p = densidad_zelbrin_fdp(factor_densidad_zelbrin_fdp(net), q, s);
  net.vlr = nivel_zelbrin_fdp(net, net.p);
}

Reparto reparto_zelbrin_fdp(ZELBRIN_FDP& net, double trabajo) {
  // Splitting a pass costs some 15 to 40 us of meetings, and a row-and-kernel evaluation takes some 100 ns
  // on one thread: below this many, the meetings would cost more than a twentieth of the pass.
  constexpr double kTrabajoMinimo = 5000;
  if (net.hilos == 0 && trabajo < kTrabajoMinimo) return {};
  if (!net.cuadrilla) {
    const unsigned hilos = net.hilos != 0 ? net.hilos : hilos_de_entorno("KORBENT_HILOS");
    try {
      net.cuadrilla = std::make_unique<Cuadrilla>(hilos);
    } catch (const std::exception&) {  // no threads to be had: one thread gives the same results
      net.cuadrilla = std::make_unique<Cuadrilla>(1);
    }
  }
  return {net.cuadrilla->hilos() > 1 ? net.cuadrilla.get() : nullptr};
}

long double nivel_zelbrin_fdp(const ZELBRIN_FDP& net, long double p) {
  long double v;
  if (!(p < net.p0))
    v = 1.0;
  else if (!(p < net.p95))
    v = en_banda(p, net.p95, net.p0, 0.8, 0.2);
  else if (!(p < net.p99))
    v = en_banda(p, net.p99, net.p95, 0.5, 0.3);
  else if (!(p < net.p100))
    v = en_banda(p, net.p100, net.p99, -0.5, 1.0);
  else if (!(p < net.p_100))
    v = en_banda(p, net.p_100, net.p100, -1.0, 0.5);
  else
    v = -1.0;
  // The widened band constants may overshoot 1 by an ulp at the very top of the first band.
  return std::min<long double>(1, std::max<long double>(-1, v));
}

void eval_zelbrin_fdp_emax(ZELBRIN_FDP& net) {
  for (std::size_t k = 0; k < net.no; ++k) net.emax[k] = 3 * std::sqrt(std::abs(net.obuf[k].o));
}

std::size_t tam_pesos_zelbrin_fdp(std::size_t ni, std::size_t nh, std::size_t no) {
  return 2 * ni + 2 * ni * nh + nh * no + 2 * no + 2 * nh + 14;
}

VECTOR salva_pesos_zelbrin_fdp(const ZELBRIN_FDP& net) {
  const std::size_t n = tam_pesos_zelbrin_fdp(net.ni, net.nh, net.no);
  if (n > std::numeric_limits<std::uint32_t>::max()) puterr(kFalloRecurso, "%s", msg_korbent::sin_memoria_w_d);
  VECTOR w;
  w.d = asigna<long double>(n, msg_korbent::sin_memoria_w_d);
  w.ndat = static_cast<std::uint32_t>(n);
  long double* x = w.d.data();
  *x++ = net.ni;
  *x++ = net.nh;
  *x++ = net.no;
  for (const BUF_UNIT& u : net.ibuf) {
    *x++ = u.a;
    *x++ = u.b;
  }
  for (long double r : net.centros) *x++ = r;
  for (long double b : net.anchos) *x++ = b;
  for (long double a : net.wa) *x++ = a;
  for (const PRBOUT_NEURON& u : net.prbout)
    for (std::size_t h = 0; h < net.nh; ++h) *x++ = u.w[h];
  for (const BUF_UNIT& u : net.obuf) {
    *x++ = u.a;
    *x++ = u.b;
  }
  for (const ZELBRIN_NEURON& k : net.rb) *x++ = k.nvr;
  for (long double c : {net.p0, net.maxp0, net.p95, net.minp95, net.maxp95, net.p99, net.minp99, net.maxp99, net.p100,
                        net.maxp100, net.p_100})
    *x++ = c;
  return w;
}

void carga_pesos_zelbrin_fdp(ZELBRIN_FDP& net, const VECTOR& w) {
  const std::size_t n = std::min<std::size_t>(w.ndat, w.d.size());
  if (n < 3) puterr(kEntradaErronea, "%s", msg_korbent::pesos_incompatibles);
  if (w.d[0] != net.ni || w.d[1] != net.nh || w.d[2] != net.no)
    puterr(kEntradaErronea, "%s", msg_korbent::pesos_incompatibles);
  // A vector cut short would be read past its end: refused like one of another network.
  if (n < tam_pesos_zelbrin_fdp(net.ni, net.nh, net.no))
    puterr(kEntradaErronea, "%s", msg_korbent::pesos_incompatibles);
  const long double* x = w.d.data() + 3;
  for (BUF_UNIT& u : net.ibuf) {
    u.a = *x++;
    u.b = *x++;
  }
  for (long double& r : net.centros) r = *x++;
  for (long double& b : net.anchos) b = *x++;
  for (long double& a : net.wa) a = *x++;
  for (PRBOUT_NEURON& u : net.prbout)
    for (std::size_t h = 0; h < net.nh; ++h) u.w[h] = *x++;
  for (BUF_UNIT& u : net.obuf) {
    u.a = *x++;
    u.b = *x++;
  }
  for (ZELBRIN_NEURON& k : net.rb) k.nvr = cuenta_nvr(*x++);
  for (long double* c : {&net.p0, &net.maxp0, &net.p95, &net.minp95, &net.maxp95, &net.p99, &net.minp99, &net.maxp99,
                         &net.p100, &net.maxp100, &net.p_100})
    *c = *x++;
}

long double sigmoidal(long double x) { return std::tanh(x); }
long double dsigmoidal(long double x) {
  const long double t = std::tanh(x);
  return 1 - t * t;
}
long double identidad(long double x) { return x; }
