#include "common/ayuda.hpp"
#include "common/errmess.hpp"
#include "terminal/consola.hpp"
#include "velmor/corre_velmor.hpp"
#include "velmor/mensajes.hpp"

int main(int argc, char** argv) {
  consola_en_utf8(Pagina::cp850);
  if (opcion_informativa(argc, argv, "velmor", msg_velmor::ayuda)) return kFinNormal;
  if (argc != 2) puterr(kEntradaErronea, "%s", msg_velmor::uso);
  return corre_velmor({.base = argv[1], .nombre_en_errores = NombreEnErrores::con_extension});
}
