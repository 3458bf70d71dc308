#include "korbent/zelbrin_fdp_centil.hpp"

#include <algorithm>

#include "common/asigna.hpp"
#include "common/pareja.hpp"
#include "korbent/mensajes.hpp"
#include "korbent/zelbrin_fdp_pasada.hpp"

namespace {

long double clave_de(const ZELBRIN_FDP& net, std::size_t h, ClaveOrden clave) {
  const std::span<const long double> r = net.rb[h].r;
  if (clave == ClaveOrden::ultima_coordenada) return r[net.ni - 1];
  long double k = 0;
  for (std::size_t j = 0; j < net.ni; ++j) k += (r[j] - net.ibuf[j].b) / net.ibuf[j].a;
  return k;
}

// Moves the contents of rows of `v` (each `ancho` wide) so that row m receives old row orden[m].ind.
template <class T>
void permuta(std::vector<T>& v, std::size_t ancho, std::span<const PAREJA> orden, std::vector<T>& aux) {
  std::copy(v.begin(), v.end(), aux.begin());
  for (std::size_t m = 0; m < orden.size(); ++m)
    std::copy_n(aux.begin() + static_cast<std::ptrdiff_t>(orden[m].ind * ancho), ancho,
                v.begin() + static_cast<std::ptrdiff_t>(m * ancho));
}

}  // namespace

void ordena_zelbrin_fdp(ZELBRIN_FDP& net) { ordena_zelbrin_fdp(net, net.clave); }

void ordena_zelbrin_fdp(ZELBRIN_FDP& net, ClaveOrden clave) {
  const std::size_t nh = net.nh, ni = net.ni;
  std::vector<PAREJA> p = asigna<PAREJA>(nh, msg_korbent::sin_memoria_p_orden);
  for (std::size_t h = 0; h < nh; ++h) p[h] = {static_cast<std::uint32_t>(h), clave_de(net, h, clave)};
  // Equal keys keep their order, so a run repeats whatever the sort's internals.
  std::stable_sort(p.begin(), p.end(), menor_val);

  // Large enough for a block of rows and for an output unit's nh + 1 weights.
  std::vector<long double> aux = asigna<long double>(nh * ni + 1, msg_korbent::sin_memoria_waux);
  permuta(net.centros, ni, p, aux);
  permuta(net.anchos, ni, p, aux);
  permuta(net.wa, 1, p, aux);
  for (PRBOUT_NEURON& u : net.prbout) permuta(u.w, 1, p, aux);  // w[nh] is unused and stays
  std::vector<std::uint32_t> nvr = asigna<std::uint32_t>(nh, msg_korbent::sin_memoria_rb_orden);
  for (std::size_t m = 0; m < nh; ++m) nvr[m] = net.rb[p[m].ind].nvr;
  for (std::size_t m = 0; m < nh; ++m) net.rb[m].nvr = nvr[m];
}

void compute_zelbrin_fdp_centil(ZELBRIN_FDP& net, std::span<const std::vector<long double>> datos, std::size_t ndatos) {
  for (ZELBRIN_NEURON& k : net.rb) k.nvr = 0;
  const std::size_t n = std::min<std::size_t>(ndatos, datos.size());
  if (n == 0) return;  // no rows, no centiles: the thresholds stay as they were
  std::vector<PAREJA> p = asigna<PAREJA>(n, msg_korbent::sin_memoria_p_centil);
  for (std::size_t i = 0; i < n; ++i) {
    evalua_fila(net, datos[i]);
    p[i] = {static_cast<std::uint32_t>(i), net.p};
    std::size_t mejor = 0;
    for (std::size_t h = 1; h < net.nh; ++h)
      if (net.rb[h].o > net.rb[mejor].o) mejor = h;
    ++net.rb[mejor].nvr;
  }
  ordena_parejas(p);

  const long double resto = static_cast<long double>(n - 1);
  const auto n95 = static_cast<std::size_t>(resto * 5 * 0.01);
  const auto n99 = static_cast<std::size_t>(resto * 1 * 0.01);
  net.p95 = p[n95].val;
  net.p99 = p[n99].val;
  net.p100 = p[0].val;
  net.p0 = p[n - 1].val;
  net.p_100 = net.p0 > 0 ? net.p100 * net.p99 / net.p0 : 1e-30;

  const auto x0 = [&](std::size_t i) { return datos[p[i].ind][0]; };
  net.maxp95 = net.minp95 = x0(n95);
  net.maxp99 = net.minp99 = x0(n99);
  net.maxp100 = x0(0);
  net.maxp0 = x0(n - 1);
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i].val > net.p95) {
      net.minp95 = std::min(net.minp95, x0(i));
      net.maxp95 = std::max(net.maxp95, x0(i));
    }
    if (p[i].val > net.p99) {
      net.minp99 = std::min(net.minp99, x0(i));
      net.maxp99 = std::max(net.maxp99, x0(i));
    }
  }
}

void calcula_zelbrin_fdp_e2(ZELBRIN_FDP& net, const MATRIZ& datos) {
  const std::size_t ni = net.ni, nh = net.nh, no = net.no;
  for (BUF_UNIT& u : net.obuf) {
    u.a = 1;
    u.b = 0;
  }
  for (PRBOUT_NEURON& u : net.prbout) std::fill(u.w.begin(), u.w.end(), 0.0L);
  std::vector<long double> suma_a = asigna<long double>(nh, msg_korbent::sin_memoria_sum_a);
  std::vector<long double> e2 = asigna<long double>(no, msg_korbent::sin_memoria_e2);
  const long double s = suma_wa2_zelbrin_fdp(net);
  for (const std::vector<long double>& fila : filas(datos)) {
    if (fila.size() < ni + no) continue;  // a row without its targets
    std::copy_n(fila.begin() + static_cast<std::ptrdiff_t>(ni), no, e2.begin());
    evalua_fila(net, fila);
    for (std::size_t h = 0; h < nh; ++h) {
      const long double pi = cuota_zelbrin_fdp(net, h, s);
      suma_a[h] += pi;
      for (std::size_t k = 0; k < no; ++k) net.prbout[k].w[h] += pi * e2[k];
    }
  }
  // A kernel with no share anywhere in the training set has no mean to give: its outputs are 0.
  for (PRBOUT_NEURON& u : net.prbout)
    for (std::size_t h = 0; h < nh; ++h) u.w[h] = suma_a[h] > 0 ? u.w[h] / suma_a[h] : 0;
}
