// Data files: patterns of a fixed number of values, in the layout of each program (see datos.hpp).
#pragma once

#include "common/datos.hpp"
