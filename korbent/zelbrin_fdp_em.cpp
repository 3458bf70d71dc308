#include "korbent/zelbrin_fdp_em.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "common/asigna.hpp"
#include "korbent/mensajes.hpp"

namespace {

// Values a block of rows holds: with one part, few enough to stay in the nearest cache; with several,
// enough to keep the parts' meetings (one a block) rare.
constexpr std::size_t kValoresBloque = 2048, kValoresBloqueReparto = 16384;

// Responsibilities summing to less than one row leave a kernel's centre and widths where they are (but for
// the penalty's bound): they would be the mean and spread of a fraction of a row, down to 0/0 when they vanish.
constexpr long double kMasaMinima = 1;

}  // namespace

Optimizador optimizador_korbent() {
  const char* v = std::getenv("KORBENT_OPTIMIZADOR");
  if (v == nullptr || *v == '\0' || std::strcmp(v, "lmqn1") == 0) return Optimizador::lmqn1;
  if (std::strcmp(v, "em") == 0) return Optimizador::em;
  msg_korbent::optimizador_desconocido(v);
}

IteracionEm::IteracionEm(ZELBRIN_FDP& net) : filas_(net.lp->ts), ni_(net.ni), nh_(net.nh), n_(net.lp->tsize) {
  reparto_ = reparto_zelbrin_fdp(net, static_cast<double>(filas_.size()) * static_cast<double>(nh_));
  const std::size_t paso = ni_ + nh_ + 1, nr = ni_ * nh_;
  const std::size_t valores = reparto_.partes() > 1 ? kValoresBloqueReparto : kValoresBloque;
  filas_bloque_ = std::max<std::size_t>(1, std::min(filas_.size(), std::max<std::size_t>(16, valores / paso)));
  const auto reserva = [](std::vector<long double>& v, std::size_t n) {
    v = asigna<long double>(n, msg_korbent::sin_memoria_w);
  };
  reserva(ia_, ni_);
  reserva(ib_, ni_);
  for (std::size_t j = 0; j < ni_; ++j) {
    ia_[j] = net.ibuf[j].a;
    ib_[j] = net.ibuf[j].b;
  }
  reserva(norma_, nh_);
  reserva(wa2_, nh_);
  reserva(masa_, nh_);
  reserva(suma1_, nr);
  reserva(suma2_, nr);
  for (std::vector<long double>& b : bloque_) reserva(b, filas_bloque_ * paso);
}

void IteracionEm::responsabilidades(const long double* x, const long double* r, const long double* b,
                                    long double* fila) const {
  long double* const u = fila;
  long double* const g = fila + ni_;
  for (std::size_t j = 0; j < ni_; ++j) u[j] = x[j] * ia_[j] + ib_[j];
  long double q = 0;
  for (std::size_t h = 0; h < nh_; ++h) {
    long double suma = 0;
    for (std::size_t j = 0; j < ni_; ++j) {
      const long double t = (u[j] - r[h * ni_ + j]) * b[h * ni_ + j];
      suma += t * t;
    }
    g[h] = std::exp(-suma) * norma_[h] * wa2_[h];
    q += g[h];
  }
  const long double mezcla = q / s_;
  // Rows without a mixture add nothing to the objective; one that overflows has no shares to give.
  if (mezcla > 0 && mezcla <= std::numeric_limits<long double>::max()) {
    for (std::size_t h = 0; h < nh_; ++h) g[h] /= q;
    g[nh_] = std::log(mezcla);
  } else {
    g[nh_] = std::numeric_limits<long double>::quiet_NaN();
  }
}

