#include "velmor/corre_velmor.hpp"

#include <memory>

#include "velmor/configura.hpp"
#include "velmor/registros.hpp"

int corre_velmor(const OpcionesVelmor& opciones) {
  LectorConfig cfg;
  abre_configuracion(cfg, opciones);
  const DescripcionModelo modelo = lee_modelo(cfg);
  std::unique_ptr<VELMOR_LP> lp;
  std::unique_ptr<DATASET> tp;
  const Modo modo = lee_modo(cfg);
  if (modo == Modo::learn || modo == Modo::c_learn) {
    lp = crea_lp();
    lee_entrenamiento(cfg, *lp);
    if (lee_ftest_opcional(cfg)) {
      tp = crea_tp();
      lee_nombre_test(cfg, *tp);
    }
  } else if (modo == Modo::ftest) {
    tp = crea_tp();
    lee_nombre_test(cfg, *tp);
  }
  cierra_configuracion(cfg);
  return 0;
}
