// The informative options both programs take as their only argument.
#pragma once

#include <cstdio>
#include <string_view>

#include "terminal/consola.hpp"

// -h or --help: the usage text, in the locale's character set; --version: the program's name and version. Returns true
// when it printed one of them (on standard output), and the program then ends with status 0.
inline bool opcion_informativa(int argc, const char* const* argv, const char* programa, const char* ayuda) {
  if (argc != 2) return false;
  const std::string_view a = argv[1];
  if (a == "-h" || a == "--help")
    std::fputs(anadido(ayuda, stdout).c_str(), stdout);
  else if (a == "--version")
    std::printf("%s %s\n", programa, VERSION_PROGRAMAS);
  else
    return false;
  std::fflush(stdout);
  return true;
}
