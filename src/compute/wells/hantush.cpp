#include "compute/wells/hantush.h"

#include "compute/units.h"
#include "compute/wells/theis.h"
#include "compute/wells/well_function.h"

#include <boost/math/special_functions/bessel.hpp>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace drawfield {
namespace {

    // Gauss-Legendre, 10 nodes: abscissas and weights of the positive half.
    constexpr double LegendreX[5] = { 0.1488743389816312108848260, 0.4333953941292471907992659,
        0.6794095682990244062343274, 0.8650633666889845107320967, 0.9739065285171717200779640 };
    constexpr double LegendreW[5] = { 0.2955242247147528701738930, 0.2692667193099963550912269,
        0.2190863625159820439955349, 0.1494513491505805931457763, 0.0666713443086881375935688 };

    // The integrand is kept down to e^-Drop of its peak: far below a double's precision of W.
    constexpr double Drop = 40.0;
    // A panel spans at most this change of the exponent: 10 nodes then integrate it to about
    // 1e-13 of the panel's share (2^20 / 20!).
    constexpr double ExponentPerPanel = 4.0;

    // ln W below this: W is 0 for the map.
    constexpr double LeastLnW = -690.0;
    constexpr double ProfileTolerance = 1e-9; // on ln W, so relative on W

    // e^x for x in [-700, 709], to about 1e-15, without branches, so that a run of values goes
    // through the vector units: x = k ln 2 + r, |r| <= ln 2 / 2, e^r by its Taylor series to r^13,
    // 2^k put into the exponent bits. k is rounded by the 1.5 * 2^52 shift and read from the low
    // bits of the shifted double, so no integer conversion is needed.
    constexpr double Ln2High = 6.93147180369123816490e-01;
    constexpr double Ln2Low = 1.90821492927058770002e-10;
    inline double branchFreeExp(double x)
    {
        constexpr double Shift = 6755399441055744.0; // 1.5 * 2^52
        const double shifted = x * 1.4426950408889634074 + Shift;
        const double k = shifted - Shift;
        const double r = (x - k * Ln2High) - k * Ln2Low;
        // e^r = sum of r^k / k! for k = 0 .. 13, by Horner's rule from the highest power.
        constexpr double InverseFactorials[] = { 1.0, 1.0, 1.0 / 2, 1.0 / 6, 1.0 / 24, 1.0 / 120,
            1.0 / 720, 1.0 / 5040, 1.0 / 40320, 1.0 / 362880, 1.0 / 3628800, 1.0 / 39916800,
            1.0 / 479001600, 1.0 / 6227020800.0 };
        double p = InverseFactorials[13];
        for (int degree = 12; degree >= 0; --degree)
            p = InverseFactorials[degree] + r * p;
        const std::uint64_t power = (std::bit_cast<std::uint64_t>(shifted) + 1023) << 52;
        return p * std::bit_cast<double>(power);
    }

    // Chebyshev coefficients on [-1, 1] to the monomial ones of the same polynomial.
    template <int N> void chebyshevToMonomial(const double (&chebyshev)[N], double (&monomial)[N])
    {
        double previous[N] = {}, current[N] = {}, next[N] = {};
        previous[0] = 1.0; // T0
        current[1] = 1.0; // T1
        for (double& m : monomial)
            m = 0.0;
        monomial[0] += 0.5 * chebyshev[0];
        if (N > 1)
            monomial[1] += chebyshev[1];
        for (int k = 2; k < N; ++k) {
            // T(k) = 2 t T(k-1) - T(k-2)
            for (int i = 0; i < N; ++i)
                next[i] = (i > 0 ? 2.0 * current[i - 1] : 0.0) - previous[i];
            for (int i = 0; i < N; ++i) {
                monomial[i] += chebyshev[k] * next[i];
                previous[i] = current[i];
                current[i] = next[i];
            }
        }
    }

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define DRAWFIELD_PROFILE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define DRAWFIELD_PROFILE_CLONES
#endif

    // A run of squared distances in one slot: the polynomial and the exponential, branch-free.
    DRAWFIELD_PROFILE_CLONES
    void slotRun(
        const double* c, double scale, double offset, const double* n, double* out, int count)
    {
        for (int i = 0; i < count; ++i) {
            const double t = n[i] * scale - offset;
            static_assert(LnWTable::Terms == 10);
            const double p = c[0]
                + t
                    * (c[1]
                        + t
                            * (c[2]
                                + t
                                    * (c[3]
                                        + t
                                            * (c[4]
                                                + t
                                                    * (c[5]
                                                        + t
                                                            * (c[6]
                                                                + t
                                                                    * (c[7]
                                                                        + t
                                                                            * (c[8]
                                                                                + t * c[9]))))))));
            out[i] = branchFreeExp(p); // p >= ln W at nMax, about LeastLnW
        }
    }

