#include "mp/mp_pesos.hpp"

#include <cstdio>
#include <string>

#include "common/fichero_seguro.hpp"
#include "common/lector_items.hpp"
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
  if (!salida.abre(fichero)) msg_mp::error_apertura_save_w(fichero.c_str());
  escribe_w(net, salida.f());
  // A file that could not be completed is reported like one that could not be opened: the old one stays.
  if (!salida.cierra()) msg_mp::error_escritura_save_w(fichero.c_str());
}

namespace {

// Every token must end before the end of the file: a last token cut at the end counts as missing.
struct LectorPesos : LectorItems {
  explicit LectorPesos(const char* perceptron) : LectorItems(FinDeFichero::sin_item), nombre(perceptron) {}
  const char* nombre;  // the perceptron's, which the messages give
  const char* siguiente() {
    if (!lee()) msg_mp::error_fichero_wgt(nombre);
    return item();
  }
  // Reads a size and ends with `error` unless it is n; one that no int holds differs from every n.
  void espera(int n, void (*error)(const char*)) {
    int v;
    if (!numero_de(siguiente(), v) || v != n) error(nombre);
  }
  // A weight that is not a finite number would fill every output with it.
  double real() {
    double x;
    if (!numero_de(siguiente(), x)) msg_mp::error_fichero_wgt(nombre);
    return x;
  }
};

}  // namespace

void load_w(MP& net) {
  const std::string fichero = net.name + ".wgt";
  LectorPesos l(net.name.c_str());
  if (!l.abre(fichero)) msg_mp::error_apertura_load_w(fichero.c_str());
  l.espera(net.ni, msg_mp::error_entradas_wgt);
  l.espera(net.nh, msg_mp::error_ocultas_wgt);
  l.espera(net.no, msg_mp::error_salidas_wgt);
  for (auto* bufs : {&net.ibuf, &net.obuf})
    for (MP_BUF& b : *bufs) {
      b.a = l.real();
      b.b = l.real();
    }
  for (auto* capa : {&net.hl, &net.ol})
    for (MP_UNIT& u : *capa)
      for (double& w : u.w) w = l.real();
}
