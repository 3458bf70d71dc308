// Test of the trained model: one pass over the test set that writes <name>.out (the one-step predictions)
// and <name>.drv (the derivatives of the perceptron's outputs with respect to its inputs), then prints ets.
#pragma once

struct VELMOR;

// Expects m.tp with its data and the weights set (the run sequence loads the stored ones first).
void test_velmor(VELMOR& m);
