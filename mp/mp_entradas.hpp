// What every pass of a perceptron over its patterns shares: the inputs it feeds, and the mean it reports.
#pragma once

#include <cstddef>
#include <vector>

#include "common/asigna.hpp"
#include "mp/mensajes.hpp"
#include "mp/mp.hpp"

// The pattern array the input buffers read during one pass. The buffers are let go at the end of the pass, so
// that nothing is left pointing at freed storage.
class Entradas {
 public:
  explicit Entradas(MP& mp) : mp_(mp), x_(asigna<double>(tam(mp.ni), msg_mp::sin_memoria_input)) {
    for (std::size_t k = 0; k < x_.size(); ++k) mp_.ibuf[k].i = &x_[k];
  }
  ~Entradas() {
    for (MP_BUF& b : mp_.ibuf) b.i = nullptr;
  }
  void carga(const std::vector<const double*>& ts, std::size_t p) {
    for (std::size_t k = 0; k < x_.size(); ++k) x_[k] = ts[k][p];
  }
  Entradas(const Entradas&) = delete;
  Entradas& operator=(const Entradas&) = delete;

 private:
  MP& mp_;
  std::vector<double> x_;
};

// No patterns give no error: 0 rather than 0/0.
inline double media(double suma, std::size_t npat) { return npat > 0 ? suma / static_cast<double>(npat) : 0; }
