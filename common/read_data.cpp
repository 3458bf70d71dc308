#include "common/read_data.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "common/asigna.hpp"
#include "common/fichero.hpp"
#include "common/getitem.hpp"
#include "common/mensajes.hpp"

namespace {

// Reads the tokens of one file, once: pipes and FIFOs cannot be read twice. Keeps what the warnings need.
template <class A>
class Lector {
 public:
  using Real = typename A::Real;
  Lector(std::FILE* f, const char* fname, bool acota) : f_(f), fname_(fname), acota_(acota) {}

  // The next token into `item`; false when there is none (end of file, or an empty token).
  bool siguiente() {
    if (ultimo_ == EOF) return false;
    ultimo_ = getitem(f_, item_, kItem, &pos_);  // a token ending at end of file comes with EOF
    if (item_[0] == '\0') return false;
    const unsigned long linea = pos_.linea_item;
    if (linea != linea_) {
      cierra_linea();
      linea_ = linea;
    }
    ++en_linea_;
    return true;
  }

  // The C library's prefix conversion: garbage reads as 0, a leading "+" is allowed. A value that is not a
  // finite number ("nan", "inf", 1e999) would poison every sum of the training, so the file is refused as
  // malformed; so is one the arithmetic of the program cannot hold.
  Real valor() {
    char* fin = nullptr;
    Real x;
    if constexpr (std::is_same_v<Real, double>)
      x = std::strtod(item_, &fin);
    else
      x = std::strtold(item_, &fin);
    if (fin == item_) {
      if (++no_numeros_ <= msg_comun::kAvisosNoNumero) msg_comun::aviso_no_numero(fname_, linea_, pos_.escrito);
    } else if (*fin != '\0' && ++con_resto_ <= msg_comun::kAvisosNoNumero) {
      // "3,6;79": the comma parts tokens, and "6;79" is a number followed by text.
      const std::string leido(pos_.escrito, static_cast<std::size_t>(fin - item_));
      msg_comun::aviso_resto(fname_, linea_, pos_.escrito, leido.c_str());
    }
    if (!std::isfinite(x)) {
      avisa(0);
      msg_comun::aviso_no_finito(fname_, linea_, pos_.escrito);
      msg_comun::datos_erroneos(fname_);
    }
    if (acota_ && std::abs(x) > A::dato_maximo) msg_comun::dato_grande(fname_, linea_, pos_.escrito, A::dato_maximo);
    if (acota_ && x != 0 && std::abs(x) < A::dato_minimo)
      msg_comun::dato_pequeno(fname_, linea_, pos_.escrito, A::dato_minimo);
    return x;
  }

  // Warnings on what was read so far; called at the end, and before an error that they may explain (dim 0:
  // the layout is not in question).
  void avisa(unsigned dim) {
    cierra_linea();
    if (no_numeros_ > msg_comun::kAvisosNoNumero)
      msg_comun::aviso_mas_valores(fname_, no_numeros_ - msg_comun::kAvisosNoNumero, msg_comun::mas_no_numeros);
    if (con_resto_ > msg_comun::kAvisosNoNumero)
      msg_comun::aviso_mas_valores(fname_, con_resto_ - msg_comun::kAvisosNoNumero, msg_comun::mas_con_resto);
    // Patterns are taken dim values at a time whatever the lines hold: lines of another width are read
    // in a layout the user may not have meant.
    if (dim > 0 && linea_distinta_ > 0)
      msg_comun::aviso_lineas_distintas(fname_, linea_distinta_, ancho_distinta_, primera_linea_, ancho_primera_, dim);
    else if (dim > 0 && ancho_primera_ > 0 && ancho_primera_ % dim != 0)
      msg_comun::aviso_ancho_lineas(fname_, ancho_primera_, dim);
    else if (dim > 0 && ancho_primera_ > dim)
      msg_comun::aviso_varios_por_linea(fname_, ancho_primera_, dim);
    no_numeros_ = con_resto_ = 0;
    linea_distinta_ = ancho_primera_ = 0;
  }

