// Settings read from the environment, beyond the specified input. A value that cannot be meant is refused
// on standard error with status 2, never taken for something else.
#pragma once

#include <optional>

// The integer in `variable`: nothing when it is unset or empty. Anything but a whole integer calls
// rechazo(variable, text), which does not return.
std::optional<long long> entero_de_entorno(const char* variable, void (*rechazo)(const char*, const char*));

// Reports in a row without a new lowest test error after which a training ends: the integer of at least 1
// in `variable`, or 0 (no limit) when it is unset or empty.
unsigned paciencia_de_entorno(const char* variable);
