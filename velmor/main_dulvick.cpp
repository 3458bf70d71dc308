#include "velmor/corre_velmor.hpp"

int main() { return corre_velmor({.base = "narmax", .nombre_en_errores = NombreEnErrores::sin_extension}); }
