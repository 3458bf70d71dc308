// Line search along a given direction: equal steps (doubling after the first thousand) until the minimum is
// bracketed, then safeguarded cubic interpolation until the slope along the direction has almost vanished.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "common/ajustes.hpp"
#include "common/asigna.hpp"
#include "common/mensajes.hpp"

namespace buscalin_detalle {

// Bracketing takes this many equal steps, as far as nearly every search goes; beyond them the step doubles
// at each trial, so that a minimum hundreds of units away (data in large units) is bracketed in a few dozen
// trials instead of tens of thousands, each a pass over the training set.
inline constexpr std::uint64_t kPasosIguales = 1000;

// Bracketing ends on its own when the error rises or its slope turns: velmor's error is a mean of squares,
// bounded below, and korbent's can only fall without bound towards a value that is not finite, which ends
// the search at the last sound trial. What can step for ever is an error that is exactly flat (the same
// error and a zero slope trial after trial); it is given up once such trials in a row span this many step
// units, so that a search with a flat stretch shorter than that is still followed to its end.
inline constexpr double kPasosPlanos = 1000000;

template <class Real>
struct Extremo {
  Real a = 0, e = 0, d = 0;  // step, error, slope
};

template <class Real>
bool finito(const Extremo<Real>& t) {
  return std::isfinite(t.e) && std::isfinite(t.d);
}

// Minimiser of the cubic matching errors and slopes at both ends. Not finite for a bracket whose ends have
// equal errors and zero slopes (0/0); the caller bisects then.
template <class Real>
Real paso_cubico(const Extremo<Real>& inf, const Extremo<Real>& sup) {
  const Real n = Real(3) * (inf.e - sup.e) / (sup.a - inf.a) + inf.d + sup.d;
  const Real g = std::sqrt(n * n - inf.d * sup.d);
  return sup.a - (sup.a - inf.a) * (sup.d + g - n) / (sup.d - inf.d + Real(2) * g);
}

}  // namespace buscalin_detalle

