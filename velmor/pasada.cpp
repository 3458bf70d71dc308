#include "velmor/pasada.hpp"

void eval_set_velmor(VELMOR& m, const Columnas& D, std::size_t rows, double& E) {
  eval_set_velmor(m, D, rows, E, {}, [](std::span<const MP_BUF>, std::span<const double>) {});
}
