#include "compute/engine/drawdown_engine.h"
#include "plain_drawdown.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using namespace drawfield;

namespace {

struct Well {
    int x, y;
    double rateCubicMetresPerHour;
};

ScenarioInputs scenario(int xMin, int yMin, int xMax, int step, std::vector<Well> wells,
    double transmissivity = 0.003, double storagePercent = 4, double hours = 24)
{
    ScenarioInputs in;
    in.XMin = static_cast<std::int16_t>(xMin);
    in.YMin = static_cast<std::int16_t>(yMin);
    in.XMax = in.YMax = static_cast<std::int16_t>(xMax);
    in.Step = static_cast<std::int16_t>(step);
    in.Transmissivity = transmissivity;
    in.Storage = storagePercent / 100.0;
    in.PumpTimeSeconds = hours * 3600.0;
    in.Thickness = 20;
    for (std::size_t i = 0; i < wells.size(); ++i)
        in.Wells[i] = { static_cast<std::int16_t>(wells[i].x),
            static_cast<std::int16_t>(wells[i].y), wells[i].rateCubicMetresPerHour / 3600.0 };
    return in;
}

ScenarioInputs theis(ScenarioInputs in)
{
    in.Method = WellMethod::Theis;
    return in;
}

DrawdownResult compute(const ScenarioInputs& in, unsigned threads = 2, bool validity = false)
{
    EngineOptions options;
    options.threads = threads;
    options.validity = validity;
    std::optional<DrawdownResult> result = computeDrawdown(in, options);
    EXPECT_TRUE(result.has_value());
    return std::move(*result);
}

// Bit for bit: memcmp, so that 0 and -0 or two NaNs are told apart too.
::testing::AssertionResult sameBits(const std::vector<double>& expected, const DrawdownGrid& grid)
{
    std::span<const double> values = grid.values();
    if (expected.size() != values.size())
        return ::testing::AssertionFailure() << "sizes differ";
    for (std::size_t i = 0; i < values.size(); ++i)
        if (std::memcmp(&expected[i], &values[i], sizeof(double)) != 0)
            return ::testing::AssertionFailure()
                << "at x = " << grid.xMin() + static_cast<int>(i % grid.width())
                << ", y = " << grid.yMin() + static_cast<int>(i / grid.width()) << ": expected "
                << expected[i] << ", got " << values[i];
    return ::testing::AssertionSuccess();
}

// The largest drawdown by a scan in loop order: the first node that has it.
DrawdownPeak largestInLoopOrder(const DrawdownGrid& grid)
{
    DrawdownPeak peak { 0.0, grid.xMin(), grid.yMin() };
    for (int x = grid.xMin(); x <= grid.xMax(); x += grid.nodeSpacing())
        for (int y = grid.yMin(); y <= grid.yMax(); y += grid.nodeSpacing())
            if (-grid.at(x, y) > peak.drawdown)
                peak = { -grid.at(x, y), x, y };
    return peak;
}

// One well at (150, 150) pumping 36 m3/h on the map 1..300.
const ScenarioInputs OneWell = scenario(1, 1, 300, 1, { { 150, 150, 36 } });

} // namespace

TEST(DrawdownEngine, WorkedValuesBitForBit)
{
    struct Case {
        int x, y;
        double gridValue;
    };
    const Case cases[] = {
        { 160, 150, -1.3214580883242635 },
        { 153, 154, -1.6891832286773454 },
        { 200, 150, -0.46762675374204415 },
        { 250, 150, -0.09990161338896221 },
        { 270, 150, -0.0031772495860407954 },
        { 271, 150, 0.0 }, // just beyond the radius of influence (about 120.72 m)
        { 1, 1, 0.0 },
    };
    for (unsigned threads : { 1u, 2u }) {
        DrawdownResult result = compute(OneWell, threads);
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message()
                << "(" << c.x << ", " << c.y << "), " << threads << " threads");
            EXPECT_EQ(result.grid->at(c.x, c.y), c.gridValue);
            EXPECT_FALSE(c.gridValue == 0.0 && std::signbit(result.grid->at(c.x, c.y))) << "-0";
        }
    }
}

