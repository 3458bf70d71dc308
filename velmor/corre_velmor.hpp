// The body of velmor's entry point: reads the configuration and runs its job.
#pragma once

#include <string>

enum class NombreEnErrores { con_extension, sin_extension };

struct OpcionesVelmor {
  std::string base;                   // base name of the configuration and of the model
  NombreEnErrores nombre_en_errores;  // how the open failure of the configuration names it
};

int corre_velmor(const OpcionesVelmor& opciones);
