// The record of a velmor training, and the little the Ctrl-C watcher shares with it process-wide.
#pragma once

#include <atomic>
#include <span>
#include <vector>

#include "common/marcador.hpp"

// Written by the watcher thread, read once per report: 0 nothing, 1 save and stop, 2 change the
// optimisation parameters (nothing acts on it).
inline std::atomic<unsigned char> ctrl_c_opcion{0};
// Raised by the report around its save of the best weights; the watcher drops an interrupt while it is set.
inline std::atomic<bool> salvando{false};
// The point the training in progress last noted, or null: what option 1 of the menu saves. Guarded by
// cerrojo_salvado().
inline const std::vector<double>* punto_anotado = nullptr;

// What a velmor training keeps between its reports. The run sequence owns one for the process: its report
// count and its lowest test error are never reset (a process trains once).
class RegistroVelmor {
 public:
  RegistroVelmor() = default;
  RegistroVelmor(const RegistroVelmor&) = delete;  // the watcher may be pointed at its point
  RegistroVelmor& operator=(const RegistroVelmor&) = delete;
  ~RegistroVelmor() {
    if (punto_anotado == &punto_) olvida_punto();  // only this thread writes it: the read races nothing
  }

  Marcador<double> marcador;

  // Without a test set no best weights reach the disk during training, so each report notes here the point it
  // received, for option 1 to save before ending (no allocation after the first). Skipped while a menu is
  // open: the point noted before it stays.
  void anota_punto(std::span<const double> w);
  // Called before the training's other saves (at its end, and the one option 2 asks for), so that option 1
  // never writes the same files at the same time.
  void olvida_punto();

 private:
  std::vector<double> punto_;
};