TEST(DrawdownEngine, NodeOnAWellCarriesThePreviousNode)
{
    DrawdownResult result = compute(OneWell);
    EXPECT_EQ(result.grid->at(150, 150), result.grid->at(150, 149));
    EXPECT_LT(result.grid->at(150, 150), 0.0);
    EXPECT_EQ(result.largest.drawdown, -result.grid->at(150, 149));
    EXPECT_EQ(result.largest.x, 149) << "ties go to the first node in loop order";
}

// The engine against the plain loop, bit for bit, on the cases where bookkeeping can go wrong.
TEST(DrawdownEngine, MatchesThePlainLoop)
{
    struct Case {
        const char* name;
        ScenarioInputs inputs;
    };
    const Case cases[] = {
        { "example", scenario(1, 1, 100, 1, { { 30, 30, 6 }, { 60, 60, 4 } }) },
        { "cell size 5", scenario(1, 1, 100, 5, { { 31, 36, 6 }, { 60, 60, 4 } }) },
        { "cell size 3, wells off the lattice",
            scenario(-7, 2, 90, 3, { { 30, 30, 6 }, { 61, 61, 9 } }) },
        { "well on the first node of a column",
            scenario(1, 1, 100, 1, { { 30, 30, 6 }, { 50, 1, 4 } }) },
        { "well on the first node of the map",
            scenario(1, 1, 100, 1, { { 1, 1, 6 }, { 20, 20, 4 } }) },
        { "well on the map's last node",
            scenario(1, 1, 100, 1, { { 100, 100, 6 }, { 90, 95, 4 } }) },
        { "wells on neighbouring nodes",
            scenario(1, 1, 100, 1, { { 40, 40, 6 }, { 40, 41, 4 }, { 41, 1, 3 } }) },
        { "two wells on one node",
            scenario(1, 1, 100, 1, { { 40, 40, 6 }, { 70, 70, 2 }, { 40, 40, 4 } }) },
        { "wells outside the map", scenario(1, 1, 100, 1, { { -50, 50, 60 }, { 150, 150, 40 } }) },
        { "skipped row between pumping rows",
            scenario(1, 1, 100, 1, { { 30, 30, 6 }, { 0, 0, 0 }, { 70, 20, 5 } }) },
        { "negative minimum", scenario(-10, -10, 60, 1, { { -10, 5, 6 }, { 20, -10, 4 } }) },
        { "cone covering the map",
            scenario(1, 1, 150, 1, { { 20, 20, 50 }, { 120, 140, 30 } }, 0.01, 0.01, 8760) },
        { "tiny cone, no positive term",
            scenario(1, 1, 50, 1, { { 25, 25, 1 } }, 0.003, 4, 0.0001) },
        { "map of one node on a well", scenario(5, 5, 5, 1, { { 5, 5, 6 } }) },
        { "cell size larger than the map",
            scenario(1, 1, 100, 200, { { 1, 1, 6 }, { 50, 50, 4 } }) },
        { "five wells, cell size 2",
            scenario(0, 0, 200, 2,
                { { 10, 10, 6 }, { 100, 100, 4 }, { 101, 101, 3 }, { 190, 10, 8 },
                    { 100, 100, 2 } }) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(sameBits(plainDrawdown(c.inputs), *compute(c.inputs, 1).grid));
        EXPECT_TRUE(sameBits(plainDrawdown(c.inputs), *compute(c.inputs, 3).grid));
        // Theis follows the same bookkeeping with another well function; its cones reach
        // farther than the map.
        EXPECT_TRUE(sameBits(plainDrawdown(theis(c.inputs)), *compute(theis(c.inputs), 1).grid))
            << "Theis";
        EXPECT_TRUE(sameBits(plainDrawdown(theis(c.inputs)), *compute(theis(c.inputs), 3).grid))
            << "Theis";
    }
}

TEST(DrawdownEngine, SameBitsOnAnyNumberOfThreadsOnRandomScenarios)
{
    std::mt19937 random(20261206);
    auto between
        = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int trial = 0; trial < 60; ++trial) {
        int xMin = between(-300, 300), yMin = between(-300, 300);
        int xMax = std::max(xMin, yMin) + between(0, 250);
        std::vector<Well> wells;
        for (int i = 0, count = between(1, 5); i < count; ++i)
            wells.push_back({ between(xMin - 100, xMax + 100), between(yMin - 100, xMax + 100),
                between(0, 3) == 0 ? 0.0 : between(1, 400) / 4.0 });
        wells[0].rateCubicMetresPerHour = std::max(1.0, wells[0].rateCubicMetresPerHour);
        ScenarioInputs in = scenario(xMin, xMax, xMax, between(1, 4), wells,
            between(1, 100) / 10000.0, between(1, 200) / 10.0, between(1, 2000) / 2.0);
        in.YMin = static_cast<std::int16_t>(yMin > xMax ? xMax : yMin);
        SCOPED_TRACE(::testing::Message() << "trial " << trial);
        if (trial % 3 == 2)
            in.Method = WellMethod::Theis;
        std::vector<double> expected = plainDrawdown(in);
        for (unsigned threads : { 1u, 2u, 7u }) {
            DrawdownResult result = compute(in, threads);
            ASSERT_TRUE(sameBits(expected, *result.grid)) << threads << " threads";
            DrawdownPeak peak = largestInLoopOrder(*result.grid);
            EXPECT_EQ(result.largest.drawdown, peak.drawdown);
            EXPECT_EQ(result.largest.x, peak.x);
            EXPECT_EQ(result.largest.y, peak.y);

            // Outside the drawdown extent every value is 0.
            MetreBox box = result.grid->drawdownExtent();
            for (int y = result.grid->yMin(); y <= result.grid->yMax(); ++y)
                for (int x = result.grid->xMin(); x <= result.grid->xMax(); ++x)
                    if (x < box.xMin || x > box.xMax || y < box.yMin || y > box.yMax) {
                        ASSERT_EQ(result.grid->at(x, y), 0.0) << "(" << x << ", " << y << ")";
                    }
        }
    }
}

