// A bore screened over part of a confined aquifer against what it must tend to: Hantush's steady
// correction late (summed here over K0 by the standard library), Theis' drawdown averaged over
// the depth at any time, and Theis' on the map.

#include "compute/engine/drawdown_engine.h"
#include "compute/observations.h"
#include "compute/sources.h"
#include "compute/wells/partial_penetration.h"
#include "compute/wells/theis.h"
#include "scenario/scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace drawfield;

namespace {

constexpr double pi = std::numbers::pi;

// Hantush's steady correction for a piezometer at depth z, as he wrote it:
// 4 b / (pi (l - d)) sum 1/n (sin(n pi l / b) - sin(n pi d / b)) cos(n pi z / b) K0(n pi r / b),
// r scaled by sqrt(Kd).
// Below a leaking aquitard (leakage factor B) each K0 takes sqrt((r / B)^2 + (n pi r / b)^2).
double steadyCorrection(double r, double b, double kd, double d, double l, double z, double B = 0)
{
    double sum = 0.0;
    for (int n = 1; n * pi * r * std::sqrt(kd) / b < 60.0; ++n)
        sum += (std::sin(n * pi * l / b) - std::sin(n * pi * d / b)) * std::cos(n * pi * z / b)
            * std::cyl_bessel_k(
                0.0, std::hypot(n * pi * r * std::sqrt(kd) / b, B > 0.0 ? r / B : 0.0))
            / n;
    return 4.0 * b / (pi * (l - d)) * sum;
}

} // namespace

TEST(PartialPenetration, LateItIsHantushsSteadyCorrection)
{
    const struct {
        double r, b, kd, d, l, z, B;
    } cases[] = {
        { 5.0, 20.0, 1.0, 0.0, 5.0, 2.5, 0.0 }, // in front of the screen: more than Theis
        { 5.0, 20.0, 1.0, 0.0, 5.0, 18.0, 0.0 }, // below it: less
        { 12.0, 30.0, 0.1, 10.0, 20.0, 15.0, 0.0 }, // anisotropic: the effect reaches farther
        { 1.0, 10.0, 1.0, 2.0, 4.0, 9.0, 0.0 },
        { 5.0, 20.0, 1.0, 0.0, 5.0, 2.5, 50.0 }, // below a leaking aquitard
        { 12.0, 30.0, 0.1, 10.0, 20.0, 15.0, 300.0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.r) + " " + std::to_string(c.z) + " " + std::to_string(c.B));
        const double expected = steadyCorrection(c.r, c.b, c.kd, c.d, c.l, c.z, c.B);
        const double found = partialPenetrationTerm(
            1e-12, c.r, c.b, c.kd, { c.d, c.l }, { c.z, c.z }, c.B > 0.0 ? c.r / c.B : 0.0);
        EXPECT_NEAR(found, expected, 1e-6 * std::max(1.0, std::fabs(expected)));
        EXPECT_NE(found, 0.0);
    }
    // A screen over the whole thickness, or a point read over it, has no correction.
    EXPECT_NEAR(
        partialPenetrationTerm(1e-3, 5.0, 20.0, 1.0, { 0.0, 20.0 }, { 3.0, 3.0 }), 0.0, 1e-12);
    EXPECT_NEAR(
        partialPenetrationTerm(1e-3, 5.0, 20.0, 1.0, { 0.0, 5.0 }, { 0.0, 20.0 }), 0.0, 1e-12);
}

// At any time the piezometers' drawdowns averaged over the thickness are Theis' (the correction
// integrates to 0 over the depth): Simpson's rule over 800 depths.
TEST(PartialPenetration, TheDepthAverageIsTheis)
{
    const double b = 20.0, r = 4.0;
    for (double u : { 1e-4, 1e-2, 0.3 }) {
        SCOPED_TRACE(u);
        constexpr int Steps = 800;
        double integral = 0.0;
        for (int i = 0; i <= Steps; ++i) {
            const double z = b * i / Steps;
            const double weight = i == 0 || i == Steps ? 1.0 : i % 2 == 1 ? 4.0 : 2.0;
            integral += weight * partialPenetrationTerm(u, r, b, 1.0, { 5.0, 9.0 }, { z, z });
        }
        const double average = integral / (3.0 * Steps);
        EXPECT_NEAR(average, 0.0, 1e-6 * theisW(u));
        // Read over the screen itself the drawdown is larger than Theis'.
        EXPECT_GT(partialPenetrationTerm(u, r, b, 1.0, { 5.0, 9.0 }, { 5.0, 9.0 }), 0.0);
    }
}

