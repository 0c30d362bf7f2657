#!/usr/bin/env python3
"""Writes COUNT synthetic series as keyword data files into FOLDER (series_00001.dat, ...):
triclinic cells with esds on every parameter, drifting with T, POINTS points each, from a fixed
seed, so that the same call writes the same files. For the many-series tests and benchmarks.

    generate-series.py COUNT FOLDER [--points N] [--seed S]
"""
import argparse
import pathlib
import random


def series_text(number, points, rng):
    a, b, c = rng.uniform(4, 12), rng.uniform(5, 14), rng.uniform(6, 20)
    alpha, beta, gamma = rng.uniform(70, 110), rng.uniform(70, 110), rng.uniform(70, 110)
    rates = [rng.uniform(-2e-5, 6e-5) for _ in range(6)]
    lines = [f"TITLE synthetic series {number}", "UNITS T K",
             "LINE1 T A SIGA B SIGB C SIGC ALPHA SIGALPHA BETA SIGBETA GAMMA SIGGAMMA", "DATA"]
    for k in range(points):
        t = 100 + 10 * k
        cell = [a, b, c, alpha, beta, gamma]
        values = [f"{t}"]
        for j, value in enumerate(cell):
            drifted = value * (1 + rates[j] * (t - 100)) + rng.gauss(0, 2e-4)
            values += [f"{drifted:.5f}", f"{rng.uniform(5e-4, 3e-3):.5f}"]
        lines.append(" ".join(values))
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("count", type=int)
    parser.add_argument("folder", type=pathlib.Path)
    parser.add_argument("--points", type=int, default=20)
    parser.add_argument("--seed", type=int, default=1)
    arguments = parser.parse_args()
    rng = random.Random(arguments.seed)
    arguments.folder.mkdir(parents=True, exist_ok=True)
    for number in range(1, arguments.count + 1):
        (arguments.folder / f"series_{number:05d}.dat").write_text(series_text(number, arguments.points, rng))


if __name__ == "__main__":
    main()
