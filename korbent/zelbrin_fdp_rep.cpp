#include "korbent/zelbrin_fdp_rep.hpp"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "common/datos.hpp"
#include "common/errmess.hpp"
#include "common/fichero_seguro.hpp"
#include "common/mensajes.hpp"
#include "korbent/mensajes.hpp"

namespace {

std::string fichero(const ZELBRIN_FDP& net, const char* sufijo) { return net.name + sufijo; }

constexpr const char* kSufijos[] = {".rep", ".sig", ".nvr", ".wa", ".prc", ".yme"};

// The files of one representation, replaced as one set: a run that dies while writing them, or between
// their renames, leaves the next run every old file or every new one.
class Escritura {
 public:
  explicit Escritura(const ZELBRIN_FDP& net) : net_(net) {}
  std::FILE* abre(const char* sufijo) {
    nombres_[n_] = fichero(net_, sufijo);
    std::FILE* f = conjunto_.abre(nombres_[n_]);
    if (f == nullptr) puterr(kFalloRecurso, msg_korbent::apertura_fichero, nombres_[n_].c_str());
    ++n_;
    return f;
  }
  // A file that cannot be written whole (a full disk) is reported like one that cannot be opened.
  void confirma() {
    if (!conjunto_.confirma())
      puterr(kFalloRecurso, msg_korbent::apertura_fichero, nombres_[conjunto_.fallido()].c_str());
  }

 private:
  const ZELBRIN_FDP& net_;
  ConjuntoSeguro conjunto_;
  std::string nombres_[std::size(kSufijos)];
  std::size_t n_ = 0;
};

long double raiz2() { return std::sqrt(static_cast<long double>(2)); }

// A file of the representation, which must hold one row per kernel.
MATRIZ lee_filas(const ZELBRIN_FDP& net, const char* sufijo, unsigned dim) {
  const std::string nombre = fichero(net, sufijo);
  MATRIZ m = read_data<AjustesKorbent>(nombre.c_str(), dim, false);
  if (m.ndat != net.nh) puterr(kFalloRecurso, msg_korbent::dimensiones_rep, nombre.c_str());
  return m;
}

constexpr std::size_t kCentiles = 11;

}  // namespace

void escribe_rep_sig_fdp(const ZELBRIN_FDP& net) {
  Escritura e(net);
  std::FILE* rep = e.abre(".rep");
  std::FILE* sig = e.abre(".sig");
  std::FILE* nvr = e.abre(".nvr");
  std::FILE* wa = e.abre(".wa");
  std::FILE* prc = e.abre(".prc");
  std::FILE* yme = net.no > 0 ? e.abre(".yme") : nullptr;

  const long double s = suma_wa2_zelbrin_fdp(net);

  for (std::size_t h = 0; h < net.nh; ++h) {
    const ZELBRIN_NEURON& k = net.rb[h];
    for (std::size_t j = 0; j < net.ni; ++j) std::fprintf(rep, "%Lg  \t", (k.r[j] - net.ibuf[j].b) / net.ibuf[j].a);
    std::fputs("\n", rep);
    for (std::size_t j = 0; j < net.ni; ++j)
      std::fprintf(sig, "%Lg  \t", 1 / (raiz2() * std::abs(k.b[j])) / net.ibuf[j].a);
    std::fputs("\n", sig);
    std::fprintf(nvr, "%d \n", static_cast<int>(k.nvr));
    std::fprintf(wa, "%Lg \n", net.wa[h] * net.wa[h] / s);
  }
  if (yme != nullptr) {
    for (std::size_t h = 0; h < net.nh; ++h) {
      for (std::size_t k = 0; k < net.no; ++k)
        std::fprintf(yme, "%Lg \t", net.prbout[k].w[h] * net.obuf[k].a + net.obuf[k].b);
      std::fputs("\n", yme);
    }
  }
  for (long double c : {net.p0, net.maxp0, net.p95, net.minp95, net.maxp95, net.p99, net.minp99, net.maxp99, net.p100,
                        net.maxp100, net.p_100})
    std::fprintf(prc, "%Lg\n", c);
  e.confirma();
}

void recupera_rep_sig_fdp(const ZELBRIN_FDP& net) {
  std::vector<std::string> finales;
  for (const char* s : kSufijos) finales.push_back(fichero(net, s));
  recupera_conjunto(finales);
}

void carga_rep_sig_zelbrin_fdp(ZELBRIN_FDP& net) {
  const MATRIZ rep = lee_filas(net, ".rep", net.ni);
  const MATRIZ sig = lee_filas(net, ".sig", net.ni);
  const MATRIZ nvr = lee_filas(net, ".nvr", 1);
  const MATRIZ wa = lee_filas(net, ".wa", 1);
  const std::string nombre_prc = fichero(net, ".prc");
  const MATRIZ prc = read_data<AjustesKorbent>(nombre_prc.c_str(), 1, false);
  // Fewer values would leave centiles unread; more are ignored, as they always were.
  if (prc.ndat < kCentiles) puterr(kFalloRecurso, msg_korbent::dimensiones_rep, nombre_prc.c_str());
  const MATRIZ yme = net.no > 0 ? lee_filas(net, ".yme", net.no) : MATRIZ{};

  for (BUF_UNIT& u : net.ibuf) {
    u.a = 1;
    u.b = 0;
  }
  // A width of 0 or a negative mixing weight would put infinities and NaN into every density: such a file
  // is refused as the data reader refuses a number it cannot take.
  const auto rechaza = [&](const char* sufijo, std::size_t h, long double v, const char* debe) {
    const std::string f = fichero(net, sufijo);
    msg_korbent::aviso_rep_invalido(f.c_str(), h + 1, v, debe);
    msg_comun::datos_erroneos(f.c_str());
  };
  for (std::size_t h = 0; h < net.nh; ++h) {
    for (std::size_t j = 0; j < net.ni; ++j)
      if (!std::isfinite(1 / (raiz2() * sig.d[h][j]))) rechaza(".sig", h, sig.d[h][j], msg_korbent::sig_no_nula);
    if (!(wa.d[h][0] >= 0)) rechaza(".wa", h, wa.d[h][0], msg_korbent::wa_no_negativo);
  }
  for (std::size_t h = 0; h < net.nh; ++h) {
    ZELBRIN_NEURON& k = net.rb[h];
    for (std::size_t j = 0; j < net.ni; ++j) {
      k.r[j] = rep.d[h][j];
      k.b[j] = 1 / (raiz2() * sig.d[h][j]);
    }
  }
  for (std::size_t k = 0; k < net.no; ++k)
    for (std::size_t h = 0; h < net.nh; ++h) net.prbout[k].w[h] = yme.d[h][k];
  for (BUF_UNIT& u : net.obuf) {
    u.a = 1;
    u.b = 0;
  }
  for (std::size_t h = 0; h < net.nh; ++h) {
    net.rb[h].nvr = cuenta_nvr(nvr.d[h][0]);
    net.wa[h] = std::sqrt(wa.d[h][0]);
  }
  long double* const centiles[kCentiles] = {&net.p0,     &net.maxp0,  &net.p95,  &net.minp95,  &net.maxp95, &net.p99,
                                            &net.minp99, &net.maxp99, &net.p100, &net.maxp100, &net.p_100};
  for (std::size_t c = 0; c < kCentiles; ++c) *centiles[c] = prc.d[c][0];
}
