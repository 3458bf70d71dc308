#include "velmor/ctrl_c.hpp"

#include <cstdlib>
#include <string>

#include "common/errmess.hpp"
#include "terminal/interrupcion.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/modelo.hpp"
#include "velmor/pesos.hpp"

namespace {

RegistroVelmor* registro_global = nullptr;  // set before the watcher starts, never changed

// Ends the process from the watcher while the training still runs. stdout stays locked, so no cycle line
// follows the message; the end skips the flush of the files the training may be writing at that moment.
[[noreturn]] void interrumpe() {
  flockfile(stdout);
  puterr_fin_proceso([](int codigo) { std::_Exit(codigo); });
  puterr(kFinNormal, "%s", msg_velmor::interrumpido);
}

}  // namespace

std::unique_lock<std::recursive_mutex> RegistroVelmor::pausa() const {
  return std::unique_lock<std::recursive_mutex>(cerrojo_dialogo());
}

void RegistroVelmor::anota_punto(std::span<const double> w) {
  const std::lock_guard<std::recursive_mutex> l(cerrojo_dialogo());
  punto_.assign(w.begin(), w.end());
  hay_punto_ = true;
}

void RegistroVelmor::olvida_punto() {
  const std::lock_guard<std::recursive_mutex> l(cerrojo_dialogo());
  hay_punto_ = false;
}

// In the dialog, which holds the lock: the noted point stays as it is while it is written. The model's shape
// and scalings are not written during training, so reading them from here does not race it.
void RegistroVelmor::para_dejando_pesos() {
  if (modelo_ != nullptr && hay_punto_) guardando([&] { save_velmor(*modelo_, punto_); });
  interrumpe();
}

void ctrl_c_handler(RegistroVelmor& registro, std::FILE* entrada, std::FILE* salida, bool al_terminal) {
  if (registro.salvando) return;
  // A report in progress ends first: its save, if it began after the test above, is never cut short.
  const std::lock_guard<std::recursive_mutex> dialogo(cerrojo_dialogo());
  std::string menu;
  for (const char* t :
       {msg_velmor::menu_1, msg_velmor::menu_2, msg_velmor::menu_3, msg_velmor::menu_4, msg_velmor::opcion})
    menu += t;
  switch (pregunta_caracter(menu.c_str(), entrada, salida, al_terminal)) {
    case '1':
      registro.para_dejando_pesos();
    case '4':
      interrumpe();
    case '2':
      registro.opcion = 1;
      break;
    case '3':
      registro.opcion = 2;
      break;
    default:  // an empty line or the end of input withdraws an earlier request
      registro.opcion = 0;
      break;
  }
}

void instala_ctrl_c(VELMOR& modelo, RegistroVelmor& registro) {
  registro.modelo_ = &modelo;
  registro_global = &registro;
  if (!vigila_sigint([] { ctrl_c_handler(*registro_global, stdin, stdout, true); }))
    puterr(kFalloRecurso, "%s", msg_velmor::redireccionando);
}
