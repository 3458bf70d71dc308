#include "common/hilos.hpp"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <system_error>

namespace {

// Cores this process may run on: its CPU affinity, as taskset or a container sets it.
unsigned nucleos() {
  cpu_set_t cpus;
  if (sched_getaffinity(0, sizeof cpus, &cpus) == 0) {
    const int n = CPU_COUNT(&cpus);
    if (n >= 1) return static_cast<unsigned>(n);
  }
  const unsigned n = std::thread::hardware_concurrency();
  return n >= 1 ? n : 1u;
}

// How long a waiting part watches before it sleeps: longer than the parts of a pass usually wait for each
// other, short enough that a crew idle between trainings' passes soon leaves its cores.
constexpr std::chrono::microseconds kVigilia{200};

inline void pausa() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

unsigned hilos_de_entorno(const char* variable) {
  if (const char* v = std::getenv(variable); v != nullptr && *v != '\0') {
    char* fin = nullptr;
    errno = 0;
    const long n = std::strtol(v, &fin, 10);
    if (errno == 0 && *fin == '\0' && n >= 1) return n > 1024 ? 1024u : static_cast<unsigned>(n);
  }
  return nucleos();
}

Tramo tramo(std::size_t n, unsigned parte, unsigned partes) {
  const std::size_t base = n / partes, resto = n % partes;
  const std::size_t inicio = parte * base + (parte < resto ? parte : resto);
  return {inicio, inicio + base + (parte < resto ? 1 : 0)};
}

Cuadrilla::Cuadrilla(unsigned hilos) {
  if (hilos <= 1) return;
  // A part that watches a counter keeps its core: with more threads than cores it would hold up the part
  // it waits for.
  gira_ = hilos <= nucleos();
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
  fin_.store(true, std::memory_order_relaxed);
  ronda_.fetch_add(1, std::memory_order_release);
  ronda_.notify_all();
  for (auto& t : trabajadores_) t.join();
}

void Cuadrilla::espera_cambio(const std::atomic<unsigned>& a, unsigned visto) const {
  if (gira_) {
    const auto limite = std::chrono::steady_clock::now() + kVigilia;
    do {
      for (int i = 0; i < 64; ++i) {
        if (a.load(std::memory_order_acquire) != visto) return;
        pausa();
      }
    } while (std::chrono::steady_clock::now() < limite);
  }
  while (a.load(std::memory_order_acquire) == visto) a.wait(visto, std::memory_order_acquire);
}

void Cuadrilla::lanza(Tarea tarea, void* contexto) {
  // The workers are all done with the previous job (espera saw them finish), so these stores race with nothing.
  tarea_ = tarea;
  contexto_ = contexto;
  pendientes_.store(static_cast<unsigned>(trabajadores_.size()), std::memory_order_relaxed);
  ronda_.fetch_add(1, std::memory_order_release);
  ronda_.notify_all();
}

void Cuadrilla::espera() {
  for (unsigned n; (n = pendientes_.load(std::memory_order_acquire)) != 0;) espera_cambio(pendientes_, n);
}

void Cuadrilla::sincroniza() {
  if (trabajadores_.empty()) return;
  const unsigned fase = fase_.load(std::memory_order_acquire);
  if (llegadas_.fetch_add(1, std::memory_order_acq_rel) + 1 == hilos()) {
    // The others read fase_ before they arrived and leave once it moves; the count is back at 0 before they
    // can arrive at the next meeting.
    llegadas_.store(0, std::memory_order_relaxed);
    fase_.store(fase + 1, std::memory_order_release);
    fase_.notify_all();
    return;
  }
  espera_cambio(fase_, fase);
}

void Cuadrilla::trabaja(unsigned parte) {
  unsigned vista = 0;
  for (;;) {
    espera_cambio(ronda_, vista);
    vista = ronda_.load(std::memory_order_acquire);
    if (fin_.load(std::memory_order_relaxed)) return;
    tarea_(contexto_, parte);
    if (pendientes_.fetch_sub(1, std::memory_order_acq_rel) == 1) pendientes_.notify_all();
  }
}
