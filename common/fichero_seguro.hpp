// A text file written beside its final name and renamed over it when complete, so that a crash, a kill
// or an interrupt at any moment leaves either the previous whole file or the new whole file. Files that
// belong together are replaced as one set (ConjuntoSeguro).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

class FicheroSeguro {
 public:
  // Opens a temporary file in the directory of `nombre`. false: it could not be created (the caller
  // reports the open failure of `nombre` with its own message).
  bool abre(const std::string& nombre);
  std::FILE* f() const { return f_; }
  // Flushes the data to disk and renames the temporary over `nombre`. false on any failure; the
  // temporary is removed and the old file, if any, is left as it was.
  bool cierra();
  // Flushes the data to disk and closes the temporary, which stays under its own name. false when the
  // file could not be written whole (the temporary is then removed).
  bool completa();
  // Drops the temporary without touching `nombre`.
  void descarta();
  ~FicheroSeguro() { descarta(); }

  const std::string& nombre() const { return nombre_; }
  const std::string& temporal() const { return temporal_; }
  // Forgets the temporary once it has been moved into place.
  void olvida();

  FicheroSeguro() = default;
  FicheroSeguro(const FicheroSeguro&) = delete;
  FicheroSeguro& operator=(const FicheroSeguro&) = delete;

 private:
  std::FILE* f_ = nullptr;
  std::string nombre_, temporal_;
};

// Files that only make sense together, replaced as a unit: every temporary is written whole, then a
// record listing them (named after the first file plus ".conjunto", itself written atomically), then
// each is renamed into place, then the record goes. A run that finds the record left by a kill completes
// the renames it lists.
class ConjuntoSeguro {
 public:
  ConjuntoSeguro() = default;
  // nullptr: the file could not be created; every file of the set is then dropped, so the caller can end
  // with the file's own open-failure message.
  std::FILE* abre(const std::string& nombre);
  // Replaces the files as one set. false: nothing of the set has been replaced (except after a rename
  // that fails midway, which is reported the same way), no temporary stays, and `fallido()` gives the
  // place, in the order opened, of the file to report.
  bool confirma();
  std::size_t fallido() const { return fallido_; }
  void descarta();
  ~ConjuntoSeguro() { descarta(); }

  ConjuntoSeguro(const ConjuntoSeguro&) = delete;
  ConjuntoSeguro& operator=(const ConjuntoSeguro&) = delete;

 private:
  static constexpr std::size_t kMax = 8;
  FicheroSeguro ficheros_[kMax];
  std::size_t n_ = 0, fallido_ = 0;
};

// Run before any file of the set `finales` (in the order they are written) is read or written: completes
// a replacement that a kill cut short after its record was written, then removes the temporaries any
// earlier run left of the set.
void recupera_conjunto(const std::vector<std::string>& finales);

// Removes temporaries left by an earlier run of the single file `nombre`.
void retira_restos(const std::string& nombre);

// On the way out of the process: removes every temporary still being written. A set being renamed into
// place is finished first.
void retira_temporales();
