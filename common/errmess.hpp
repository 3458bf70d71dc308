// The single fatal path of both programs: a framed message on stdout, then the end of the process.
#pragma once

#include <cstdio>

#include "terminal/consola.hpp"
// Exit statuses of both programs. A failure never ends with kFinNormal: that is a completed run, or a stop
// the user chose at the interrupt menu or question.
inline constexpr int kFinNormal = 0;
inline constexpr int kFalloRecurso = 1;    // memory, a file that cannot be opened, a signal that cannot be taken
inline constexpr int kEntradaErronea = 2;  // the user's input: command line, configuration, data, weights

// Prints "\n\n**** Error ****\n\n<message>\n\n" (the message whole, however long), waits for Enter when
// asked to, and ends the process with `exitcode`.
[[noreturn, gnu::format(printf, 2, 3)]] void puterr(int exitcode, const char* format, ...);

// korbent keeps the console open: its fatal report waits for the user to press Enter.
void puterr_espera_enter(bool si);

// How the process ends once the message is out; std::exit unless replaced. A fuzz target or a test
// installs one that throws, so that a fatal message is an ordinary outcome. It must not return.
using FinProceso = void (*)(int exitcode);
void puterr_fin_proceso(FinProceso fin);

// puterr of a message whole, converted on a UTF-8 console from the message's own page.
[[noreturn]] void puterr_mensaje(int exitcode, Mensaje mensaje);

// Like puterr_mensaje, without the frame and without a line end (the line search's allocation failures).
[[noreturn]] void sal_con_mensaje(int exitcode, Mensaje mensaje);

// A warning on standard error: "Aviso: <message>\n". Standard output is left alone, so the specified console
// text and anything piped from it stay as they are.
[[gnu::format(printf, 1, 2)]] void aviso(const char* format, ...);

// A refusal of something we read beyond the specified input (an environment variable): the message goes to
// standard error, where our additions speak, and the process ends with kEntradaErronea.
[[noreturn, gnu::format(printf, 1, 2)]] void rechaza(const char* format, ...);
