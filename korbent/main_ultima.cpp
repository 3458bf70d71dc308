#include "korbent/zelbrin_fdp_train.hpp"

// Kernels ordered by their last centre coordinate.
int main(int argc, char** argv) { return zelbrin_fdp_train(argc, argv, ClaveOrden::ultima_coordenada); }
