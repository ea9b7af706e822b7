#include "compute/wells/theis.h"

#include "compute/wells/vector_clones.h"
#include "compute/wells/well_function.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

// The rational parts may use wider vector units where the processor has them; each operation is
// exactly rounded in every instruction set, so each clone gives the same bits.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define DRAWFIELD_WELL_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define DRAWFIELD_WELL_CLONES
#endif

namespace drawfield {
namespace {

    // W(u) = E1(u) by the rational approximations of Boost.Math (boost/math/special_functions/
    // expint.hpp, 53-bit case, Boost Software License 1.0), evaluated here inline and without
    // error policies: the hot loop of a Theis map calls it for every node. Boost's own evaluation
    // holds it in the tests.
    //
    // For u <= 1: W = P(u) / Q(u) + u - ln u - Y; beyond: W = (1 + P(1/u) / Q(1/u)) e^-u / u.
    constexpr double NearY = 0.66373538970947265625;
    constexpr double NearP[6]
        = { 0.0865197248079397976498, 0.0320913665303559189999, -0.245088216639761496153,
              -0.0368031736257943745142, -0.00399167106081113256961, -0.000111507792921197858394 };
    constexpr double NearQ[6] = { 1.0, 0.37091387659397013215, 0.056770677104207528384,
        0.00427347600017103698101, 0.000131049900798434683324, -0.528611029520217142048e-6 };
    constexpr double FarP[11] = { -0.121013190657725568138e-18, -0.999999999999998811143,
        -43.3058660811817946037, -724.581482791462469795, -6046.8250112711035463,
        -27182.6254466733970467, -66598.2652345418633509, -86273.1567711649528784,
        -54844.4587226402067411, -14751.4895786128450662, -1185.45720315201027667 };
    constexpr double FarQ[12] = { 1.0, 45.3058660811801465927, 809.193214954550328455,
        7417.37624454689546708, 38129.5594484818471461, 113057.05869159631492,
        192104.047790227984431, 180329.498380501819718, 86722.3403467334749201,
        18455.4124737722049515, 1229.20784182403048905, -0.776491285282330997549 };
    // e^-u leaves the normal doubles here.
    constexpr double UnderflowU = 708.3964185322641;

    template <std::size_t N> constexpr double horner(const double (&c)[N], double x)
    {
        double sum = c[N - 1];
        for (std::size_t i = N - 1; i-- > 0;)
            sum = sum * x + c[i];
        return sum;
    }

    // The natural logarithm of a positive normal double, to within one unit in the last place,
    // by the method of fdlibm's e_log.c (Sun Microsystems, freely usable): x = 2^k m with m in
    // [sqrt(2)/2, sqrt(2)), f = m - 1, s = f / (2 + f), ln m = f - s (f - R(s^2))/2... written
    // without branches so that a row's logarithms run in the vector units. Bits are taken apart
    // with integer operations only, and k is made a double without an integer conversion.
    constexpr double Ln2High = 6.93147180369123816490e-01;
    constexpr double Ln2Low = 1.90821492927058770002e-10;
    constexpr double Lg1 = 6.666666666666735130e-01, Lg2 = 3.999999999940941908e-01,
                     Lg3 = 2.857142874366239149e-01, Lg4 = 2.222219843214978396e-01,
                     Lg5 = 1.818357216161805012e-01, Lg6 = 1.531383769920937332e-01,
                     Lg7 = 1.479819860511658591e-01;

    inline double normalLog(double x)
    {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
        const std::uint64_t mantissa = bits & 0x000fffffffffffffULL;
        // One more power of two where the mantissa lies at or beyond sqrt(2).
        const std::uint64_t carry = (mantissa + 0x00095f6400000000ULL) & 0x0010000000000000ULL;
        const double m = std::bit_cast<double>(mantissa | (carry ^ 0x3ff0000000000000ULL));
        const std::uint64_t exponent = (bits >> 52) + (carry >> 52);
        const double k
            = std::bit_cast<double>(exponent | 0x4330000000000000ULL) - 4503599627370496.0 - 1023.0;
        const double f = m - 1.0;
        const double s = f / (2.0 + f);
        const double z = s * s;
        const double w = z * z;
        const double t1 = w * (Lg2 + w * (Lg4 + w * Lg6));
        const double t2 = z * (Lg1 + w * (Lg3 + w * (Lg5 + w * Lg7)));
        const double R = t2 + t1;
        const double hfsq = 0.5 * f * f;
        return k * Ln2High - ((hfsq - (s * (hfsq + R) + k * Ln2Low)) - f);
    }

    inline double nearWell(double u)
    {
        const double log = u >= std::numeric_limits<double>::min() ? normalLog(u) : std::log(u);
        return horner(NearP, u) / horner(NearQ, u) + u - log - NearY;
    }

    inline double farFromWell(double u)
    {
        const double recip = 1.0 / u;
        return (1.0 + horner(FarP, recip) / horner(FarQ, recip)) * (std::exp(-u) * recip);
    }

} // namespace

double theisW(double u) noexcept
{
    if (u > 1.0)
        return u < UnderflowU ? farFromWell(u) : 0.0;
    if (u > 0.0)
        return nearWell(u);
    return u == 0.0 ? std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::quiet_NaN();
}

namespace {

    // W over a run of values on one side of u = 1, branch-free, so that it runs in the vector
    // units; the same operations in the same order as theisW(), so the same bits.
    DRAWFIELD_WELL_CLONES
    void nearRun(const double* u, double* out, int count)
    {
        for (int i = 0; i < count; ++i)
            out[i] = horner(NearP, u[i]) / horner(NearQ, u[i]) + u[i] - normalLog(u[i]) - NearY;
    }

