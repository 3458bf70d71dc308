// Training of a perceptron on its own by conjugate gradients, with a report per cycle that tests it (mp_prueba)
// and keeps the weights of the lowest test error on disk. Every file is named after the perceptron and written in
// the current directory.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "common/marcador.hpp"
#include "mp/mp.hpp"

// Pattern p reads element p of every series: input k is ts[k][p], target j is ts[ni + j][p]. The records only
// point at the series, which their owner keeps alive while the perceptron is trained or tested.
struct LP_MP {
  std::vector<const double*> ts;  // ni + no series
  std::size_t npat = 0;
  unsigned nco = 0;  // optimisation cycles handed to gconj
};

struct TP_MP {
  std::vector<const double*> ts;  // ni + no series
  std::size_t npat = 0;
  unsigned char derivadas = 0;  // non-zero: mp_test writes one derivative file per output
};

// Returns the error at w (mean over the patterns of lp of the squared errors summed over outputs) and writes its
// gradient into g. The weights of the perceptron are left at w.
double grad_mp(std::span<const double> w, std::span<double> g, MP& mp);

// Per-cycle report: leaves the perceptron at w, tests it when it has tp (saving the weights when the test error
// is below marcador.minimo, which it then becomes), counts the report in marcador.ciclos, appends to
// <name>.res and prints the cycle line. Never asks the optimiser to stop.
bool seguimiento_mp(std::span<const double> w, double E, MP& mp, Marcador<double>& marcador);

// Trains from the current weights for lp->nco cycles and saves the weight file. With a test set the perceptron
// ends with the weights of the best report, otherwise with those of the last cycle. The cycle count restarts;
// the lowest test error is the caller's, kept across the trainings it lends the record to (a report must beat
// it to save, and when none of this training did, the last point is kept).
void train_rbwbr(MP& mp, Marcador<double>& marcador);
