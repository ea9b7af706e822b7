#pragma once

// The Theis drawdown of one pumping well, the only place the formula is written:
//
//   s = A W(u),   A = Q / (4 pi T),   u = r^2 S / (4 T t) = n uPerSquareMetre
//
// Q pumping rate (m3/s), T transmissivity (m2/s), S storage coefficient (-), t time since pumping
// began (s), n = dx^2 + dy^2 the squared distance from the well to the node (m2), s the drawdown
// (m, positive downward); pi is the true pi. W is the well function, the exponential integral
// E1(u) = integral from u to infinity of e^-x / x dx: positive for every u > 0, so a Theis well
// has no radius of influence, but W falls below the smallest double near u = 708.4, and there the
// contribution is 0. Cooper-Jacob is its straight-line limit, W(u) ~ -0.5772 - ln u for small u.
//
// At n = 0, the well's own position, W has no value: see the engine for what a node on a well
// holds.

namespace drawfield {

// W(u) = E1(u), to within a few units in the last place for 1e-300 <= u <= 708; 0 beyond, +inf at
// 0. Never throws, never sets errno.
[[nodiscard]] double theisW(double u) noexcept;

// out[i] = W(u[i]) for count values (the engine's rows call it).
void theisWOf(const double* u, double* out, int count) noexcept;

// The squared distance (m2) beyond which a Theis well of the rate given adds no more than
// leastMetres (where W leaves the doubles for 0), a little beyond it, never short of it. Rows
// whose drawdown stays below Theis' with the same S take it as their reach.
[[nodiscard]] double theisReachSquared(
    double rate, double transmissivity, double storage, double elapsedSeconds, double leastMetres);

struct TheisWell {
    double A = 0.0; // Q / (4 pi T), m
    double uPerSquareMetre = 0.0; // S / (4 T t), 1/m2

    TheisWell() = default;
    TheisWell(double rateCubicMetresPerSecond, double transmissivity, double storage,
        double pumpTimeSeconds);

    [[nodiscard]] double u(double n) const { return n * uPerSquareMetre; }
    // What the well adds to a node's drawdown at squared distance n (m2): 0 or more.
    [[nodiscard]] double contribution(double n) const { return A * theisW(u(n)); }
};

} // namespace drawfield