    long long slotKey(double n)
    {
        return static_cast<long long>(std::bit_cast<std::uint64_t>(n) >> 50);
    }
    double slotStart(long long key)
    {
        return std::bit_cast<double>(static_cast<std::uint64_t>(key) << 50);
    }

} // namespace

HantushIntegral hantushIntegral(double u, double d)
{
    // W = integral over v >= 0 of exp(phi(v)), phi(v) = -u e^v - d e^-v, whose peak is at
    // v* = ln(d / u) / 2 when d > u, else at 0.
    if (!(u > 0.0) || !std::isfinite(d))
        return { std::numeric_limits<double>::quiet_NaN(),
            std::numeric_limits<double>::quiet_NaN() };
    // Where d / u leaves the doubles (u below about 1e-150) the peak is taken from the
    // logarithms, and the integrand's two terms are computed as exponentials of sums, which
    // cannot overflow on the way; elsewhere the products as they stand.
    const bool extreme = !std::isfinite(d / u) || !(u > 1e-300);
    const double lnU = extreme ? std::log(u) : 0.0;
    const double lnD = extreme && d > 0.0 ? std::log(d) : 0.0;
    auto rising
        = [u, lnU, extreme](double v) { return extreme ? std::exp(lnU + v) : u * std::exp(v); };
    auto falling = [d, lnD, extreme](double v) {
        return extreme ? (d > 0.0 ? std::exp(lnD - v) : 0.0) : d * std::exp(-v);
    };
    auto phi = [&](double v) { return -rising(v) - falling(v); };
    auto steepness = [&](double v) { return std::fabs(falling(v) - rising(v)); };
    const double peak = d > u ? (extreme ? 0.5 * (lnD - lnU) : 0.5 * std::log(d / u)) : 0.0;
    const double top = phi(peak);
    if (top < -745.0)
        return {}; // below the smallest double
    // Beyond these the integrand is below e^-Drop of its peak: u e^v alone exceeds it on the
    // right, d e^-v on the left.
    const double high
        = std::max(peak, extreme ? std::log(Drop - top) - lnU : std::log((Drop - top) / u));
    const double low = d > 0.0
        ? std::clamp(extreme ? lnD - std::log(Drop - top) : std::log(d / (Drop - top)), 0.0, peak)
        : 0.0;

    HantushIntegral sum;
    for (double from = low; from < high;) {
        // The steepness is largest at one end of a panel (a sum of two exponentials).
        double width = std::min(1.0, high - from);
        for (int i = 0; i < 4; ++i) {
            const double slope = std::max(steepness(from), steepness(from + width));
            if (slope * width <= ExponentPerPanel)
                break;
            width = ExponentPerPanel / slope;
        }
        const double middle = from + 0.5 * width, half = 0.5 * width;
        double w = 0.0, slope = 0.0;
        for (int k = 0; k < 5; ++k)
            for (double side : { -1.0, 1.0 }) {
                const double v = middle + side * half * LegendreX[k];
                const double ue = rising(v);
                const double value = std::exp(-ue - falling(v));
                w += LegendreW[k] * value;
                slope -= LegendreW[k] * ue * value;
            }
        sum.w += half * w;
        sum.slope += half * slope;
        from += width;
    }
    return sum;
}

double hantushWellFunction(double u, double beta)
{
    if (beta == 0.0)
        return theisW(u);
    if (u == 0.0)
        return 2.0 * boost::math::cyl_bessel_k(0, beta);
    const double d = beta * beta / (4.0 * u);
    if (!std::isfinite(d))
        return 2.0 * boost::math::cyl_bessel_k(0, beta);
    return hantushIntegral(u, d).w;
}

