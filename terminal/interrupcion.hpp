// The interrupt machinery both programs share. SIGINT is blocked and taken by sigwait on a watcher thread,
// so the dialog it starts uses stdio outside any signal handler; each program keeps only its own question
// and what it does with the answer.
#pragma once

#include <cstdio>
#include <mutex>

// Blocks SIGINT and starts the watcher, which runs `atiende` on its own thread for every SIGINT. Later
// threads inherit the mask, so call it before any other thread exists. False when the signal could not be
// blocked or the thread not started; the caller reports it.
[[nodiscard]] bool vigila_sigint(void (*atiende)());

// Held by a Ctrl-C dialog from its question to its answer. A training's report holds it too, so that it
// waits there while a dialog is open and no dialog opens in the middle of the report; the thread that holds
// it may take it again.
std::recursive_mutex& cerrojo_dialogo();

// Writes `texto` to `f` as one block under the stream's lock, then flushes it: a line another thread prints
// meanwhile lands before or after it, never inside.
void escribe_bloque(const char* texto, std::FILE* f);
// The same for a line printed with a format on standard output (a training's progress line), which first
// waits for an open dialog's answer.
[[gnu::format(printf, 1, 2)]] void imprime_bloque(const char* formato, ...);

// The dialog: holding cerrojo_dialogo(), shows `texto` on `salida` as one block and reads the whole answer
// line from `entrada`, holding the stream for it. Returns the line's first character ('\n' for an empty line,
// EOF at the end of input); the rest of the line (its Enter at least) is dropped, so it cannot stand as the
// answer to the next question. With `al_terminal`, a question that goes to a file also shows on the
// controlling terminal (tambien_al_terminal).
int pregunta_caracter(const char* texto, std::FILE* entrada, std::FILE* salida, bool al_terminal = false);