// Through a scenario: the map is Theis', to the bit (the depth average); a point without a
// screen reads Theis'; a piezometer in front of the screen more, one below it less; the bore's
// own level, read over its screen, more than Theis' at its radius.
TEST(PartialPenetration, TheScenarioReadsEachPointOverItsScreen)
{
    ScenarioTexts texts;
    texts.method = "theis";
    texts.thickness = "20";
    texts.pumpTime = "24";
    texts.bores[0] = { "50", "50", "30" };
    texts.observations[0] = { "average", "60", "50" };
    texts.observations[1] = { "shallow", "60", "50" };
    texts.observations[2] = { "deep", "60", "50" };
    const ScenarioInputs theis = readScenario(texts).inputs;
    texts.method = "partial-penetration";
    texts.bores[0].parameters = { { "screen_top", "0" }, { "screen_bottom", "5" } };
    texts.observations[1].parameters = { { "screen_top", "2" }, { "screen_bottom", "2" } };
    texts.observations[2].parameters = { { "screen_top", "18" }, { "screen_bottom", "18" } };
    const ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
    const ScenarioInputs& partial = reading.inputs;

    const auto theisMap = computeDrawdown(theis), partialMap = computeDrawdown(partial);
    ASSERT_TRUE(theisMap && partialMap);
    const auto a = theisMap->grid->values(), b = partialMap->grid->values();
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end()));

    const ObservationCurves curves = observationCurves(partial);
    const ObservationCurves plain = observationCurves(theis);
    ASSERT_EQ(curves.drawdowns.size(), 3u);
    const double t = partial.PumpTimeSeconds;
    EXPECT_EQ(curves.drawdowns[0].back(), plain.drawdowns[0].back());
    EXPECT_GT(curves.drawdowns[1].back(), plain.drawdowns[0].back() * 1.05);
    EXPECT_LT(curves.drawdowns[2].back(), plain.drawdowns[0].back() * 0.95);
    // The piezometer's value is Theis' plus the correction at its depth.
    const double u = 100.0 * partial.Storage / (4.0 * partial.Transmissivity * t);
    EXPECT_NEAR(curves.drawdowns[1].back(),
        plain.drawdowns[0].back()
            + partial.Wells[0].Rate / (4.0 * pi * partial.Transmissivity)
                * partialPenetrationTerm(u, 10.0, 20.0, 1.0, { 0.0, 5.0 }, { 2.0, 2.0 }),
        1e-9);
    EXPECT_GT(drawdownInBore(partial, 0), drawdownInBore(theis, 0) * 1.5);

    // Below a leaking aquitard the map and an unscreened point are Hantush's, to the bit.
    ScenarioTexts leakyTexts = texts;
    leakyTexts.aquiferParameters["leakage_factor"] = "150";
    const ScenarioInputs leaky = readScenario(leakyTexts).inputs;
    leakyTexts.method = "hantush";
    const ScenarioInputs hantush = readScenario(leakyTexts).inputs;
    const auto leakyMap = computeDrawdown(leaky), hantushMap = computeDrawdown(hantush);
    ASSERT_TRUE(leakyMap && hantushMap);
    const auto c = leakyMap->grid->values(), d = hantushMap->grid->values();
    EXPECT_TRUE(std::equal(c.begin(), c.end(), d.begin(), d.end()));
    EXPECT_EQ(observationCurves(leaky).drawdowns[0].back(),
        observationCurves(hantush).drawdowns[0].back());
    EXPECT_GT(observationCurves(leaky).drawdowns[1].back(),
        observationCurves(hantush).drawdowns[0].back());

    // Read at many times (a logger's) a point goes through a table along time: it holds the
    // values one by one to 1e-6 (1e-9 of a metre), for the deep piezometer and for the bore's
    // own level (a bore 2 m across: at 0.1 m the series runs to 2500 terms a value).
    ScenarioInputs wide = partial;
    wide.Wells[0].RadiusMetres = 1.0;
    const Aquifer aquifer = wide.aquifer();
    const SourceList sources = sourceListOf(wide);
    std::vector<double> times;
    for (double at = 30.0; at <= t; at *= 1.002)
        times.push_back(at);
    for (const auto& [x, values] : { std::pair { 60.0, partial.Observations[2].Values },
             std::pair { 51.0, std::vector<double> {} } }) {
        const Aquifer seen = seenFrom(aquifer, values);
        std::vector<double> tabled(times.size());
        drawdownsOverTime(seen, sources, x, 50.0, times.data(), tabled.data(), times.size());
        for (std::size_t i = 0; i < times.size(); i += 101) {
            const double one = drawdownAt(seen, sources, x, 50.0, times[i]);
            ASSERT_NEAR(tabled[i], one, 1e-6 * one + 1e-9) << x << " " << times[i];
        }
    }
}

