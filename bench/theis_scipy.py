#!/usr/bin/python3
"""The Theis map as a user would write it with numpy and scipy: per well, vectorised over the whole
lattice, s += Q / (4 pi T) * exp1(r^2 S / (4 T t)); with --cooper-jacob, the Cooper-Jacob map with
numpy alone, s += max(0, Q / (4 pi T) * ln(2.25 T t / (r^2 S))). Prints the seconds it takes and
the largest drawdown, for drawfield-bench to compare.

    theis_scipy.py [--cooper-jacob] X_MAX T S_PERCENT HOURS X,Y,RATE [X,Y,RATE ...]
"""
import sys
import time

import numpy as np
from scipy.special import exp1


def superposed(x_max, wells, term):
    """The sum over the wells of term(rate, squared distance) at every node of the lattice."""
    axis = np.arange(1, x_max + 1, dtype=np.float64)
    x, y = np.meshgrid(axis, axis)
    drawdown = np.zeros_like(x)
    for well_x, well_y, rate in wells:
        squared = (x - well_x) ** 2 + (y - well_y) ** 2
        with np.errstate(divide="ignore"):
            drawdown += term(rate, squared)
    return drawdown


def theis_map(x_max, transmissivity, storage, seconds, wells):
    return superposed(x_max, wells, lambda rate, squared: rate / (
        4 * np.pi * transmissivity) * exp1(squared * storage / (4 * transmissivity * seconds)))


def cooper_jacob_map(x_max, transmissivity, storage, seconds, wells):
    return superposed(x_max, wells, lambda rate, squared: np.maximum(0.0, rate / (
        4 * np.pi * transmissivity) * np.log(2.25 * transmissivity * seconds / (squared * storage))))


def main():
    method = theis_map
    if sys.argv[1] == "--cooper-jacob":
        method = cooper_jacob_map
        del sys.argv[1]
    x_max = int(sys.argv[1])
    transmissivity = float(sys.argv[2])
    storage = float(sys.argv[3]) / 100
    seconds = float(sys.argv[4]) * 3600
    wells = [tuple(float(v) for v in well.split(",")) for well in sys.argv[5:]]
    wells = [(x, y, rate / 3600) for x, y, rate in wells]
    start = time.perf_counter()
    drawdown = method(x_max, transmissivity, storage, seconds, wells)
    elapsed = time.perf_counter() - start
    finite = drawdown[np.isfinite(drawdown)]
    print(f"{elapsed:.4f} {finite.max():.6f}")


if __name__ == "__main__":
    main()
