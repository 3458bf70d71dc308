#include "korbent/zelbrin_fdp.hpp"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "common/asigna.hpp"
#include "common/errmess.hpp"
#include "common/random.hpp"
#include "korbent/mensajes.hpp"
#include "korbent/zelbrin_fdp_entrena.hpp"
#include "korbent/zelbrin_fdp_inic.hpp"
#include "korbent/zelbrin_fdp_prueba.hpp"

namespace {

[[noreturn]] void dimensiones_incorrectas(const std::string& name) {
  puterr(kEntradaErronea, msg_korbent::dimensiones_mal, name.c_str());
}

// A dimension as handed over in prm: checked before it is truncated, and refused when the truncated value
// would not be a usable count (a fraction below `minimo`, or beyond 32 bits).
std::uint32_t dimension(long double v, long double minimo, const std::string& name) {
  if (!(v >= minimo) || !(v < 4294967296.0)) dimensiones_incorrectas(name);
  return static_cast<std::uint32_t>(v);
}

}  // namespace

std::unique_ptr<ZELBRIN_FDP> construye_zelbrin_fdp(std::string_view name, const VECTOR& prm) {
  if (std::min<std::size_t>(prm.ndat, prm.d.size()) < 3) puterr(kFalloRecurso, "%s", msg_korbent::parametros_mal);
  init_aleatorio<AjustesKorbent>();
  std::unique_ptr<ZELBRIN_FDP> net;
  try {
    net = std::make_unique<ZELBRIN_FDP>();
  } catch (const std::bad_alloc&) {
    puterr(kFalloRecurso, "%s", msg_korbent::sin_memoria_red);
  }
  ZELBRIN_FDP& z = *net;
  z.name = name.substr(0, 79);
  z.ni = dimension(prm.d[0], 1, z.name);
  z.nh = dimension(prm.d[1], 1, z.name);
  z.no = dimension(prm.d[2], 0, z.name);
  const std::size_t ni = z.ni, nh = z.nh, no = z.no;

  z.i = asigna<long double>(ni, msg_korbent::sin_memoria_i);
  z.ibuf = asigna<BUF_UNIT>(ni, msg_korbent::sin_memoria_ibuf);
  for (std::size_t j = 0; j < ni; ++j) {
    z.ibuf[j].evalua = eval_buffer;
    z.ibuf[j].i = &z.i[j];
  }
  z.rb = asigna<ZELBRIN_NEURON>(nh, msg_korbent::sin_memoria_rb);
  z.centros = asigna<long double>(nh * ni, msg_korbent::sin_memoria_rb_r);
  z.anchos = asigna<long double>(nh * ni, msg_korbent::sin_memoria_rb_b);
  for (std::size_t h = 0; h < nh; ++h) {
    ZELBRIN_NEURON& k = z.rb[h];
    k.i = asigna<const long double*>(ni, msg_korbent::sin_memoria_rb_i);
    k.r = std::span<long double>(z.centros).subspan(h * ni, ni);
    k.b = std::span<long double>(z.anchos).subspan(h * ni, ni);
    k.evalua = eval_zelbrin_neuron;
    for (std::size_t j = 0; j < ni; ++j) k.i[j] = &z.ibuf[j].o;
  }
  z.wa = asigna<long double>(nh, msg_korbent::sin_memoria_wa);

  if (no > 0) {
    z.prbout = asigna<PRBOUT_NEURON>(no, msg_korbent::sin_memoria_prbout);
    for (PRBOUT_NEURON& u : z.prbout) {
      u.i = asigna<const long double*>(nh, msg_korbent::sin_memoria_prbout_i);
      u.w = asigna<long double>(nh + 1, msg_korbent::sin_memoria_prbout_w);
      u.evalua = eval_prbout_neuron;
      for (std::size_t h = 0; h < nh; ++h) u.i[h] = &z.rb[h].o;
    }
    z.obuf = asigna<BUF_UNIT>(no, msg_korbent::sin_memoria_obuf);
    for (std::size_t k = 0; k < no; ++k) {
      z.obuf[k].evalua = eval_buffer;
      z.obuf[k].i = &z.prbout[k].o;
    }
    z.emax = asigna<long double>(no, msg_korbent::sin_memoria_i);
  }

  z.carga_pesos = carga_pesos_zelbrin_fdp;
  z.salva_pesos = salva_pesos_zelbrin_fdp;
  z.evalua = eval_zelbrin_fdp;
  z.libera = libera_zelbrin_fdp;
  z.inicializa_pesos = inicializa_pesos_zelbrin_fdp;
  z.entrena = entrena_zelbrin_fdp;
  z.test = test_zelbrin_fdp;
  return net;
}