LnWTable::LnWTable(LnW lnW, double vMin, double vMax, const LnW& building)
    : m_lnW(std::move(lnW))
    , m_vMax(vMax)
    , m_firstKey(slotKey(vMin))
{
    const LnW& valueOf = building ? building : m_lnW;
    // A table that ends on a slot's start ends with the slot before: no slot is empty.
    long long lastKey = slotKey(m_vMax);
    if (lastKey > m_firstKey && slotStart(lastKey) == m_vMax)
        --lastKey;
    double startValue = valueOf(slotStart(m_firstKey));
    for (long long key = m_firstKey; key <= lastKey; ++key) {
        Slot slot;
        // The last slot is fitted up to the table's end, where W still has a logarithm.
        const double start = slotStart(key), end = std::min(slotStart(key + 1), m_vMax);
        slot.scale = 2.0 / (end - start);
        slot.offset = (start + end) / (end - start);
        auto vOf = [&](double t) { return 0.5 * ((end - start) * t + (start + end)); };
        double values[Terms], chebyshev[Terms];
        for (int k = 0; k < Terms; ++k)
            values[k] = valueOf(vOf(std::cos(std::numbers::pi * (k + 0.5) / Terms)));
        for (int j = 0; j < Terms; ++j) {
            double sum = 0.0;
            for (int k = 0; k < Terms; ++k)
                sum += values[k] * std::cos(std::numbers::pi * j * (k + 0.5) / Terms);
            chebyshev[j] = 2.0 * sum / Terms;
        }
        chebyshevToMonomial(chebyshev, slot.c);
        // Checked at both ends and in the middle, where an interpolation errs most.
        const double endValue = valueOf(end);
        double worst = 0.0;
        for (auto [t, exact] :
            { std::pair { -1.0, startValue }, { 0.0, valueOf(vOf(0.0)) }, { 1.0, endValue } }) {
            if (!(exact > LeastLnW))
                continue; // an end beyond the table, where W leaves the doubles
            double p = slot.c[Terms - 1];
            for (int k = Terms - 2; k >= 0; --k)
                p = p * t + slot.c[k];
            worst = std::max(worst, std::fabs(p - exact));
        }
        // A value without a logarithm among the nodes (W out of the doubles) fails the check.
        bool finite = true;
        for (double value : values)
            finite = finite && std::isfinite(value);
        // A table of one argument has a slot of no width: the integral gives its value.
        slot.exact = !(worst <= ProfileTolerance) || !finite || !(end > start);
        m_exactSlots += slot.exact ? 1 : 0;
        m_worstError = std::max(m_worstError, slot.exact ? 0.0 : worst);
        m_slots.push_back(slot);
        startValue = endValue;
    }
}

long long LnWTable::slotOf(double v) const
{
    const auto lastKey = m_firstKey + static_cast<long long>(m_slots.size()) - 1;
    return std::clamp(slotKey(v), m_firstKey, lastKey);
}

void LnWTable::at(const double* v, double* out, int count) const
{
    for (int i = 0; i < count;) {
        if (m_slots.empty() || !(v[i] <= m_vMax)) {
            out[i++] = 0.0;
            continue;
        }
        const long long key = slotOf(v[i]);
        int end = i + 1;
        while (end < count && v[end] <= m_vMax && slotOf(v[end]) == key)
            ++end;
        const Slot& slot = m_slots[static_cast<std::size_t>(key - m_firstKey)];
        if (slot.exact) {
            for (int j = i; j < end; ++j) {
                const double w = m_lnW(v[j]);
                out[j] = w > LeastLnW ? std::exp(w) : 0.0;
            }
        } else {
            slotRun(slot.c, slot.scale, slot.offset, v + i, out + i, end - i);
        }
        i = end;
    }
}

namespace {

    double lnOf(double w)
    {
        return w > 0.0 ? std::log(w) : -std::numeric_limits<double>::infinity();
    }

    // Where W leaves the doubles between an argument where it has a logarithm (inside) and one
    // where it has none (outside), by bisection: the last argument found inside.
    template <class LnW> double lastInside(const LnW& lnW, double inside, double outside)
    {
        for (int i = 0; i < 200 && std::fabs(outside - inside) > 1e-9 * std::max(inside, outside);
             ++i) {
            const double middle = 0.5 * (inside + outside);
            (lnW(middle) > LeastLnW ? inside : outside) = middle;
        }
        return inside;
    }

} // namespace

HantushProfile::HantushProfile(double uPerSquareMetre, double d, double nMin, double nMax)
{
    auto lnW = [uPerSquareMetre, d](
                   double n) { return lnOf(hantushIntegral(uPerSquareMetre * n, d).w); };
    // W only falls along r: the profile ends where it leaves the doubles (or at nMax).
    double low = nMin, high = std::min(nMax, 745.0 / uPerSquareMetre);
    if (!(nMin > 0.0) || !(lnW(low) > LeastLnW))
        return;
    if (!(lnW(high) > LeastLnW))
        high = lastInside(lnW, low, high);
    m_nMax = high;
    m_table = LnWTable(lnW, nMin, m_nMax);
}

