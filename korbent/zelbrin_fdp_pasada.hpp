// The pass over a set of rows: each row's inputs into the network, one evaluation through its `evalua`
// operation, and what the row gives. The centiles, the output values and the test read their rows so.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "common/datos.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"

// The rows of a data set, never more than it holds.
std::span<const std::vector<long double>> filas(const MATRIZ& m);

// The row's first ni values (all of a shorter row) into the network's inputs, then one evaluation.
void evalua_fila(ZELBRIN_FDP& net, const std::vector<long double>& fila);

// Kernel h's part of the mixture at the row last evaluated, o_h wa_h^2 / s, where s is
// suma_wa2_zelbrin_fdp(net).
inline long double cuota_zelbrin_fdp(const ZELBRIN_FDP& net, std::size_t h, long double s) {
  return net.rb[h].o * (net.wa[h] * net.wa[h]) / s;
}

// What one row gives, read from the network just evaluated at it (valid until the next evaluation).
class FilaEvaluada {
 public:
  FilaEvaluada(const ZELBRIN_FDP& net, long double s);
  long double p() const { return net_.p; }  // the density; not positive when there is none
  long double vlr() const { return net_.vlr; }
  std::size_t nh() const { return net_.nh; }
  std::size_t no() const { return net_.no; }
  // The kernel with the largest share; the lower one on a tie.
  std::size_t hmax() const { return hmax_; }
  // False when the shares add up to nothing positive, or to no number at all (no mixing weight): no
  // kernel can then claim the row.
  bool reparte() const { return a_ > 0; }
  // Kernel h's share of the density at the row, the shares summing to 1; only when reparte().
  long double cuota(std::size_t h) const { return cuota_zelbrin_fdp(net_, h, s_) / a_; }
  long double y(std::size_t k) const { return net_.obuf[k].o; }  // output k
  long double emax(std::size_t k) const { return net_.emax[k]; }

 private:
  const ZELBRIN_FDP& net_;
  long double s_, a_ = 0;
  std::size_t hmax_ = 0;
};

// Every row in order: evaluates it and hands its results to f(const FilaEvaluada&). Returns minus the mean
// of ln p over all the rows, the rows of non-positive density adding nothing; 0 without rows.
template <class F>
long double pasa_zelbrin_fdp(ZELBRIN_FDP& net, std::span<const std::vector<long double>> ts, F&& f) {
  if (ts.empty()) return 0;
  const long double s = suma_wa2_zelbrin_fdp(net);
  long double suma = 0;
  for (const std::vector<long double>& fila : ts) {
    evalua_fila(net, fila);
    f(FilaEvaluada(net, s));
    if (net.p > 0) suma += std::log(net.p);
  }
  return -suma / static_cast<long double>(ts.size());
}
