#include "common/random.hpp"

#include <cerrno>
#include <cstdlib>

bool semilla_de_entorno(unsigned& semilla) {
  const char* texto = std::getenv("VELMOR_SEMILLA");
  if (texto == nullptr || *texto == '\0') return false;
  char* fin = nullptr;
  errno = 0;
  const long long v = std::strtoll(texto, &fin, 10);
  if (errno != 0 || *fin != '\0') return false;  // not an integer: the clock, as without the variable
  semilla = static_cast<unsigned>(v);
  return true;
}
