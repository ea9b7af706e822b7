// Hantush's leaky well function against its limits, its published table and an independent
// quadrature; the map's tabulated profile against the integral.

#include "compute/engine/drawdown_engine.h"
#include "compute/observations.h"
#include "compute/sources.h"
#include "compute/wells/hantush.h"
#include "compute/wells/theis.h"
#include "scenario/scenario.h"

#include <boost/math/quadrature/exp_sinh.hpp>
#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/math/special_functions/bessel.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace drawfield;

namespace {

// W(u, beta) as defined, integral from u to infinity of exp(-y - beta^2 / (4 y)) / y dy, by
// Boost's double-exponential quadratures in long double, split at the integrand's peak.
long double referenceHantush(long double u, long double beta)
{
    const long double c = beta * beta / 4.0L;
    auto f = [c](long double y) { return std::exp(-y - c / y) / y; };
    const long double peak = beta / 2.0L;
    boost::math::quadrature::exp_sinh<long double> tail;
    if (u >= peak)
        return tail.integrate([&](long double z) { return f(u + z); }, 1e-17L);
    boost::math::quadrature::tanh_sinh<long double> rise;
    return rise.integrate(f, u, peak, 1e-17L)
        + tail.integrate([&](long double z) { return f(peak + z); }, 1e-17L);
}

} // namespace

