// korbent's optimiser: the conjugate-gradient iteration in extended precision, with a stop on a tiny step
// and a guarded update factor. Its report sees only the point.
#pragma once

#include <span>
#include <type_traits>

#include "common/gconj.hpp"

// eval(w, grad) returns the error at w; actualiza(w) true stops the run; nullptr means no report.
// On entry w0 is the starting point; on return the final point. Returns the final error.
template <class Eval, class Actualiza>
long double lmqn1(std::span<long double> w0, unsigned maxiter, Eval&& eval, Actualiza&& actualiza,
                  FinGconj* fin = nullptr) {
  if constexpr (std::is_null_pointer_v<std::decay_t<Actualiza>>) {
    return gradiente_conjugado<AjustesKorbent>(w0, maxiter, eval, nullptr, fin);
  } else {
    return gradiente_conjugado<AjustesKorbent>(
        w0, maxiter, eval,
        [&](std::span<const long double> w, long double /*e*/) {
          if constexpr (std::is_pointer_v<std::decay_t<Actualiza>>)
            if (actualiza == nullptr) return false;
          return static_cast<bool>(actualiza(w));
        },
        fin);
  }
}
