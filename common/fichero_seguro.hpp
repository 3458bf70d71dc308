// A text file written beside its final name and renamed over it when complete, so that a crash, a kill
// or an interrupt at any moment leaves either the previous whole file or the new whole file.
#pragma once

#include <cstdio>
#include <string>

class FicheroSeguro {
 public:
  // Opens a temporary file in the directory of `nombre`. false: it could not be created (the caller
  // reports the open failure of `nombre` with its own message).
  bool abre(const std::string& nombre);
  std::FILE* f() const { return f_; }
  // Flushes the data to disk and renames the temporary over `nombre`. false on any failure; the
  // temporary is removed and the old file, if any, is left as it was.
  bool cierra();
  // Drops the temporary without touching `nombre`.
  void descarta();
  ~FicheroSeguro() { descarta(); }

  FicheroSeguro() = default;
  FicheroSeguro(const FicheroSeguro&) = delete;
  FicheroSeguro& operator=(const FicheroSeguro&) = delete;

 private:
  std::FILE* f_ = nullptr;
  std::string nombre_, temporal_;
};