double HantushProfile::at(double n) const
{
    double out = 0.0;
    at(&n, &out, 1);
    return out;
}

HantushHistory::HantushHistory(double squaredDistance, double transmissivity, double storage,
    double leakageFactorMetres, double tMinSeconds, double tMaxSeconds)
{
    const double uTimesT = squaredDistance * storage / (4.0 * transmissivity);
    const double dPerT = transmissivity / (storage * leakageFactorMetres * leakageFactorMetres);
    auto lnW
        = [uTimesT, dPerT](double t) { return lnOf(hantushIntegral(uTimesT / t, dPerT * t).w); };
    // W only rises with time: the table starts where it enters the doubles (or at tMin).
    double low = tMinSeconds, high = tMaxSeconds;
    if (!(low > 0.0) || !(high >= low) || !(lnW(high) > LeastLnW))
        return;
    if (!(lnW(low) > LeastLnW))
        low = lastInside(lnW, high, low);
    m_tFrom = low;
    m_table = LnWTable(lnW, low, tMaxSeconds);
}

void HantushHistory::at(const double* elapsedSeconds, double* out, int count) const
{
    m_table.at(elapsedSeconds, out, count);
    for (int i = 0; i < count; ++i)
        if (!(elapsedSeconds[i] >= m_tFrom))
            out[i] = 0.0;
}

} // namespace drawfield

namespace drawfield {
namespace {

    // The row's parameters: the leakage factor B = sqrt(T c), c the aquitard's resistance.
    enum : std::size_t { LeakageFactor };
    constexpr WellParameter Parameters[] = {
        { "leakage_factor", "B", "Leakage factor", "m", "m", Quantity::Length,
            ParameterScope::Aquifer, 0.01, 1e7, 1.0, std::nullopt, FitScale::Log,
            "B = \u221a(T c), c the aquitard's resistance: the larger, the less it leaks." },
    };

    double leakageFactorOf(const Aquifer& aquifer) { return aquifer.values.at(LeakageFactor); }

    // u per square metre of n, and d = beta^2 / (4 u) = T t / (S B^2), at one time.
    struct Leaky {
        double uPerSquareMetre, d, A;
        Leaky(double rate, double elapsedSeconds, const Aquifer& aquifer)
            : uPerSquareMetre(aquifer.storage / (4.0 * aquifer.transmissivity * elapsedSeconds))
            , d(aquifer.transmissivity * elapsedSeconds
                  / (aquifer.storage * leakageFactorOf(aquifer) * leakageFactorOf(aquifer)))
            , A(rate / (4.0 * std::numbers::pi * aquifer.transmissivity))
        {
        }
        [[nodiscard]] double w(double n) const { return hantushIntegral(uPerSquareMetre * n, d).w; }
    };

    // W underflows beyond this u, whatever the leakage (W(u, beta) <= E1(u)).
    constexpr double LastU = 745.0;

    // What a source of unit rate adds along r at one time, tabulated once for every source of
    // that time: the quadrature at every node of a map would cost far too much.
    class UnitProfile {
    public:
        UnitProfile(const Leaky& leaky, double transmissivity, double nMin, double nMax)
            : m_profile(leaky.uPerSquareMetre, leaky.d, nMin, nMax)
            , m_scale(1.0 / (4.0 * std::numbers::pi * transmissivity))
        {
        }
        void unitDrawdowns(const double* n, double* out, int count) const
        {
            m_profile.at(n, out, count);
            for (int i = 0; i < count; ++i)
                out[i] *= m_scale;
        }

    private:
        HantushProfile m_profile;
        double m_scale;
    };

    // A source's terms on the lattice: its time's unit profile times its rate.
    class ProfileTerms final : public LatticeTerms {
    public:
        ProfileTerms(std::shared_ptr<const UnitProfile> profile, double rate)
            : m_profile(std::move(profile))
            , m_rate(rate)
        {
        }
        void alongRow(long long first, int count, double d2, double* out) const override
        {
            double* n = out + count;
            for (int i = 0; i < count; ++i) {
                const double j = static_cast<double>(first + i);
                n[i] = std::max(1.0, j * j + d2); // the source's own node is settled apart
            }
            atSquaredDistances(n, count, out);
        }
        void atSquaredDistances(const double* n, int count, double* out) const override
        {
            m_profile->unitDrawdowns(n, out, count);
            for (int i = 0; i < count; ++i)
                out[i] *= m_rate;
        }
        [[nodiscard]] double at(double n) const override
        {
            double term = 0.0;
            atSquaredDistances(&n, 1, &term);
            return term;
        }

