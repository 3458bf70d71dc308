// Records of a velmor job that outlive the reading of its configuration: the data sets and the
// learning parameters the run sequence attaches to the model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/datos.hpp"
#include "common/hilos.hpp"

// A data file's name (cut to kFname - 1 characters, always terminated) and its series, once read.
struct DATASET {
  static constexpr std::size_t kFname = 80;
  char fname[kFname] = {};
  Columnas d;
  std::uint32_t ndat = 0;
};

// How the training computes its gradient: by reverse accumulation, or by the recursion of earlier versions.
enum class PaseGradiente { adjunto, rtrl };

// Learning parameters of the model: the configuration sets nco and the training set; training adds its own.
struct VELMOR_LP {
  int nco = 0;
  DATASET trn;
  PaseGradiente pase = PaseGradiente::adjunto;
  // Training buffers: sized by the first error evaluation, released when train_velmor ends.
  // The adjoint's: a record per training row, the ring of adjoint terms the error taps carry back, and per
  // thread a block of perceptron inputs.
  std::vector<double> pasos, adjuntos, entradas;
  // The recursion's:
  std::vector<double> dydw;     // nret + 1 slices of no rows of nw, in one block
  std::vector<double*> dydw_r;  // dydw_r[r]: slice of step t - r; the ring turns by moving these pointers
  std::vector<double> dydx;     // no rows of the perceptron's ni
  std::vector<double> err;      // no errors of the current step
  // Threads of the adjoint's weights' sums, when a pass has work enough for them.
  std::unique_ptr<Cuadrilla> cuadrilla;
};

// Copies `nombre` into ds.fname, keeping what fits.
inline void pon_nombre(DATASET& ds, const char* nombre) {
  std::size_t n = 0;
  for (; n + 1 < DATASET::kFname && nombre[n] != '\0'; ++n) ds.fname[n] = nombre[n];
  ds.fname[n] = '\0';
}
