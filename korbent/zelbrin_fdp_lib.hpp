// The density network: a mixture of axis-aligned Gaussian kernels over normalised inputs, with per-output
// kernel-weighted means and a level index that places a density among the training centiles.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/datos.hpp"
#include "common/reparto.hpp"

// A flat list of long doubles: the network's dimensions on construction, its whole state as a weight vector.
struct VECTOR {
  std::vector<long double> d;
  std::uint32_t ndat = 0;
};

// How the kernels are sorted after training; the two builds of the program differ only in this.
enum class ClaveOrden {
  suma,               // the sum of a kernel's centre coordinates, in the data's units
  ultima_coordenada,  // its last centre coordinate, in the normalised space
};

struct BUF_UNIT {
  const long double* i = nullptr;
  long double o = 0, a = 0, b = 0;
  void (*evalua)(BUF_UNIT&) = nullptr;
};

struct ZELBRIN_NEURON {
  std::vector<const long double*> i;  // one link per input buffer's output; size() stands for the null end
  // This kernel's row of the network's centre and inverse-width blocks (see ZELBRIN_FDP::centros).
  std::span<long double> r, b;
  long double s = 0, o = 0;
  std::uint32_t nvr = 0;
  void (*evalua)(ZELBRIN_NEURON&) = nullptr;
};

struct PRBOUT_NEURON {
  std::vector<const long double*> i;  // one link per kernel's output
  std::vector<long double> w;         // nh + 1 values, the first nh used
  long double s = 0, o = 0;
  long double (*af)(long double) = nullptr;  // never set nor called
  void (*evalua)(PRBOUT_NEURON&) = nullptr;
};

struct ZELBRIN_FDP;

// Progress report of the training: cycle, training and test values; nonzero asks the optimiser to stop.
using Seguimiento = char (*)(std::uint32_t iter, long double etr, long double ets);

// The storage of the objective-and-gradient passes and of the reports of one training, made by its first
// pass so that the passes themselves allocate nothing.
struct ESPACIO_PASO {
  std::size_t ni = 0, nh = 0, filas = 0, filas_bloque = 0;
  Reparto reparto;
  std::vector<long double> comun;      // what does not depend on the row
  std::vector<long double> gradiente;  // with several parts, each one's own copy of the gradient
  std::size_t paso_gradiente = 0;
  // Two blocks of rows, used in turn; per row: the scaled inputs, the kernels' outputs, 1/q, ln of the mixture.
  std::vector<long double> bloque[2];
  std::vector<long double> ln_p;  // the reports: ln p of each row
  std::vector<long double> fila;  // the reports: scaled inputs and kernel outputs, one row per part
};

struct ZELBRIN_FDP_LP {
  std::span<const std::vector<long double>> ts;
  std::uint32_t tsize = 0;
  std::uint32_t nw = 0;
  std::uint32_t nc = 0;
  std::vector<long double> wopt;
  Seguimiento seguimiento = nullptr;
  ESPACIO_PASO paso;
};

struct ZELBRIN_FDP_TP {
  std::span<const std::vector<long double>> ts;
  std::uint32_t tsize = 0;
};

struct ZELBRIN_FDP {
  ZELBRIN_FDP() = default;
  ZELBRIN_FDP(const ZELBRIN_FDP&) = delete;  // the units link into the record's own arrays
  ZELBRIN_FDP& operator=(const ZELBRIN_FDP&) = delete;

  std::string name;  // at most 79 characters
  std::uint32_t ni = 0, nh = 0, no = 0;
  std::vector<long double> i;     // raw inputs: write a pattern here, then evalua
  std::vector<long double> emax;  // no values
  long double p = 0;
  std::vector<long double> wa;  // mixing-weight roots
  long double vlr = 0;
  long double p95 = 0, maxp95 = 0, minp95 = 0, p99 = 0, maxp99 = 0, minp99 = 0, p100 = 0, maxp100 = 0, p0 = 0,
              maxp0 = 0, p_100 = 0;
  std::vector<BUF_UNIT> ibuf;
  std::vector<ZELBRIN_NEURON> rb;
  std::vector<PRBOUT_NEURON> prbout;  // empty when no = 0
  std::vector<BUF_UNIT> obuf;         // empty when no = 0

