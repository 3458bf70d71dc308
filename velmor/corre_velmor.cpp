#include "velmor/corre_velmor.hpp"

int corre_velmor(const OpcionesVelmor&) { return 0; }
