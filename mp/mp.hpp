// The one-hidden-layer perceptron: linear input and output buffers, tanh hidden units, and the two derivative
// operations gradient training needs. Units read their inputs through pointers to other units' outputs and keep
// their latest net input and output, so the derivatives read the state the last evaluation left.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The perceptron's sizes are ints, as its files give them; as sizes of its arrays they are never negative.
inline std::size_t tam(int n) { return static_cast<std::size_t>(n); }

// Records of the perceptron's own training and test, completed by the module that trains it. Held through
// shared_ptr so that this header does not need their definitions (the deleter is bound where they are made).
struct LP_MP;
struct TP_MP;

// Clipped tanh: +-1 beyond +-100, tanh in between (100 and -100 included).
double tanh_recortada(double s);
// Its derivative, called with the net input: 1e-8 beyond +-100 (never 0), else 1 - tanh(s)^2.
double dtanh_recortada(double s);
double identidad(double s);
double derivada_identidad(double s);

struct MP_BUF {
  const double* i = nullptr;
  double o = 0;
  double a = 1;
  double b = 0;
  void evalua() { o = a * (*i) + b; }
};

struct MP_UNIT {
  std::vector<const double*> i;  // i[0] reads the shared bias constant; size() replaces the empty end entry
  std::vector<double> w;         // w[0] multiplies the bias
  double s = 0;
  double o = 0;
  double (*f)(double) = nullptr;
  double (*df)(double) = nullptr;  // called with s, not o
  void evalua() {
    s = 0;
    for (std::size_t k = 0; k < i.size(); ++k) s = *i[k] * w[k] + s;
    o = f(s);
  }
  // df(s) at the latest evaluation. For the clipped tanh o already holds tanh(s), bit for bit, so the slope is
  // taken from it instead of computing tanh a second time in every step of training.
  double pendiente() const { return pendiente_de(df, s, o); }
  static double pendiente_de(double (*df)(double), double s, double o) {
    if (df == dtanh_recortada) return (s > 100 || s < -100) ? 1e-8 : 1 - o * o;
    return df(s);
  }
};

struct MP {
  std::string name;  // at most 79 characters
  std::vector<MP_BUF> ibuf;
  std::vector<MP_BUF> obuf;
  std::vector<MP_UNIT> hl;
  std::vector<MP_UNIT> ol;
  int ni = 0;
  int no = 0;
  int nh = 0;
  int fsal = 0;  // 0 identity outputs, 1 clipped tanh outputs
  std::shared_ptr<LP_MP> lp;
  std::shared_ptr<TP_MP> tp;
  std::size_t nw = 0;  // (ni + 1) nh + (nh + 1) no
  double uno = 1.0;    // the bias input every unit reads

  MP() = default;
  MP(const MP&) = delete;
  MP& operator=(const MP&) = delete;
};

inline constexpr std::size_t kMaxNombreMp = 79;

// Sizes are checked here (a size below 1 ends the process with status 0, naming `name`.net).
std::unique_ptr<MP> build_mp(std::string_view name, int ni, int nh, int no, int fsal);
void create_ibuf(MP& net);
void create_hl(MP& net);
void create_ol(MP& net);
void create_obuf(MP& net);

// One forward evaluation; the owner has pointed every ibuf[k].i at its value.
void eval_mp(MP& net);

// Derivatives at the latest evaluation, of ol[j].o (output buffers left out) with respect to ibuf[k].o and to
// the weights in packing order. Both write no rows into one block: dydx row j at j*ni, dydw row j at j*nw.
// dydx_mp writes only the columns desde .. ni-1 of each row (the recurrent model needs only its error taps, which
// are its perceptron's last inputs) and leaves the others as they were.
void dydx_mp(const MP& net, std::span<double> dydx, std::size_t desde = 0);
void dydw_mp(const MP& net, std::span<double> dydw);

// Every weight, hidden units first and bias first, becomes aleatorio(1.0), in that order of draws.
void aleatorio_pesos(MP& net);

// Index of weight k of hidden unit h, and of weight k of output unit j, in the packed vector.
inline std::size_t indice_peso_oculta(const MP& net, std::size_t h, std::size_t k) {
  return h * (static_cast<std::size_t>(net.ni) + 1) + k;
}
inline std::size_t indice_peso_salida(const MP& net, std::size_t j, std::size_t k) {
  return (static_cast<std::size_t>(net.ni) + 1) * static_cast<std::size_t>(net.nh) +
         j * (static_cast<std::size_t>(net.nh) + 1) + k;
}

// The weights as one vector of nw entries, in packing order; both expect w.size() == nw.
void empaqueta_pesos(const MP& net, std::span<double> w);
void desempaqueta_pesos(MP& net, std::span<const double> w);
