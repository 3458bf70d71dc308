// Central differences, against which the analytic derivatives are checked.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace prueba {

// Derivative of f() in v[k] by a central difference with a step relative to v[k]; v[k] is restored. f returns a
// number or a vector of numbers (then one derivative per element).
template <class Real, class F>
auto diferencia_central(std::vector<Real>& v, std::size_t k, F&& f) {
  const Real x = v[k], h = Real(1e-6) * std::max(Real(1), std::abs(x));
  v[k] = x + h;
  auto mas = f();
  v[k] = x - h;
  const auto menos = f();
  v[k] = x;
  if constexpr (std::is_arithmetic_v<decltype(mas)>) {
    return (mas - menos) / (2 * h);
  } else {
    for (std::size_t j = 0; j < mas.size(); ++j) mas[j] = (mas[j] - menos[j]) / (2 * h);
    return mas;
  }
}

}  // namespace prueba
