#include "korbent/zelbrin_fdp_train.hpp"

// Kernels ordered by the sum of their centres.
int main(int argc, char** argv) { return zelbrin_fdp_train(argc, argv, ClaveOrden::suma); }
