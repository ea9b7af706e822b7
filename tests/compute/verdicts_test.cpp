// Does a bore run dry, is a limit passed, and when: against the time at which Theis's drawdown,
// summed over the bores and their rate steps in long double here, first reaches the value.

#include "compute/verdicts.h"
#include "scenario/scenario.h"
#include "support/well_function_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>

using namespace drawfield;

namespace {

constexpr long double T = 0.003L, S = 0.0004L; // m2/s; "0.04" %
constexpr long double Hour = 3600.0L;

// Theis's drawdown at r of a rate (m3/h) pumped since `since` hours, at t hours.
long double theis(long double rate, long double r, long double since, long double t)
{
    if (t <= since)
        return 0.0L;
    const long double u = r * r * S / (4.0L * T * (t - since) * Hour);
    return rate / Hour / (4.0L * std::numbers::pi_v<long double> * T) * referenceWellFunction(u);
}

// The first time (h) within (0, end] where drawdown(t) reaches `value`, by bisection after a fine
// scan; none when it never does.
std::optional<double> firstReach(
    const std::function<long double(long double)>& drawdown, double value, double end)
{
    long double before = 0.0L;
    for (int k = 1; k <= 200000; ++k) {
        const long double t = end * k / 200000.0L;
        if (drawdown(t) < value) {
            before = t;
            continue;
        }
        long double after = t;
        for (int i = 0; i < 200; ++i) {
            const long double middle = (before + after) / 2;
            (drawdown(middle) >= value ? after : before) = middle;
        }
        return static_cast<double>(after);
    }
    return std::nullopt;
}

ScenarioTexts site()
{
    ScenarioTexts texts;
    texts.xMin = texts.yMin = "0";
    texts.xMax = "1000";
    texts.cellSize = "10";
    texts.method = "theis";
    texts.transmissivity = "0.003";
    texts.storage = "0.04";
    texts.pumpTime = "720";
    texts.bores[0] = { "500", "500", "20" };
    texts.bores[0].name = "PW-1";
    texts.bores[1] = { "560", "500", "0" };
    texts.bores[1].name = "PW-2";
    texts.bores[1].schedule = "100:30, 400:0";
    return texts;
}

} // namespace

TEST(Verdicts, TheFirstTimeABoreRunsDryOrALimitIsPassed)
{
    // PW-1's own drawdown at its radius: its own cone and PW-2's step on and off.
    auto pw1 = [](long double t) {
        return theis(20, 0.1L, 0, t) + theis(30, 59.9L, 100, t) - theis(30, 59.9L, 400, t);
    };
    // A spring 300 m north of PW-1 (hypot 300, 60 from PW-2).
    const long double toPw2 = std::hypot(60.0L, 300.0L);
    auto spring = [&](long double t) {
        return theis(20, 300, 0, t) + theis(30, toPw2, 100, t) - theis(30, toPw2, 400, t);
    };
    struct Case {
        const char* what;
        const char* available; // PW-1's
        const char* limit; // the spring's
    };
    const Case cases[] = {
        { "dry on its own cone, limit passed once PW-2 pumps", "2.8", "0.9" },
        { "dry once PW-2 pumps, limit passed just before it stops", "4.6", "1.99" },
        { "never dry, limit never passed", "40", "30" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScenarioTexts texts = site();
        texts.bores[0].availableDrawdown = c.available;
        texts.observations[0] = { "Spring", "500", "800", "" };
        texts.observations[0].limit = c.limit;
        const ScenarioReading reading = readScenario(texts);
        ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
        const Verdicts verdicts = verdictsOf(reading.inputs);
        ASSERT_EQ(verdicts.bores.size(), 1u);
        ASSERT_EQ(verdicts.points.size(), 1u);
        const BoreVerdict& bore = verdicts.bores[0];
        const PointVerdict& point = verdicts.points[0];

        const std::optional<double> dry = firstReach(pw1, std::stod(c.available), 720);
        ASSERT_EQ(bore.drySeconds.has_value(), dry.has_value());
        if (dry) {
            EXPECT_NEAR(*bore.drySeconds / 3600, *dry, 2e-6 * *dry);
        }
        const std::optional<double> passed = firstReach(spring, std::stod(c.limit), 720);
        ASSERT_EQ(point.passedSeconds.has_value(), passed.has_value());
        if (passed) {
            EXPECT_NEAR(*point.passedSeconds / 3600, *passed, 2e-6 * *passed);
        }
        EXPECT_EQ(verdicts.anyFailed(), dry.has_value() || passed.has_value());

        // The drawdowns at the map's time and the largest, as Theis gives them.
        EXPECT_NEAR(bore.metres, static_cast<double>(pw1(720)), 1e-9);
        EXPECT_NEAR(point.metres, static_cast<double>(spring(720)), 1e-9);
        EXPECT_NEAR(bore.share(), bore.largestMetres / std::stod(c.available), 1e-15);
        EXPECT_NEAR(
            point.largestMetres, static_cast<double>(spring(point.largestSeconds / 3600)), 1e-9);
        // The spring's drawdown peaks after PW-2 stops, and falls back by the map's time.
        EXPECT_GT(point.largestSeconds, 400 * 3600.0);
        EXPECT_LT(point.largestSeconds, 720 * 3600.0);
        EXPECT_GT(point.largestMetres, point.metres);
    }

    // Nothing asked, nothing judged; an available drawdown is a positive length.
    EXPECT_TRUE(verdictsOf(readScenario(site()).inputs).empty());
    ScenarioTexts bad = site();
    bad.bores[0].availableDrawdown = "0";
    bad.observations[0] = { "Spring", "500", "800", "" };
    bad.observations[0].limit = "-1";
    EXPECT_EQ(readScenario(bad).refusals.size(), 2u);
    bad.bores[0].availableDrawdown = "12 ft";
    bad.observations[0].limit = "30 cm";
    const ScenarioReading inOtherUnits = readScenario(bad);
    ASSERT_TRUE(inOtherUnits.accepted()) << inOtherUnits.refusals.front();
    EXPECT_DOUBLE_EQ(*inOtherUnits.inputs.Wells[0].AvailableMetres, 12 * 0.3048);
    EXPECT_DOUBLE_EQ(*inOtherUnits.inputs.Observations[0].LimitMetres, 0.3);
}
