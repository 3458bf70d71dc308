// Records of a velmor job that outlive the reading of its configuration: the data sets and the
// learning parameters the run sequence attaches to the model.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/datos.hpp"

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
};

// Copies `nombre` into ds.fname, keeping what fits.
inline void pon_nombre(DATASET& ds, const char* nombre) {
  std::size_t n = 0;
  for (; n + 1 < DATASET::kFname && nombre[n] != '\0'; ++n) ds.fname[n] = nombre[n];
  ds.fname[n] = '\0';
}
