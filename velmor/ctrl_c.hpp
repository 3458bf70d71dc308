// The interrupt menu. The shared watcher (terminal/interrupcion) takes SIGINT on a thread of its own, so the
// menu and its answer use stdio outside any signal handler. The watcher leaves its requests in ctrl_c_opcion.
#pragma once

#include <cstdio>
#include <mutex>

struct VELMOR;

// Blocks SIGINT and starts the watcher; later threads inherit the mask, so call it before any other thread
// exists. `modelo` is the program's model, whose noted point option 1 may save. Failure: status 1 with its
// message.
void instala_ctrl_c(VELMOR& modelo);

// One interrupt: shows the menu and acts on the first character of the answer line read from `entrada`.
// Options 1 and 4 end the process; the others set ctrl_c_opcion and return. Dropped without output while
// the best weights are being saved. The menu reaches `salida` as one block, so no progress line of the
// training lands inside it.
void ctrl_c_handler(std::FILE* entrada, std::FILE* salida = stdout);

// Held by the report around its save of the best weights. The watcher holds it for the whole dialog, so a
// save waits for the answer and an exit never cuts a save short.
std::mutex& cerrojo_salvado();
