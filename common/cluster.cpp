#include "common/cluster.hpp"

#include <cassert>
#include <cmath>
#include <cstdlib>

#include "common/ajustes.hpp"
#include "common/asigna.hpp"
#include "common/errmess.hpp"
#include "common/mensajes_cluster.hpp"
#include "common/pareja.hpp"
#include "common/random.hpp"

namespace {

void comprueba_tamanos(std::uint32_t nr, std::span<long double* const> r, std::uint32_t nv, const Filas& v,
                       std::uint32_t dim) {
  assert(r.size() >= nr && v.size() >= nv);
  (void)nr, (void)r, (void)nv, (void)v, (void)dim;
#ifndef NDEBUG
  for (std::uint32_t k = 0; k < nv; ++k) assert(v[k].size() >= dim);
#endif
}

// random() shares its state with rand(), so init_aleatorio's srand(1) fixes these draws too (glibc).
std::uint32_t fila_aleatoria(std::uint32_t nv) {
  return nv == 0 ? 0 : static_cast<std::uint32_t>(random() % static_cast<long>(nv));
}

void copia(long double* destino, const long double* origen, std::uint32_t dim) {
  for (std::uint32_t j = 0; j < dim; ++j) destino[j] = origen[j];
}

// f(k) for every pattern k, the patterns split among the parts. f must only write what belongs to k.
template <class F>
void por_patrones(Reparto reparto, std::uint32_t nv, F&& f) {
  const unsigned partes = reparto.partes();
  reparto([&](unsigned parte) {
    const Tramo t = tramo(nv, parte, partes);
    for (std::size_t k = t.inicio; k < t.fin; ++k) f(static_cast<std::uint32_t>(k));
  });
}

// Assigns every pattern to its nearest centre and counts the patterns of each.
void asigna_patrones(std::uint32_t nr, std::span<long double* const> r, std::span<std::uint32_t> nvr, std::uint32_t nv,
                     const Filas& v, std::uint32_t dim, std::span<std::uint32_t> rv, Reparto reparto) {
  por_patrones(reparto, nv, [&](std::uint32_t k) { rv[k] = centro_mas_cercano(v[k].data(), r, nr, dim); });
  for (std::uint32_t i = 0; i < nr; ++i) nvr[i] = 0;
  for (std::uint32_t k = 0; k < nv; ++k) ++nvr[rv[k]];
}

// Neural-gas ranking: equal distances rank the lower centre first, so the order does not depend on
// the sort's handling of ties.
bool antes_en_rango(const PAREJA& a, const PAREJA& b) {
  if (menor_val(a, b)) return true;
  if (menor_val(b, a)) return false;
  return a.ind < b.ind;
}

}  // namespace

long double distance(const long double* v, const long double* r, std::uint32_t dim) {
  long double s = 0;
  for (std::uint32_t j = 0; j < dim; ++j) {
    const long double d = v[j] - r[j];
    s += d * d;
  }
  return std::sqrt(s);
}

std::uint32_t centro_mas_cercano(const long double* x, std::span<long double* const> r, std::uint32_t nr,
                                 std::uint32_t dim) {
  std::uint32_t mejor = 0;
  if (nr == 0) return mejor;
  long double dmin = distance(x, r[0], dim);
  for (std::uint32_t i = 1; i < nr; ++i) {
    const long double d = distance(x, r[i], dim);
    if (d < dmin) {
      dmin = d;
      mejor = i;
    }
  }
  return mejor;
}

void siembra_si_hace_falta(std::uint32_t nr, std::span<long double* const> r, std::uint32_t nv, const Filas& v,
                           std::uint32_t dim) {
  if (nr <= 1) return;
  long double suma = 0;  // signed: differences of opposite sign cancel, as stored networks expect
  for (std::uint32_t j = 0; j < dim; ++j) suma += r[0][j] - r[1][j];
  if (!(std::abs(suma) < 1e-6)) return;
  if (nv == 0) return;  // no row to copy
  for (std::uint32_t i = 0; i < nr; ++i) copia(r[i], v[fila_aleatoria(nv)].data(), dim);
}

