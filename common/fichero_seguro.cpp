#include "common/fichero_seguro.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <type_traits>

namespace {

constexpr char kSufijoTemporal[] = ".tmpXXXXXX";
constexpr std::size_t kLargoSufijo = sizeof kSufijoTemporal - 1;
constexpr char kSufijoRegistro[] = ".conjunto";
constexpr char kCabecera[] = "conjunto", kFin[] = "fin";

// The temporaries being written, so that an end of the process from any thread can remove them. The
// lock also keeps the renames of one set whole against such an end and against a second set. Never
// freed: an exit may run while another thread still holds it.
std::recursive_mutex cerrojo;
static_assert(std::is_trivially_destructible_v<std::recursive_mutex>);
std::vector<std::string>* const temporales = new std::vector<std::string>;

void anota(const std::string& t) {
  const std::lock_guard<std::recursive_mutex> l(cerrojo);
  temporales->push_back(t);
}

void quita(const std::string& t) {
  const std::lock_guard<std::recursive_mutex> l(cerrojo);
  const auto i = std::find(temporales->begin(), temporales->end(), t);
  if (i != temporales->end()) temporales->erase(i);
}

std::string registro(const std::string& primero) { return primero + kSufijoRegistro; }

bool es_directorio(const std::string& nombre) {
  struct stat s;
  return stat(nombre.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

// A test run can ask to be killed right after `nombre` has been moved into place, to stand for a kill
// between the renames of a set. Unset, nothing happens.
void parada_de_prueba(const std::string& nombre) {
  const char* v = std::getenv("PRUEBA_MUERE_TRAS_RENOMBRAR");
  if (v != nullptr && nombre == v) raise(SIGKILL);
}

// The temporaries a record lists, in order; empty when the record is not whole or names a file outside
// the set.
std::vector<std::string> lee_registro(const std::string& nombre, const std::vector<std::string>& finales) {
  std::FILE* f = std::fopen(nombre.c_str(), "r");
  if (f == nullptr) return {};
  std::vector<std::string> lineas;
  std::string linea;
  for (int c = std::getc(f); c != EOF && lineas.size() <= finales.size() + 2; c = std::getc(f)) {
    if (c != '\n') {
      linea.push_back(static_cast<char>(c));
      continue;
    }
    lineas.push_back(linea);
    linea.clear();
  }
  std::fclose(f);
  if (lineas.size() < 2 || lineas.front() != kCabecera || lineas.back() != kFin) return {};
  std::vector<std::string> t(lineas.begin() + 1, lineas.end() - 1);
  for (const std::string& x : t) {
    if (x.size() <= kLargoSufijo) return {};
    const std::string final = x.substr(0, x.size() - kLargoSufijo);
    if (x.compare(final.size(), 4, kSufijoTemporal, 4) != 0 ||
        std::find(finales.begin(), finales.end(), final) == finales.end())
      return {};
  }
  return t;
}

}  // namespace

bool FicheroSeguro::abre(const std::string& nombre) {
  descarta();
  nombre_ = nombre;
  std::vector<char> plantilla(nombre.begin(), nombre.end());
  for (char c : std::string(kSufijoTemporal)) plantilla.push_back(c);
  plantilla.push_back('\0');
  // Created and noted as one step, so an end of the process from another thread cannot miss it.
  const std::lock_guard<std::recursive_mutex> l(cerrojo);
  const int fd = mkstemp(plantilla.data());
  if (fd < 0) return false;
  // mkstemp creates 0600; give the file the permissions an ordinary fopen would.
  const mode_t mascara = umask(0);
  umask(mascara);
  fchmod(fd, 0666 & ~mascara);
  temporal_ = plantilla.data();
  anota(temporal_);
  f_ = fdopen(fd, "w");
  if (f_ == nullptr) {
    close(fd);
    descarta();
    return false;
  }
  return true;
}

bool FicheroSeguro::completa() {
  if (f_ == nullptr) return false;
  bool bien = std::fflush(f_) == 0 && std::ferror(f_) == 0;
  bien = fsync(fileno(f_)) == 0 && bien;
  bien = std::fclose(f_) == 0 && bien;
  f_ = nullptr;
  if (!bien) descarta();
  return bien;
}

bool FicheroSeguro::cierra() {
  bool bien = completa();
  const std::lock_guard<std::recursive_mutex> l(cerrojo);
  if (bien) bien = std::rename(temporal_.c_str(), nombre_.c_str()) == 0;
  if (bien)
    olvida();
  else
    descarta();
  return bien;
}

void FicheroSeguro::olvida() {
  if (!temporal_.empty()) quita(temporal_);
  temporal_.clear();
}

void FicheroSeguro::descarta() {
  if (f_ != nullptr) std::fclose(f_);
  f_ = nullptr;
  if (!temporal_.empty()) {
    unlink(temporal_.c_str());
    quita(temporal_);
  }
  temporal_.clear();
}

std::FILE* ConjuntoSeguro::abre(const std::string& nombre) {
  if (n_ == kMax || !ficheros_[n_].abre(nombre)) {
    descarta();
    return nullptr;
  }
  return ficheros_[n_++].f();
}

bool ConjuntoSeguro::confirma() {
  if (n_ == 0) return true;
  const std::string nombre_registro = registro(ficheros_[0].nombre());
  // A name taken by a directory would fail its rename after others had been made.
  for (fallido_ = 0; fallido_ < n_; ++fallido_)
    if (!ficheros_[fallido_].completa() || es_directorio(ficheros_[fallido_].nombre())) {
      descarta();
      return false;
    }
  fallido_ = 0;
  // The record and the renames under the lock: a second set of the same files, or the end of the
  // process, waits until this one is whole.
  const std::lock_guard<std::recursive_mutex> l(cerrojo);
  // The end of the process may have removed the temporaries meanwhile.
  for (std::size_t k = 0; k < n_; ++k)
    if (std::find(temporales->begin(), temporales->end(), ficheros_[k].temporal()) == temporales->end()) {
      descarta();
      return false;
    }
  FicheroSeguro r;
  if (!r.abre(nombre_registro)) {
    descarta();
    return false;
  }
  std::fprintf(r.f(), "%s\n", kCabecera);
  for (std::size_t k = 0; k < n_; ++k) std::fprintf(r.f(), "%s\n", ficheros_[k].temporal().c_str());
  std::fprintf(r.f(), "%s\n", kFin);
  if (!r.cierra()) {
    descarta();
    return false;
  }
  bool bien = true;
  for (std::size_t k = 0; k < n_; ++k) {
    FicheroSeguro& f = ficheros_[k];
    if (std::rename(f.temporal().c_str(), f.nombre().c_str()) != 0) {
      // Rare past the checks above: the others are still moved, so the set is as near whole as it can be.
      if (bien) fallido_ = k;
      bien = false;
      f.descarta();
      continue;
    }
    f.olvida();
    parada_de_prueba(f.nombre());
  }
  unlink(nombre_registro.c_str());
  n_ = 0;
  return bien;
}

void ConjuntoSeguro::descarta() {
  for (std::size_t k = 0; k < n_; ++k) ficheros_[k].descarta();
  n_ = 0;
}

void recupera_conjunto(const std::vector<std::string>& finales) {
  if (finales.empty()) return;
  const std::string r = registro(finales.front());
  {
    const std::lock_guard<std::recursive_mutex> l(cerrojo);
    // The record exists only once every temporary it lists was whole; those still there are renamed.
    for (const std::string& t : lee_registro(r, finales))
      std::rename(t.c_str(), t.substr(0, t.size() - kLargoSufijo).c_str());
    unlink(r.c_str());
  }
  retira_restos(r);
  for (const std::string& f : finales) retira_restos(f);
}

void retira_restos(const std::string& nombre) {
  const std::size_t barra = nombre.rfind('/');
  const std::string dir = barra == std::string::npos ? "." : nombre.substr(0, barra + 1);
  const std::string hoja = barra == std::string::npos ? nombre : nombre.substr(barra + 1);
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  std::vector<std::string> restos;
  while (const dirent* e = readdir(d)) {
    const std::string n = e->d_name;
    if (n.size() == hoja.size() + kLargoSufijo && n.compare(0, hoja.size(), hoja) == 0 &&
        n.compare(hoja.size(), 4, kSufijoTemporal, 4) == 0)
      restos.push_back(barra == std::string::npos ? n : dir + n);
  }
  closedir(d);
  for (const std::string& t : restos) unlink(t.c_str());
}

void retira_temporales() {
  const std::lock_guard<std::recursive_mutex> l(cerrojo);
  for (const std::string& t : *temporales) unlink(t.c_str());
  temporales->clear();
}
