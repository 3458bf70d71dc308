// Process-wide state of a velmor training, shared with the Ctrl-C watcher.
#pragma once

#include <atomic>

inline int ciclo = 0;          // progress reports so far; never reset, a process trains once
inline double ets_min = 1e30;  // lowest test error whose weights were saved

// Written by the watcher thread, read once per report: 0 nothing, 1 save and stop, 2 change the
// optimisation parameters (nothing acts on it).
inline std::atomic<unsigned char> ctrl_c_opcion{0};
// Raised by the report around its save of the best weights; the watcher drops an interrupt while it is set.
inline std::atomic<bool> salvando{false};
