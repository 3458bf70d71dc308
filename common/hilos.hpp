// A fixed crew of worker threads for the training passes. Made once per training and handed each pass as
// a job split by index; the caller's thread takes part 0, so one thread means no worker at all. The split
// never changes which operations a part performs or in which order, so results do not depend on the count.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
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

 private:
  using Tarea = void (*)(void*, unsigned);
  template <class F>
  static void llama(void* f, unsigned parte) {
    (*static_cast<F*>(f))(parte);
  }
  void lanza(Tarea tarea, void* contexto);
  void espera();
  void trabaja(unsigned parte);

  std::vector<std::thread> trabajadores_;
  std::mutex m_;
  std::condition_variable hay_tarea_, hecho_;
  Tarea tarea_ = nullptr;
  void* contexto_ = nullptr;
  unsigned long long ronda_ = 0;  // one per job; a worker runs each round once
  unsigned pendientes_ = 0;
  bool fin_ = false;
};
