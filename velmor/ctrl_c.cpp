#include "velmor/ctrl_c.hpp"

#include <cstdlib>
#include <string>
#include <type_traits>

#include "common/errmess.hpp"
#include "terminal/interrupcion.hpp"
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

// Ends the process from the watcher while the training still runs. stdout stays locked, so no cycle line
// follows the message; the end skips the flush of the files the training may be writing at that moment.
[[noreturn]] void interrumpe() {
  flockfile(stdout);
  puterr_fin_proceso([](int codigo) { std::_Exit(codigo); });
  puterr(kFinNormal, "%s", msg_velmor::interrumpido);
}

// The dialog holds `cerrojo`, so the noted point stays as it is while it is written. The model's shape and
// scalings are not written during training, so reading them from here does not race it.
[[noreturn]] void para_dejando_pesos() {
  if (modelo_global != nullptr && punto_anotado != nullptr) {
    salvando = true;
    save_velmor(*modelo_global, *punto_anotado);
    salvando = false;
  }
  interrumpe();
}

}  // namespace

std::mutex& cerrojo_salvado() { return cerrojo; }

void ctrl_c_handler(std::FILE* entrada, std::FILE* salida) {
  if (salvando) return;
  // A save that began after the test above still holds the lock: drop this interrupt too.
  std::unique_lock<std::mutex> l(cerrojo, std::try_to_lock);
  if (!l.owns_lock()) return;
  std::string menu;
  for (const char* t :
       {msg_velmor::menu_1, msg_velmor::menu_2, msg_velmor::menu_3, msg_velmor::menu_4, msg_velmor::opcion})
    menu += t;
  switch (pregunta_caracter(menu.c_str(), entrada, salida)) {
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
  if (!vigila_sigint([] { ctrl_c_handler(stdin); })) puterr(kFalloRecurso, "%s", msg_velmor::redireccionando);
}
