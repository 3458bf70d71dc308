// How a conjugate-gradient run ended, and how the programs tell the user (standard error, code page 850).
#pragma once

#include "common/errmess.hpp"
#include "common/marcador.hpp"
#include "common/mensajes.hpp"

// Why a run ended, and after how many reports (the cycle lines its caller prints, the starting point's
// first): the caller tells the user, the numeric core prints nothing of its own. `paciencia` is the
// caller's: its report asked to stop, its patience out; `sin_mejora` ends an optimiser whose last step
// lowered the error by less than 1e-12 of its value.
enum class MotivoFin { ciclos, gradiente, paso_corto, usuario, paciencia, sin_mejora };
struct FinGconj {
  MotivoFin motivo = MotivoFin::ciclos;
  unsigned ciclos = 0;
};

// What a program's warning names: its patience setting, and how to start elsewhere (code page 850).
struct ContextoFin {
  const char* variable = "";
  unsigned paciencia = 0;
  const char* otro_arranque = "pruebe otro arranque";
};

namespace msg_comun {
// A training that ends before its nco cycles says why; `hechos` is the number of its last cycle line.
inline void aviso_fin_entrenamiento(MotivoFin motivo, unsigned hechos, unsigned pedidos,
                                    const ContextoFin& contexto = {}) {
  const EnPagina pagina(Pagina::cp850);  // korbent prints it too
  switch (motivo) {
    case MotivoFin::ciclos:
      break;
    case MotivoFin::gradiente:
      aviso(
          "el entrenamiento acab\xA2 en el ciclo %u de %u: el gradiente es casi nulo (suma de cuadrados < 1e-7), un "
          "m\xA1nimo o una meseta del error; m\xA0s ciclos no lo mueven (%s)",
          hechos, pedidos, contexto.otro_arranque);
      break;
    case MotivoFin::paso_corto:
      aviso(
          "el entrenamiento acab\xA2 en el ciclo %u de %u: el \xA3ltimo paso fue demasiado corto (suma de cuadrados < "
          "1e-7); la b\xA3squeda no avanza (%s)",
          hechos, pedidos, contexto.otro_arranque);
      break;
    case MotivoFin::sin_mejora:
      aviso(
          "el entrenamiento acab\xA2 en el ciclo %u de %u: la \xA3ltima iteraci\xA2n baj\xA2 el error menos de 1e-12 "
          "de su valor; ha convergido",
          hechos, pedidos);
      break;
    case MotivoFin::usuario:
      aviso("el entrenamiento acab\xA2 en el ciclo %u de %u: lo par\xA2 el usuario con Ctrl-C", hechos, pedidos);
      break;
    case MotivoFin::paciencia:
      aviso(
          "el entrenamiento acab\xA2 en el ciclo %u de %u: %u informes seguidos sin un error de test menor (%s=%u); "
          "quedan los pesos de menor error de test",
          hechos, pedidos, contexto.paciencia, contexto.variable, contexto.paciencia);
      break;
  }
}

// Patience watches the test error: without a test set it is set aside, with a warning, and the training runs
// its nco cycles.
template <class Real>
void aparta_paciencia_sin_test(Marcador<Real>& marcador, bool hay_test, const char* variable, unsigned nco) {
  if (marcador.paciencia == 0 || hay_test) return;
  aviso_paciencia_sin_test(variable, marcador.paciencia, nco);
  marcador.paciencia = 0;
}

// The end of a training as the user reads it: a record out of patience is why it stopped, whatever the
// optimiser saw.
template <class Real>
void avisa_fin(FinGconj fin, unsigned hechos, unsigned pedidos, const Marcador<Real>& marcador, ContextoFin contexto) {
  if (marcador.sin_paciencia()) fin.motivo = MotivoFin::paciencia;
  contexto.paciencia = marcador.paciencia;
  aviso_fin_entrenamiento(fin.motivo, hechos, pedidos, contexto);
}
}  // namespace msg_comun