    DRAWFIELD_WELL_CLONES
    void farRationals(const double* u, double* recip, double* out, int count)
    {
        for (int i = 0; i < count; ++i) {
            recip[i] = 1.0 / u[i];
            out[i] = 1.0 + horner(FarP, recip[i]) / horner(FarQ, recip[i]);
        }
    }

    void farRun(const double* u, double* out, int count, std::vector<double>& scratch)
    {
        scratch.resize(2 * static_cast<std::size_t>(count));
        double* recip = scratch.data();
        double* rational = scratch.data() + count;
        farRationals(u, recip, rational, count);
        for (int i = 0; i < count; ++i)
            out[i] = u[i] < UnderflowU ? rational[i] * (std::exp(-u[i]) * recip[i]) : 0.0;
    }

} // namespace

void theisWOf(const double* u, double* out, int count) noexcept
{
    // Runs of values on one side of u = 1 (a row's values rise from the well outward, so a row
    // is one or two runs), each through the loop for its side.
    thread_local std::vector<double> scratch;
    for (int start = 0; start < count;) {
        const bool near = u[start] <= 1.0;
        int end = start + 1;
        while (end < count && (u[end] <= 1.0) == near)
            ++end;
        if (near) {
            nearRun(u + start, out + start, end - start);
            // Values the fast logarithm does not take (0, subnormal, NaN) are done one by one.
            for (int i = start; i < end; ++i)
                if (!(u[i] >= std::numeric_limits<double>::min()))
                    out[i] = theisW(u[i]);
        } else {
            farRun(u + start, out + start, end - start, scratch);
        }
        start = end;
    }
}

namespace {

    // The u where W falls to w: the well function only falls, so a bisection finds it.
    // u for the nodes j = first .. first + count - 1 of a row at squared vertical distance d2: one
    // product per node, vectorized.
    DRAWFIELD_VECTOR_CLONES
    void uAlongRow(const TheisWell& well, int first, int count, double d2, double* out)
    {
        const double uPerSquareMetre = well.uPerSquareMetre;
        for (int i = 0; i < count; ++i) {
            double j = static_cast<double>(first + i);
            out[i] = (j * j + d2) * uPerSquareMetre;
        }
    }

    void termsFromU(const TheisWell& well, double* values, int count)
    {
        theisWOf(values, values, count);
        for (int i = 0; i < count; ++i)
            values[i] = well.A * values[i];
    }

    class TheisTerms final : public LatticeTerms {
    public:
        explicit TheisTerms(const TheisWell& well)
            : m_well(well)
        {
        }
        void alongRow(long long first, int count, double d2, double* out) const override
        {
            uAlongRow(m_well, static_cast<int>(first), count, d2, out);
            termsFromU(m_well, out, count);
        }
        void atSquaredDistances(const double* n, int count, double* out) const override
        {
            for (int i = 0; i < count; ++i)
                out[i] = m_well.u(n[i]);
            termsFromU(m_well, out, count);
        }
        [[nodiscard]] double at(double n) const override { return m_well.contribution(n); }

    private:
        TheisWell m_well;
    };

    double uWhereWellFunctionIs(double w)
    {
        double low = 0.0, high = 709.0;
        for (int i = 0; i < 100 && high - low > 1e-9 * high; ++i) {
            const double middle = (low + high) / 2;
            (theisW(middle) > w ? low : high) = middle;
        }
        return high;
    }

} // namespace

WellFunction theisRow()
{
    return { WellMethod::Theis, "theis", "Theis (exact)",
        "The exact solution for a confined aquifer, s = Q / (4 π T) W(u). Use it when the map "
        "reaches beyond the dashed line, for short pumping times or far from the wells.",
        {},
        [](const SourceTerm& term, double n, double elapsedSeconds, const Aquifer& aquifer) {
            return TheisWell(term.rate, aquifer.transmissivity, aquifer.storage, elapsedSeconds)
                .contribution(n);
        },
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer) {
            return TheisWell(term.rate, aquifer.transmissivity, aquifer.storage, 1.0).A
                * std::log(elapsedSeconds);
        },
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer,
            double leastMetres) {
            return theisReachSquared(
                term.rate, aquifer.transmissivity, aquifer.storage, elapsedSeconds, leastMetres);
        },
        [](std::span<const LatticeSource> sources, const Aquifer& aquifer) {
            std::vector<std::shared_ptr<const LatticeTerms>> terms;
            for (const LatticeSource& source : sources)
                terms.push_back(std::make_shared<TheisTerms>(TheisWell(source.term.rate,
                    aquifer.transmissivity, aquifer.storage, source.elapsedSeconds)));
            return terms;
        } };
}

double theisReachSquared(
    double rate, double transmissivity, double storage, double elapsedSeconds, double leastMetres)
{
    const TheisWell well(rate, transmissivity, storage, elapsedSeconds);
    // W reaches 0 near u = 708; a least drawdown is reached where A W(u) falls to it.
    return (leastMetres > 0.0 ? uWhereWellFunctionIs(leastMetres / std::fabs(well.A)) * 1.000001
                              : 709.0)
        / well.uPerSquareMetre;
}

TheisWell::TheisWell(
    double rateCubicMetresPerSecond, double transmissivity, double storage, double pumpTimeSeconds)
    : A(rateCubicMetresPerSecond / (4.0 * std::numbers::pi * transmissivity))
    , uPerSquareMetre(storage / (4.0 * transmissivity * pumpTimeSeconds))
{
}

} // namespace drawfield
