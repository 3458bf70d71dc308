// korbent's entry: the run parameters (command line or dialog) and their checks, the progress report of
// the training and the Ctrl-C question that asks it to stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include "korbent/zelbrin_fdp_lib.hpp"

// 1 when the user asked to stop at the end of the current cycle; written by the Ctrl-C watcher.
extern std::atomic<int> ctrl_c_flag;

struct ParametrosKorbent {
  std::string name;
  // As read; the checks refuse what does not fit the program's 32-bit integers.
  std::int64_t ni = 0, nh = 0, no = 0, nco = 0, modo = 0;
  std::uint8_t leader_flag = 0;  // the mode typed, low 8 bits
  std::string ftr, fts, ftv;     // empty when not given
};

// The entry of both builds; they differ only in `clave`. Returns the exit status.
int zelbrin_fdp_train(int argc, char** argv, ClaveOrden clave);

// Builds the network, then trains it from the training file and writes its representation, or loads that
// representation when there is no training file; then scores the validation file. Returns the exit status.
int corre_zelbrin_fdp(const ParametrosKorbent& par, const VECTOR& prm, ClaveOrden clave);

// From 7, 8 or 9 arguments after the program's name, otherwise from the dialog on `in`/`out`.
ParametrosKorbent toma_parametros(int argc, const char* const* argv, std::FILE* in, std::FILE* out);
// Ends the process (status 1) with the first check that fails: a count out of its range, or any number
// beyond 32 bits.
void comprueba_parametros(const ParametrosKorbent& prm);
// A file name counts when it is not empty and does not start with '-'.
bool fichero_presente(const std::string& f);

// One line per optimisation cycle; returns the stop request.
char seguimiento(std::uint32_t iter, long double etr, long double ets);

// Blocks SIGINT and starts the shared watcher (terminal/interrupcion), which asks the question.
void instala_ctrl_c();
// The question itself: prints it on `out` (with `al_terminal`, on the controlling terminal too when `out` is
// stdout sent to a file), reads the answer's line from `in` and sets ctrl_c_flag. A training's report waits
// for the answer.
void pregunta_ctrl_c(std::FILE* in, std::FILE* out, bool al_terminal = false);
