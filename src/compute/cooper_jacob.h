#pragma once

// The Cooper-Jacob drawdown of one pumping well, the only place the formula is written:
//
//   c = A ln(u),   A = Q / ((4 pi) T),   u = 2.249 (t T) / (r^2 S),   r = sqrt(n)
//
// Q pumping rate (m3/s), T transmissivity (m2/s), S storage coefficient (-), t time since pumping
// began (s), n = dx^2 + dy^2 the squared distance from the well to the node (m2), c the drawdown
// (m, positive downward). pi is taken as 3.1416 and the constant as 2.249, and the operations keep
// this order: drawdowns are reproduced bit for bit, so nothing here may be reassociated or fused.
//
// c is positive only while u > 1, that is inside the radius of influence; beyond it the well adds
// nothing (callers clamp at 0). At n = 0, the well's own position, the formula has no value: see
// the engine for what a node on a well holds.

#include <algorithm>
#include <cmath>

namespace drawfield {

struct CooperJacobWell {
    double A = 0.0; // Q / ((4 pi) T), m
    double timeTimesTransmissivity = 0.0; // t T, m2
    double Storage = 0.0; // S

    CooperJacobWell() = default;
    CooperJacobWell(double rateCubicMetresPerSecond, double transmissivity, double storage,
        double pumpTimeSeconds)
        : A(rateCubicMetresPerSecond / ((4.0 * 3.1416) * transmissivity))
        , timeTimesTransmissivity(pumpTimeSeconds * transmissivity)
        , Storage(storage)
    {
    }

    // u for a node at squared distance n (m2); falls as n grows.
    double u(double n) const
    {
        double r = std::sqrt(n);
        return 2.249 * (timeTimesTransmissivity / ((r * r) * Storage));
    }

    // The signed term A ln(u), negative beyond the radius of influence.
    double term(double n) const { return A * std::log(u(n)); }

    // What the well adds to a node's drawdown: the term, or 0 beyond the radius of influence.
    double contribution(double n) const { return std::max(0.0, term(n)); }
};

} // namespace drawfield
