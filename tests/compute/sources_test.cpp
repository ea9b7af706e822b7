// Time and boundaries: rate changes superposed in time, image wells across straight boundaries,
// checked against the closed forms they must reproduce.

#include "compute/engine/drawdown_engine.h"
#include "scenario/scenario.h"
#include "compute/messages.h"
#include "files/csv.h"
#include "compute/observations.h"
#include "files/record_file.h"
#include "compute/run.h"
#include "compute/sources.h"
#include "compute/wells/theis.h"
#include "support/temporary_folder.h"
#include "support/well_function_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

using namespace drawfield;

namespace {

// One bore at (50, 50) pumping 36 m3/h on the map 1..100, T 0.003 m2/s, S 4 %, 24 h.
ScenarioTexts oneBore(const char* method = "cooper-jacob")
{
    ScenarioTexts texts;
    texts.method = method;
    texts.bores[0] = { "50", "50", "36" };
    return texts;
}

ScenarioReading read(const ScenarioTexts& texts) { return readScenario(texts); }

DrawdownResult run(const ScenarioTexts& texts, unsigned threads = 2)
{
    ScenarioReading reading = read(texts);
    EXPECT_TRUE(reading.accepted()) << (reading.refusals.empty() ? "" : reading.refusals.front());
    EngineOptions options;
    options.threads = threads;
    return *computeDrawdown(reading.inputs, options);
}

BoundaryTexts line(const char* kind, double x1, double y1, double x2, double y2)
{
    auto text = [](double v) { return std::to_string(v); };
    return { kind, text(x1), text(y1), text(x2), text(y2) };
}

} // namespace

// A well stopped at t1 recovers as Theis says: s = Q / (4 pi T) (W(u(t)) - W(u(t - t1))).
TEST(Schedules, RecoveryAfterAStopIsTheDifferenceOfTwoWellFunctions)
{
    ScenarioTexts texts = oneBore("theis");
    texts.bores[0].schedule = "10:0"; // stopped after 10 of the 24 hours
    DrawdownResult result = run(texts);
    const long double A = 0.01L / (4.0L * std::numbers::pi_v<long double> * 0.003L);
    for (auto [x, y] : { std::pair { 60, 50 }, { 53, 54 }, { 90, 10 } }) {
        const long double n = (x - 50.0L) * (x - 50.0L) + (y - 50.0L) * (y - 50.0L);
        auto u = [&](long double seconds) { return n * 0.04L / (4.0L * 0.003L * seconds); };
        const long double expected
            = A * (referenceWellFunction(u(24 * 3600.0L)) - referenceWellFunction(u(14 * 3600.0L)));
        EXPECT_NEAR(-result.grid->at(x, y) / static_cast<double>(expected), 1.0, 1e-12)
            << "(" << x << ", " << y << ")";
    }
    // Cooper-Jacob recovers as Jacob wrote it, s' = Q ln(t / (t - t1)) / (4 pi T), pi as the
    // classic formula takes it, where both logarithms hold (10 m from the bore u is below 0.004).
    texts.method = "cooper-jacob";
    const double residual = 0.01 * std::log(24.0 / 14.0) / (4.0 * 3.1416 * 0.003);
    EXPECT_NEAR(-run(texts).grid->at(60, 50) / residual, 1.0, 1e-12);
}