    private:
        std::shared_ptr<const UnitProfile> m_profile;
        double m_rate;
    };

    // One profile per source time (and per set of bore values, were there any), over the squared
    // distances that every source of that time asks for.
    std::vector<std::shared_ptr<const LatticeTerms>> latticeTerms(
        std::span<const LatticeSource> sources, const Aquifer& aquifer)
    {
        using Key = std::pair<double, std::vector<double>>;
        struct Span {
            double nMin = std::numeric_limits<double>::infinity(), nMax = 0.0;
        };
        auto keyOf = [](const LatticeSource& source) {
            return Key { source.elapsedSeconds,
                std::vector<double>(source.term.bore.begin(), source.term.bore.end()) };
        };
        std::map<Key, Span> spans;
        for (const LatticeSource& source : sources) {
            Span& span = spans[keyOf(source)];
            span.nMin = std::min(span.nMin, source.nMin);
            span.nMax = std::max(span.nMax, source.nMax);
        }
        std::map<Key, std::shared_ptr<const UnitProfile>> profiles;
        for (const auto& [key, span] : spans)
            profiles[key] = std::make_shared<UnitProfile>(Leaky(1.0, key.first, aquifer),
                aquifer.transmissivity, span.nMin, std::max(span.nMax, span.nMin * 2.0));
        std::vector<std::shared_ptr<const LatticeTerms>> terms;
        for (const LatticeSource& source : sources)
            terms.push_back(
                std::make_shared<ProfileTerms>(profiles.at(keyOf(source)), source.term.rate));
        return terms;
    }

    class UnitHistory : public TimeProfile {
    public:
        UnitHistory(double n, const Aquifer& aquifer, double tMin, double tMax)
            : m_history(
                n, aquifer.transmissivity, aquifer.storage, leakageFactorOf(aquifer), tMin, tMax)
            , m_scale(1.0 / (4.0 * std::numbers::pi * aquifer.transmissivity))
        {
        }
        void unitDrawdowns(const double* elapsed, double* out, int count) const override
        {
            m_history.at(elapsed, out, count);
            for (int i = 0; i < count; ++i)
                out[i] *= m_scale;
        }

    private:
        HantushHistory m_history;
        double m_scale;
    };

} // namespace

WellFunction hantushRow()
{
    return { WellMethod::Hantush, "hantush", "Hantush (leaky)",
        "A confined aquifer below an aquitard that leaks (no storage in the aquitard): "
        "s = Q / (4 π T) W(u, r / B), B = √(T c) the leakage factor. The drawdown levels off as "
        "the leakage balances the pumping.",
        Parameters,
        [](const SourceTerm& term, double n, double elapsedSeconds, const Aquifer& aquifer) {
            const Leaky leaky(term.rate, elapsedSeconds, aquifer);
            return leaky.A * leaky.w(n);
        },
        // Near the bore W = 2 K0(r / B) - W(d, r / B): the part that changes with time is -E1(d).
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer) {
            const Leaky leaky(term.rate, elapsedSeconds, aquifer);
            return -leaky.A * theisW(leaky.d);
        },
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer,
            double leastMetres) {
            const Leaky leaky(term.rate, elapsedSeconds, aquifer);
            double low = 0.0, high = LastU / leaky.uPerSquareMetre;
            if (!(leastMetres > 0.0))
                return high;
            // W only falls along r: a bisection finds where |A| W falls to leastMetres.
            for (int i = 0; i < 100 && high - low > 1e-9 * high; ++i) {
                const double middle = 0.5 * (low + high);
                (std::fabs(leaky.A) * leaky.w(middle) > leastMetres ? low : high) = middle;
            }
            return high * 1.000001;
        },
        latticeTerms,
        [](const SourceTerm&, double n, const Aquifer& aquifer, double tMin,
            double tMax) -> std::shared_ptr<const TimeProfile> {
            return std::make_shared<UnitHistory>(n, aquifer, tMin, tMax);
        },
        // c = B^2 / T, the aquitard's resistance, in days as hydrogeologists give it.
        [](const Aquifer& aquifer) {
            const double days = leakageFactorOf(aquifer) * leakageFactorOf(aquifer)
                / aquifer.transmissivity / SecondsPerDay;
            return std::vector<ReportLine> { { "Aquitard resistance c", reportNumber(days), "d" } };
        } };
}

} // namespace drawfield