long double IteracionEm::esperanza(std::span<const long double> w) {
  const std::size_t nr = ni_ * nh_, paso = ni_ + nh_ + 1, filas = filas_.size(), nb = filas_bloque_;
  const long double* const r = w.data();
  const long double* const b = r + nr;
  const long double* const wa = b + nr;
  s_ = 0;
  long double b2 = 0;
  for (std::size_t h = 0; h < nh_; ++h) {
    long double prod = 1;
    for (std::size_t j = 0; j < ni_; ++j) prod *= b[h * ni_ + j];
    norma_[h] = std::abs(prod);
    wa2_[h] = wa[h] * wa[h];
    s_ += wa2_[h];
  }
  for (std::size_t k = 0; k < nr; ++k) b2 += b[k] * b[k];
  std::fill(masa_.begin(), masa_.end(), 0.0L);
  std::fill(suma1_.begin(), suma1_.end(), 0.0L);
  std::fill(suma2_.begin(), suma2_.end(), 0.0L);

  // Block by block: the parts share out the rows, then, once all have been through them, each part sums its
  // own kernels row by row and part 0 the logarithms. Every sum gets its terms in row order, whatever the
  // number of parts. The blocks alternate between two buffers: a part that goes on to the next block
  // overwrites the one before the last, which every part has finished with before the last meeting.
  long double suma_ln = 0;
  const unsigned partes = reparto_.partes();
  reparto_([&](unsigned parte) {
    const Tramo mios = tramo(nh_, parte, partes);
    std::size_t cual = 0;
    for (std::size_t f0 = 0; f0 < filas; f0 += nb, cual ^= 1) {
      const std::size_t nf = std::min(nb, filas - f0);
      long double* const bloque = bloque_[cual].data();
      const Tramo mias = tramo(nf, parte, partes);
      for (std::size_t i = mias.inicio; i < mias.fin; ++i)
        responsabilidades(filas_[f0 + i].data(), r, b, bloque + i * paso);
      reparto_.sincroniza();
      for (std::size_t i = 0; i < nf; ++i) {
        const long double* const u = bloque + i * paso;
        const long double* const g = u + ni_;
        if (std::isnan(g[nh_])) continue;
        if (parte == 0) suma_ln += g[nh_];
        for (std::size_t h = mios.inicio; h < mios.fin; ++h) {
          if (g[h] == 0) continue;
          masa_[h] += g[h];
          for (std::size_t j = 0; j < ni_; ++j) {
            const std::size_t k = h * ni_ + j;
            const long double gd = g[h] * (u[j] - r[k]);
            suma1_[k] += gd;
            suma2_[k] += gd * (u[j] - r[k]);
          }
        }
      }
    }
  });
  menos_log_media_ = -suma_ln / static_cast<long double>(n_);
  return menos_log_media_ + 0.001 * b2 / static_cast<long double>(nh_);
}

void IteracionEm::maximiza(std::span<long double> w) const {
  const std::size_t nr = ni_ * nh_;
  long double* const r = w.data();
  long double* const b = r + nr;
  long double* const wa = b + nr;
  long double total = 0;
  for (long double m : masa_) total += m;
  if (!(total > 0)) return;  // no row has a mixture: nothing to learn from
  // The penalty 0.001 sum(b^2)/nh, weighed against the sum over all n rows of the log-likelihood.
  const long double c = 0.001 * static_cast<long double>(n_) / static_cast<long double>(nh_);
  for (std::size_t h = 0; h < nh_; ++h) {
    wa[h] = std::copysign(std::sqrt(masa_[h] / total), wa[h]);
    if (!(masa_[h] >= kMasaMinima)) {
      // Kept in place, yet no narrower than the penalty lets one row's worth hold it: a start that put it on a
      // lone row (k-means gives such a kernel the least width) would otherwise stay a spike there. The optimum
      // of its share, m / (2 (V + c)) with m < 1, lies below the bound, so the step still raises no objective.
      const long double tope = kMasaMinima / (2 * c);
      for (std::size_t k = h * ni_; k < (h + 1) * ni_; ++k)
        if (b[k] * b[k] > tope) b[k] = std::copysign(std::sqrt(tope), b[k]);
      continue;
    }
    // Each coordinate maximises m ln|b| - b^2 (V + c), V the responsibility-weighted squared distance from the
    // new centre: b^2 = m / (2 (V + c)), never above m / (2c), however close the rows. V is taken about the
    // old centre, which keeps it accurate as the centre settles.
    for (std::size_t j = 0; j < ni_; ++j) {
      const std::size_t k = h * ni_ + j;
      const long double media = suma1_[k] / masa_[h];
      const long double v = std::max(0.0L, suma2_[k] - suma1_[k] * media);
      const long double nuevo_r = r[k] + media, nuevo_b = std::copysign(std::sqrt(masa_[h] / (2 * (v + c))), b[k]);
      if (std::isfinite(nuevo_r) && std::isfinite(nuevo_b)) {
        r[k] = nuevo_r;
        b[k] = nuevo_b;
      }
    }
  }
}