// Terms made once for the nodes that share a squared distance are the terms each row would make:
// every well function, with rate changes and images, wells near an edge or a corner.
TEST(DrawdownEngine, SharedTermsKeepTheBits)
{
    auto withSchedule = [](ScenarioInputs in) {
        in.Schedules[0] = { { 6 * 3600.0, 0.0 }, { 12 * 3600.0, in.Wells[0].Rate * 2 } };
        return in;
    };
    auto withBoundaries = [](ScenarioInputs in) {
        in.Boundaries = { { BoundaryKind::Barrier, 0, 260, 300, 260 },
            { BoundaryKind::Recharge, 250, 0, 250, 300 } };
        return in;
    };
    auto leaky = [](ScenarioInputs in) {
        in.Method = WellMethod::Hantush;
        in.AquiferValues = { 150 };
        return in;
    };
    const ScenarioInputs covering = scenario(0, 0, 300, 1,
        { { 150, 150, 40 }, { 20, 280, 30 }, { 299, 3, 20 }, { 100, 70, 0 }, { 0, 0, 10 } },
        0.01, 0.5, 200);
    const struct {
        const char* name;
        ScenarioInputs inputs;
    } cases[] = {
        { "Cooper-Jacob", covering },
        { "Theis", theis(covering) },
        { "Hantush", leaky(covering) },
        { "schedule", withSchedule(theis(covering)) },
        { "boundaries", withBoundaries(covering) },
        { "Hantush, schedule and boundaries", withBoundaries(withSchedule(leaky(covering))) },
        { "unconfined", [&] {
             ScenarioInputs in = covering;
             in.Unconfined = true;
             return in;
         }() },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EngineOptions own;
        own.threads = 1;
        const DrawdownResult expected = *computeDrawdown(c.inputs, own);
        const std::span<const double> values = expected.grid->values();
        // The tables, made anew and then taken again from the same workspace.
        EngineWorkspace workspace;
        for (unsigned threads : { 1u, 2u, 2u }) {
            EngineOptions tables;
            tables.threads = threads;
            tables.workspace = &workspace;
            const DrawdownResult result = *computeDrawdown(c.inputs, tables);
            EXPECT_GT(workspace.bytesHeld(), 0u);
            ASSERT_TRUE(
                sameBits(std::vector<double>(values.begin(), values.end()), *result.grid));
            EXPECT_EQ(result.largest.drawdown, expected.largest.drawdown);
        }
    }
}

