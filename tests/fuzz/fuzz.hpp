// Shared by every fuzz target: a fatal report becomes an ordinary outcome (an exception caught by the
// target), and inputs that readers take by file name are written to a scratch file first.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "common/errmess.hpp"

namespace fuzz {

struct FinFatal {
  int codigo;
};

[[noreturn]] inline void lanza(int codigo) { throw FinFatal{codigo}; }

// Runs `cuerpo` with the fatal path turned into a return; stdout goes to /dev/null so the run stays quiet.
template <class F>
void sin_salir(F&& cuerpo) {
  static const bool preparado = [] {
    puterr_fin_proceso(lanza);
    std::freopen("/dev/null", "w", stdout);
    return true;
  }();
  (void)preparado;
  try {
    cuerpo();
  } catch (const FinFatal&) {
  }
}

// A scratch directory of this process, entered once, where the readers find their files by name.
inline void entra_en_directorio_propio() {
  static const bool hecho = [] {
    // Memory-backed when the machine has it: the readers open their files by name at every input.
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    const auto dir = base / ("fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    return true;
  }();
  (void)hecho;
}

inline void escribe(const char* nombre, const std::uint8_t* datos, std::size_t n) {
  std::FILE* f = std::fopen(nombre, "wb");
  if (f == nullptr) return;
  if (n > 0) std::fwrite(datos, 1, n, f);
  std::fclose(f);
}

}  // namespace fuzz
