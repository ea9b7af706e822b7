// Neuman's delayed yield against its limits (Theis with S early, with S + Sy late), against an
// independent inversion of its transform, and the map and the curves against the point values.

#include "compute/engine/drawdown_engine.h"
#include "compute/observations.h"
#include "compute/sources.h"
#include "compute/wells/hantush.h"
#include "compute/wells/neuman.h"
#include "compute/wells/partial_penetration.h"
#include "compute/wells/theis.h"
#include "scenario/scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <optional>
#include <random>

using namespace drawfield;

namespace {

// Stehfest's inversion with the roots of eps tan eps = c found by bisection: another inversion
// and another root finder than the program's, good to about 1e-4 (but early, where W is small).
double stehfestNeuman(double u, double sigma, double beta)
{
    constexpr int N = 12;
    auto factorial = [](int k) { return std::tgamma(k + 1.0); };
    const double t = 0.25 / u, ln2 = std::log(2.0);
    double sum = 0.0;
    for (int i = 1; i <= N; ++i) {
        double v = 0.0;
        for (int k = (i + 1) / 2; k <= std::min(i, N / 2); ++k)
            v += std::pow(k, N / 2) * factorial(2 * k)
                / (factorial(N / 2 - k) * factorial(k) * factorial(k - 1) * factorial(i - k)
                    * factorial(2 * k - i));
        v *= ((i + N / 2) % 2 == 0) ? 1.0 : -1.0;
        const double p = i * ln2 / t;
        const double c = p / (sigma * beta);
        double transform = 0.0;
        for (int n = 0; n < 200000; ++n) {
            double low = n * std::numbers::pi + (n == 0 ? 0.0 : 1e-15),
                   high = n * std::numbers::pi + std::numbers::pi / 2 - 1e-15;
            for (int j = 0; j < 200; ++j) {
                const double middle = 0.5 * (low + high);
                (middle * std::tan(middle) < c ? low : high) = middle;
            }
            const double eps = 0.5 * (low + high);
            const double w = 2.0 * c * c / (eps * eps * (eps * eps + c * c + c));
            const double q = std::sqrt(p + beta * eps * eps);
            const double term = w * std::cyl_bessel_k(0.0, q);
            transform += term;
            if (q > 40.0 && term < 1e-18 * transform)
                break;
        }
        sum += v * 2.0 * transform / p;
    }
    return sum * ln2 / t;
}

} // namespace

TEST(NeumanWellFunction, LateTimesAreTheisWithBothStorages)
{
    for (double beta : { 0.001, 0.1, 1.0, 4.0 })
        for (double sigma : { 1e-3, 0.1, 1.0 }) {
            // Well past the drainage: u's of S + Sy below 1e-5 of beta's reach.
            for (double uLate : { 1e-8, 1e-7 }) {
                const double u = uLate * sigma / (1.0 + sigma);
                EXPECT_NEAR(neumanWellFunction(u, sigma, beta) / theisW(uLate), 1.0, 1e-6)
                    << "beta " << beta << " sigma " << sigma << " u " << u;
            }
        }
}

// Early, only the top of the aquifer (a depth sqrt(Kz t / Ss)) feels the water table: the
// depth-averaged drawdown falls short of Theis' with S by a part that goes as sqrt(beta) at one u
// and vanishes with it.
TEST(NeumanWellFunction, EarlyTimesAreTheisWithTheElasticStorage)
{
    for (double u : { 10.0, 1.0 }) {
        auto shortfall
            = [u](double beta) { return 1.0 - neumanWellFunction(u, 0.01, beta) / theisW(u); };
        EXPECT_NEAR(shortfall(1e-6) / shortfall(1e-4), 0.1, 0.005) << "u " << u;
        EXPECT_LT(shortfall(1e-6), 1e-3) << "u " << u;
        EXPECT_GT(shortfall(1e-6), 0.0) << "u " << u;
    }
}

