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
// node; curves and fits tabulate it along time once per distance (HantushHistory).

#include <functional>
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

// ln W tabulated over a positive argument v (a squared distance at one time, or a time at one
// distance) from vMin to vMax. The arguments are cut into slots by the top bits of their doubles
// (SlotsPerOctave slots per doubling of v), and ln W is a polynomial of v in each, fitted at
// Chebyshev nodes and checked against the integral at the slot's ends and middle; a slot that
// misses the tolerance (1e-9 on ln W, so relative 1e-9 on W) is evaluated by the integral instead.
// Ascending arguments fall in long runs per slot: the polynomial and the exponential then run in
// the vector units. W is 0 beyond vMax; below vMin the first slot's polynomial is used.
class LnWTable {
public:
    static constexpr int SlotsPerOctave = 4;
    static constexpr int Terms = 10; // polynomial degree 9
    using LnW = std::function<double(double)>; // ln W at v: an integral

    LnWTable() = default;
    // `building`, where given, gives the same values by a way cheaper for many of them (an
    // inversion shared by a range of times): the slots are fitted and checked on it, and a slot
    // that fails its check is left to lnW.
    LnWTable(LnW lnW, double vMin, double vMax, const LnW& building = {});

    // out[i] = W at v[i].
    void at(const double* v, double* out, int count) const;

    [[nodiscard]] bool empty() const noexcept { return m_slots.empty(); }
    [[nodiscard]] std::size_t slotCount() const noexcept { return m_slots.size(); }
    // The largest difference from ln W found by the checks, and the slots left to the integral.
    [[nodiscard]] double worstCheckedError() const noexcept { return m_worstError; }
    [[nodiscard]] int exactSlots() const noexcept { return m_exactSlots; }

private:
    struct Slot {
        double scale = 0.0, offset = 0.0; // t = v scale - offset runs over [-1, 1]
        double c[Terms] = {}; // ln W = sum of c[k] t^k
        bool exact = false;
    };
    // The slot of v (vMin <= v <= vMax): the table's end falls in its last slot.
    [[nodiscard]] long long slotOf(double v) const;

    LnW m_lnW;
    double m_vMax = 0.0;
    long long m_firstKey = 0;
    std::vector<Slot> m_slots;
    double m_worstError = 0.0;
    int m_exactSlots = 0;
};

// W along the squared distance n (m2) from a source at one time: u = n uPerSquareMetre,
// d = beta^2 / (4 u) fixed; a table from nMin to where W leaves the doubles (or nMax). A map's
// row gives ascending n, so long runs fall in one slot.
class HantushProfile {
public:
    HantushProfile(double uPerSquareMetre, double d, double nMin, double nMax);

    [[nodiscard]] double at(double n) const;
    // out[i] = at(n[i]), for n[i] from nMin on.
    void at(const double* n, double* out, int count) const { m_table.at(n, out, count); }

    [[nodiscard]] double largestSquaredDistance() const noexcept { return m_nMax; }
    [[nodiscard]] const LnWTable& table() const noexcept { return m_table; }

private:
    double m_nMax = 0.0;
    LnWTable m_table;
};

// W at one squared distance over the time since a source began: u = r^2 S / (4 T t) and
// d = T t / (S B^2), beta = r / B fixed; a table from where W enters the doubles (or tMin) to
// tMax, 0 before. Curves and fits read a point at many times: one table per distance serves them
// all, instead of an integral per time.
class HantushHistory {
public:
    HantushHistory(double squaredDistance, double transmissivity, double storage,
        double leakageFactorMetres, double tMinSeconds, double tMaxSeconds);

    // out[i] = W at elapsed[i] (s, ascending or not).
    void at(const double* elapsedSeconds, double* out, int count) const;
    [[nodiscard]] const LnWTable& table() const noexcept { return m_table; }

private:
    double m_tFrom = 0.0; // W is 0 before
    LnWTable m_table;
};

} // namespace drawfield
