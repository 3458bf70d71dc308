#include "terminal/interrupcion.hpp"

#include <pthread.h>
#include <signal.h>

#include <cstdarg>
#include <system_error>
#include <thread>

#include "terminal/consola.hpp"

bool vigila_sigint(void (*atiende)()) {
  sigset_t s;
  sigemptyset(&s);
  sigaddset(&s, SIGINT);
  if (pthread_sigmask(SIG_BLOCK, &s, nullptr) != 0) return false;
  try {
    // Detached: a joinable thread would end the process through std::terminate when destroyed.
    std::thread([s, atiende] {
      for (int sig; sigwait(&s, &sig) == 0;) atiende();
    }).detach();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

std::recursive_mutex& cerrojo_dialogo() {
  // Never destroyed: the process may end from the watcher while the training waits on it.
  static auto* cerrojo = new std::recursive_mutex;
  return *cerrojo;
}

void escribe_bloque(const char* texto, std::FILE* f) {
  flockfile(f);
  std::fputs(texto, f);
  std::fflush(f);
  funlockfile(f);
}

void imprime_bloque(const char* formato, ...) {
  std::va_list args;
  va_start(args, formato);
  const std::lock_guard<std::recursive_mutex> dialogo(cerrojo_dialogo());
  flockfile(stdout);
  std::vprintf(formato, args);
  std::fflush(stdout);
  funlockfile(stdout);
  va_end(args);
}

int pregunta_caracter(const char* texto, std::FILE* entrada, std::FILE* salida, bool al_terminal) {
  const std::lock_guard<std::recursive_mutex> dialogo(cerrojo_dialogo());
  escribe_bloque(texto, salida);
  if (al_terminal && salida == stdout) tambien_al_terminal(texto);
  flockfile(entrada);
  const int primero = getc_unlocked(entrada);
  for (int c = primero; c != EOF && c != '\n'; c = getc_unlocked(entrada)) {
  }
  funlockfile(entrada);
  return primero;
}
