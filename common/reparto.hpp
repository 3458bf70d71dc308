// A job over a crew of threads when there is one, or whole on the calling thread when there is not, so a
// loop is written once for both.
#pragma once

#include <atomic>

#include "common/hilos.hpp"

struct Reparto {
  Cuadrilla* cuadrilla = nullptr;  // none: one part, run by the caller

  unsigned partes() const { return cuadrilla != nullptr ? cuadrilla->hilos() : 1u; }

  // f(parte) for every part; see Cuadrilla::reparte.
  template <class F>
  void operator()(F&& f) const {
    if (cuadrilla != nullptr)
      cuadrilla->reparte([&f](unsigned parte) { f(parte); });
    else
      f(0u);
  }
};

// Where the parts of a job wait for one another, any number of times. A part spins a while before it
// sleeps: balanced parts wait only a little, and waking a sleeping thread costs far more than that.
class Barrera {
 public:
  explicit Barrera(unsigned partes) : partes_(partes) {}

  void espera() {
    const unsigned ronda = ronda_.load(std::memory_order_acquire);
    if (llegados_.fetch_add(1, std::memory_order_acq_rel) + 1 == partes_) {
      llegados_.store(0, std::memory_order_relaxed);
      ronda_.store(ronda + 1, std::memory_order_release);
      ronda_.notify_all();
      return;
    }
    for (unsigned vuelta = 0; vuelta < kVueltas; ++vuelta) {
      if (ronda_.load(std::memory_order_acquire) != ronda) return;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    while (ronda_.load(std::memory_order_acquire) == ronda) ronda_.wait(ronda, std::memory_order_acquire);
  }

 private:
  static constexpr unsigned kVueltas = 1u << 13;
  const unsigned partes_;
  std::atomic<unsigned> llegados_{0}, ronda_{0};
};
