// State the training shares for the whole process with the interrupt menu's watcher thread.
#pragma once

#include <atomic>

// Request left by the menu: 0 none, 1 save the weights at the next report and stop, 2 change the
// optimisation parameters (nothing acts on it). Written by the watcher, read once per report.
extern std::atomic<unsigned char> ctrl_c_opcion;
// Raised by the report around its save of the best weights; the watcher drops an interrupt meanwhile.
extern std::atomic<bool> salvando;