  void (*carga_pesos)(ZELBRIN_FDP& net, const VECTOR& w) = nullptr;
  VECTOR (*salva_pesos)(const ZELBRIN_FDP& net) = nullptr;
  void (*evalua)(ZELBRIN_FDP& net) = nullptr;
  void (*libera)(std::unique_ptr<ZELBRIN_FDP>& net) = nullptr;
  // The operations of initialisation, training and test, set by the constructor like the others.
  void (*inicializa_pesos)(ZELBRIN_FDP& net, const MATRIZ& m, std::uint8_t leader_flag) = nullptr;
  void (*entrena)(ZELBRIN_FDP& net, unsigned nco, const MATRIZ& mtr, const MATRIZ& mts, Seguimiento s) = nullptr;
  long double (*test)(ZELBRIN_FDP& net, const MATRIZ& zts) = nullptr;

  std::unique_ptr<ZELBRIN_FDP_LP> lp;  // only during training
  std::unique_ptr<ZELBRIN_FDP_TP> tp;  // only during training with a test set

  // Kernel h's centres and inverse widths are row h (ni values) of these blocks, in the order of the
  // trained parameter vector, so a pass over the kernels walks memory in order. The kernels' spans are
  // wired to these rows once: reordering kernels moves row contents, never the kernel records.
  std::vector<long double> centros, anchos;

  // The key the training sorts the kernels by; the program's entry sets its build's key.
  ClaveOrden clave = ClaveOrden::suma;

  // Threads of the row loops. 0 takes KORBENT_HILOS, or the cores the process may use, and keeps a loop too
  // small to gain on one thread; a count set here (before the first loop) applies to every loop.
  unsigned hilos = 0;
  std::unique_ptr<Cuadrilla> cuadrilla;  // made by the first loop that uses it, kept for the whole run
};

// The crew for a loop over `trabajo` row-and-kernel evaluations. The split never changes a result.
Reparto reparto_zelbrin_fdp(ZELBRIN_FDP& net, double trabajo);

// The factors of the density p = jac q / (pi^(ni/2) s) that only depend on the input scaling, where
// q = sum o_h wa_h^2 and s = sum wa_h^2.
struct FactorDensidad {
  long double jac, pi_ni;
};
FactorDensidad factor_densidad_zelbrin_fdp(const ZELBRIN_FDP& net);
long double densidad_zelbrin_fdp(FactorDensidad f, long double q, long double s);
// s = sum of wa_h^2, what the mixing weights are divided by to sum to 1.
long double suma_wa2_zelbrin_fdp(const ZELBRIN_FDP& net);

// The constructor, which sets every operation, is construye_zelbrin_fdp (korbent/zelbrin_fdp.hpp).
void libera_zelbrin_fdp(std::unique_ptr<ZELBRIN_FDP>& net);

void eval_buffer(BUF_UNIT& u);
void eval_zelbrin_neuron(ZELBRIN_NEURON& u);
void eval_prbout_neuron(PRBOUT_NEURON& u);
void eval_zelbrin_fdp(ZELBRIN_FDP& net);
void eval_zelbrin_fdp_p(ZELBRIN_FDP& net);     // p and vlr from the kernels' outputs
void eval_zelbrin_fdp_emax(ZELBRIN_FDP& net);  // emax from the output buffers

// The level index of density p among the thresholds of the network: a number in [-1, 1].
long double nivel_zelbrin_fdp(const ZELBRIN_FDP& net, long double p);

// The whole state as one vector (dimensions, scaling, kernels, output weights, win counts, centiles).
VECTOR salva_pesos_zelbrin_fdp(const ZELBRIN_FDP& net);
void carga_pesos_zelbrin_fdp(ZELBRIN_FDP& net, const VECTOR& w);
std::size_t tam_pesos_zelbrin_fdp(std::size_t ni, std::size_t nh, std::size_t no);
// A win count stored as a long double (a weight vector, a .nvr file), as the network keeps it: truncated,
// and kept inside the counter's range.
std::uint32_t cuenta_nvr(long double v);

long double sigmoidal(long double x);
long double dsigmoidal(long double x);
long double identidad(long double x);
