#pragma once

// The Hantush-Jacob drawdown of one well in a leaky aquifer (a confined aquifer below an aquitard
// that leaks, without storage in the aquitard), the only place the formula is written:
//
//   s = A W(u, beta),   A = Q / (4 pi T),   u = r^2 S / (4 T t),   beta = r / B,
//   W(u, beta) = integral from u to infinity of exp(-y - beta^2 / (4 y)) / y dy
//
// Q pumping rate (m3/s), T transmissivity (m2/s), S storage coefficient (-), t time since pumping
// began (s), r distance (m), B = sqrt(T c) the leakage factor (m), c the aquitard's resistance
// (s). W(u, 0) = E1(u), Theis's function; W(0, beta) = 2 K0(beta), de Glee's steady state, which
// the drawdown approaches as the aquitard's leakage balances the pumping.
//
// W is evaluated as W = integral from 0 to infinity of exp(-u e^v - d e^-v) dv, d = beta^2 / (4 u),
// by Gauss-Legendre panels sized to the integrand's steepness, over the stretch where it is within
// e^-45 of its peak: a relative error of about 1e-13 over the whole domain (the tests hold it to
// 1e-10 against an independent quadrature). Along r at one time d does not change, so a map
// tabulates ln W along r^2 once per source time (HantushProfile) instead of integrating at every
// node.

#include <vector>

namespace drawfield {

// W(u, beta) for u >= 0, beta >= 0: +inf at u = beta = 0, E1(u) at beta = 0 (the Theis function,
// to its last bit), 2 K0(beta) at u = 0, 0 where it falls below the smallest double.
[[nodiscard]] double hantushWellFunction(double u, double beta);

// W(u, beta) with d = beta^2 / (4 u) and the slope dW / d ln u at fixed d (W's change along r at
// one time, per unit of ln r^2), by one quadrature; u > 0, d >= 0.
struct HantushIntegral {
    double w = 0.0;
    double slope = 0.0; // <= 0
};
[[nodiscard]] HantushIntegral hantushIntegral(double u, double d);

// W along the squared distance n (m2) from a source at one time: u = n uPerSquareMetre,
// d = beta^2 / (4 u) fixed. The squared distances are cut into slots by the top bits of their
// doubles (SlotsPerOctave slots per doubling of n), and ln W is a polynomial of n in each, fitted
// at Chebyshev nodes and checked against the integral at the slot's ends and middle; a slot that
// misses the tolerance (1e-9 on ln W, so relative 1e-9 on W) is evaluated by the integral
// instead. A map's row gives ascending n, so long runs fall in one slot: the polynomial and the
// exponential then run in the vector units. 0 beyond nMax and where W leaves the doubles.
class HantushProfile {
public:
    static constexpr int SlotsPerOctave = 4;
    static constexpr int Terms = 10; // polynomial degree 9

    HantushProfile(double uPerSquareMetre, double d, double nMin, double nMax);

    [[nodiscard]] double at(double n) const;
    // out[i] = at(n[i]), for n[i] from nMin on.
    void at(const double* n, double* out, int count) const;

    [[nodiscard]] double largestSquaredDistance() const noexcept { return m_nMax; }
    [[nodiscard]] std::size_t slotCount() const noexcept { return m_slots.size(); }
    // The largest difference from ln W found by the checks, and the slots left to the integral.
    [[nodiscard]] double worstCheckedError() const noexcept { return m_worstError; }
    [[nodiscard]] int exactSlots() const noexcept { return m_exactSlots; }

private:
    struct Slot {
        double scale = 0.0, offset = 0.0; // t = n scale - offset runs over [-1, 1]
        double c[Terms] = {}; // ln W = sum of c[k] t^k
        bool exact = false;
    };
    [[nodiscard]] double lnW(double n) const;

    double m_uPerSquareMetre;
    double m_d;
    double m_nMin;
    double m_nMax = 0.0;
    long long m_firstKey = 0;
    std::vector<Slot> m_slots;
    double m_worstError = 0.0;
    int m_exactSlots = 0;
};

} // namespace drawfield
