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

// Learning parameters of the model: the configuration sets nco and the training set; training adds its own.
struct VELMOR_LP {
  int nco = 0;
  DATASET trn;
  // Training buffers: sized by the first error evaluation, released when train_velmor ends.
  std::vector<double> dydw;     // nret + 1 slices of no rows of nw, in one block
  std::vector<double*> dydw_r;  // dydw_r[r]: slice of step t - r; the ring turns by moving these pointers
  std::vector<double> dydx;     // no rows of the perceptron's ni
  std::vector<double> err;      // no errors of the current step
  // With a crew, the gradient pass runs split by weights in `bloque` alone (dydw stays empty): the gradient's
  // sums, its own ring of slices, and the records of two blocks of steps, `registro` doubles a step.
  std::unique_ptr<Cuadrilla> cuadrilla;
  std::vector<double> bloque;
  std::size_t registro = 0;
};

// Copies `nombre` into ds.fname, keeping what fits.
inline void pon_nombre(DATASET& ds, const char* nombre) {
  std::size_t n = 0;
  for (; n + 1 < DATASET::kFname && nombre[n] != '\0'; ++n) ds.fname[n] = nombre[n];
  ds.fname[n] = '\0';
}
