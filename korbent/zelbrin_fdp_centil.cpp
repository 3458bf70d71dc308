#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/asigna.hpp"
#include "common/errmess.hpp"
#include "common/fichero_seguro.hpp"
#include "common/pareja.hpp"
#include "korbent/mensajes.hpp"
#include "korbent/zelbrin_fdp_entrena.hpp"

namespace {

void copia_entradas(ZELBRIN_FDP& net, const std::vector<long double>& fila) {
  std::copy_n(fila.begin(), std::min<std::size_t>(net.ni, fila.size()), net.i.begin());
}

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

// What a density that is not positive is written as, in place of log10 0: -4916.473389.
const long double kLogDensidadNula = std::log10(3.362103143112094e-4917L);

}  // namespace

void ordena_zelbrin_fdp(ZELBRIN_FDP& net) { ordena_zelbrin_fdp(net, net.clave); }

void ordena_zelbrin_fdp(ZELBRIN_FDP& net, ClaveOrden clave) {
  const std::size_t nh = net.nh, ni = net.ni;
  std::vector<PAREJA> p = asigna<PAREJA>(nh, msg::sin_memoria_p_orden);
  for (std::size_t h = 0; h < nh; ++h) p[h] = {static_cast<std::uint32_t>(h), clave_de(net, h, clave)};
  // Equal keys keep their order, so a run repeats whatever the sort's internals.
  std::stable_sort(p.begin(), p.end(), menor_val);

  // Large enough for a block of rows and for an output unit's nh + 1 weights.
  std::vector<long double> aux = asigna<long double>(nh * ni + 1, msg::sin_memoria_waux);
  ;
  permuta(net.centros, ni, p, aux);
  permuta(net.anchos, ni, p, aux);
  permuta(net.wa, 1, p, aux);
  for (PRBOUT_NEURON& u : net.prbout) permuta(u.w, 1, p, aux);  // w[nh] is unused and stays
  std::vector<std::uint32_t> nvr = asigna<std::uint32_t>(nh, msg::sin_memoria_rb_orden);
  for (std::size_t m = 0; m < nh; ++m) nvr[m] = net.rb[p[m].ind].nvr;
  for (std::size_t m = 0; m < nh; ++m) net.rb[m].nvr = nvr[m];
}

void compute_zelbrin_fdp_centil(ZELBRIN_FDP& net, std::span<const std::vector<long double>> datos,
                                std::uint32_t ndatos) {
  for (ZELBRIN_NEURON& k : net.rb) k.nvr = 0;
  const std::size_t n = std::min<std::size_t>(ndatos, datos.size());
  if (n == 0) return;  // no rows, no centiles: the thresholds stay as they were
  std::vector<PAREJA> p = asigna<PAREJA>(n, msg::sin_memoria_p_centil);
  for (std::size_t i = 0; i < n; ++i) {
    copia_entradas(net, datos[i]);
    net.evalua(net);
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

long double test_zelbrin_fdp(ZELBRIN_FDP& net, const MATRIZ& zts) {
  const std::size_t filas = std::min<std::size_t>(zts.ndat, zts.d.size());
  if (filas == 0) return 0;
  const std::string fichero = net.name + ".out";
  std::FILE* f = std::fopen(fichero.c_str(), "w");
  if (f == nullptr) puterr(kFalloRecurso, msg::apertura_out, fichero.c_str());

  const std::size_t nh = net.nh;
  long double s = 0;
  for (long double a : net.wa) s += a * a;
  const auto cuota = [&](std::size_t h) { return net.rb[h].o * (net.wa[h] * net.wa[h]) / s; };
  long double suma = 0;
  for (std::size_t n = 0; n < filas; ++n) {
    copia_entradas(net, zts.d[n]);
    net.evalua(net);
    long double a = 0, mayor = 0;
    std::size_t hmax = 0;
    for (std::size_t h = 0; h < nh; ++h) {
      const long double c = cuota(h);
      if (h == 0 || c > mayor) {
        mayor = c;
        hmax = h;
      }
      a += c;
    }
    std::fprintf(f, msg::out_campo, net.p > 0 ? std::log10(net.p) : kLogDensidadNula);
    std::fprintf(f, msg::out_campo, net.vlr);
    std::fprintf(f, msg::out_hmax, static_cast<int>(hmax));
    // Not positive, or not a number (no mixing weight at all): no kernel can claim the row.
    for (std::size_t h = 0; h < nh; ++h)
      if (a > 0)
        std::fprintf(f, msg::out_campo, cuota(h) / a);
      else
        std::fputs(msg::out_cuota_nula, f);
    for (std::size_t k = 0; k < net.no; ++k) {
      std::fprintf(f, msg::out_campo, net.obuf[k].o);
      std::fprintf(f, msg::out_campo, net.emax[k]);
    }
    std::fputs(msg::out_fin, f);
    if (net.p > 0) suma += std::log(net.p);
  }
  // A file that could not be written whole (a full disk) must not pass for the results.
  if (!cierra_comprobado(f)) puterr(kFalloRecurso, msg::apertura_out, fichero.c_str());
  return -suma / static_cast<long double>(filas);
}
