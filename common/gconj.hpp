// Nonlinear conjugate gradients with one line search per cycle, along Hestenes-Stiefel directions that
// fall back to steepest descent when they fail to descend.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <type_traits>
#include <vector>

#include "common/ajustes.hpp"
#include "common/asigna.hpp"
#include "common/buscalin.hpp"
#include "common/fin_gconj.hpp"
#include "common/mensajes.hpp"

namespace gconj_detalle {

// A report may be absent: nullptr (never called), a function pointer that may be null, or any callable.
template <class Actualiza, class Real>
bool pide_parar(Actualiza& actualiza, std::span<const Real> w, Real e) {
  using F = std::decay_t<Actualiza>;
  if constexpr (std::is_null_pointer_v<F>) {
    return false;
  } else if constexpr (std::is_pointer_v<F>) {
    return actualiza != nullptr && actualiza(w, e);
  } else {
    return actualiza(w, e);
  }
}

}  // namespace gconj_detalle

// eval(w, grad) returns the error at w and writes its gradient; actualiza(w, e) true stops the run.
// On entry w0 is the starting point; on return the final point, and *fin (when given) says why it ended.
// Returns the final error.
template <class A, class Eval, class Actualiza>
typename A::Real gradiente_conjugado(std::span<typename A::Real> w0, unsigned maxiter, Eval&& eval,
                                     Actualiza&& actualiza, FinGconj* fin = nullptr) {
  using Real = typename A::Real;
  using gconj_detalle::pide_parar;
  const std::size_t n = w0.size();
  std::vector<Real> w = asigna<Real>(n, msg_comun::sin_memoria_w_gconj);
  std::vector<Real> dw = asigna<Real>(n, msg_comun::sin_memoria_dw_gconj);
  std::vector<Real> dw0 = asigna<Real>(n, msg_comun::sin_memoria_dw0_gconj);
  std::vector<Real> dir = asigna<Real>(n, msg_comun::sin_memoria_dir_gconj);
  const std::span<const Real> wc(w);

  for (std::size_t i = 0; i < n; ++i) w[i] = w0[i];
  Real e = eval(wc, std::span<Real>(dw));
  auto busca = [&] { buscalin<A>(std::span<Real>(w), std::span<Real>(dw), e, std::span<const Real>(dir), eval); };

  FinGconj f{MotivoFin::usuario, 1};
  if (!pide_parar(actualiza, wc, e)) {
    for (std::size_t i = 0; i < n; ++i) dw0[i] = dw[i], dir[i] = -dw[i];
    busca();  // made whatever maxiter is
    f.motivo = MotivoFin::ciclos;
    for (unsigned nc = 1; nc < maxiter; ++nc) {
      f.ciclos = nc + 1;
      if (pide_parar(actualiza, wc, e)) {
        f.motivo = MotivoFin::usuario;
        break;
      }
      Real m1 = 0;
      for (std::size_t i = 0; i < n; ++i) m1 += dw[i] * dw[i];
      if (m1 < 1e-7) {
        f.motivo = MotivoFin::gradiente;
        break;
      }
      if constexpr (A::para_si_paso_corto) {
        Real delta = 0;
        for (std::size_t i = 0; i < n; ++i) delta += (w[i] - w0[i]) * (w[i] - w0[i]);
        if (delta < 1e-7) {
          f.motivo = MotivoFin::paso_corto;
          break;
        }
      }
      Real b = 0, d = 0;
      for (std::size_t i = 0; i < n; ++i) b += (dw[i] - dw0[i]) * dw[i];
      for (std::size_t i = 0; i < n; ++i) d += (w[i] - w0[i]) * (dw[i] - dw0[i]);
      bool reinicia;
      if constexpr (A::guarda_denominador) {
        if (d != 0) b = b / d;  // a zero denominator leaves the unscaled sum
        reinicia = false;
      } else {
        // A zero denominator (or one so small that b overflows) gives no direction at all: restart.
        reinicia = d == 0;
        if (!reinicia) {
          b = b / d;
          reinicia = !std::isfinite(b);
        }
      }
      if (!reinicia) {
        Real c = 0;
        for (std::size_t i = 0; i < n; ++i) dir[i] = b * (w[i] - w0[i]) - dw[i];
        for (std::size_t i = 0; i < n; ++i) c += dw[i] * dir[i];
        reinicia = !(c < 0);  // not a descent direction, or not a number
      }
      if (reinicia)
        for (std::size_t i = 0; i < n; ++i) dir[i] = -dw[i];
      for (std::size_t i = 0; i < n; ++i) dw0[i] = dw[i], w0[i] = w[i];
      busca();
    }
  }
  for (std::size_t i = 0; i < n; ++i) w0[i] = w[i];
  if (fin != nullptr) *fin = f;
  return e;
}

// velmor's optimiser: actualiza(w, e), or nullptr for no report.
template <class Eval, class Actualiza>
double gconj(std::span<double> w0, unsigned maxiter, Eval&& eval, Actualiza&& actualiza, FinGconj* fin = nullptr) {
  return gradiente_conjugado<AjustesVelmor>(w0, maxiter, eval, actualiza, fin);
}