  // Before the error of a pattern cut short: where, and by what.
  void avisa_corte(unsigned leidos, unsigned dim) {
    avisa(dim);
    if (ultimo_ == EOF)
      msg_comun::aviso_patron_incompleto(fname_, linea_, leidos, dim);
    else
      msg_comun::aviso_patron_cortado(fname_, pos_.linea_item, static_cast<char>(ultimo_), leidos, dim);
  }

 private:
  // Lines holding no token do not count. The first line with data sets the width the others are held to.
  void cierra_linea() {
    if (en_linea_ > 0) {
      if (ancho_primera_ == 0 && linea_distinta_ == 0) {
        ancho_primera_ = en_linea_;
        primera_linea_ = linea_;
      } else if (en_linea_ != ancho_primera_ && linea_distinta_ == 0) {
        linea_distinta_ = linea_;
        ancho_distinta_ = en_linea_;
      }
    }
    en_linea_ = 0;
  }

  std::FILE* f_;
  const char* fname_;
  bool acota_;
  char item_[kItem];
  int ultimo_ = 0;
  PosicionItem pos_;
  unsigned long linea_ = 0, en_linea_ = 0;
  unsigned long primera_linea_ = 0, ancho_primera_ = 0;    // the first line with data
  unsigned long linea_distinta_ = 0, ancho_distinta_ = 0;  // the first line of another width, if any
  unsigned long no_numeros_ = 0, con_resto_ = 0;
};

}  // namespace

// One pass: each pattern is gathered whole and only then stored, so the patterns kept are the complete
// groups of dim tokens up to the end of the file or an empty token that starts a pattern.
template <class A>
DatosDe<A> read_data(const char* fname, unsigned dim, bool acota) {
  using Real = typename A::Real;
  Fichero f(std::fopen(fname, "r"));
  if (!f) msg_comun::datos_no_abre(fname);
  Lector<A> lector(f.get(), fname, acota);
  DatosDe<A> datos;
  std::vector<Real> patron = asigna<Real>(dim, msg_comun::sin_memoria_data_i);
  if constexpr (A::disposicion == Disposicion::columnas)
    datos.d = asigna<std::vector<Real>>(dim, msg_comun::sin_memoria_data);
  for (;;) {
    unsigned leidos = 0;
    while (leidos < dim && lector.siguiente()) patron[leidos++] = lector.valor();
    if (leidos == 0) break;
    if (leidos < dim) {
      lector.avisa_corte(leidos, dim);
      msg_comun::datos_erroneos(fname);
    }
    // The count is 32 bits wide; a file with more patterns is refused rather than wrapped.
    if (datos.ndat == std::numeric_limits<std::uint32_t>::max()) {
      msg_comun::aviso_demasiados_patrones(fname, datos.ndat);
      msg_comun::datos_erroneos(fname);
    }
    if constexpr (A::disposicion == Disposicion::columnas) {
      for (unsigned k = 0; k < dim; ++k) anade(datos.d[k], patron[k], msg_comun::sin_memoria_data_i);
    } else {
      std::vector<Real> fila;
      redimensiona(fila, dim, msg_comun::sin_memoria_data_i);
      std::copy(patron.begin(), patron.end(), fila.begin());
      anade(datos.d, std::move(fila), msg_comun::sin_memoria_data);
    }
    ++datos.ndat;
  }
  lector.avisa(dim);
  if (datos.ndat == 0) msg_comun::datos_vacios(fname);
  if constexpr (A::disposicion == Disposicion::filas) datos.dim = dim;
  return datos;
}

template Columnas read_data<AjustesVelmor>(const char* fname, unsigned dim, bool acota);
template MATRIZ read_data<AjustesKorbent>(const char* fname, unsigned dim, bool acota);
