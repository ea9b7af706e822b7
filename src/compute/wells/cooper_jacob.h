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
// The logarithm is positive only while u > 1, that is inside the radius of influence; beyond it
// the well adds nothing, so it is clamped at 0: A max(0, ln u). For a pumping well that is
// max(0, A ln u) to the bit; for a negative rate step or an injecting image it subtracts inside
// the radius and adds nothing beyond. At n = 0, the well's own position, the formula has no value:
// see the engine for what a node on a well holds.

#include <algorithm>
#include <cmath>

namespace drawfield {

struct CooperJacobWell {
    static constexpr double Pi = 3.1416; // as the formula has always taken it
    static constexpr double Constant = 2.249; // 2.25, as the formula has always written it

    double A = 0.0; // Q / ((4 pi) T), m
    double timeTimesTransmissivity = 0.0; // t T, m2
    double Storage = 0.0; // S

    CooperJacobWell() = default;
    CooperJacobWell(double rateCubicMetresPerSecond, double transmissivity, double storage,
        double pumpTimeSeconds)
        : A(rateCubicMetresPerSecond / ((4.0 * Pi) * transmissivity))
        , timeTimesTransmissivity(pumpTimeSeconds * transmissivity)
        , Storage(storage)
    {
    }

    // u for a node at squared distance n (m2); falls as n grows.
    [[nodiscard]] double u(double n) const
    {
        double r = std::sqrt(n);
        return Constant * (timeTimesTransmissivity / ((r * r) * Storage));
    }

    // The term A ln(u) unclamped: its sign is that of A inside the radius, the other beyond.
    [[nodiscard]] double term(double n) const { return A * std::log(u(n)); }

    // What the well adds to a node's drawdown: A ln u inside the radius of influence, 0 beyond.
    [[nodiscard]] double contribution(double n) const { return A * std::max(0.0, std::log(u(n))); }

    // The squared radius of influence, where u = 1 (m2); a contribution may reach a little
    // beyond it by rounding, never more than a millionth of it and 2 m2.
    [[nodiscard]] double reachSquaredMetres() const
    {
        return Constant * timeTimesTransmissivity / Storage * 1.000001 + 2.0;
    }
};

// Cooper-Jacob's straight line read the other way: the T and S of a line s = intercept + slope ln t
// (s in m, t in s) fitted to the late readings at distance r (m) of a well pumping rate (m3/s),
// with the formula's own constants, so that the line the drawdowns of T and S make gives them back:
// slope = Q / ((4 pi) T), and the line crosses s = 0 where u = 1.
struct CooperJacobLineValues {
    double transmissivity = 0.0; // m2/s
    double storage = 0.0; // S
};
[[nodiscard]] inline CooperJacobLineValues cooperJacobValuesOfLine(
    double rateCubicMetresPerSecond, double slopeMetres, double interceptMetres, double rMetres)
{
    CooperJacobLineValues values;
    values.transmissivity = rateCubicMetresPerSecond / ((4.0 * CooperJacobWell::Pi) * slopeMetres);
    values.storage = CooperJacobWell::Constant * values.transmissivity
        * std::exp(-interceptMetres / slopeMetres) / (rMetres * rMetres);
    return values;
}

} // namespace drawfield