// Hantush's table (1956) and the textbooks' copies of it print W(0.01, 0.1) = 3.8150.
TEST(HantushWellFunction, PublishedValueAndLimits)
{
    EXPECT_NEAR(hantushWellFunction(0.01, 0.1), 3.8150, 5e-5);
    for (double u : { 1e-10, 1e-3, 0.3, 4.0, 50.0 }) {
        EXPECT_EQ(hantushWellFunction(u, 0.0), theisW(u)) << u; // Theis, to the bit
        EXPECT_NEAR(hantushWellFunction(u, 1e-12) / theisW(u), 1.0, 1e-10) << u;
    }
    for (double beta : { 1e-4, 0.05, 1.0, 10.0 }) {
        const double deGlee = 2.0 * boost::math::cyl_bessel_k(0, beta);
        EXPECT_EQ(hantushWellFunction(0.0, beta), deGlee) << beta;
        EXPECT_NEAR(hantushWellFunction(1e-14, beta) / deGlee, 1.0, 1e-10) << beta;
    }
    // u far below 1e-150, where d / u leaves the doubles: still de Glee's steady state.
    for (double u : { 1e-160, 1e-250, 1e-300, 1e-310 })
        EXPECT_NEAR(
            hantushWellFunction(u, 1.0) / (2.0 * boost::math::cyl_bessel_k(0, 1.0)), 1.0, 1e-10)
            << u;
    EXPECT_EQ(hantushWellFunction(0.0, 0.0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(hantushWellFunction(800.0, 1.0), 0.0);
}

// A storage coefficient of 1e-160 (u below 1e-150 everywhere) gives the steady state
// Q K0(r / B) / (2 pi T) at every point and on the map, not zero.
TEST(HantushWellFunction, TinyStorageGivesTheSteadyState)
{
    ScenarioTexts texts;
    texts.method = "hantush";
    texts.transmissivity = "0.003";
    texts.storage = "1e-158"; // %, so S = 1e-160
    texts.aquiferParameters["leakage_factor"] = "745";
    texts.bores[0] = { "50", "50", "6" };
    const ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
    const double rate = 6.0 / 3600.0;
    for (double r : { 1e-4, 1.0, 30.0 }) {
        const double steady
            = rate * boost::math::cyl_bessel_k(0, r / 745.0) / (2.0 * std::numbers::pi * 0.003);
        EXPECT_NEAR(drawdownAt(reading.inputs, 50.0 + r, 50.0, 86400.0) / steady, 1.0, 1e-9) << r;
    }
    const std::optional<DrawdownResult> map = computeDrawdown(reading.inputs);
    ASSERT_TRUE(map.has_value());
    EXPECT_NEAR(map->largest.drawdown, 0.5950024537, 1e-6);
}

// Relative error at most 1e-10 over u from 1e-10 to 50 and beta from 1e-4 to 10.
TEST(HantushWellFunction, AgreesWithAnIndependentQuadrature)
{
    double worst = 0.0;
    std::string where;
    for (double u :
        { 1e-10, 1e-8, 1e-6, 1e-4, 1e-3, 0.01, 0.05, 0.1, 0.3, 1.0, 2.0, 5.0, 10.0, 20.0, 50.0 })
        for (double beta : { 1e-4, 1e-3, 0.01, 0.05, 0.1, 0.3, 1.0, 2.0, 4.0, 7.0, 10.0 }) {
            const long double reference = referenceHantush(u, beta);
            const double relative
                = static_cast<double>(std::fabs(hantushWellFunction(u, beta) / reference - 1.0L));
            if (relative > worst) {
                worst = relative;
                where = "u = " + std::to_string(u) + ", beta = " + std::to_string(beta);
            }
        }
    EXPECT_LE(worst, 1e-10) << where;
}

// The profile a map evaluates holds W to 1e-9 at any squared distance, for short and long times,
// slight and strong leakage.
TEST(HantushProfile, HoldsTheIntegralAlongR)
{
    std::mt19937 random(17);
    for (auto [a, d] : { std::pair { 3.9e-5, 1e-6 }, { 3.9e-5, 0.3 }, { 1e-2, 25.0 }, { 1e-7, 1e3 },
             { 0.5, 1e-3 } }) {
        const HantushProfile profile(a, d, 1.0, 1e9);
        ASSERT_GT(profile.table().slotCount(), 0u);
        EXPECT_EQ(profile.table().exactSlots(), 0);
        std::uniform_real_distribution<double> lnN(0.0, std::log(profile.largestSquaredDistance()));
        for (int i = 0; i < 400; ++i) {
            const double n = std::exp(lnN(random));
            const double exact = hantushIntegral(a * n, d).w;
            EXPECT_NEAR(profile.at(n) / exact, 1.0, 2e-9)
                << "a " << a << ", d " << d << ", n " << n;
        }
        EXPECT_EQ(profile.at(2.0 * profile.largestSquaredDistance()), 0.0);
    }
}

// Curves and fits read a point at many times through one table per distance: with rate steps,
// a stop and a boundary, every value within 1e-9 of the integral drawdownAt evaluates, and W
// rising along time from where it leaves the doubles.
TEST(HantushHistory, HoldsTheIntegralAlongTime)
{
    for (auto [n, b] : { std::pair { 1.0, 745.0 }, { 900.0, 50.0 }, { 4e4, 1e5 }, { 1e6, 30.0 } }) {
        const HantushHistory history(n, 0.003, 2e-4, b, 1e-3, 1e8);
        EXPECT_LE(history.table().exactSlots(), 1) << n << ", " << b; // where W enters the doubles
        for (double t = 1e-3; t < 1e8; t *= 1.37) {
            const double exact
                = hantushIntegral(n * 2e-4 / (4.0 * 0.003 * t), 0.003 * t / (2e-4 * b * b)).w;
            double w = 0.0;
            history.at(&t, &w, 1);
            if (exact > 1e-290)
                EXPECT_NEAR(w / exact, 1.0, 2e-9) << "n " << n << ", B " << b << ", t " << t;
            else
                EXPECT_LE(w, 1e-290);
        }
    }
    ScenarioTexts texts;
    texts.method = "hantush";
    texts.aquiferParameters["leakage_factor"] = "300";
    texts.storage = "0.02";
    texts.bores[0] = { "50", "50", "36" };
    texts.bores[0].schedule = "2:20, 10:0";
    texts.bores[1] = { "70", "40", "10" };
    texts.boundaries[0] = { "barrier", "0", "0", "0", "1" };
    const ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
    const SourceList sources = sourceListOf(reading.inputs);
    const Aquifer aquifer = reading.inputs.aquifer();
    std::vector<double> times;
    for (double t = 1.0; t < 40 * 3600.0; t *= 1.01)
        times.push_back(t);
    std::vector<double> values(times.size());
    drawdownsOverTime(aquifer, sources, 20.5, 63.0, times.data(), values.data(), times.size());
    for (std::size_t i = 0; i < times.size(); ++i) {
        const double exact = drawdownAt(aquifer, sources, 20.5, 63.0, times[i]);
        EXPECT_NEAR(values[i], exact, 1e-9 * std::fabs(exact) + 1e-15) << times[i];
    }
}

// A leaky map: at a time when the leakage balances the pumping, de Glee's steady state
// s = Q K0(r / B) / (2 pi T) at the nodes; at any time, with schedules and a boundary, the
// integral itself at any node (drawdownAt evaluates it without the map's profile).
TEST(HantushMap, SteadyStateAndTheIntegralAtEveryNode)
{
    ScenarioTexts texts;
    texts.method = "hantush";
    texts.aquiferParameters["leakage_factor"] = "100";
    texts.storage = "0.01"; // S = 1e-4
    texts.bores[0] = { "50", "50", "36" };
    const ScenarioReading steady = readScenario(texts);
    ASSERT_TRUE(steady.accepted()) << steady.refusals.front();
    const DrawdownResult map = *computeDrawdown(steady.inputs);
    for (auto [x, y] : { std::pair { 51, 50 }, { 60, 50 }, { 53, 54 }, { 100, 100 } }) {
        const double r = std::hypot(x - 50.0, y - 50.0);
        const double deGlee
            = 0.01 * boost::math::cyl_bessel_k(0, r / 100.0) / (2 * std::numbers::pi * 0.003);
        EXPECT_NEAR(-map.grid->at(x, y) / deGlee, 1.0, 1e-9) << x << ", " << y;
    }

    texts.pumpTime = "0.5"; // far from steady
    texts.bores[0].schedule = "0.2:10";
    texts.bores[1] = { "70", "30", "20" };
    texts.boundaries[0] = { "barrier", "10", "0", "12", "100" };
    texts.unconfined = "yes";
    const ScenarioInputs in = readScenario(texts).inputs;
    const DrawdownResult early = *computeDrawdown(in);
    std::mt19937 random(5);
    std::uniform_int_distribution<int> node(1, 100);
    for (int i = 0; i < 300; ++i) {
        const int x = node(random), y = node(random);
        const double exact = drawdownAt(in, x, y, in.PumpTimeSeconds);
        if (std::isnan(exact)) {
            EXPECT_TRUE(
                std::isnan(early.grid->at(x, y)) || (x == 50 && y == 50) || (x == 70 && y == 30));
            continue;
        }
        EXPECT_NEAR(-early.grid->at(x, y), exact, 1e-9 * exact + 1e-15) << x << ", " << y;
    }
}

// A map whose farthest node lies at a squared distance that starts one of the profile's slots
// (8 m2, 32 m2: powers of two) holds that node too: the profile's last slot is not empty.
TEST(HantushMap, TheFarthestNodeOnASlotsStart)
{
    struct Case {
        const char *xMax, *cellSize, *x, *y;
    };
    for (const Case& c :
        { Case { "1", "2", "3", "3" }, Case { "3", "2", "3", "3" }, Case { "5", "2", "3", "3" },
            Case { "5", "1", "1", "1" }, Case { "17", "4", "1", "1" } }) {
        ScenarioTexts texts;
        texts.method = "hantush";
        texts.aquiferParameters["leakage_factor"] = "30008";
        texts.xMax = c.xMax;
        texts.cellSize = c.cellSize;
        texts.bores[0] = { c.x, c.y, "6" };
        const ScenarioReading reading = readScenario(texts);
        ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
        const ScenarioInputs& in = reading.inputs;
        const DrawdownResult map = *computeDrawdown(in);
        const DrawdownGrid& grid = *map.grid;
        for (int x = grid.xMin(); x <= grid.xMax(); x += grid.nodeSpacing())
            for (int y = grid.yMin(); y <= grid.yMax(); y += grid.nodeSpacing()) {
                const double exact = drawdownAt(in, x, y, in.PumpTimeSeconds);
                if (std::isnan(exact))
                    continue; // the bore's own node
                EXPECT_NEAR(-grid.at(x, y), exact, 1e-9 * exact)
                    << "x_max " << c.xMax << ", cell " << c.cellSize << " at " << x << ", " << y;
            }
    }
    const HantushProfile profile(3.9e-5, 0.3, 1.0, 32.0);
    EXPECT_NEAR(profile.at(32.0) / hantushIntegral(3.9e-5 * 32.0, 0.3).w, 1.0, 2e-9);
    const HantushProfile point(3.9e-5, 0.3, 8.0, 8.0);
    EXPECT_NEAR(point.at(8.0) / hantushIntegral(3.9e-5 * 8.0, 0.3).w, 1.0, 2e-9);
}
