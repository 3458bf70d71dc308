// What differs between the numerics of the two programs, as data. The shared algorithms are templates on
// one of these settings types; nothing is copied per program.
#pragma once

#include <limits>

enum class Disposicion { columnas, filas };  // data matrix: one array per series, or one per pattern

struct AjustesVelmor {
  using Real = double;
  // Line search.
  static constexpr Real paso = 0.01;               // bracketing step, as a length in weight space
  static constexpr Real sigma = 0.001;             // slope factor of the acceptance test
  static constexpr Real tau = 1e-6;                // bracket tolerance, as a length in weight space
  static constexpr bool exige_bajar_error = true;  // a trial is accepted only below the starting error
  static constexpr bool biseca_si_cerca = true;    // a cubic step hugging the better end is replaced
  static constexpr bool demasiado_corta(Real mod) { return mod <= 0; }
  // Conjugate gradients.
  static constexpr bool para_si_paso_corto = false;  // no test on the length of the last step
  static constexpr bool guarda_denominador = false;  // zero denominator: restart (see gconj)
  // Data files and random numbers.
  static constexpr Disposicion disposicion = Disposicion::columnas;
  // Largest magnitude a data value may have: the gradient holds products of two values and the line search
  // sums their squares, so fourth powers, times any count of terms, must stay finite. Small values only
  // underflow towards 0, which poisons nothing: no lower limit.
  static constexpr Real dato_maximo = 1e60;
  static constexpr Real dato_minimo = 0;
  static constexpr bool semilla_fija = false;  // VELMOR_SEMILLA or the clock
};

struct AjustesKorbent {
  using Real = long double;
  static constexpr Real paso = 0.1;
  static constexpr Real sigma = 0.005;
  static constexpr Real tau = 1e-5;
  static constexpr bool exige_bajar_error = false;
  static constexpr bool biseca_si_cerca = false;
  static constexpr bool demasiado_corta(Real mod) { return mod < 1e-7; }
  static constexpr bool para_si_paso_corto = true;
  static constexpr bool guarda_denominador = true;
  static constexpr Disposicion disposicion = Disposicion::filas;
  // Squares of differences of values, summed over any count of rows, must stay finite, and those of the
  // smallest differences the format can tell apart (19 digits down) must stay normal numbers.
  static constexpr Real dato_maximo = 1e2400L;
  static constexpr Real dato_minimo = 1e-2400L;
  static constexpr bool semilla_fija = true;  // KORBENT_SEMILLA or 1: every run repeats
};

static_assert(std::numeric_limits<long double>::digits == 64, "korbent computes in the x87 80-bit format");
