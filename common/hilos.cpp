#include "common/hilos.hpp"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

unsigned hilos_de_entorno(const char* variable) {
  if (const char* v = std::getenv(variable); v != nullptr && *v != '\0') {
    char* fin = nullptr;
    errno = 0;
    const long n = std::strtol(v, &fin, 10);
    if (errno == 0 && *fin == '\0' && n >= 1) return n > 1024 ? 1024u : static_cast<unsigned>(n);
  }
  cpu_set_t cpus;
  if (sched_getaffinity(0, sizeof cpus, &cpus) == 0) {
    const int n = CPU_COUNT(&cpus);
    if (n >= 1) return static_cast<unsigned>(n);
  }
  const unsigned n = std::thread::hardware_concurrency();
  return n >= 1 ? n : 1u;
}

Tramo tramo(std::size_t n, unsigned parte, unsigned partes) {
  const std::size_t base = n / partes, resto = n % partes;
  const std::size_t inicio = parte * base + (parte < resto ? parte : resto);
  return {inicio, inicio + base + (parte < resto ? 1 : 0)};
}

Cuadrilla::Cuadrilla(unsigned hilos) {
  if (hilos <= 1) return;
  // Workers never take a signal: the Ctrl-C watcher waits for SIGINT on its own thread.
  sigset_t todas, antes;
  sigfillset(&todas);
  pthread_sigmask(SIG_SETMASK, &todas, &antes);
  trabajadores_.reserve(hilos - 1);
  try {
    for (unsigned parte = 1; parte < hilos; ++parte) trabajadores_.emplace_back([this, parte] { trabaja(parte); });
  } catch (const std::system_error&) {
    // The system has no more threads to give: the crew works with those it has, and since the split never
    // changes a result, only the time shows it.
  }
  pthread_sigmask(SIG_SETMASK, &antes, nullptr);
}

Cuadrilla::~Cuadrilla() {
  {
    std::lock_guard<std::mutex> l(m_);
    fin_ = true;
  }
  hay_tarea_.notify_all();
  for (auto& t : trabajadores_) t.join();
}

void Cuadrilla::lanza(Tarea tarea, void* contexto) {
  {
    std::lock_guard<std::mutex> l(m_);
    tarea_ = tarea;
    contexto_ = contexto;
    pendientes_ = static_cast<unsigned>(trabajadores_.size());
    ++ronda_;
  }
  hay_tarea_.notify_all();
}

void Cuadrilla::espera() {
  std::unique_lock<std::mutex> l(m_);
  hecho_.wait(l, [this] { return pendientes_ == 0; });
}

void Cuadrilla::trabaja(unsigned parte) {
  unsigned long long vista = 0;
  for (;;) {
    Tarea tarea;
    void* contexto;
    {
      std::unique_lock<std::mutex> l(m_);
      hay_tarea_.wait(l, [&] { return fin_ || ronda_ != vista; });
      if (fin_) return;
      vista = ronda_;
      tarea = tarea_;
      contexto = contexto_;
    }
    tarea(contexto, parte);
    bool ultimo;
    {
      std::lock_guard<std::mutex> l(m_);
      ultimo = --pendientes_ == 0;
    }
    if (ultimo) hecho_.notify_one();
  }
}
