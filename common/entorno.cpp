#include "common/entorno.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "common/mensajes.hpp"

std::optional<long long> entero_de_entorno(const char* variable, void (*rechazo)(const char*, const char*)) {
  const char* texto = std::getenv(variable);
  if (texto == nullptr || *texto == '\0') return std::nullopt;
  char* fin = nullptr;
  errno = 0;
  const long long v = std::strtoll(texto, &fin, 10);
  if (errno != 0 || *fin != '\0') rechazo(variable, texto);
  return v;
}

unsigned paciencia_de_entorno(const char* variable) {
  const std::optional<long long> p = entero_de_entorno(variable, msg_comun::paciencia_no_valida);
  if (!p) return 0;
  if (*p < 1 || *p > UINT_MAX) msg_comun::paciencia_no_valida(variable, std::getenv(variable));
  return static_cast<unsigned>(*p);
}