TEST(Schedules, ABoreThatStartsLaterAndTheTableRateFromHourZero)
{
    // Rate 0 in the table, 36 m3/h from hour 4: a well pumping 36 m3/h for 20 hours.
    ScenarioTexts late = oneBore();
    late.bores[0].rate = "0";
    late.bores[0].schedule = "4:36";
    ScenarioTexts twenty = oneBore();
    twenty.pumpTime = "20";
    DrawdownResult a = run(late), b = run(twenty);
    for (auto [x, y] : { std::pair { 60, 50 }, { 51, 50 }, { 80, 80 } })
        EXPECT_EQ(a.grid->at(x, y), b.grid->at(x, y));
    // A change after the map's time does nothing yet.
    ScenarioTexts future = oneBore();
    future.bores[0].schedule = "30:0";
    EXPECT_EQ(run(future).grid->at(60, 50), run(oneBore()).grid->at(60, 50));

    // A change at hour 0 replaces the table's rate: "0:0" never pumps, to the last bit, with a
    // barrier's image too; "0:18" is the table's 18.
    ScenarioTexts never = oneBore();
    never.bores[0].schedule = "0:0, 18:0";
    never.boundaries[0] = line("barrier", 0, 0, 0, 1);
    const DrawdownResult none = run(never);
    for (double value : none.grid->values())
        ASSERT_EQ(value, 0.0);
    ScenarioTexts half = oneBore();
    half.bores[0].schedule = "0:18";
    ScenarioTexts table = oneBore();
    table.bores[0].rate = "18";
    EXPECT_EQ(run(half).grid->at(60, 50), run(table).grid->at(60, 50));
}

// On a bore's own node, where the formulas have no value, a run with images or rate changes takes
// the bore's own terms one node spacing away and every other source at its distance: the image
// is counted once, not carried over from the node before along with it.
TEST(Schedules, ABoresOwnNodeCountsEachSourceOnce)
{
    ScenarioTexts texts = oneBore("theis");
    texts.boundaries[0] = line("barrier", 30, 0, 30, 1); // the image stands at (10, 50)
    const DrawdownResult result = run(texts);
    const long double A = 0.01L / (4.0L * std::numbers::pi_v<long double> * 0.003L);
    auto u = [](long double n) { return n * 0.04L / (4.0L * 0.003L * 24 * 3600.0L); };
    const long double expected
        = A * (referenceWellFunction(u(1.0L)) + referenceWellFunction(u(1600.0L)));
    EXPECT_NEAR(-result.grid->at(50, 50) / static_cast<double>(expected), 1.0, 1e-12);
    // A lone well without any of it keeps the node before's drawdown.
    const DrawdownResult classic = run(oneBore("theis"));
    EXPECT_EQ(classic.grid->at(50, 50), classic.grid->at(50, 49));
}

// Where a stopped bore's terms cancel, rounding never leaves the level above its rest: no node
// and no curve rises, on either method, beside a recharge line too.
TEST(Schedules, RecoveryNeverRaisesTheLevel)
{
    for (const char* method : { "theis", "cooper-jacob" }) {
        ScenarioTexts texts = oneBore(method);
        texts.bores[0].schedule = "1:0";
        texts.pumpTime = "1000";
        texts.boundaries[0] = line("recharge", 0, 80, 1, 80);
        texts.observations[0] = { "far", "1", "1" };
        const DrawdownResult result = run(texts);
        for (int y = 1; y <= 80; ++y)
            for (int x = 1; x <= 100; ++x)
                ASSERT_LE(result.grid->at(x, y), 0.0) << method << " " << x << ", " << y;
        const ObservationCurves curves = observationCurves(read(texts).inputs);
        for (double value : curves.drawdowns[0])
            ASSERT_GE(value, 0.0) << method;
    }
}

