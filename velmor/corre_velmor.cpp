#include "velmor/corre_velmor.hpp"

#include <memory>
#include <string>
#include <vector>

#include "common/entorno.hpp"
#include "common/errmess.hpp"
#include "common/random.hpp"
#include "common/read_data.hpp"
#include "velmor/configura.hpp"
#include "velmor/ctrl_c.hpp"
#include "velmor/entrena.hpp"
#include "velmor/init.hpp"
#include "velmor/mensajes.hpp"
#include "velmor/modelo.hpp"
#include "velmor/pesos.hpp"
#include "velmor/registros.hpp"
#include "velmor/test.hpp"

namespace {

void lee_datos(DATASET& ds, int columnas) {
  ds.d = read_data<AjustesVelmor>(ds.fname, static_cast<unsigned>(columnas));
  ds.ndat = ds.d.ndat;
}

void lee_test(LectorConfig& cfg, VELMOR& m) {
  m.tp = crea_tp();
  lee_nombre_test(cfg, *m.tp);
  lee_datos(*m.tp, m.ni + m.no);
}

// Two names that share their first characters share their files: said once the job, and so the files, is known.
void avisa_nombre_cortado(const std::string& base, const VELMOR& m, Modo modo) {
  if (base.size() <= kMaxNombreVelmor) return;
  std::vector<std::string> f;
  if (modo != Modo::ftest) f = {m.name + ".wgt", m.name + "#.wgt"};
  if (m.tp) f.insert(f.end(), {m.name + ".out", m.name + ".drv"});
  std::string lista;
  for (std::size_t k = 0; k < f.size(); ++k) lista += (k == 0 ? "" : k + 1 == f.size() ? " y " : ", ") + f[k];
  msg_velmor::nombre_cortado(base.c_str(), kMaxNombreVelmor, m.name.c_str(), lista.c_str());
}

}  // namespace

int corre_velmor(const OpcionesVelmor& opciones) {
  semilla_velmor();  // chosen (or refused) before anything is read
  pase_de_entorno();
  // What the run shares with the interrupt menu, its reports and its lowest test error (a process trains once).
  // Never freed, like the model: the watcher may reach it while the process ends.
  RegistroVelmor& registro = *std::make_unique<RegistroVelmor>().release();
  registro.marcador.paciencia = paciencia_de_entorno(kPacienciaVelmor);
  LectorConfig cfg;
  abre_configuracion(cfg, opciones);
  VELMOR* modelo = nullptr;
  {
    const DescripcionModelo d = lee_modelo(cfg);
    // Never freed: the interrupt watcher may still reach the model while the process ends.
    modelo = build_velmor(opciones.base, d.ni, d.nh, d.no, d.nri, d.nre, static_cast<int>(d.tipo)).release();
  }
  VELMOR& m = *modelo;
  recupera_pesos(m);
  instala_ctrl_c(m, registro);

  const Modo modo = lee_modo(cfg);
  if (modo == Modo::learn || modo == Modo::c_learn) {
    m.lp = crea_lp();
    lee_entrenamiento(cfg, *m.lp);
    lee_datos(m.lp->trn, m.ni + m.no);
    const bool con_test = lee_ftest_opcional(cfg);
    if (con_test) lee_test(cfg, m);
    avisa_no_usados(cfg, !con_test);
    avisa_nombre_cortado(opciones.base, m, modo);
    if (modo == Modo::learn)
      init_velmor(m);
    else
      load_velmor(m);
    train_velmor(m, registro);
  } else if (modo == Modo::ftest) {
    lee_test(cfg, m);
    avisa_no_usados(cfg, false);
    avisa_nombre_cortado(opciones.base, m, modo);
  }
  cierra_configuracion(cfg);

  if (m.tp) {
    load_velmor(m);
    test_velmor(m);
  }
  m.lp.reset();
  m.tp.reset();
  return kFinNormal;
}
