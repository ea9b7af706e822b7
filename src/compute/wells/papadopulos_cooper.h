#pragma once

// The drawdown of a well of large diameter in a confined aquifer: the water stored in its casing
// is pumped first (Papadopulos and Cooper 1967), with a skin of changed permeability round the
// screen (Agarwal et al. 1970) and a loss in the well that goes with the square of the rate
// (Jacob 1947), the only place the formulas are written. With q = sqrt(S p / T), p the Laplace
// transform's variable of t:
//
//   D = p (2 pi T q rw K1(q rw) + pi rc^2 p (K0(q rw) + sk q rw K1(q rw)))
//   in the aquifer (r > rw):  s = Q K0(q r) / D
//   in the bore (r <= rw):    s = Q (K0(q rw) + sk q rw K1(q rw)) / D + C Q^2
//
// Q pumping rate (m3/s), T transmissivity (m2/s), S storage coefficient, rw the bore's radius
// (m), rc its casing's radius where the level moves (m), sk the skin (dimensionless), C the well
// loss (s2/m5). Early the bore gives its casing's water, s = Q t / (pi rc^2); late the drawdown is
// Theis' at rw plus Q sk / (2 pi T) and C Q^2. Brought back to t by laplace.h.

namespace drawfield {

struct LargeWell {
    double transmissivity = 0.0, storage = 0.0;
    double radiusMetres = 0.0, casingRadiusMetres = 0.0, skin = 0.0;
};

// The drawdown (m) of a unit rate (1 m3/s) after t (s) at distance r (m) from the bore's centre:
// in the bore (its level) where r <= rw, in the aquifer beyond. Without the well loss.
[[nodiscard]] double largeWellUnitDrawdown(const LargeWell& well, double r, double t);

} // namespace drawfield
