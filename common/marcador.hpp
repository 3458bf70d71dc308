// The bookkeeping of "train, report, keep the best" that every training shares: how many reports there have
// been, the lowest test error met, whether a report of the current training kept the weights of such a
// minimum, and how long to wait for the next one. Whoever trains makes one and lends it to the report; what a
// record spans (one training or the whole process) is its owner's choice.
#pragma once

template <class Real>
struct Marcador {
  Real minimo = 1e30;     // lowest test error kept so far
  unsigned ciclos = 0;    // reports so far
  bool guardado = false;  // a report of the current training kept its weights
  // Reports in a row without a new minimum that end the training (0: no limit), and those so far.
  unsigned paciencia = 0, sin_mejora = 0;

  // True when e is below every minimum kept so far; it then becomes the minimum, and the caller keeps the
  // weights. An equal error, or one that is not a number, never is.
  bool nuevo_minimo(Real e) {
    if (!(e < minimo)) {
      ++sin_mejora;
      return false;
    }
    minimo = e;
    guardado = true;
    sin_mejora = 0;
    return true;
  }
  // The training ends here: `paciencia` reports in a row brought no new minimum.
  bool sin_paciencia() const { return paciencia > 0 && sin_mejora >= paciencia; }
};
