// A fixed crew of worker threads for the training passes. Made once per training and handed each pass as
// a job split by index; the caller's thread takes part 0, so one thread means no worker at all. The split
// never changes which operations a part performs or in which order, so results do not depend on the count.
#pragma once

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

// Threads to use: the integer in `variable` if it holds one of at least 1, else the cores this process may
// run on. Never 0.
unsigned hilos_de_entorno(const char* variable);

// The part [inicio, fin) of n items that part `parte` of `partes` takes: contiguous, in order, sizes that
// differ by at most one.
struct Tramo {
  std::size_t inicio, fin;
};
Tramo tramo(std::size_t n, unsigned parte, unsigned partes);

class Cuadrilla {
 public:
  explicit Cuadrilla(unsigned hilos);
  ~Cuadrilla();
  Cuadrilla(const Cuadrilla&) = delete;
  Cuadrilla& operator=(const Cuadrilla&) = delete;

  unsigned hilos() const { return static_cast<unsigned>(trabajadores_.size()) + 1; }

  // Calls f(parte) for every parte in [0, hilos()), part 0 on the calling thread, and returns when all
  // are done. f must not throw, allocate in a hot loop, or touch stdio.
  template <class F>
  void reparte(F&& f) {
    if (trabajadores_.empty()) {
      f(0u);
      return;
    }
    lanza(&llama<F>, &f);
    f(0u);
    espera();
  }

  // Inside a job: returns once every part has called it, so that what each wrote before is seen by all.
  // Every part of the job calls it the same number of times.
  void sincroniza();

 private:
  using Tarea = void (*)(void*, unsigned);
  template <class F>
  static void llama(void* f, unsigned parte) {
    (*static_cast<F*>(f))(parte);
  }
  void lanza(Tarea tarea, void* contexto);
  void espera();
  void trabaja(unsigned parte);
  // Returns once `a` no longer holds `visto`: first watching it for a while, since the other parts are
  // usually about to change it and waking a sleeping thread takes tens of microseconds, then asleep.
  void espera_cambio(const std::atomic<unsigned>& a, unsigned visto) const;

  std::vector<std::thread> trabajadores_;
  Tarea tarea_ = nullptr;
  void* contexto_ = nullptr;
  bool gira_ = false;  // whether a waiting part may watch before it sleeps: only with a core for each
  // Each counter on its own cache line, since the parts write them at different times.
  alignas(64) std::atomic<unsigned> ronda_{0};  // one per job; a worker runs each round once
  alignas(64) std::atomic<unsigned> pendientes_{0};
  alignas(64) std::atomic<unsigned> llegadas_{0};  // parts at the meeting of sincroniza
  alignas(64) std::atomic<unsigned> fase_{0};      // meetings completed
  alignas(64) std::atomic<bool> fin_{false};
};
