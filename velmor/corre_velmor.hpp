// The body of velmor's entry point: reads the configuration and runs its job.
#pragma once

#include "velmor/configura.hpp"

int corre_velmor(const OpcionesVelmor& opciones);