void k_means(std::uint32_t nr, std::span<long double* const> r, std::span<std::uint32_t> nvr, std::uint32_t nv,
             const Filas& v, std::uint32_t dim, std::uint32_t nc, Reparto reparto) {
  comprueba_tamanos(nr, r, nv, v, dim);
  std::vector<std::uint32_t> rv = asigna<std::uint32_t>(nv, msg_cluster::rv_k_means);
  init_aleatorio<AjustesKorbent>();
  if (nv == 0) {  // nothing to average and no row to reseed from: the centres stay as given
    for (std::uint32_t i = 0; i < nr; ++i) nvr[i] = 0;
    return;
  }
  siembra_si_hace_falta(nr, r, nv, v, dim);
  const unsigned partes = reparto.partes();
  for (std::uint32_t pasada = 0; pasada < nc; ++pasada) {
    asigna_patrones(nr, r, nvr, nv, v, dim, rv, reparto);
    // Each part averages its own centres, taking their patterns in pattern order.
    reparto([&](unsigned parte) {
      const Tramo mios = tramo(nr, parte, partes);
      for (std::size_t i = mios.inicio; i < mios.fin; ++i)
        for (std::uint32_t j = 0; j < dim; ++j) r[i][j] = 0;
      for (std::uint32_t k = 0; k < nv; ++k) {
        if (rv[k] < mios.inicio || rv[k] >= mios.fin) continue;
        long double* c = r[rv[k]];
        const long double n = nvr[rv[k]];
        for (std::uint32_t j = 0; j < dim; ++j) c[j] += v[k][j] / n;
      }
    });
    for (std::uint32_t i = 0; i < nr; ++i)
      if (nvr[i] == 0) copia(r[i], v[fila_aleatoria(nv)].data(), dim);
  }
}

void leader(std::uint32_t nr, std::uint32_t nr0, std::span<long double* const> r, std::uint32_t nv, const Filas& v,
            std::uint32_t dim, Reparto reparto) {
  if (nr == 0) return;
  comprueba_tamanos(nr, r, nv, v, dim);
  std::vector<std::uint32_t> rv = asigna<std::uint32_t>(nv, msg_cluster::rv_k_means);
  std::vector<long double> drv = asigna<long double>(nv, msg_cluster::drv_leader);
  init_aleatorio<AjustesKorbent>();
  if (nv == 0) return;  // no pattern to choose: the centres stay as given

  if (nr0 == 0) {
    for (std::uint32_t j = 0; j < dim; ++j) r[0][j] = 0;
    for (std::uint32_t k = 0; k < nv; ++k)
      for (std::uint32_t j = 0; j < dim; ++j) r[0][j] += v[k][j] / static_cast<long double>(nv);
    por_patrones(reparto, nv, [&](std::uint32_t k) { drv[k] = distance(v[k].data(), r[0], dim); });
    std::uint32_t cerca = 0;
    for (std::uint32_t k = 1; k < nv; ++k)
      if (drv[k] < drv[cerca]) cerca = k;
    copia(r[0], v[cerca].data(), dim);
    nr0 = 1;
  }
  if (nr0 >= nr) return;

  // drv[k] is the distance of pattern k to the nearest centre chosen so far; each new centre only
  // needs comparing against it, which gives the same minimum as scanning every centre again.
  por_patrones(reparto, nv, [&](std::uint32_t k) {
    rv[k] = centro_mas_cercano(v[k].data(), r, nr0, dim);
    drv[k] = distance(v[k].data(), r[rv[k]], dim);
  });
  for (std::uint32_t l = nr0; l < nr; ++l) {
    std::uint32_t lejos = 0;
    for (std::uint32_t k = 1; k < nv; ++k)
      if (drv[k] > drv[lejos]) lejos = k;
    copia(r[l], v[lejos].data(), dim);
    por_patrones(reparto, nv, [&](std::uint32_t k) {
      const long double d = distance(v[k].data(), r[l], dim);
      if (d < drv[k]) {
        drv[k] = d;
        rv[k] = l;
      }
    });
  }
}

