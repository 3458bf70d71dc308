// Training of the recurrent model: the mean squared one-step error over the training series and its exact
// gradient through the error delay banks, minimised by conjugate gradients, with a per-cycle report that
// keeps on disk the weights with the lowest test error.
#pragma once

#include <cstddef>
#include <span>

#include "common/datos.hpp"
#include "velmor/ctrl_c.hpp"
#include "velmor/modelo.hpp"

// Largest tap count among the error banks; 0 when no output feeds its errors back.
int nret_velmor(const VELMOR& m);

// The gradient pass VELMOR_GRADIENTE asks for: the adjoint when unset, empty or "adjunto", the recursion of
// earlier versions for "rtrl" (the same bits as they gave); any other value ends the process with status 2.
PaseGradiente pase_de_entorno();

// Gives the passes over lp->trn a crew of `hilos` threads, or none (the calling thread alone) when a pass is
// too small to gain from more. The count never changes a result.
void reparte_hilos(VELMOR& m, unsigned hilos);

// The setting that ends a training after that many reports without a new lowest test error.
inline constexpr char kPacienciaVelmor[] = "VELMOR_PACIENCIA";

// Optimises the perceptron's weights over lp->trn for lp->nco cycles and saves the model. With a test set
// the weights left are those of the lowest test error, below the record's earlier minimum. Without error
// taps it only saves the model.
void train_velmor(VELMOR& m, RegistroVelmor& registro);

// Error function of the optimiser: returns the training error at w (summed over outputs, averaged over rows)
// and writes one quarter of its gradient into g, by the pass lp->pase names. Leaves w in the perceptron. With
// lp->cuadrilla the adjoint's sums run split by weights over its threads, with the same result bit for bit.
double grad_velmor(std::span<const double> w, std::span<double> g, VELMOR& m);

// Progress report, once per optimiser cycle: counts it, waits for an open menu's answer, prints the cycle line
// and saves the model when the test error is a new minimum of the record. Asks to stop only when the record's
// patience is out.
bool seguimiento(std::span<const double> w, double Etr, VELMOR& m, RegistroVelmor& registro);
