#include "common/random.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "common/entorno.hpp"
#include "common/mensajes.hpp"

namespace {

// Runs started in the same microsecond by different processes, or one after another under the same
// process id, still get different seeds: every input bit reaches every output bit (splitmix64's finaliser).
unsigned mezcla_semilla(unsigned long long microsegundos, unsigned long long pid) {
  unsigned long long x = microsegundos ^ (pid * 0x9E3779B97F4A7C15ull);
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  return static_cast<unsigned>(x ^ (x >> 32));
}

std::optional<unsigned> semilla_de_entorno(const char* variable) {
  const std::optional<long long> v = entero_de_entorno(variable, msg_comun::semilla_no_entera);
  if (!v) return std::nullopt;
  return static_cast<unsigned>(*v);
}

bool del_reloj = false;  // this process's seed was not given

unsigned semilla_del_reloj() {
  const auto us =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch());
  del_reloj = true;
  return mezcla_semilla(static_cast<unsigned long long>(us.count()), static_cast<unsigned long long>(getpid()));
}

}  // namespace

unsigned semilla_velmor() {
  static const unsigned semilla = [] {
    const std::optional<unsigned> s = semilla_de_entorno("VELMOR_SEMILLA");
    return s ? *s : semilla_del_reloj();
  }();
  return semilla;
}

void anuncia_semilla_velmor() {
  static bool anunciada = false;
  const unsigned s = semilla_velmor();
  if (del_reloj && !anunciada) msg_comun::anuncia_semilla(s);
  anunciada = true;
}

unsigned semilla_korbent() {
  static const unsigned semilla = semilla_de_entorno("KORBENT_SEMILLA").value_or(1u);
  return semilla;
}
