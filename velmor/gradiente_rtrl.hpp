// The gradient of the training error carried forward in time: each step's derivatives of the outputs with
// respect to every weight, through the error banks from the older steps' (real-time recurrent derivatives).
// It costs O(no nw sum nre) a step; it stays to repeat earlier versions' runs bit for bit.
#pragma once

#include <span>

#include "velmor/modelo.hpp"

// Right after a forward step: slice 0 of dydw becomes the derivatives of the outputs with respect to the
// weights, carried through the error banks from the older slices dydw[1 .. nret]. dydx holds on return the
// perceptron's input derivatives of the error-tap columns.
void deriv_velmor(VELMOR& m, std::span<double* const> dydw, std::span<double> dydx);

// Adds to E the squared errors of every row of lp->trn and to g the sums of the gradient (before its
// scaling), from a cleared model holding the weights. On the calling thread alone.
void grad_rtrl(std::span<double> g, double& E, VELMOR& m);
