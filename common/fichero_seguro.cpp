#include "common/fichero_seguro.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

bool FicheroSeguro::abre(const std::string& nombre) {
  descarta();
  nombre_ = nombre;
  std::vector<char> plantilla(nombre.begin(), nombre.end());
  for (char c : std::string(".tmpXXXXXX")) plantilla.push_back(c);
  plantilla.push_back('\0');
  const int fd = mkstemp(plantilla.data());
  if (fd < 0) return false;
  // mkstemp creates 0600; give the file the permissions an ordinary fopen would.
  const mode_t mascara = umask(0);
  umask(mascara);
  fchmod(fd, 0666 & ~mascara);
  temporal_ = plantilla.data();
  f_ = fdopen(fd, "w");
  if (f_ == nullptr) {
    close(fd);
    unlink(temporal_.c_str());
    temporal_.clear();
    return false;
  }
  return true;
}

bool FicheroSeguro::cierra() {
  if (f_ == nullptr) return false;
  bool bien = std::fflush(f_) == 0 && std::ferror(f_) == 0;
  bien = fsync(fileno(f_)) == 0 && bien;
  bien = std::fclose(f_) == 0 && bien;
  f_ = nullptr;
  if (bien) bien = std::rename(temporal_.c_str(), nombre_.c_str()) == 0;
  if (!bien) unlink(temporal_.c_str());
  temporal_.clear();
  return bien;
}

void FicheroSeguro::descarta() {
  if (f_ != nullptr) std::fclose(f_);
  f_ = nullptr;
  if (!temporal_.empty()) unlink(temporal_.c_str());
  temporal_.clear();
}
