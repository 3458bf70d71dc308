// The interrupt machinery both programs share. SIGINT is blocked and taken by sigwait on a watcher thread,
// so the dialog it starts uses stdio outside any signal handler; each program keeps only its own question
// and what it does with the answer.
#pragma once

#include <cstdio>

// Blocks SIGINT and starts the watcher, which runs `atiende` on its own thread for every SIGINT. Later
// threads inherit the mask, so call it before any other thread exists. False when the signal could not be
// blocked or the thread not started; the caller reports it.
[[nodiscard]] bool vigila_sigint(void (*atiende)());

// Writes `texto` to `f` as one block under the stream's lock, then flushes it: a line another thread prints
// meanwhile lands before or after it, never inside.
void escribe_bloque(const char* texto, std::FILE* f);
// The same for a line printed with a format on standard output (a training's progress line).
[[gnu::format(printf, 1, 2)]] void imprime_bloque(const char* formato, ...);

// Shows `texto` on `salida` as one block and reads the whole answer line from `entrada`, holding the stream
// for it. Returns the line's first character ('\n' for an empty line, EOF at the end of input); the rest of
// the line (its Enter at least) is dropped, so it cannot stand as the answer to the next question.
int pregunta_caracter(const char* texto, std::FILE* entrada, std::FILE* salida);