// [map] depth: the map read at one depth, as a piezometer there reads it, for both functions that
// read screens; shallower than the screen it draws down less than the depth average, in front of
// it more. A function that reads no screen refuses a depth.
TEST(PartialPenetration, TheMapReadAtADepthHoldsThePointValues)
{
    struct Case {
        const char* method;
        const char* depth;
        bool deeper; // than the depth average, in front of the screen
    };
    for (const Case& c : { Case { "partial-penetration", "2", false },
             Case { "partial-penetration", "17", true }, Case { "neuman", "2", false },
             Case { "neuman", "17", true } }) {
        SCOPED_TRACE(std::string(c.method) + " at " + c.depth + " m");
        ScenarioTexts texts;
        texts.method = c.method;
        texts.aquiferParameters["specific_yield"] = "15";
        texts.aquiferParameters["anisotropy"] = "0.2";
        texts.thickness = "20";
        texts.pumpTime = "6";
        texts.xMax = "60";
        texts.bores[0] = { "30", "30", "30" };
        texts.bores[0].parameters = { { "screen_top", "12" }, { "screen_bottom", "20" } };
        texts.observations[0] = { "there", "41", "30" };
        texts.observations[0].parameters = { { "screen_top", c.depth },
            { "screen_bottom", c.depth } };
        const ScenarioInputs average = readScenario(texts).inputs;
        texts.mapDepth = c.depth;
        const ScenarioReading reading = readScenario(texts);
        ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
        const ScenarioInputs& in = reading.inputs;
        const auto map = computeDrawdown(in), plain = computeDrawdown(average);
        ASSERT_TRUE(map && plain);
        const Aquifer aquifer = in.mapAquifer();
        const SourceList sources = sourceListOf(in);
        for (auto [x, y] : { std::pair { 41, 30 }, std::pair { 33, 34 }, std::pair { 2, 59 },
                 std::pair { 31, 30 } }) {
            const double exact = drawdownAt(aquifer, sources, x, y, in.PumpTimeSeconds);
            EXPECT_NEAR(-map->grid->at(x, y), exact, 1e-8 * exact + 1e-14) << x << ", " << y;
        }
        // The point at (41, 30) reads the map's depth: its curve ends on the map's node.
        const double point = observationCurves(in).drawdowns[0].back();
        EXPECT_NEAR(-map->grid->at(41, 30), point, 1e-8 * point);
        EXPECT_EQ(-map->grid->at(41, 30) > -plain->grid->at(41, 30), c.deeper);
    }
    ScenarioTexts theis;
    theis.method = "theis";
    theis.mapDepth = "3";
    const ScenarioReading refused = readScenario(theis);
    ASSERT_FALSE(refused.accepted());
    EXPECT_NE(refused.refusals.front().find("Map depth \"3\" is read only by"), std::string::npos)
        << refused.refusals.front();
    theis.method = "partial-penetration";
    theis.mapDepth = "-3";
    EXPECT_FALSE(readScenario(theis).accepted());
}