TEST(NeumanWellFunction, AgreesWithStehfestAndRealRoots)
{
    for (double beta : { 0.01, 0.3, 3.0 })
        for (double sigma : { 1e-3, 0.05 })
            for (double u : { 0.3, 1e-2, 1e-3, 1e-4, 1e-5 }) {
                const double w = neumanWellFunction(u, sigma, beta);
                EXPECT_NEAR(stehfestNeuman(u, sigma, beta) / w, 1.0, 1e-3)
                    << "u " << u << " sigma " << sigma << " beta " << beta;
            }
}

// The roots the transform sums, against every root a grid of Newton starts finds (another way
// to find them): the same set, each once. Past the imaginary axis one root leaves the real axis
// for about -i c, and a root finder started near n pi loses it and counts a neighbour twice.
TEST(NeumanWellFunction, TheFreeSurfaceRootsAreEachRootOnce)
{
    using Complex = std::complex<double>;
    auto newton = [](Complex c, Complex eps) -> std::optional<Complex> {
        for (int i = 0; i < 80; ++i) {
            const Complex step = (eps * std::sin(eps) - c * std::cos(eps))
                / ((1.0 + c) * std::sin(eps) + eps * std::cos(eps));
            eps -= step;
            if (!std::isfinite(std::abs(eps)))
                return std::nullopt;
            if (std::abs(step) < 1e-13 * std::abs(eps))
                return eps.real() < 0.0 || (eps.real() == 0.0 && eps.imag() < 0.0) ? -eps : eps;
        }
        return std::nullopt;
    };
    for (double size : { 0.05, 0.7, 3.0, 12.0, 60.0 })
        for (double turn : { 0.0, 0.25, 0.5, 0.52, 0.56, 0.75, 0.93 }) {
            const Complex c = std::polar(size, turn * std::numbers::pi);
            const double reach = std::max(30.0, 2.0 * size);
            std::vector<Complex> grid;
            for (double re = 0.0; re < reach + 8.0; re += 0.4)
                for (double im = -3.0; im < 1.2 * size + 3.0; im += 0.4)
                    if (const auto root = newton(c, { re, im }); root && std::abs(*root) < reach)
                        if (std::none_of(grid.begin(), grid.end(),
                                [&](Complex g) { return std::abs(g - *root) < 1e-7; }))
                            grid.push_back(*root);
            std::vector<Complex> roots;
            for (Complex eps : freeSurfaceRoots(c, static_cast<int>(reach) + 8))
                if (std::abs(eps) < reach)
                    roots.push_back(eps.real() < 0.0 ? -eps : eps);
            EXPECT_EQ(roots.size(), grid.size()) << "c = " << c;
            for (Complex eps : roots) {
                EXPECT_EQ(std::count_if(grid.begin(), grid.end(),
                              [&](Complex g) { return std::abs(g - eps) < 1e-7; }),
                    1)
                    << "c = " << c << ", root " << eps;
            }
        }
}

// The late drawdown of the example's aquifer along time: its slope on log axes changes
// smoothly (a root counted twice once changed it by half between neighbours 5 % apart).
TEST(NeumanWellFunction, TheDrawdownIsSmoothAlongTime)
{
    const NeumanAquifer aquifer { 0.002, 5e-4, 0.15, 0.2, 20.0 };
    auto slope = [&](double r, double t) {
        return (std::log(neumanUnitDrawdown(aquifer, r, t * 1.001))
                   - std::log(neumanUnitDrawdown(aquifer, r, t / 1.001)))
            / (2.0 * std::log(1.001));
    };
    for (double r : { 10.0, 40.0 })
        for (double t = 1e4; t < 2e5; t *= 1.05) {
            const double between = 0.5 * (slope(r, t / 1.05) + slope(r, t * 1.05));
            EXPECT_NEAR(slope(r, t), between, 0.01 * between) << "r " << r << " t " << t;
        }
}