// The image method reproduces the boundary conditions exactly where they hold.
TEST(Boundaries, BarrierDoublesAndRechargeCancelsOnTheLine)
{
    for (const char* method : { "cooper-jacob", "theis" }) {
        SCOPED_TRACE(method);
        const DrawdownResult free = run(oneBore(method));
        ScenarioTexts barrier = oneBore(method);
        barrier.boundaries[0] = line("barrier", 20, 0, 20, 100);
        ScenarioTexts recharge = oneBore(method);
        recharge.boundaries[0] = line("recharge", 20, 0, 20, 100);
        const DrawdownResult walled = run(barrier, 1), river = run(recharge, 3);
        for (int y : { 1, 30, 50, 77, 100 }) {
            EXPECT_EQ(walled.grid->at(20, y), 2.0 * free.grid->at(20, y)) << "y = " << y;
            EXPECT_EQ(river.grid->at(20, y), 0.0) << "y = " << y;
        }
        // With a schedule too: each step cancels against its own image.
        recharge.bores[0].schedule = "6:12, 20:0";
        const DrawdownResult scheduled = run(recharge);
        for (int y : { 1, 50, 100 })
            EXPECT_EQ(scheduled.grid->at(20, y), 0.0) << "y = " << y;
        // Beyond the line there is no aquifer; the record file has no line there.
        EXPECT_TRUE(std::isnan(walled.grid->at(19, 50)));
        EXPECT_TRUE(std::isnan(river.grid->at(1, 1)));
        EXPECT_FALSE(std::isnan(river.grid->at(21, 50)));
        EXPECT_EQ(
            recordLine(20, 50, river.grid->at(20, 50)).size(), recordLine(20, 50, 0.0).size());
        // A barrier deepens, a recharge line softens, everywhere inside.
        EXPECT_LT(walled.grid->at(40, 40), free.grid->at(40, 40));
        EXPECT_GT(river.grid->at(40, 40), free.grid->at(40, 40));
    }
}

// At the corner of two perpendicular barriers the well and its three images are as far: four
// times the well's own drawdown.
TEST(Boundaries, CornerOfTwoBarriersQuadruples)
{
    ScenarioTexts alone = oneBore("theis");
    alone.bores[0] = { "30", "40", "36" };
    ScenarioTexts corner = alone;
    corner.boundaries[0] = line("barrier", 10, 0, 10, 100);
    corner.boundaries[1] = line("barrier", 0, 10, 100, 10);
    const DrawdownResult free = run(alone), walled = run(corner);
    EXPECT_DOUBLE_EQ(walled.grid->at(10, 10), 4.0 * free.grid->at(10, 10));
    // A barrier and a recharge line: the corner is held at 0.
    corner.boundaries[1].kind = "recharge";
    EXPECT_EQ(run(corner).grid->at(10, 10), 0.0);
}

// Lines at any angle take the image's true position (off the whole metres): still exact on the
// line, to rounding.
TEST(Boundaries, AnObliqueLine)
{
    ScenarioTexts free = oneBore("theis");
    free.bores[0] = { "60", "20", "36" };
    ScenarioTexts barrier = free;
    barrier.boundaries[0] = line("barrier", 0, 0, 100, 50); // y = x / 2
    const DrawdownResult a = run(free), b = run(barrier);
    for (int x : { 10, 40, 80, 100 })
        EXPECT_NEAR(b.grid->at(x, x / 2) / (2.0 * a.grid->at(x, x / 2)), 1.0, 1e-12) << x;
    EXPECT_TRUE(std::isnan(b.grid->at(10, 60))); // above the line, where bore 1 is not
    const std::vector<PointSource> sources = pointSources(read(barrier).inputs, 86400);
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_NEAR(sources[1].X, 52.0, 1e-12); // (60, 20) mirrored in y = x / 2 is (52, 36)
    EXPECT_NEAR(sources[1].Y, 36.0, 1e-12);
}

// Any two distinct finite points name their line, however far apart: (40, 2e222) and (41, 60)
// give the barrier x = 41, to its lean of 1e-222. Points of an oblique line typed in decimals lie
// on it within rounding: the nodes along y = 2 x keep their values, which a recharge line holds
// at 0.
TEST(Boundaries, AnyTwoPointsAndDecimalsOnTheLine)
{
    ScenarioTexts near = oneBore("theis"), far = near;
    near.boundaries[0] = { "barrier", "41", "0", "41", "1" };
    far.boundaries[0] = { "barrier", "40", "2e222", "41", "60" };
    const DrawdownResult a = run(near), b = run(far);
    for (auto [x, y] : { std::pair { 41, 50 }, { 60, 10 }, { 100, 100 }, { 42, 1 } })
        EXPECT_NEAR(b.grid->at(x, y) / a.grid->at(x, y), 1.0, 1e-12) << x << ", " << y;
    EXPECT_TRUE(std::isnan(b.grid->at(40, 50)));

    ScenarioTexts oblique = oneBore("theis");
    oblique.boundaries[0] = { "recharge", "0.1", "0.2", "0.3", "0.6" };
    const ScenarioInputs in = read(oblique).inputs;
    const DrawdownResult river = run(oblique);
    for (int k = 1; k <= 50; ++k) {
        EXPECT_TRUE(isInAquifer(in, k, 2 * k)) << k;
        EXPECT_NEAR(river.grid->at(k, 2 * k), 0.0, 1e-12) << k;
    }
}

