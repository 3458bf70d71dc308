#include "velmor/ctrl_c.hpp"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "common/errmess.hpp"
#include "mp/mp.hpp"
#include "velmor/estado.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/modelo.hpp"
#include "velmor/pesos.hpp"

namespace {

// Options 1 and 4 end the process from the watcher while main still runs: nothing of static storage may
// have a destructor that could race it.
std::mutex cerrojo;
static_assert(std::is_trivially_destructible_v<std::mutex>);

VELMOR* modelo_global = nullptr;  // set before the watcher starts, never changed

// The point of the last report without a test set, guarded by `cerrojo`. Held through a pointer that is
// never freed, so that an exit from the watcher runs no destructor on it.
struct PesosReporte {
  std::vector<double> w;
  bool validos = false;
};
PesosReporte* const pesos_reporte = new PesosReporte;

// Reads a whole line and gives its first character ('\n' for an empty line, EOF at the end of input).
int primer_caracter_de_linea(std::FILE* f) {
  const int primero = std::getc(f);
  for (int c = primero; c != EOF && c != '\n'; c = std::getc(f)) {
  }
  return primero;
}

// Writes `w` as the model's weights without touching the model the training is using: a twin built with
// the same shape and scalings takes them. The scalings are not written during training, so reading them
// from here does not race it.
void salva_pesos_reporte(const VELMOR& m, std::span<const double> w) {
  std::vector<int> nri, nre;
  for (const auto& b : m.bancox) nri.push_back(b->n);
  for (const auto& b : m.bancoe) nre.push_back(b ? b->n : 0);
  std::unique_ptr<VELMOR> copia = build_velmor(m.name, m.ni, m.mp->nh, m.no, nri, nre, m.mp->fsal);
  for (std::size_t j = 0; j < m.bancox.size(); ++j) {
    copia->bancox[j]->ibuf.a = m.bancox[j]->ibuf.a;
    copia->bancox[j]->ibuf.b = m.bancox[j]->ibuf.b;
  }
  for (std::size_t j = 0; j < m.bancoe.size(); ++j) {
    if (!m.bancoe[j]) continue;
    copia->bancoe[j]->ibuf.a = m.bancoe[j]->ibuf.a;
    copia->bancoe[j]->ibuf.b = m.bancoe[j]->ibuf.b;
  }
  for (std::size_t j = 0; j < m.obuf.size(); ++j) {
    copia->obuf[j].a = m.obuf[j].a;
    copia->obuf[j].b = m.obuf[j].b;
  }
  for (std::size_t k = 0; k < m.mp->ibuf.size(); ++k) {
    copia->mp->ibuf[k].a = m.mp->ibuf[k].a;
    copia->mp->ibuf[k].b = m.mp->ibuf[k].b;
  }
  for (std::size_t j = 0; j < m.mp->obuf.size(); ++j) {
    copia->mp->obuf[j].a = m.mp->obuf[j].a;
    copia->mp->obuf[j].b = m.mp->obuf[j].b;
  }
  desempaqueta_pesos(*copia->mp, w);
  save_velmor(*copia);
}

// Ends the process from the watcher while the training still runs. stdout stays locked, so no cycle line
// follows the message; the end skips the flush of the files the training may be writing at that moment.
[[noreturn]] void interrumpe() {
  flockfile(stdout);
  puterr_fin_proceso([](int codigo) { std::_Exit(codigo); });
  puterr(kFinNormal, "%s", msg::interrumpido);
}

[[noreturn]] void para_dejando_pesos() {
  if (modelo_global != nullptr && pesos_reporte->validos) {
    salvando = true;
    salva_pesos_reporte(*modelo_global, pesos_reporte->w);
    salvando = false;
  }
  interrumpe();
}

}  // namespace

std::mutex& cerrojo_salvado() { return cerrojo; }

void anota_pesos_reporte(std::span<const double> w) {
  // An open menu holds the lock: keep the point noted before it opened rather than stall the training.
  const std::unique_lock<std::mutex> l(cerrojo, std::try_to_lock);
  if (!l.owns_lock()) return;
  pesos_reporte->w.assign(w.begin(), w.end());
  pesos_reporte->validos = true;
}

void olvida_pesos_reporte() {
  const std::lock_guard<std::mutex> l(cerrojo);
  pesos_reporte->validos = false;
}

void ctrl_c_handler(std::FILE* entrada, std::FILE* salida) {
  if (salvando) return;
  // A save that began after the test above still holds the lock: drop this interrupt too.
  std::unique_lock<std::mutex> l(cerrojo, std::try_to_lock);
  if (!l.owns_lock()) return;
  std::string menu;
  for (const char* t : {msg::menu_1, msg::menu_2, msg::menu_3, msg::menu_4, msg::opcion}) menu += t;
  escribe_bloque(menu.c_str(), salida);
  switch (primer_caracter_de_linea(entrada)) {
    case '1':
      para_dejando_pesos();
    case '4':
      interrumpe();
    case '2':
      ctrl_c_opcion = 1;
      break;
    case '3':
      ctrl_c_opcion = 2;
      break;
    default:  // an empty line or the end of input withdraws an earlier request
      ctrl_c_opcion = 0;
      break;
  }
}

void instala_ctrl_c(VELMOR& modelo) {
  modelo_global = &modelo;
  sigset_t s;
  sigemptyset(&s);
  sigaddset(&s, SIGINT);
  if (pthread_sigmask(SIG_BLOCK, &s, nullptr) != 0) puterr(kFalloRecurso, "%s", msg::redireccionando);
  try {
    // Detached: a joinable thread would end the process through std::terminate when destroyed.
    std::thread([s] {
      for (int sig; sigwait(&s, &sig) == 0;) ctrl_c_handler(stdin);
    }).detach();
  } catch (const std::system_error&) {
    puterr(kFalloRecurso, "%s", msg::redireccionando);
  }
}
