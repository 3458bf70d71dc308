// The gradient of the training error by reverse accumulation: one forward sweep over the training rows keeps
// what each step's derivatives need, then one backward sweep carries the adjoint of every output from the
// steps its errors feed, through the error banks. The same sums as the recursion of gradiente_rtrl in
// another order, at the cost of a few forward steps a row.
#pragma once

#include <span>

#include "velmor/modelo.hpp"

// The threads a pass over lp->trn can use of `hilos`: 1 when it is too small to gain from more.
unsigned partes_adjunto(const VELMOR& m, unsigned hilos);

// Adds to E the squared errors of every row of lp->trn and to g the sums of the gradient (before its
// scaling), from a cleared model holding the weights. With lp->cuadrilla the weights' sums are split over
// its threads, each weight summing its rows in one order, so the count changes no bit.
void grad_adjunto(std::span<double> g, double& E, VELMOR& m);