// A bore screened over part of the thickness, read at one depth or over part of it.
namespace {

struct PartialCase {
    Interval screen, read;
    double r;
};
constexpr double PartialT = 0.002, PartialB = 20.0, PartialKd = 0.2;
constexpr PartialCase PartialCases[] = {
    { { 0, 5 }, { 12, 12 }, 10 }, // shallow screen, deep piezometer
    { { 10, 20 }, { 2, 2 }, 10 }, // deep screen, shallow piezometer
    { { 5, 8 }, { 0, 20 }, 15 }, // read over the whole thickness
    { { 0, 20 }, { 3, 3 }, 10 }, // a fully penetrating bore read at one depth
    { { 5, 8 }, { 6, 6 }, 3 }, // near the screen, at its depth
    { { 12, 12.5 }, { 4, 9 }, 40 }, // a short screen read over a part
    { { 0, 20 }, { 0, 20 }, 10 }, // fully penetrating, the depth average: Neuman's type A curve
};

// Where the water table holds (Sy >> S: early, before it drains) the aquifer has a fixed head on
// top and none through its base: Hantush's series over the eigenfunctions cos((n + 1/2) pi z/b),
// 4 pi T s / Q = sum of 2 F_n G_n W(u, beta_n), beta_n = (n + 1/2) pi r sqrt(Kd) / b.
double heldWaterTable(double u, const PartialCase& c)
{
    auto factor = [](Interval depths, double lambda) {
        const double low = 1.0 - depths.bottom / PartialB, high = 1.0 - depths.top / PartialB;
        if (high - low < 1e-12)
            return std::cos(lambda * low);
        return (std::sin(lambda * high) - std::sin(lambda * low)) / (lambda * (high - low));
    };
    double sum = 0.0;
    for (int n = 0;; ++n) {
        const double lambda = (n + 0.5) * std::numbers::pi;
        const double beta = lambda * c.r * std::sqrt(PartialKd) / PartialB;
        if (beta > 40.0)
            return sum;
        sum += 2.0 * factor(c.screen, lambda) * factor(c.read, lambda)
            * hantushWellFunction(u, beta);
    }
}

double partialW(const NeumanAquifer& a, const PartialCase& c, double u, double storage)
{
    const double t = c.r * c.r * storage / (4.0 * PartialT * u);
    return 4.0 * std::numbers::pi * PartialT * neumanUnitDrawdown(a, c.r, t, c.screen, c.read);
}

} // namespace

TEST(NeumanPartialPenetration, EarlyTheWaterTableHolds)
{
    const NeumanAquifer a { PartialT, 1e-11, 1.0, PartialKd, PartialB };
    for (const PartialCase& c : PartialCases)
        for (double u : { 1.0, 0.1, 1e-2, 1e-3 }) {
            const double held = heldWaterTable(u, c);
            EXPECT_NEAR(partialW(a, c, u, a.storage) / held, 1.0, 1e-8)
                << c.screen.top << "-" << c.screen.bottom << " read " << c.read.top << "-"
                << c.read.bottom << " u " << u;
        }
}

// Late, drained: Hantush's partial penetration (1961) with S + Sy, the gap shrinking with u.
TEST(NeumanPartialPenetration, LateItIsHantushsWithBothStorages)
{
    const NeumanAquifer a { PartialT, 1e-5, 0.3, PartialKd, PartialB };
    for (const PartialCase& c : PartialCases) {
        auto gap = [&](double u) {
            const double hantush
                = theisW(u) + partialPenetrationTerm(u, c.r, PartialB, PartialKd, c.screen, c.read);
            return std::fabs(partialW(a, c, u, a.storage + a.specificYield) / hantush - 1.0);
        };
        const double before = gap(1e-6), after = gap(1e-7);
        EXPECT_LT(after, 1e-6) << c.screen.top << "-" << c.screen.bottom << " r " << c.r;
        EXPECT_LT(after, 0.2 * before + 1e-12) << c.screen.top << "-" << c.screen.bottom;
    }
}