void n_gas(std::uint32_t nr, std::span<long double* const> r, std::span<std::uint32_t> nvr, std::uint32_t nv,
           const Filas& v, std::uint32_t dim, std::uint32_t nc, Reparto reparto) {
  constexpr double landa_i = 10.0, landa_f = 0.01, eps_i = 0.5, eps_f = 0.005;
  comprueba_tamanos(nr, r, nv, v, dim);
  std::vector<std::uint32_t> rv = asigna<std::uint32_t>(nv, msg_cluster::rv_k_means);
  std::vector<std::uint32_t> ord = asigna<std::uint32_t>(nr, msg_cluster::ord_k_means);
  std::vector<PAREJA> par = asigna<PAREJA>(nr, msg_cluster::par_k_means);
  init_aleatorio<AjustesKorbent>();
  if (nv == 0) {  // no pattern to adapt to: the centres stay as given
    for (std::uint32_t i = 0; i < nr; ++i) nvr[i] = 0;
    return;
  }
  siembra_si_hace_falta(nr, r, nv, v, dim);

  for (std::uint32_t t = 0; t < nc; ++t) {
    if (t % 100 == 0) msg_cluster::ciclo_neural_gas(t);
    const long double* x = v[fila_aleatoria(nv)].data();
    for (std::uint32_t i = 0; i < nr; ++i) par[i] = {i, distance(x, r[i], dim)};
    std::sort(par.begin(), par.end(), antes_en_rango);
    for (std::uint32_t m = 0; m < nr; ++m) ord[par[m].ind] = m;

    const double fraccion = static_cast<double>(t) / static_cast<double>(nc);
    const double landa = landa_i * std::pow(landa_f / landa_i, fraccion);
    const double eps = eps_i * std::pow(eps_f / eps_i, fraccion);
    for (std::uint32_t i = 0; i < nr; ++i) {
      const double h = eps * std::exp(-static_cast<double>(ord[i]) / landa);
      for (std::uint32_t j = 0; j < dim; ++j) r[i][j] += h * (x[j] - r[i][j]);
    }
  }
  asigna_patrones(nr, r, nvr, nv, v, dim, rv, reparto);
}

void estima_sig(std::uint32_t nr, std::span<long double* const> r, std::uint32_t nv, const Filas& v, std::uint32_t dim,
                std::span<long double* const> sig, Reparto reparto) {
  comprueba_tamanos(nr, r, nv, v, dim);
  assert(sig.size() >= nr);
  std::vector<std::uint32_t> rv = asigna<std::uint32_t>(nv, msg_cluster::rv_estima_sig);
  std::vector<std::uint32_t> nvr = asigna<std::uint32_t>(nr, msg_cluster::nvr_estima_sig);
  for (std::uint32_t i = 0; i < nr; ++i)
    for (std::uint32_t j = 0; j < dim; ++j) sig[i][j] = 0;
  asigna_patrones(nr, r, nvr, nv, v, dim, rv, reparto);
  for (std::uint32_t k = 0; k < nv; ++k) {
    const std::uint32_t c = rv[k];
    for (std::uint32_t j = 0; j < dim; ++j) {
      const long double d = v[k][j] - r[c][j];
      sig[c][j] += d * d;
    }
  }
  for (std::uint32_t i = 0; i < nr; ++i)
    for (std::uint32_t j = 0; j < dim; ++j)
      sig[i][j] = sig[i][j] < 1e-7 ? 0.01 : std::sqrt(sig[i][j] / static_cast<long double>(nvr[i]));
}

void p_nn_h(std::uint32_t p, std::uint32_t nr, std::span<long double* const> r, std::uint32_t dim,
            std::span<long double* const> sig) {
  if (!(p < nr)) puterr(kEntradaErronea, "%s", msg_cluster::p_nn_h_requiere);
  assert(r.size() >= nr && sig.size() >= nr);
  std::vector<long double> dist = asigna<long double>(nr, msg_cluster::dist_p_nn_h);
  std::vector<long double> dist_orden = asigna<long double>(nr, msg_cluster::dist_orden_p_nn_h);
  const long double peso = p == 0 ? 0 : 1 / static_cast<long double>(p);
  for (std::uint32_t i = 0; i < nr; ++i) {
    for (std::uint32_t j = 0; j < nr; ++j) dist[j] = dist_orden[j] = distance(r[i], r[j], dim);
    std::sort(dist_orden.begin(), dist_orden.end(), menor_double);
    for (std::uint32_t d = 0; d < dim; ++d) sig[i][d] = 0;
    for (std::uint32_t l = 1; l <= p; ++l) {
      // A NaN distance equals nothing; matching it to a NaN keeps the search inside the array.
      const long double objetivo = dist_orden[l];
      std::uint32_t j = 0;
      while (j + 1 < nr && !(dist[j] == objetivo || (std::isnan(dist[j]) && std::isnan(objetivo)))) ++j;
      for (std::uint32_t d = 0; d < dim; ++d) sig[i][d] += std::abs(r[i][d] - r[j][d]) * peso;
    }
  }
}
