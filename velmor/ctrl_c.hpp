// The interrupt menu and all a velmor run shares with it. SIGINT is taken on the shared watcher's thread
// (terminal/interrupcion), so the menu and its answer use stdio outside any signal handler. The run owns one
// RegistroVelmor for the whole process and lends it to the watcher and to the training's report. Between them:
// - the request: the menu leaves its answer in `opcion`; the report reads it once per cycle;
// - the pause, which is also the save lock: the dialog lock (cerrojo_dialogo) is held by the menu from its
//   question to its answer, and by the report from its pause to its end. So a report waits there for an open
//   menu's answer and prints no cycle line under it, a menu opens only between reports, and a stop chosen
//   there never cuts a save of the report short;
// - `salvando`, raised by the report around its save of the best weights: an interrupt then is dropped;
// - the noted point: without a test set no best weights reach the disk during training, so each report notes
//   the point it received, for option 1 to save before ending.
#pragma once

#include <atomic>
#include <cstdio>
#include <mutex>
#include <span>
#include <vector>

#include "common/marcador.hpp"

struct VELMOR;

class RegistroVelmor {
 public:
  RegistroVelmor() = default;
  RegistroVelmor(const RegistroVelmor&) = delete;  // the watcher points at it
  RegistroVelmor& operator=(const RegistroVelmor&) = delete;

  // Reports so far and the lowest test error: never reset, since a process trains once.
  Marcador<double> marcador;
  // The menu's request: 0 nothing, 1 save and stop at the next report, 2 change the optimisation parameters
  // (nothing acts on it).
  std::atomic<unsigned char> opcion{0};
  std::atomic<bool> salvando{false};

  // The report's side. Waits while a menu is open; until the lock returned goes, no menu opens.
  [[nodiscard]] std::unique_lock<std::recursive_mutex> pausa() const;
  // Notes the report's point (no allocation after the first); called in the pause.
  void anota_punto(std::span<const double> w);
  // Called before the training's other saves (at its end, and the one option 2 asks for), so that option 1
  // never writes the same files at the same time.
  void olvida_punto();
  // A save with interrupts dropped while it lasts; the report calls it in the pause.
  template <class Guarda>
  void guardando(Guarda&& guarda) {
    salvando = true;
    guarda();
    salvando = false;
  }

 private:
  friend void instala_ctrl_c(VELMOR& modelo, RegistroVelmor& registro);
  friend void ctrl_c_handler(RegistroVelmor& registro, std::FILE* entrada, std::FILE* salida, bool al_terminal);
  [[noreturn]] void para_dejando_pesos();

  VELMOR* modelo_ = nullptr;  // whose noted point option 1 saves; set by instala_ctrl_c
  std::vector<double> punto_;
  bool hay_punto_ = false;
};

// Blocks SIGINT and starts the watcher, which runs the menu on `registro` for the program's model; later
// threads inherit the mask, so call it before any other thread exists. Both must live to the end of the
// process. Failure: status 1 with its message.
void instala_ctrl_c(VELMOR& modelo, RegistroVelmor& registro);

// One interrupt: shows the menu and acts on the first character of the answer line read from `entrada`.
// Options 1 and 4 end the process; the others set the request and return. Dropped without output while the
// best weights are being saved; waits for a report in progress. The menu reaches `salida` as one block, and
// with `al_terminal` also the controlling terminal when `salida` is stdout sent to a file.
void ctrl_c_handler(RegistroVelmor& registro, std::FILE* entrada, std::FILE* salida = stdout, bool al_terminal = false);