// Jacob's correction: s = b - sqrt(b^2 - 2 b s'), node by node, on the confined map; where
// 2 s' > b the aquifer is dewatered and the node takes b.
TEST(DrawdownEngine, UnconfinedCorrection)
{
    // s = b - sqrt(b^2 - 2 b s'): 20 - sqrt(340) for b = 20, s' = 1.5.
    EXPECT_NEAR(jacobUnconfined(1.5, 20.0), 1.5609110854142253, 4e-16);
    EXPECT_EQ(jacobUnconfined(10.0, 20.0), 20.0); // 2 s' = b: the last defined value
    // Small against the thickness, the correction vanishes (s ~ s' + s'^2 / (2 b)), without the
    // cancellation of the textbook form; a huge thickness does not overflow.
    EXPECT_NEAR(jacobUnconfined(1e-9, 20.0), 1e-9 + 1e-18 / 40.0, 1e-24);
    EXPECT_NEAR(jacobUnconfined(1.5, 1e202), 1.5, 1e-15);

    ScenarioInputs confined = OneWell;
    ScenarioInputs unconfined = OneWell;
    unconfined.Unconfined = true;
    unconfined.Thickness = 20.0;
    DrawdownResult plain = compute(confined), corrected = compute(unconfined, 3);
    EXPECT_FALSE(corrected.dewatered);
    for (auto [x, y] : { std::pair { 160, 150 }, { 200, 150 }, { 150, 150 }, { 10, 10 } }) {
        double s = -plain.grid->at(x, y);
        EXPECT_EQ(-corrected.grid->at(x, y), s > 0.0 ? jacobUnconfined(s, 20.0) : 0.0)
            << "(" << x << ", " << y << ")";
        EXPECT_GE(-corrected.grid->at(x, y), s); // the correction only deepens
    }

    // A thin aquifer: near the well it is dewatered; the largest drawdown is its thickness, at
    // the first dewatered node in loop order.
    unconfined.Thickness = 2.0;
    DrawdownResult thin = compute(unconfined, 2);
    EXPECT_TRUE(thin.dewatered);
    EXPECT_EQ(thin.largest.drawdown, 2.0);
    DrawdownPeak first = largestInLoopOrder(*thin.grid);
    EXPECT_EQ(thin.largest.x, first.x);
    EXPECT_EQ(thin.largest.y, first.y);
    EXPECT_GT(-plain.grid->at(first.x, first.y), 1.0); // 2 s' > b there
    for (int threads : { 1, 7 })
        EXPECT_TRUE(
            sameBits(std::vector<double>(thin.grid->values().begin(), thin.grid->values().end()),
                *compute(unconfined, static_cast<unsigned>(threads)).grid));
}

