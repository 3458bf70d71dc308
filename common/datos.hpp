// The data sets both programs read: velmor keeps one array per series, korbent one array per pattern.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "common/ajustes.hpp"

// velmor: d[k][j] is value k of pattern j (column k is one series over time).
struct Columnas {
  std::vector<std::vector<double>> d;
  std::uint32_t ndat = 0;
};

// korbent: d[j][k] is value k of pattern j. A data set that is not given has 0 rows.
struct MATRIZ {
  std::vector<std::vector<long double>> d;
  std::uint32_t dim = 0;
  std::uint32_t ndat = 0;
};

template <class A>
using DatosDe = std::conditional_t<A::disposicion == Disposicion::columnas, Columnas, MATRIZ>;

// Reads `fname` as patterns of `dim` numbers. Every failure ends the process with its message. Data files
// keep their values inside A::dato_minimo..A::dato_maximo (or 0); files the program wrote itself are read
// with `acota` false, as they were written.
template <class A>
DatosDe<A> read_data(const char* fname, unsigned dim, bool acota = true);
