#!/usr/bin/env python3
"""Rows drawn from a known mixture of axis-aligned Gaussians, for measuring density fits against the truth.

    python3 tests/datos/genera_mezcla.py [-k 8] [-d 4] [-n 10000] [-s 1] [--verdad FILE] > mezcla.dat

The components, their weights and widths follow from the seed alone, so a seed names a data set. With
--verdad, FILE receives the components (weight, then the centre and the deviations of each coordinate, one
line each) and, on standard error, the mean of -ln p(x) of the rows under the true density: the figure a fitted
density's training error is compared with. Only the standard library is used.
"""
import argparse
import math
import random
import sys


def componentes(rng, k, d):
    # Centres spread over a box wide enough that most components stand apart, some overlap; widths differ by
    # coordinate and component, weights by up to 4x, so no fit finds them by symmetry.
    pesos = [rng.uniform(1.0, 4.0) for _ in range(k)]
    total = sum(pesos)
    return [(p / total, [rng.uniform(0.0, 10.0) for _ in range(d)], [rng.uniform(0.3, 1.2) for _ in range(d)])
            for p in pesos]


def menos_log_densidad(fila, comps):
    terminos = []
    for peso, centro, sigma in comps:
        t = math.log(peso)
        for x, c, s in zip(fila, centro, sigma):
            t -= 0.5 * ((x - c) / s) ** 2 + math.log(s) + 0.5 * math.log(2 * math.pi)
        terminos.append(t)
    m = max(terminos)
    return -(m + math.log(sum(math.exp(t - m) for t in terminos)))


def main():
    a = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    a.add_argument("-k", type=int, default=8, help="components")
    a.add_argument("-d", type=int, default=4, help="dimension")
    a.add_argument("-n", type=int, default=10000, help="rows")
    a.add_argument("-s", type=int, default=1, help="seed")
    a.add_argument("--verdad", help="file for the true components; prints the truth's mean -ln p on stderr")
    o = a.parse_args()
    if o.k < 1 or o.d < 1 or o.n < 1:
        a.error("k, d and n must be at least 1")
    rng = random.Random(o.s)
    comps = componentes(rng, o.k, o.d)
    pesos = [c[0] for c in comps]
    filas = []
    for _ in range(o.n):
        peso, centro, sigma = rng.choices(comps, weights=pesos)[0]
        filas.append([rng.gauss(c, s) for c, s in zip(centro, sigma)])
    sys.stdout.write("".join(" ".join("%.6f" % x for x in f) + "\n" for f in filas))
    if o.verdad:
        with open(o.verdad, "w") as v:
            for peso, centro, sigma in comps:
                v.write("%.6f %s %s\n" % (peso, " ".join("%.6f" % c for c in centro),
                                          " ".join("%.6f" % s for s in sigma)))
        e = sum(menos_log_densidad(f, comps) for f in filas) / len(filas)
        print("-ln p medio de la verdad: %.4f" % e, file=sys.stderr)


if __name__ == "__main__":
    main()
