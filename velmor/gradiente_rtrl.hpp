// The gradient of the training error carried forward in time: each step's derivatives of the outputs with
// respect to every weight, through the error banks from the older steps' (real-time recurrent derivatives).
// It costs O(no nw sum nre) a step; it stays to repeat earlier versions' runs bit for bit.
#pragma once

#include <cstddef>
#include <span>

#include "velmor/modelo.hpp"

// Error taps of all the banks: the older slices each row of the recursion reads.
std::size_t taps_de_error(const VELMOR& m);

// Right after a forward step: slice 0 of dydw becomes the derivatives of the outputs with respect to the
// weights, carried through the error banks from the older slices dydw[1 .. nret]. dydx holds on return the
// perceptron's input derivatives of the error-tap columns.
void deriv_velmor(VELMOR& m, std::span<double* const> dydw, std::span<double> dydx);

// The threads a pass over lp->trn can use of `hilos`: 1 when it is too small to gain from more.
unsigned partes_rtrl(const VELMOR& m, unsigned hilos);

// Adds to E the squared errors of every row of lp->trn and to g the sums of the gradient (before its
// scaling), from a cleared model holding the weights. With lp->cuadrilla, split by weights over its threads.
void grad_rtrl(std::span<double> g, double& E, VELMOR& m);
