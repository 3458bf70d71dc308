// The recurrent model: one perceptron fed by delay banks of the input series and of the model's own past
// errors, followed by a linear unit per output. One step is a fixed sequence of unit updates; the units read
// each other through pointers wired once by build_velmor.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mp/mp.hpp"
#include "velmor/registros.hpp"

struct RET_UNIT {
  const double* i = nullptr;
  double o = 0;
  void evalua() { o = *i; }
};

struct SUB_UNIT {
  const double* i1 = nullptr;  // minuend
  const double* i2 = nullptr;  // subtrahend
  double o = 0;
  void evalua() { o = *i1 - *i2; }
};

// Tap 0 is ibuf, taps 1 .. n-1 are ret[0] .. ret[n-2].
struct BANCO {
  MP_BUF ibuf{.i = nullptr, .o = 0, .a = 0, .b = 0};  // its scaling is set by initialisation or the weight file
  std::vector<RET_UNIT> ret;
  int n = 0;
  int pos = 0;  // perceptron input fed by tap 0
  // Oldest tap first, so every tap takes the value its predecessor held before this step.
  void evalua() {
    for (std::size_t k = ret.size(); k-- > 0;) ret[k].evalua();
    ibuf.evalua();
  }
  double tap(std::size_t k) const { return k == 0 ? ibuf.o : ret[k - 1].o; }

  BANCO() = default;
  BANCO(const BANCO&) = delete;
  BANCO& operator=(const BANCO&) = delete;
};

struct VELMOR;
using EvaluaVelmor = void (*)(VELMOR&);

struct VELMOR {
  std::string name;  // at most 7 characters; the perceptron is name + "#"
  int ni = 0;
  int no = 0;
  std::vector<double> i;  // current value of each input series
  std::vector<double> d;  // observed value of each output at the previous step
  std::unique_ptr<MP> mp;
  std::vector<std::unique_ptr<BANCO>> bancox;  // ni banks
  std::vector<std::unique_ptr<BANCO>> bancoe;  // no entries, empty where nre = 0
  std::vector<MP_BUF> obuf;                    // the model's outputs
  std::vector<std::optional<RET_UNIT>> oret;   // previous output, where nre >= 1
  std::vector<std::optional<SUB_UNIT>> osub;   // previous error, where nre >= 1
  EvaluaVelmor evalua = nullptr;
  std::unique_ptr<VELMOR_LP> lp;  // set by the run sequence on learn / c_learn
  std::unique_ptr<DATASET> tp;    // set when the configuration names a test file

  VELMOR() = default;
  VELMOR(const VELMOR&) = delete;
  VELMOR& operator=(const VELMOR&) = delete;
};

inline constexpr std::size_t kMaxNombreVelmor = 7;

// No bank (nullptr) for n = 0.
std::unique_ptr<BANCO> build_banco_retardos(int n);

// kind 0 (velmor) gives identity outputs, 1 (veldmor) tanh outputs. The caller guarantees ni, nh, no >= 1,
// nri[j] >= 1 and nre[j] >= 0, with nri.size() == ni and nre.size() == no.
std::unique_ptr<VELMOR> build_velmor(std::string_view name, int ni, int nh, int no, std::span<const int> nri,
                                     std::span<const int> nre, int kind);

// One step from the current i and d; the result is obuf[j].o.
void eval_velmor(VELMOR& m);

// The perceptron input fed by the first error tap: every input tap comes before every error tap.
int primera_entrada_error(const VELMOR& m);

// Clears every bank tap and every model output before a pass; oret and osub are recomputed by the next step.
void reset_velmor(VELMOR& m);
