#include "korbent/zelbrin_fdp_pasada.hpp"

#include <algorithm>

std::span<const std::vector<long double>> filas(const MATRIZ& m) {
  return {m.d.data(), std::min<std::size_t>(m.ndat, m.d.size())};
}

void evalua_fila(ZELBRIN_FDP& net, const std::vector<long double>& fila) {
  std::copy_n(fila.begin(), std::min<std::size_t>(net.ni, fila.size()), net.i.begin());
  net.evalua(net);
}

FilaEvaluada::FilaEvaluada(const ZELBRIN_FDP& net, long double s) : net_(net), s_(s) {
  long double mayor = 0;
  for (std::size_t h = 0; h < net.nh; ++h) {
    const long double c = cuota_zelbrin_fdp(net, h, s);
    if (h == 0 || c > mayor) {
      mayor = c;
      hmax_ = h;
    }
    a_ += c;
  }
}
