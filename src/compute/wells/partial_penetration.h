#pragma once

// Hantush's drawdown of a bore screened over part of a confined aquifer (Hantush 1961), the only
// place the formula is written. A bore screened from depth d to l below the aquifer's top, read
// over the depths d' to l' (a piezometer: d' = l' = z):
//
//   s = Q / (4 pi T) (W(u) + f),
//   f = 2 b^2 / (pi^2 (l - d) (l' - d')) sum over n >= 1 of 1 / n^2
//         (sin(n pi l / b) - sin(n pi d / b)) (sin(n pi l' / b) - sin(n pi d' / b)) W(u, beta_n),
//   beta_n = n pi r sqrt(Kd) / b,
//
// W(u) Theis' function, W(u, beta) Hantush's leaky one (hantush.h), b the thickness, Kd = Kz / Kr
// the anisotropy; for a piezometer the observation factor over (l' - d') becomes
// (n pi / b) cos(n pi z / b). Read over the whole thickness (the depth average) f is 0: the map,
// drawn for fully penetrating observation, is Theis'. Late, W(u, beta) tends to 2 K0(beta), and
// f to Hantush's steady correction. The series is summed while beta_n <= 40 (W below 1e-17 of
// its first terms beyond).

#include "compute/wells/well_function.h"

#include <limits>

namespace drawfield {

// A screen or an interval of observation: depths (m) below the aquifer's top, top <= bottom;
// equal for a piezometer.
struct Interval {
    double top = 0.0, bottom = 0.0;
};
// Every depth of any aquifer.
inline constexpr Interval WholeThickness { 0.0, std::numeric_limits<double>::infinity() };

// A bottom this deep or deeper is the aquifer's base.
inline constexpr double ScreenBase = 10000.0;

// A bore's screen_top and screen_bottom, then a point's, as every row that reads partial
// penetration declares them.
inline constexpr WellParameter ScreenParameters[] = {
    { "screen_top", "d", "Screen top", "m", "m", Quantity::Length, ParameterScope::Bore, 0.0,
        ScreenBase, 1.0, 0.0, FitScale::NotFitted,
        "The depth of the top of the bore's screen below the aquifer's top (0: the top)." },
    { "screen_bottom", "l", "Screen bottom", "m", "m", Quantity::Length, ParameterScope::Bore, 0.0,
        ScreenBase, 1.0, ScreenBase, FitScale::NotFitted,
        "The depth of the bottom of the bore's screen below the aquifer's top (unless given, "
        "the aquifer's base)." },
    { "screen_top", "d'", "Screen top", "m", "m", Quantity::Length, ParameterScope::Observation,
        0.0, ScreenBase, 1.0, 0.0, FitScale::NotFitted,
        "The depth of the top of the point's screen below the aquifer's top; a piezometer has "
        "top and bottom equal." },
    { "screen_bottom", "l'", "Screen bottom", "m", "m", Quantity::Length,
        ParameterScope::Observation, 0.0, ScreenBase, 1.0, ScreenBase, FitScale::NotFitted,
        "The depth of the bottom of the point's screen (unless given, the aquifer's base: "
        "the depth average)." },
};

// f above for a bore screened over `screen`, read over `read`, at distance r (m) in an aquifer
// of thickness b (m) and anisotropy kd, at u = r^2 S / (4 T t); both intervals within 0 .. b.
// Below a leaking aquitard (Hantush 1964), r / B joins each term: W(u, sqrt((r / B)^2 +
// beta_n^2)), and W(u) above is W(u, r / B).
[[nodiscard]] double partialPenetrationTerm(
    double u, double r, double b, double kd, Interval screen, Interval read, double rOverB = 0.0);

} // namespace drawfield
