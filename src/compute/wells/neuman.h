#pragma once

// Neuman's drawdown of one fully penetrating well in an unconfined aquifer with delayed yield
// (Neuman 1972, 1974), averaged over the saturated thickness, the only place the formula is
// written. Its Laplace transform, with p the transform's variable of t:
//
//   s(r, p) = Q / (2 pi T p) sum over n >= 0 of w_n K0(q_n r),
//   eps_n tan eps_n = c = Sy b^2 p / (Kd T),   q_n^2 = S p / T + Kd eps_n^2 / b^2,
//   w_n = 2 c^2 / (eps_n^2 (eps_n^2 + c^2 + c))   (= 2 sin^2 eps / (eps (eps + sin eps cos eps)))
//
// Q pumping rate (m3/s), T transmissivity (m2/s), S the elastic storage coefficient, Sy the
// specific yield, Kd = Kz / Kr the anisotropy, b the saturated thickness (m), eps_n the roots of
// the free surface's condition, one in each (n pi, n pi + pi / 2) for real c. Early, it is Theis'
// drawdown with S; late, Theis' with S + Sy; between, it flattens while the water table drains.
// It is brought back to t by the inversion of laplace.h, with the roots found once per point of
// the contour and shared by every distance.
//
// A bore screened over part of the thickness, read over part of it or at one depth (Neuman 1974):
// the same sum with
//
//   w_n = 2 eps_n / (eps_n^2 + c^2 + c) F_n G_n,
//   F_n = (sin(eps_n h2) - sin(eps_n h1)) / ((h2 - h1) cos eps_n)   over the screen,
//   G_n = (sin(eps_n g2) - sin(eps_n g1)) / (eps_n (g2 - g1) cos eps_n)   over the read part,
//         cos(eps_n g) / cos eps_n   at one height g,
//
// heights h, g above the aquifer's base over b (the eigenfunctions cos(eps_n z / b) of a
// water table over an impervious base). Over the whole thickness F_n = c / eps_n, G_n = c /
// eps_n^2, and w_n is the one above. Early it is Hantush's partial penetration (1961) with S,
// late with S + Sy (partial_penetration.h).

#include "compute/wells/partial_penetration.h"

#include <complex>
#include <limits>
#include <vector>

namespace drawfield {

// The first `count` roots of eps tan eps = c, one of each pair +-eps, in the order the transform
// sums them (for real c > 0 the n-th lies in (n pi, n pi + pi / 2)); c anywhere off the negative
// real axis, as the inversion's contour takes it.
[[nodiscard]] std::vector<std::complex<double>> freeSurfaceRoots(std::complex<double> c, int count);

// Neuman's well function W_D(u, sigma, beta): s = Q / (4 pi T) W_D, u = r^2 S / (4 T t),
// sigma = S / Sy, beta = Kd r^2 / b^2; all positive.
[[nodiscard]] double neumanWellFunction(double u, double sigma, double beta);

// The drawdown (m) of a unit rate (1 m3/s) at distance r (m) after t (s), from a bore screened
// over `screen` and read over `read` (depths below the saturated thickness's top; the whole
// thickness unless given, a read of no length a piezometer).
struct NeumanAquifer {
    double transmissivity = 0.0, storage = 0.0, specificYield = 0.0, anisotropy = 1.0;
    double thicknessMetres = 0.0;
};
[[nodiscard]] double neumanUnitDrawdown(const NeumanAquifer& aquifer, double r, double t,
    Interval screen = WholeThickness, Interval read = WholeThickness);

} // namespace drawfield
