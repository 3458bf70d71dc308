// (index, value) pairs sorted by value: kernel ranking in the neural gas, centiles and kernel ordering.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

struct PAREJA {
  std::uint32_t ind = 0;
  long double val = 0;
};

// Ascending by value. A NaN sorts after every number, so that a corrupt value can never break the
// strict weak ordering std::sort relies on (which would let it run off the array).
inline bool menor_double(long double a, long double b) { return a < b || (std::isnan(b) && !std::isnan(a)); }
inline bool menor_val(const PAREJA& a, const PAREJA& b) { return menor_double(a.val, b.val); }

// -1, 0, 1 by the same order.
inline int compara_double(long double a, long double b) { return menor_double(a, b) ? -1 : menor_double(b, a) ? 1 : 0; }
inline int compara_parejas(const PAREJA& a, const PAREJA& b) { return compara_double(a.val, b.val); }

// Not stable: pairs of equal value come out in an unspecified order.
inline void ordena_parejas(std::span<PAREJA> p) { std::sort(p.begin(), p.end(), menor_val); }
