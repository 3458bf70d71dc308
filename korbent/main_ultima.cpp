#include "korbent/zelbrin_fdp_train.hpp"
#include "terminal/consola.hpp"

// Kernels ordered by their last centre coordinate.
int main(int argc, char** argv) {
  consola_en_utf8(Pagina::cp1252);
  return zelbrin_fdp_train(argc, argv, ClaveOrden::ultima_coordenada);
}
