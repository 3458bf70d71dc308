// The interrupt menu. SIGINT is blocked and taken by sigwait on a watcher thread, so the menu and its
// answer use stdio outside any signal handler. The watcher leaves its requests in ctrl_c_opcion.
#pragma once

#include <cstdio>
#include <mutex>
#include <span>

struct VELMOR;

// Blocks SIGINT and starts the watcher; later threads inherit the mask, so call it before any other thread
// exists. `modelo` is the program's model, which option 1 may save. Failure: status 1 with its message.
void instala_ctrl_c(VELMOR& modelo);

// One interrupt: shows the menu and acts on the first character of the answer line read from `entrada`.
// Options 1 and 4 end the process; the others set ctrl_c_opcion and return. Dropped without output while
// the best weights are being saved. The menu reaches `salida` as one block, so no progress line of the
// training lands inside it.
void ctrl_c_handler(std::FILE* entrada, std::FILE* salida = stdout);

// Held by the report around its save of the best weights. The watcher holds it for the whole dialog, so a
// save waits for the answer and an exit never cuts a save short.
std::mutex& cerrojo_salvado();

// Without a test set no best weights reach the disk during training, so the report keeps here a copy of the
// point it received; option 1 saves it before ending. Called once per report (no allocation after the first);
// skipped while a menu is open.
void anota_pesos_reporte(std::span<const double> w);
// Called before the training's other saves (at its end, and the one option 2 asks for), so that option 1
// never writes the same files at the same time.
void olvida_pesos_reporte();
