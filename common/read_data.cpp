#include "common/read_data.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "common/asigna.hpp"
#include "common/getitem.hpp"
#include "common/mensajes.hpp"

namespace {

struct CierraFichero {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using Fichero = std::unique_ptr<std::FILE, CierraFichero>;

// The C library's prefix conversion: garbage reads as 0, a leading "+" is allowed.
template <class Real>
Real convierte(const char* item) {
  if constexpr (std::is_same_v<Real, double>)
    return std::strtod(item, nullptr);
  else
    return std::strtold(item, nullptr);
}

// A value that is not a finite number ("nan", "inf", 1e999) would poison every sum of the training, so the
// file is refused as malformed.
template <class Real>
Real valor(const char* item, const char* fname) {
  const Real x = convierte<Real>(item);
  if (!std::isfinite(x)) msg::datos_erroneos(fname);
  return x;
}

// Counts the complete patterns up to the end of the file or an empty token that starts a pattern.
template <class Real>
std::uint32_t cuenta_patrones(std::FILE* f, unsigned dim, const char* fname) {
  char item[kItem];
  int ultimo = 0;
  std::uint32_t ndat = 0;
  for (;;) {
    unsigned leidos = 0;
    while (leidos < dim && ultimo != EOF) {
      ultimo = getitem(f, item);  // a token ending at end of file comes with EOF and still counts
      if (item[0] == '\0') break;
      valor<Real>(item, fname);
      ++leidos;
    }
    if (leidos == 0) return ndat;
    if (leidos < dim) msg::datos_erroneos(fname);
    // The count is 32 bits wide; a file with more patterns is refused rather than wrapped.
    if (ndat == std::numeric_limits<std::uint32_t>::max()) msg::datos_erroneos(fname);
    ++ndat;
  }
}

}  // namespace

template <class A>
DatosDe<A> read_data(const char* fname, unsigned dim) {
  using Real = typename A::Real;
  std::uint32_t ndat;
  {
    Fichero f(std::fopen(fname, "r"));
    if (!f) msg::datos_no_abre(fname);
    ndat = cuenta_patrones<Real>(f.get(), dim, fname);
  }
  if (ndat == 0) msg::datos_vacios(fname);

  // Second pass: the first has checked every token it counted, and they come back in the same order.
  Fichero f(std::fopen(fname, "r"));
  if (!f) msg::datos_no_reabre(fname);
  DatosDe<A> datos;
  datos.ndat = ndat;
  char item[kItem];
  if constexpr (A::disposicion == Disposicion::columnas) {
    datos.d = asigna<std::vector<Real>>(dim, msg::sin_memoria_data);
    for (auto& columna : datos.d) redimensiona(columna, ndat, msg::sin_memoria_data_i);
    for (std::uint32_t j = 0; j < ndat; ++j)
      for (unsigned k = 0; k < dim; ++k) {
        getitem(f.get(), item);
        datos.d[k][j] = valor<Real>(item, fname);  // a file changed since the count is still refused
      }
  } else {
    datos.dim = dim;
    datos.d = asigna<std::vector<Real>>(ndat, msg::sin_memoria_data);
    for (auto& fila : datos.d) redimensiona(fila, dim, msg::sin_memoria_data_i);
    for (std::uint32_t j = 0; j < ndat; ++j)
      for (unsigned k = 0; k < dim; ++k) {
        getitem(f.get(), item);
        datos.d[j][k] = valor<Real>(item, fname);
      }
  }
  return datos;
}

template Columnas read_data<AjustesVelmor>(const char* fname, unsigned dim);
template MATRIZ read_data<AjustesKorbent>(const char* fname, unsigned dim);