// A screen a hair short of the thickness takes the weights of a part, in sines of the screen and
// of the part read: they sum to the depth average's closed form, early (the roots far off the
// real axis) and late.
TEST(NeumanPartialPenetration, AScreenOfTheWholeThicknessIsTheDepthAverage)
{
    const NeumanAquifer a { PartialT, 5e-4, 0.15, PartialKd, PartialB };
    const Interval almost { 0.0, PartialB * (1.0 - 1e-12) };
    for (double r : { 3.0, 30.0 })
        for (double t : { 1.0, 60.0, 3600.0, 1e6 }) {
            const double whole = neumanUnitDrawdown(a, r, t);
            EXPECT_NEAR(neumanUnitDrawdown(a, r, t, almost), whole, 1e-9 * whole) << r << " " << t;
            EXPECT_NEAR(neumanUnitDrawdown(a, r, t, WholeThickness, almost), whole, 1e-9 * whole)
                << r << " " << t;
        }
}

// The map's table along r and the curves' table along t hold the point values, with a rate step
// and a second bore; the bores screened over the whole thickness or over part of it.
TEST(NeumanMap, TheMapAndTheCurvesHoldThePointValues)
{
    for (bool partial : { false, true }) {
        SCOPED_TRACE(partial ? "partly screened" : "fully penetrating");
        ScenarioTexts texts;
        texts.method = "neuman";
        texts.transmissivity = "0.002";
        texts.storage = "0.05"; // S = 5e-4
        texts.aquiferParameters["specific_yield"] = "15";
        texts.aquiferParameters["anisotropy"] = "0.2";
        texts.thickness = "20";
        texts.pumpTime = "6";
        texts.bores[0] = { "50", "50", "36" };
        texts.bores[0].schedule = "2:20";
        texts.bores[1] = { "70", "30", "20" };
        if (partial) {
            texts.bores[0].parameters["screen_top"] = "4";
            texts.bores[0].parameters["screen_bottom"] = "9";
            texts.bores[1].parameters["screen_top"] = "15";
        }
        const ScenarioReading reading = readScenario(texts);
        ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
        const ScenarioInputs& in = reading.inputs;
        const DrawdownResult map = *computeDrawdown(in);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> node(1, 100);
        for (int i = 0; i < 60; ++i) {
            const int x = node(random), y = node(random);
            const double exact = drawdownAt(in, x, y, in.PumpTimeSeconds);
            if (std::isnan(exact))
                continue;
            EXPECT_NEAR(-map.grid->at(x, y), exact, 1e-8 * exact + 1e-14) << x << ", " << y;
        }
        const SourceList sources = sourceListOf(in);
        const Aquifer aquifer = in.aquifer();
        std::vector<double> times;
        for (double t = 10.0; t < 6 * 3600.0; t *= 1.2)
            times.push_back(t);
        std::vector<double> values(times.size());
        drawdownsOverTime(aquifer, sources, 20.0, 63.0, times.data(), values.data(), times.size());
        for (std::size_t i = 0; i < times.size(); ++i) {
            const double exact = drawdownAt(aquifer, sources, 20.0, 63.0, times[i]);
            EXPECT_NEAR(values[i], exact, 1e-8 * exact + 1e-14) << times[i];
        }
    }
}

TEST(NeumanMap, WithoutAThicknessItIsRefused)
{
    ScenarioTexts texts;
    texts.method = "neuman";
    texts.aquiferParameters["specific_yield"] = "15";
    texts.thickness = "";
    const ScenarioReading reading = readScenario(texts);
    ASSERT_FALSE(reading.accepted());
    EXPECT_NE(reading.refusals.front().find("for Neuman (delayed yield)"), std::string::npos)
        << reading.refusals.front();
}
