#include "velmor/pesos.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include "common/fichero_seguro.hpp"
#include "common/lector_items.hpp"
#include "mp/mensajes.hpp"
#include "mp/mp_pesos.hpp"
#include "velmor/mensajes.hpp"

namespace {

// One line of a buffer's coefficients.
void escribe_buf(std::FILE* f, const MP_BUF& b) { std::fprintf(f, "%+-15.8g    %+-15.8g\n", b.a, b.b); }

// A token that is missing because the file ended refuses the file: read as 0 it would pass for a coefficient.
// A last number cut only by the end of the file (no line end after it) has been read whole and counts.
struct LectorModelo : LectorItems {
  [[noreturn]] static void incompatible() { puterr(kEntradaErronea, "%s", msg_velmor::pesos_incompatibles); }
  const char* siguiente() {
    if (!lee()) incompatible();
    return item();
  }
  // Reads a count and refuses the file unless it is n; one that no int holds differs from every n.
  void espera(int n) {
    int v;
    if (!numero_de(siguiente(), v) || v != n) incompatible();
  }
  double real() {
    double x;
    if (!numero_de(siguiente(), x)) incompatible();  // not finite, it would fill every output with it
    return x;
  }
};

}  // namespace

void save_velmor(const VELMOR& m, std::span<const double> pesos) {
  const std::string fichero = m.name + ".wgt", perceptron = m.mp->name + ".wgt";
  // The two files are one set: a run never sees the model of one save beside the perceptron of another.
  ConjuntoSeguro salida;
  std::FILE* f = salida.abre(fichero);
  if (f == nullptr) msg_velmor::error_apertura(fichero.c_str());
  std::fprintf(f, "* FICHERO DE PESOS DE LA RED VELMOR: %s \n", m.name.c_str());
  std::fprintf(f, "************************************\n\n");
  std::fprintf(f, "* Configuraci\xA2n: ni / nh / no\n");
  std::fprintf(f, "*****************************\n");
  std::fprintf(f, "%d   %d   %d \n\n", m.ni, m.mp->nh, m.no);
  std::fprintf(f, "* # retardos de cada entrada:\n");
  std::fprintf(f, "*****************************\n");
  for (const auto& b : m.bancox) std::fprintf(f, "%d  ", b->n);
  std::fprintf(f, "\n\n");
  std::fprintf(f, "* # retardos de cada error de salida:\n");
  std::fprintf(f, "*************************************\n");
  for (const auto& b : m.bancoe) std::fprintf(f, "%d  ", b ? b->n : 0);
  std::fprintf(f, "\n\n");
  std::fprintf(f, "* Coeficientes de los buffers de entrada:\n");
  std::fprintf(f, "*****************************************\n");
  for (const auto& b : m.bancox) escribe_buf(f, b->ibuf);
  std::fprintf(f, "\n");
  std::fprintf(f, "* Coeficientes de los buffers de error:\n");
  std::fprintf(f, "***************************************\n");
  for (const auto& b : m.bancoe) {
    if (b)
      escribe_buf(f, b->ibuf);
    else
      std::fprintf(f, "0                0\n");
  }
  std::fprintf(f, "\n");
  std::fprintf(f, "* Coeficientes de los buffers de salida:\n");
  std::fprintf(f, "****************************************\n");
  for (const MP_BUF& b : m.obuf) escribe_buf(f, b);
  std::fprintf(f, "\n");
  std::FILE* g = salida.abre(perceptron);
  if (g == nullptr) msg_mp::error_apertura_save_w(perceptron.c_str());
  escribe_w(*m.mp, g, pesos);
  // A file that could not be completed is reported like one that could not be opened: the old ones stay.
  if (!salida.confirma()) {
    if (salida.fallido() == 0) msg_velmor::error_apertura(fichero.c_str());
    msg_mp::error_escritura_save_w(perceptron.c_str());
  }
}

void recupera_pesos(const VELMOR& m) {
  recupera_conjunto({m.name + ".wgt", m.mp->name + ".wgt"});
  retira_restos("mpaux.wgt");
}

void load_velmor(VELMOR& m) {
  const std::string fichero = m.name + ".wgt";
  LectorModelo l;
  if (!l.abre(fichero)) msg_velmor::error_apertura(fichero.c_str());
  l.espera(m.ni);
  l.espera(m.mp->nh);
  l.espera(m.no);
  for (const auto& b : m.bancox) l.espera(b->n);
  for (const auto& b : m.bancoe) {
    if (b)
      l.espera(b->n);
    else
      l.siguiente();  // an output without error bank has nothing to compare
  }
  // Every number is read before any is stored, so a refused file changes nothing.
  const std::size_t nx = m.bancox.size(), ns = m.bancoe.size();
  std::vector<double> coef(2 * (nx + 2 * ns));
  for (double& c : coef) c = l.real();
  l.cierra();
  const double* c = coef.data();
  auto pon = [&c](MP_BUF& b) {
    b.a = c[0];
    b.b = c[1];
    c += 2;
  };
  for (const auto& b : m.bancox) pon(b->ibuf);
  for (const auto& b : m.bancoe) {
    if (b)
      pon(b->ibuf);
    else
      c += 2;
  }
  for (MP_BUF& b : m.obuf) pon(b);
  load_w(*m.mp);
}
