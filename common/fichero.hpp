// A file opened with fopen and closed by its owner on every path. Files read are closed when the owner goes;
// files written are closed with `cierra`, which says whether every byte reached the file.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

class Fichero {
 public:
  Fichero() = default;
  explicit Fichero(std::FILE* f) : f_(f) {}
  Fichero(const char* nombre, const char* modo) : f_(std::fopen(nombre, modo)) {}
  Fichero(Fichero&& o) noexcept : f_(std::exchange(o.f_, nullptr)) {}
  Fichero& operator=(Fichero&& o) noexcept {
    if (this != &o) {
      suelta();
      f_ = std::exchange(o.f_, nullptr);
    }
    return *this;
  }
  Fichero(const Fichero&) = delete;
  Fichero& operator=(const Fichero&) = delete;
  ~Fichero() { suelta(); }

  std::FILE* get() const { return f_; }
  explicit operator bool() const { return f_ != nullptr; }

  // Flushes and closes; false when any of the file could not be written (a full disk), so that a short
  // file never passes for a result.
  bool cierra() {
    if (f_ == nullptr) return true;
    std::FILE* f = std::exchange(f_, nullptr);
    const bool bien = std::fflush(f) == 0 && std::ferror(f) == 0;
    return std::fclose(f) == 0 && bien;
  }

 private:
  void suelta() {
    if (f_ != nullptr) std::fclose(std::exchange(f_, nullptr));
  }
  std::FILE* f_ = nullptr;
};

// A result file opened to write (or, with modo "a", to append), or `falla(nombre)`, which does not return.
inline Fichero crea_resultado(const std::string& nombre, void (*falla)(const char*), const char* modo = "w") {
  Fichero f(nombre.c_str(), modo);
  if (!f) falla(nombre.c_str());
  return f;
}

// Closes a result file, or `falla(nombre)` when any of it could not be written.
inline void cierra_resultado(Fichero& f, const std::string& nombre, void (*falla)(const char*)) {
  if (!f.cierra()) falla(nombre.c_str());
}
