// The adjoint pass is the recursion's gradient summed in another order: checked against it on models where
// every term of the recursion counts.
#include "velmor/gradiente_adjunto.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "comun/perceptron.hpp"
#include "comun/velmor_prueba.hpp"
#include "velmor/entrena.hpp"

namespace {

struct Pasada {
  double E;
  std::vector<double> g;
};

class GradienteAdjunto : public ::testing::Test {
 protected:
  // Several outputs and error taps, every buffer scaled away from 1 and 0 (the perceptron's own too), and
  // hidden units driven past |s| = 100, where the slope is clipped: always (unit 0) and at some rows (unit 1).
  void construye(std::vector<int> nri, std::vector<int> nre, int nh, int kind, unsigned semilla) {
    m = build_velmor("adjunto", static_cast<int>(nri.size()), nh, static_cast<int>(nre.size()), nri, nre, kind);
    m->lp = std::make_unique<VELMOR_LP>();
    prueba::aleatoriza(*m, semilla);
    for (MP_BUF& b : m->mp->ibuf) b.a = 0.9 + aleatorio<AjustesVelmor>(0.2), b.b = aleatorio<AjustesVelmor>(0.1);
    for (MP_BUF& b : m->mp->obuf) b.a = 1.2, b.b = -0.1;
    m->mp->hl[0].w[0] = 150;
    for (double& w : m->mp->hl[1].w) w *= 120;
    m->lp->trn.d = prueba::series(m->ni, m->no, 300, semilla);
  }
  Pasada pasa(PaseGradiente pase) {
    m->lp->pase = pase;
    Pasada p{0, std::vector<double>(m->mp->nw)};
    p.E = grad_velmor(prueba::pesos(*m->mp), p.g, *m);
    return p;
  }
  std::unique_ptr<VELMOR> m;
};

TEST_F(GradienteAdjunto, GivesTheRecursionsGradientAndError) {
  struct Forma {
    std::vector<int> nri, nre;
    int nh, kind;
  };
  for (const Forma& f : {Forma{{3, 2}, {3, 1, 2}, 5, 0}, Forma{{2}, {2, 0, 4}, 4, 1}, Forma{{4, 1}, {1, 1}, 6, 1}}) {
    construye(f.nri, f.nre, f.nh, f.kind, static_cast<unsigned>(f.nh));
    const Pasada r = pasa(PaseGradiente::rtrl), a = pasa(PaseGradiente::adjunto);
    EXPECT_EQ(a.E, r.E) << f.nh;
    double mayor = 0, dif = 0;
    for (std::size_t k = 0; k < r.g.size(); ++k) {
      mayor = std::max(mayor, std::abs(r.g[k]));
      dif = std::max(dif, std::abs(a.g[k] - r.g[k]));
    }
    EXPECT_GT(mayor, 0);
    EXPECT_LE(dif, 1e-12 * mayor) << f.nh;
  }
}

}  // namespace
