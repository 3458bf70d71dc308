#include "velmor/modelo.hpp"

#include <climits>
#include <cstdint>

#include "common/asigna.hpp"
#include "common/errmess.hpp"
#include "mp/mensajes.hpp"
#include "velmor/mensajes.hpp"

std::unique_ptr<BANCO> build_banco_retardos(int n) {
  if (n <= 0) return nullptr;
  std::unique_ptr<BANCO> banco = crea<BANCO>(msg_velmor::sin_memoria_banco);
  banco->n = n;
  if (n == 1) return banco;
  banco->ret = asigna<RET_UNIT>(static_cast<std::size_t>(n) - 1, msg_velmor::sin_memoria_banco_ret);
  banco->ret[0].i = &banco->ibuf.o;
  for (std::size_t k = 1; k < banco->ret.size(); ++k) banco->ret[k].i = &banco->ret[k - 1].o;
  return banco;
}

namespace {

// Points the perceptron's inputs pos, pos + 1, ... at the taps of `banco`, tap 0 first.
void conecta_banco(BANCO& banco, MP& mp, int& k) {
  banco.pos = k;
  for (std::size_t t = 0; t < static_cast<std::size_t>(banco.n); ++t, ++k) {
    mp.ibuf[static_cast<std::size_t>(k)].i = t == 0 ? &banco.ibuf.o : &banco.ret[t - 1].o;
  }
}

}  // namespace

std::unique_ptr<VELMOR> build_velmor(std::string_view name, int ni, int nh, int no, std::span<const int> nri,
                                     std::span<const int> nre, int kind) {
  std::unique_ptr<VELMOR> m = crea<VELMOR>(msg_velmor::sin_memoria_velmor);
  m->name = name.substr(0, kMaxNombreVelmor);
  m->ni = ni;
  m->no = no;
  const std::size_t nx = static_cast<std::size_t>(ni), ns = static_cast<std::size_t>(no);

  // Counted wide: a sum past int cannot be a perceptron, and it must not wrap into a small one.
  std::int64_t entradas = 0;
  for (const int n : nri) entradas += n;
  for (const int n : nre) entradas += n;
  if (entradas > INT_MAX) puterr(kFalloRecurso, "%s", msg_mp::sin_memoria_mp);
  m->mp = build_mp(m->name + "#", static_cast<int>(entradas), nh, no, kind);

  m->bancox = asigna<std::unique_ptr<BANCO>>(nx, msg_velmor::sin_memoria_bancox);
  for (std::size_t j = 0; j < nx; ++j) m->bancox[j] = build_banco_retardos(nri[j]);
  m->bancoe = asigna<std::unique_ptr<BANCO>>(ns, msg_velmor::sin_memoria_bancoe);
  for (std::size_t j = 0; j < ns; ++j) m->bancoe[j] = build_banco_retardos(nre[j]);
  m->obuf = asigna<MP_BUF>(ns, msg_velmor::sin_memoria_velmor_obuf);
  m->oret = asigna<std::optional<RET_UNIT>>(ns, msg_velmor::sin_memoria_velmor_oret);
  m->osub = asigna<std::optional<SUB_UNIT>>(ns, msg_velmor::sin_memoria_velmor_osub);
  for (std::size_t j = 0; j < ns; ++j) {
    if (nre[j] >= 1) {
      m->oret[j].emplace();
      m->osub[j].emplace();
    }
  }
  m->i = asigna<double>(nx, msg_velmor::sin_memoria_velmor_i);
  m->d = asigna<double>(ns, msg_velmor::sin_memoria_velmor_d);
  m->evalua = eval_velmor;

  int k = 0;
  for (std::size_t j = 0; j < nx; ++j) {
    m->bancox[j]->ibuf.i = &m->i[j];
    conecta_banco(*m->bancox[j], *m->mp, k);
  }
  for (std::size_t j = 0; j < ns; ++j) {
    if (!m->bancoe[j]) continue;
    m->bancoe[j]->ibuf.i = &m->osub[j]->o;
    conecta_banco(*m->bancoe[j], *m->mp, k);
    m->osub[j]->i1 = &m->d[j];
    m->osub[j]->i2 = &m->oret[j]->o;
    m->oret[j]->i = &m->obuf[j].o;
  }
  for (std::size_t j = 0; j < ns; ++j) m->obuf[j].i = &m->mp->obuf[j].o;
  return m;
}

void eval_velmor(VELMOR& m) {
  for (auto& r : m.oret)
    if (r) r->evalua();
  for (auto& s : m.osub)
    if (s) s->evalua();
  for (auto& b : m.bancox) b->evalua();
  for (auto& b : m.bancoe)
    if (b) b->evalua();
  eval_mp(*m.mp);
  for (MP_BUF& b : m.obuf) b.evalua();
}

int primera_entrada_error(const VELMOR& m) {
  int n = 0;
  for (const auto& b : m.bancox) n += b->n;
  return n;
}

void reset_velmor(VELMOR& m) {
  auto limpia = [](BANCO& b) {
    b.ibuf.o = 0;
    for (RET_UNIT& r : b.ret) r.o = 0;
  };
  for (auto& b : m.bancox) limpia(*b);
  for (auto& b : m.bancoe)
    if (b) limpia(*b);
  for (MP_BUF& b : m.obuf) b.o = 0;
}