// eval(w, grad) returns the error at w and writes its gradient into grad.
// On entry dw0 and e0 belong to w0; on return all three describe the accepted point, or are untouched.
// Returns the step taken along dir (0 when the direction is too short to search).
template <class A, class Eval>
typename A::Real buscalin(std::span<typename A::Real> w0, std::span<typename A::Real> dw0, typename A::Real& e0,
                          std::span<const typename A::Real> dir, Eval&& eval) {
  using Real = typename A::Real;
  using namespace buscalin_detalle;
  using T = Extremo<Real>;
  const std::size_t n = dir.size();

  Real suma = 0;
  for (std::size_t i = 0; i < n; ++i) suma += dir[i] * dir[i];
  const Real mod = std::sqrt(suma);
  if (A::demasiado_corta(mod)) return 0;

  // w, dw: the last trial; wmin, dwmin: the lower end of the bracket, which starts at the caller's point.
  std::vector<Real> w = asigna_o_sal<Real>(n, msg_comun::sin_memoria_w_buscalin);
  std::vector<Real> dw = asigna_o_sal<Real>(n, msg_comun::sin_memoria_dw_buscalin);
  std::vector<Real> wmin = asigna_o_sal<Real>(n, msg_comun::sin_memoria_w_buscalin);
  std::vector<Real> dwmin = asigna_o_sal<Real>(n, msg_comun::sin_memoria_dw_buscalin);
  for (std::size_t i = 0; i < n; ++i) wmin[i] = w0[i], dwmin[i] = dw0[i];

  Real d0 = 0;
  for (std::size_t i = 0; i < n; ++i) d0 += dir[i] * dw0[i];
  const Real pendiente_max = A::sigma * -d0;

  auto prueba = [&](Real a) {
    for (std::size_t i = 0; i < n; ++i) w[i] = w0[i] + a * dir[i];
    T t{a, eval(std::span<const Real>(w), std::span<Real>(dw)), 0};
    for (std::size_t i = 0; i < n; ++i) t.d += dir[i] * dw[i];
    return t;
  };
  // A trial whose error or slope is not a number is never accepted.
  auto aceptable = [&](const T& t) {
    return finito(t) && std::abs(t.d) <= pendiente_max && (!A::exige_bajar_error || t.e < e0);
  };
  auto acepta = [&](const std::vector<Real>& x, const std::vector<Real>& dx, const T& t) {
    for (std::size_t i = 0; i < n; ++i) w0[i] = x[i], dw0[i] = dx[i];
    e0 = t.e;
    return t.a;
  };

  T inf{0, e0, d0}, sup;
  bool ultima_es_inferior = false;  // where the last trial's point lives: wmin or w
  auto a_inferior = [&](const T& t) {
    inf = t;
    std::swap(w, wmin);
    std::swap(dw, dwmin);
    ultima_es_inferior = true;
  };
  auto a_superior = [&](const T& t) {
    sup = t;
    ultima_es_inferior = false;
  };

  Real unidades = 1, planos = 0;  // the last step and the flat run, in step units
  for (std::uint64_t k = 1;; ++k) {
    // Past the equal steps every trial so far is the bracket's lower end.
    const Real a = k <= kPasosIguales ? Real(k) * (A::paso / mod) : inf.a + (unidades *= 2) * (A::paso / mod);
    if (!std::isfinite(a)) return acepta(wmin, dwmin, inf);  // no farther point to try
    const T t = prueba(a);
    if (!finito(t)) return acepta(wmin, dwmin, inf);  // nothing beyond a broken point can be trusted
    if (aceptable(t)) return acepta(w, dw, t);
    if (t.d > 0 || t.e > inf.e) {
      a_superior(t);
      break;
    }
    planos = t.e == inf.e && t.d == 0 ? planos + unidades : 0;
    if (planos >= Real(kPasosPlanos)) return acepta(wmin, dwmin, inf);
    a_inferior(t);
  }

  // Every pass moves an end of the bracket inside it, so the bracket shrinks until the tolerance, unless a
  // trial lands on an end (a bracket a few units in the last place wide): then every later pass would repeat
  // it, and the bracket is as short as it can be.
  T ultima = sup;
  for (bool se_mueve = true; se_mueve && std::abs(sup.a - inf.a) * mod > A::tau;) {
    const Real L = sup.a - inf.a;
    const Real a = paso_cubico(inf, sup);
    bool biseca = !std::isfinite(a);
    T t;
    if (!biseca) {
      t = prueba(a);
      if (aceptable(t)) return acepta(w, dw, t);
      const Real amej = inf.e <= sup.e ? inf.a : sup.a;
      const Real lejos = std::abs(a - amej);
      biseca = lejos > Real(0.618) * L || (A::biseca_si_cerca && lejos < Real(0.01) * L) || a > sup.a || a < inf.a;
    }
    if (biseca) {
      t = prueba((inf.a + sup.a) / Real(2));
      if (aceptable(t)) return acepta(w, dw, t);
    }
    ultima = t;
    se_mueve = t.a != inf.a && t.a != sup.a;
    // A broken trial closes the bracket from above, so the search moves away from it.
    if (!finito(t) || t.d > 0) {
      a_superior(t);
    } else if (sup.d > 0) {
      a_inferior(t);
    } else if (t.e > sup.e) {
      a_superior(t);
    } else if (t.e < inf.e) {
      a_inferior(t);
    } else if (t.a - inf.a <= sup.a - t.a) {
      a_superior(t);
    } else {
      a_inferior(t);
    }
  }
  // The bracket is spent: the last trial stands, whatever its error; a broken one does not.
  if (!finito(ultima)) return acepta(wmin, dwmin, inf);
  return ultima_es_inferior ? acepta(wmin, dwmin, ultima) : acepta(w, dw, ultima);
}
