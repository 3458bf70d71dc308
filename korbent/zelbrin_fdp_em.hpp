// Expectation-maximisation of the training objective: the same parameters and the same penalised
// likelihood as the conjugate gradients, at one pass over the rows a cycle instead of several.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "common/fin_gconj.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"

enum class Optimizador { lmqn1, em };

// KORBENT_OPTIMIZADOR: unset, empty or "lmqn1" the conjugate gradients, "em" this one. Anything else ends the
// process on standard error with status 2.
Optimizador optimizador_korbent();

// One iteration at a time over the rows of net.lp, on parameters laid out as the training's (centres,
// inverse widths, wa). Holds everything its passes need, so that they allocate nothing.
class IteracionEm {
 public:
  explicit IteracionEm(ZELBRIN_FDP& net);

  // The objective at w, penalty included, and each kernel's responsibilities summed for maximiza.
  long double esperanza(std::span<const long double> w);
  // The last esperanza's objective without the penalty: minus the mean ln of the rows' q / s.
  long double menos_log_media() const { return menos_log_media_; }
  // w becomes the maximum of the expected penalised log-likelihood under the last esperanza's
  // responsibilities. A kernel with less than one row's worth of them keeps its centre and widths, but is
  // widened to the least width the penalty allows one row's worth.
  void maximiza(std::span<long double> w) const;

 private:
  // The row's scaled inputs, then each kernel's responsibility, then ln of its mixture (NaN: no mixture).
  void responsabilidades(const long double* x, const long double* r, const long double* b, long double* fila) const;

  std::span<const std::vector<long double>> filas_;
  std::size_t ni_, nh_, n_;
  Reparto reparto_;
  std::size_t filas_bloque_;
  std::vector<long double> ia_, ib_;      // the inputs' scaling
  std::vector<long double> norma_, wa2_;  // per kernel: |prod b|, wa^2
  long double s_ = 0;                     // sum of wa^2
  long double menos_log_media_ = 0;
  std::vector<long double> masa_, suma1_, suma2_;  // per kernel g, per coordinate g d and g d^2, d = u - r
  std::vector<long double> bloque_[2];             // rows in turn, as responsabilidades lays them out
};

// The optimiser's cycles: an expectation step, the report (actualiza(w, e) true stops) with the objective that
// step found without its penalty, then the maximisation: one pass over the training rows a cycle. The run also ends
// when an iteration lowered the objective by less than 1e-12 of it. w: the start on entry, the last point on return;
// *fin says how it ended and after how many reports.
template <class Actualiza>
void em_zelbrin_fdp(ZELBRIN_FDP& net, std::span<long double> w, unsigned nco, Actualiza&& actualiza, FinGconj* fin) {
  IteracionEm em(net);
  FinGconj f{MotivoFin::ciclos, 0};
  long double previo = 0;
  for (unsigned nc = 0; nc < nco; ++nc) {
    f.ciclos = nc + 1;
    const long double e = em.esperanza(w);
    if (actualiza(std::span<const long double>(w), em.menos_log_media())) {
      f.motivo = MotivoFin::usuario;
      break;
    }
    if (nc > 0 && !(previo - e >= 1e-12L * std::abs(e))) {
      f.motivo = MotivoFin::sin_mejora;
      break;
    }
    previo = e;
    em.maximiza(w);
  }
  if (fin != nullptr) *fin = f;
}
