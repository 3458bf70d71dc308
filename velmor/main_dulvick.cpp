#include "terminal/consola.hpp"
#include "velmor/corre_velmor.hpp"

int main() {
  consola_en_utf8(Pagina::cp850);
  return corre_velmor({.base = "narmax", .nombre_en_errores = NombreEnErrores::sin_extension});
}
