#include "mp/mp_pesos.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/fichero_seguro.hpp"
#include "common/getitem.hpp"
#include "mp/mensajes.hpp"

void escribe_w(const MP& net, std::FILE* f, std::span<const double> pesos) {
  std::fprintf(f, "* Configuraci\xA2n de la red:\n");
  std::fprintf(f, "%d  %d  %d\n\n", net.ni, net.nh, net.no);
  std::fprintf(f, "* Parametros de escalado:\n");
  for (const MP_BUF& b : net.ibuf) std::fprintf(f, "%+-15.8g      %+-15.8g\n", b.a, b.b);
  std::fprintf(f, "\n");
  for (const MP_BUF& b : net.obuf) std::fprintf(f, "%+-15.8g\t%+-15.8g\n", b.a, b.b);
  std::fprintf(f, "\n");
  std::fprintf(f, "* Pesos:\n");
  std::size_t k = 0;
  for (const auto* capa : {&net.hl, &net.ol})
    for (const MP_UNIT& u : *capa) {
      for (std::size_t j = 0; j < u.w.size(); ++j) std::fprintf(f, "%+-15.8g\n", pesos.empty() ? u.w[j] : pesos[k++]);
      std::fprintf(f, "\n");
    }
  std::fprintf(f, "\n\n *** @ZQKT ***");
}

void save_w(const MP& net) {
  const std::string fichero = net.name + ".wgt";
  FicheroSeguro salida;
  if (!salida.abre(fichero)) error_apertura_save_w(fichero.c_str());
  escribe_w(net, salida.f());
  // A file that could not be completed is reported like one that could not be opened: the old one stays.
  if (!salida.cierra()) error_escritura_save_w(fichero.c_str());
}

namespace {

// Every token must end before the end of the file; a last token cut at the end counts as missing.
struct LectorPesos {
  std::FILE* f;
  const char* nombre;
  char item[kItem];
  const char* siguiente() {
    if (getitem(f, item) == EOF) {
      std::fclose(f);
      error_fichero_wgt(nombre);
    }
    return item;
  }
  long entero() { return std::strtol(siguiente(), nullptr, 10); }
  // A weight that is not a finite number would fill every output with it.
  double real() {
    const double x = std::strtod(siguiente(), nullptr);
    if (!std::isfinite(x)) {
      std::fclose(f);
      error_fichero_wgt(nombre);
    }
    return x;
  }
};

}  // namespace

void load_w(MP& net) {
  const std::string fichero = net.name + ".wgt";
  std::FILE* f = std::fopen(fichero.c_str(), "r");
  if (f == nullptr) error_apertura_load_w(fichero.c_str());
  LectorPesos l{f, net.name.c_str(), {}};
  const auto falla = [&](void (*error)(const char*)) {
    std::fclose(f);
    error(net.name.c_str());
  };
  if (l.entero() != net.ni) falla(error_entradas_wgt);
  if (l.entero() != net.nh) falla(error_ocultas_wgt);
  if (l.entero() != net.no) falla(error_salidas_wgt);
  for (MP_BUF& b : net.ibuf) {
    b.a = l.real();
    b.b = l.real();
  }
  for (MP_BUF& b : net.obuf) {
    b.a = l.real();
    b.b = l.real();
  }
  for (auto* capa : {&net.hl, &net.ol})
    for (MP_UNIT& u : *capa)
      for (double& w : u.w) w = l.real();
  std::fclose(f);
}