TEST(Boundaries, RefusedArrangements)
{
    struct Case {
        const char* name;
        std::function<void(ScenarioTexts&)> edit;
        std::string refusal;
    };
    const Case cases[] = {
        { "parallel lines",
            [](ScenarioTexts& t) {
                t.boundaries[0] = line("barrier", 10, 0, 10, 100);
                t.boundaries[1] = line("barrier", 90, 0, 90, 100);
            },
            "Boundary 2 must be perpendicular to boundary 1" },
        { "an oblique angle",
            [](ScenarioTexts& t) {
                t.boundaries[0] = line("barrier", 10, 0, 10, 100);
                t.boundaries[1] = line("barrier", 0, 0, 100, 90);
            },
            "Boundary 2 must be perpendicular to boundary 1" },
        { "a bore beyond a line",
            [](ScenarioTexts& t) {
                t.bores[1] = { "5", "50", "6" };
                t.boundaries[0] = line("barrier", 10, 0, 10, 100);
            },
            "Bore 2 stands beyond boundary 1" },
        { "bore 1 on the line",
            [](ScenarioTexts& t) { t.boundaries[0] = line("recharge", 50, 0, 50, 100); },
            "Bore 1 stands on boundary 1" },
        { "one point", [](ScenarioTexts& t) { t.boundaries[0] = line("barrier", 1, 1, 1, 1); },
            "Boundary 1 needs two distinct points" },
        { "unknown kind", [](ScenarioTexts& t) { t.boundaries[0] = line("wall", 1, 1, 1, 9); },
            "Boundary 1, kind must be barrier or recharge" },
        { "hours that go back", [](ScenarioTexts& t) { t.bores[0].schedule = "12:0, 6:3"; },
            "Bore 1, schedule: the hours must increase" },
        { "a negative rate", [](ScenarioTexts& t) { t.bores[0].schedule = "12:-3"; },
            "Bore 1, schedule: hours and rates cannot be negative" },
        { "no colon", [](ScenarioTexts& t) { t.bores[0].schedule = "12"; },
            "Bore 1, schedule must be hour:rate pairs" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScenarioTexts texts = oneBore();
        c.edit(texts);
        ScenarioReading reading = read(texts);
        ASSERT_FALSE(reading.accepted());
        EXPECT_EQ(reading.refusals.front().substr(0, c.refusal.size()), c.refusal)
            << reading.refusals.front();
    }
}

// An observation point on a node reads what the map holds there: the same sources in the same
// order, with the schedules, the boundaries and the correction.
TEST(Observations, APointOnANodeReadsTheMap)
{
    ScenarioTexts texts = oneBore("theis");
    texts.bores[1] = { "70", "30", "20" };
    texts.bores[0].schedule = "6:12, 20:0";
    texts.boundaries[0] = line("barrier", 10, 0, 10, 100);
    texts.unconfined = "yes";
    const ScenarioInputs in = read(texts).inputs;
    const DrawdownResult map = run(texts);
    for (auto [x, y] : { std::pair { 60, 50 }, { 11, 90 }, { 10, 10 }, { 99, 2 } })
        EXPECT_EQ(drawdownAt(in, x, y, in.PumpTimeSeconds), -map.grid->at(x, y)) << x << ", " << y;
    EXPECT_TRUE(std::isnan(drawdownAt(in, 5.5, 50, in.PumpTimeSeconds))) << "beyond the barrier";
    EXPECT_TRUE(std::isnan(drawdownAt(in, 70, 30, in.PumpTimeSeconds))) << "on bore 2";
    EXPECT_GT(drawdownAt(in, 70.5, 30, 3600), 0.0);
}

// In a bore that has stopped, the residual drawdown: the limit of its terms as r -> 0,
// Q ln(t / (t - t1)) / (4 pi T), with pi for Theis and 3.1416 for Cooper-Jacob; while it pumps,
// no finite value.
TEST(Observations, ResidualDrawdownInAStoppedBore)
{
    for (auto [method, pi] :
        { std::pair { "theis", std::numbers::pi }, { "cooper-jacob", 3.1416 } }) {
        SCOPED_TRACE(method);
        ScenarioTexts texts = oneBore(method);
        texts.bores[0].schedule = "10:0";
        const ScenarioInputs in = read(texts).inputs;
        const double expected = 0.01 * std::log(24.0 / 14.0) / (4.0 * pi * 0.003);
        EXPECT_NEAR(drawdownAt(in, 50, 50, in.PumpTimeSeconds) / expected, 1.0, 1e-12);
        EXPECT_TRUE(std::isnan(drawdownAt(in, 50, 50, 5 * 3600.0)));
    }
}

// Every value a run reports counts for its messages: a curve nearer the bore than any node reads
// more than the thickness, or dewaters the aquifer, and the run says so, once.
TEST(Observations, CurvesCountForTheThicknessMessages)
{
    ScenarioTexts texts = oneBore("theis");
    texts.observations[0] = { "near", "50.2", "50" };
    texts.observations[1] = { "nearer", "50.1", "50" };
    const ScenarioInputs plain = read(texts).inputs;
    const double atPoint = drawdownAt(plain, 50.2, 50, plain.PumpTimeSeconds);
    const double atNode = drawdownAt(plain, 51, 50, plain.PumpTimeSeconds);
    struct Case {
        const char* name;
        double thickness;
        const char* unconfined;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        { "deeper than the aquifer", (atPoint + atNode) / 2, "no",
            { messages::DrawdownAboveThickness } },
        { "dewatered", atPoint + atNode, "yes", { messages::AquiferDewatered } },
        { "neither", 2 * atPoint + 2 * atNode, "yes", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        texts.thickness = std::to_string(c.thickness);
        texts.unconfined = c.unconfined;
        const ScenarioInputs in = read(texts).inputs;
        EngineOptions options;
        options.threads = 1;
        EXPECT_EQ(computeRun(in, options)->messages, c.messages);
        EXPECT_LE(computeDrawdown(in, options)->largest.drawdown, in.Thickness) << "not the map";
    }
}

// Recovery is drawn as a curve: at least 20 times per tenfold of the time since each change. A
// schedule as long as schedules go keeps the number of times bounded, so the curves cost each
// source once per time.
TEST(Observations, CurveTimesFollowEachChange)
{
    ScenarioTexts texts = oneBore();
    texts.bores[0].schedule = "10:0";
    const std::vector<double> times = curveTimes(read(texts).inputs);
    const auto afterStop = std::count_if(times.begin(), times.end(),
        [](double t) { return t - 36000.0 >= 60.0 && t - 36000.0 < 600.0; });
    EXPECT_GE(afterStop, 20);

    ScenarioTexts busy = oneBore();
    busy.pumpTime = "400";
    for (int bore = 0; bore < WellCount; ++bore) {
        busy.bores[static_cast<std::size_t>(bore)] = { std::to_string(10 + 15 * bore), "50", "6" };
        for (int step = 1; step <= 300; ++step)
            busy.bores[static_cast<std::size_t>(bore)].schedule
                += std::to_string(step + bore / 10.0) + ":" + std::to_string(step % 7) + ",";
    }
    const ScenarioReading reading = read(busy);
    ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
    EXPECT_LT(curveTimes(reading.inputs).size(), 100u + 5 * 300 + MostRefinedTimes);
}

// Names in a CSV file are safe in a spreadsheet: quoted where they hold a comma or a quote, a
// leading ' where a spreadsheet would run them as a formula, control characters replaced; hours
// in the shortest text that reads back as the same number.
TEST(Observations, CsvCells)
{
    const std::pair<std::string, std::string> cells[] = {
        { "Farm well", "Farm well" },
        { "North, \"old\"", "\"North, \"\"old\"\"\"" },
        { "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\"" },
        { "+1", "\"'+1\"" },
        { "-2 m", "\"'-2 m\"" },
        { "@SUM(A1)", "\"'@SUM(A1)\"" },
        { "a\tb\r",
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD" },
    };
    for (const auto& [name, cell] : cells)
        EXPECT_EQ(csvCell(name), cell) << name;
    ScenarioTexts texts = oneBore();
    texts.bores[0].schedule = "2.4:0";
    texts.observations[0] = { "P", "60", "50" };
    TemporaryFolder folder;
    writeCurvesFile(folder / "c.csv", observationCurves(read(texts).inputs));
    EXPECT_NE(readBytes(folder / "c.csv").find("\n2.4,"), std::string::npos);
}

TEST(Observations, CurveTimesAndFiles)
{
    ScenarioTexts texts = oneBore();
    texts.bores[0].schedule = "10:0";
    texts.observations[0] = { "Farm well", "75.5", "40" };
    texts.observations[1] = { "North, \"old\"", "50", "95" };
    const ScenarioInputs in = read(texts).inputs;
    const std::vector<double> times = curveTimes(in);
    EXPECT_EQ(times.front(), 60.0);
    EXPECT_EQ(times.back(), 24 * 3600.0);
    EXPECT_NE(std::find(times.begin(), times.end(), 10 * 3600.0), times.end()) << "the stop";
    // At least 20 a tenfold: one minute to 24 hours is 3.16 tenfolds.
    EXPECT_GE(times.size(), static_cast<std::size_t>(20 * std::log10(24 * 60.0)));
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_LT(times[i - 1], times[i]);

    const ObservationCurves curves = observationCurves(in);
    ASSERT_EQ(curves.drawdowns.size(), 2u);
    // Recovery: the drawdown after the stop falls.
    const auto stop = static_cast<std::size_t>(
        std::find(times.begin(), times.end(), 10 * 3600.0) - times.begin());
    EXPECT_GT(curves.drawdowns[0][stop], curves.drawdowns[0].back());
    EXPECT_GT(curves.drawdowns[0].back(), 0.0);

    TemporaryFolder folder;
    writeCurvesFile(folder / "c.csv", curves);
    const std::string csv = readBytes(folder / "c.csv");
    EXPECT_TRUE(csv.starts_with("hours,Farm well,\"North, \"\"old\"\"\"\n0.016666666666666666,"))
        << csv.substr(0, 80);

    ScenarioTexts steady = oneBore();
    steady.profile = { "1", "1", "100", "100" };
    const std::vector<ProfilePoint> profile = profileAlong(read(steady).inputs);
    ASSERT_EQ(profile.size(), 201u);
    EXPECT_EQ(profile.front().xMetres, 1.0);
    EXPECT_EQ(profile.back().yMetres, 100.0);
    EXPECT_DOUBLE_EQ(profile.back().distanceMetres, std::hypot(99.0, 99.0));
    // The profile passes the bore: deepest at its point nearest the bore, (50.005, 50.005).
    auto deepest = std::max_element(
        profile.begin(), profile.end(), [](const ProfilePoint& a, const ProfilePoint& b) {
            return a.drawdownMetres < b.drawdownMetres;
        });
    EXPECT_EQ(deepest - profile.begin(), 99);
    writeProfileFile(folder / "p.csv", profile);
    EXPECT_TRUE(readBytes(folder / "p.csv").starts_with("distance_m,x_m,y_m,drawdown_m\n0,1,1,"));
}