// Where Cooper-Jacob holds: every node whose Cooper-Jacob drawdown is more than 1 % off Theis's,
// judged only where Theis gives 1 mm or more, the same on any number of threads.
TEST(DrawdownEngine, ValidityZoneMarksWhereCooperJacobIsOff)
{
    const ScenarioInputs example = scenario(1, 1, 100, 1, { { 30, 30, 6 }, { 60, 60, 4 } });
    DrawdownResult straight = compute(example, 2, true);
    DrawdownResult exact = compute(theis(example));
    ASSERT_TRUE(straight.validity);
    const ValidityZone& zone = *straight.validity;
    ASSERT_EQ(zone.columns, 100);
    int off = 0, judged = 0;
    for (int y = 1; y <= 100; ++y)
        for (int x = 1; x <= 100; ++x) {
            double s = -straight.grid->at(x, y), w = -exact.grid->at(x, y);
            bool onWell = (x == 30 && y == 30) || (x == 60 && y == 60);
            bool expected = !onWell && w >= 0.001 && std::fabs(s - w) > 0.01 * w;
            ASSERT_EQ(zone.isOff(x - 1, y - 1), expected) << "(" << x << ", " << y << ")";
            off += expected;
            judged += !onWell && w >= 0.001;
        }
    EXPECT_GT(off, 0);
    EXPECT_LT(off, judged); // it holds near the wells
    EXPECT_FALSE(zone.isOff(30, 29)) << "next to a well, u is small";
    EXPECT_TRUE(zone.isOff(99, 99)) << "the far corner";
    EXPECT_EQ(compute(example, 7, true).validity->off, zone.off);
    EXPECT_FALSE(compute(theis(example), 2, true).validity) << "only for a Cooper-Jacob run";
    EXPECT_FALSE(compute(example).validity) << "only when asked for";

    // A chart's zone is the same judgement on every few nodes: its dashed line needs no more.
    const ScenarioInputs wide = scenario(1, 1, 900, 1, { { 300, 300, 60 }, { 600, 650, 40 } });
    EngineOptions options;
    options.threads = 2;
    options.validity = true;
    const auto every = computeDrawdown(wide, options)->validity;
    options.validityStride = pictureValidityStride(900, 900);
    const auto shown = computeDrawdown(wide, options)->validity;
    ASSERT_EQ(shown->stride, 3);
    ASSERT_EQ(shown->columns, 300);
    int shownOff = 0;
    for (int m = 0; m < shown->rows; ++m)
        for (int k = 0; k < shown->columns; ++k) {
            ASSERT_EQ(shown->isOff(k, m), every->isOff(3 * k, 3 * m)) << k << ", " << m;
            shownOff += shown->isOff(k, m);
        }
    EXPECT_GT(shownOff, 1000);
}

TEST(DrawdownEngine, ThicknessExceeded)
{
    ScenarioInputs in = OneWell;
    DrawdownResult result = compute(in);
    EXPECT_FALSE(drawdownExceedsThickness(result, in));
    in.Thickness = 1.0;
    EXPECT_TRUE(drawdownExceedsThickness(result, in));
    in.Thickness = 0.0; // an empty thickness field
    EXPECT_TRUE(drawdownExceedsThickness(result, in));
}

TEST(DrawdownEngine, ReportsEveryLatticeColumnOnceInOrder)
{
    for (unsigned threads : { 1u, 2u }) {
        for (int step : { 1, 5 }) {
            ScenarioInputs in = scenario(-3, 1, 400, step, { { 30, 30, 6 }, { 200, 200, 40 } });
            std::vector<int> reported;
            EngineOptions options;
            options.threads = threads;
            options.onColumn = [&](int x) { reported.push_back(x); };
            ASSERT_TRUE(computeDrawdown(in, options));
            std::vector<int> expected;
            for (int x = in.XMin; x <= in.XMax; x += step)
                expected.push_back(x);
            EXPECT_EQ(reported, expected) << threads << " threads, step " << step;
        }
    }
}

TEST(DrawdownEngine, StopsWhenAsked)
{
    ScenarioInputs in = scenario(1, 1, 2000, 1, { { 1000, 1000, 600 } }, 0.01, 0.01, 8760);
    std::stop_source stop;
    EngineOptions options;
    options.stopToken = stop.get_token();
    int columns = 0;
    options.onColumn = [&](int) {
        if (++columns == 10)
            stop.request_stop();
    };
    EXPECT_FALSE(computeDrawdown(in, options).has_value());
    EXPECT_LT(columns, 2000);
}

TEST(DrawdownGrid, TooLargeForTheMachineIsAnErrorNotACrash)
{
    try {
        (void)DrawdownGrid::create(0, 0, 2'000'000'000, 2'000'000'000, 1);
        FAIL() << "expected GridAllocationError";
    } catch (const GridAllocationError& error) {
        EXPECT_TRUE(std::string(error.what())
                        .starts_with("Cannot allocate a map of 2000000001 x 2000000001 m"))
            << error.what();
    }
}
