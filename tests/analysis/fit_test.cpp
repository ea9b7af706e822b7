// The pumping-test fit against published least-squares optima, from a start two decades away;
// and the fits that cannot be made, said as such.

#include "analysis/fit.h"
#include "compute/observations.h"
#include "scenario/scenario_file.h"
#include "scenario/unit_conversion.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace drawfield;

namespace {

const std::filesystem::path Published = DRAWFIELD_SOURCE_DIR "/resources/pumping-test";

// Oude Korendijk: one well pumping 788 m3/d at (100, 100) for 845 minutes, the piezometers 30 m
// and 90 m east; T and S two decades off the published optimum.
ScenarioTexts oudeKorendijk(bool near, bool far)
{
    ScenarioTexts texts;
    texts.xMax = "300";
    texts.method = "theis";
    texts.transmissivity = "0.5";
    texts.storage = "1";
    texts.thickness = "7";
    texts.pumpTime = "14.1";
    texts.bores[0] = { "100", "100", "32.833333333" };
    if (near)
        texts.observations[0] = { "r = 30 m", "130", "100", (Published / "obs_r30m.csv").string() };
    if (far)
        texts.observations[1] = { "r = 90 m", "190", "100", (Published / "obs_r90m.csv").string() };
    return texts;
}

} // namespace

TEST(PumpingTestFit, OudeKorendijkAsPublished)
{
    struct Case {
        const char* name;
        bool near, far;
        double transmissivityPerDay, storage, rmse;
    };
    const Case cases[] = {
        { "both piezometers", true, true, 462.6, 1.779e-4, 0.05006 },
        { "30 m alone", true, false, 480.5, 1.125e-4, 0.03166 },
        { "90 m alone", false, true, 501.1, 2.0375e-4, 0.02272 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScenarioInputs in = readScenario(oudeKorendijk(c.near, c.far)).inputs;
        const std::vector<MeasuredPoint> points = measuredPoints(in, "/");
        // Each evaluation told as it begins, numbered from 1 (a window counts them).
        int told = 0;
        const FitResult fit = fitPumpingTest(in, points,
            { transmissivityParameter(), storageParameter() }, {}, 0, [&told](int evaluation) {
                EXPECT_EQ(evaluation, told + 1);
                told = evaluation;
            });
        ASSERT_TRUE(fit.succeeded) << fit.problem;
        EXPECT_EQ(told, fit.evaluations);
        EXPECT_NEAR(fit.estimates[0].value * 86400.0 / c.transmissivityPerDay, 1.0, 0.005);
        EXPECT_NEAR(fit.estimates[1].value / c.storage, 1.0, 0.005);
        EXPECT_NEAR(fit.rmseMetres / c.rmse, 1.0, 0.01);
        EXPECT_LT(fit.estimates[0].low, fit.estimates[0].value);
        EXPECT_GT(fit.estimates[0].high, fit.estimates[0].value);
    }
}

// A leaky aquifer's T, S and B from four points' readings made with Hantush's function (and a
// centimetre-scale wobble): the fit finds them from a start far off, inside its intervals.
TEST(PumpingTestFit, LeakyAquiferRecoversItsParameters)
{
    ScenarioTexts texts;
    texts.xMax = "400";
    texts.method = "hantush";
    texts.transmissivity = "0.002";
    texts.storage = "0.02";
    texts.aquiferParameters["leakage_factor"] = "400";
    texts.pumpTime = "48";
    texts.bores[0] = { "100", "100", "30" };
    const ScenarioInputs truth = readScenario(texts).inputs;
    std::vector<MeasuredPoint> points;
    int wobble = 0;
    for (double r : { 20.0, 50.0, 100.0, 200.0 }) {
        MeasuredPoint point { "r = " + std::to_string(int(r)), 100 + r, 100, -1, {}, {} };
        for (int i = 0; i < (r < 200 ? 13 : 12); ++i) {
            const double t = 60.0 * std::pow(10.0, 0.28 * i);
            point.Readings.push_back(
                { t, drawdownAt(truth, point.X, point.Y, t) + 0.002 * std::sin(++wobble) });
        }
        points.push_back(point);
    }
    texts.transmissivity = "0.2";
    texts.storage = "2";
    texts.aquiferParameters["leakage_factor"] = "40000";
    const FitResult fit = fitPumpingTest(readScenario(texts).inputs, points,
        { transmissivityParameter(), storageParameter(), parameterOfSymbol("B") });
    ASSERT_TRUE(fit.succeeded) << fit.problem;
    const double expected[] = { 0.002, 0.0002, 400.0 };
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(fit.estimates[i].value / expected[i], 1.0, 0.02) << i;
        EXPECT_LT(fit.estimates[i].low, expected[i]) << i;
        EXPECT_GT(fit.estimates[i].high, expected[i]) << i;
    }
    EXPECT_LT(fit.rmseMetres, 0.002);
    EXPECT_EQ(fit.readings, 51u);
}

// A test read in the pumped well itself, whose first hour is the casing's water: the shipped
// example's T and S come back from a start 1.5 decades off (Theis' would not: half the T).
TEST(PumpingTestFit, LargeDiameterWellRecoversItsAquifer)
{
    const ScenarioInputs in = readScenario(readScenarioFile(Published / "dug-well.ini")).inputs;
    const FitResult fit = fitPumpingTest(
        in, measuredPoints(in, Published), { transmissivityParameter(), storageParameter() });
    ASSERT_TRUE(fit.succeeded) << fit.problem;
    EXPECT_NEAR(fit.estimates[0].value / 5e-4, 1.0, 0.01);
    EXPECT_NEAR(fit.estimates[1].value / 2e-3, 1.0, 0.05);
    EXPECT_LT(fit.estimates[0].low, 5e-4);
    EXPECT_GT(fit.estimates[0].high, 5e-4);
    EXPECT_LT(fit.rmseMetres, 0.004);
}

// A bore screened over the top quarter, read by piezometers in front of its screen and below
// it: from 1.5 decades off, back to the T and S that made the readings (the readings' 2 mm of
// noise allowing 0.5 %); Theis' function cannot match both.
TEST(PumpingTestFit, PartialPenetrationRecoversItsAquifer)
{
    const ScenarioInputs in
        = readScenario(readScenarioFile(Published / "partial-penetration.ini")).inputs;
    const std::vector<MeasuredPoint> points = measuredPoints(in, Published);
    ASSERT_EQ(points.size(), 2u);
    const FitResult fit
        = fitPumpingTest(in, points, { transmissivityParameter(), storageParameter() });
    ASSERT_TRUE(fit.succeeded) << fit.problem;
    EXPECT_NEAR(fit.estimates[0].value / 2e-3, 1.0, 0.005);
    EXPECT_NEAR(fit.estimates[1].value / 2e-4, 1.0, 0.005);
    EXPECT_LT(fit.rmseMetres, 0.003);
    ScenarioInputs theis = in;
    theis.Method = WellMethod::Theis;
    theis.AquiferValues.clear();
    const FitResult plain
        = fitPumpingTest(theis, points, { transmissivityParameter(), storageParameter() });
    ASSERT_TRUE(plain.succeeded) << plain.problem;
    EXPECT_GT(plain.rmseMetres, 0.1);
}

// T, S, Sy and Kd fitted from the start `in` holds, back within 3 % of the values that made the
// readings (T = 0.002 m2/s, S = 5e-4, Sy = 0.15, Kd = 0.2), each inside its interval.
namespace {

void expectDelayedYieldRecovered(
    const ScenarioInputs& in, const std::vector<MeasuredPoint>& points, double mostRmse)
{
    const FitResult fit = fitPumpingTest(in, points,
        { transmissivityParameter(), storageParameter(), parameterOfSymbol("Sy"),
            parameterOfSymbol("Kd") });
    ASSERT_TRUE(fit.succeeded) << fit.problem;
    const double expected[] = { 0.002, 0.0005, 0.15, 0.2 };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(fit.estimates[i].value / expected[i], 1.0, 0.03) << i;
        EXPECT_LT(fit.estimates[i].low, expected[i]) << i;
        EXPECT_GT(fit.estimates[i].high, expected[i]) << i;
    }
    EXPECT_LT(fit.rmseMetres, mostRmse);
}

} // namespace

// An unconfined aquifer's T, S, Sy and Kd from two piezometers' S-shaped curves (Neuman's
// function, a millimetre-scale wobble): from a start 1.5 decades off each, back to them.
TEST(PumpingTestFit, DelayedYieldRecoversItsParameters)
{
    ScenarioTexts texts;
    texts.xMax = "200";
    texts.method = "neuman";
    texts.transmissivity = "0.002";
    texts.storage = "0.05";
    texts.thickness = "20";
    texts.aquiferParameters["specific_yield"] = "15";
    texts.aquiferParameters["anisotropy"] = "0.2";
    texts.pumpTime = "48";
    texts.bores[0] = { "100", "100", "36" };
    const ScenarioInputs truth = readScenario(texts).inputs;
    std::vector<MeasuredPoint> points;
    int wobble = 0;
    for (double r : { 10.0, 40.0 }) {
        MeasuredPoint point { "r = " + std::to_string(int(r)), 100 + r, 100, -1, {}, {} };
        for (int i = 0; i < 12; ++i) {
            const double t = 60.0 * std::pow(10.0, 0.3 * i);
            point.Readings.push_back(
                { t, drawdownAt(truth, point.X, point.Y, t) + 0.001 * std::sin(++wobble) });
        }
        points.push_back(point);
    }
    texts.transmissivity = "0.06";
    texts.storage = "1.5";
    texts.aquiferParameters["specific_yield"] = "0.5";
    texts.aquiferParameters["anisotropy"] = "6";
    expectDelayedYieldRecovered(readScenario(texts).inputs, points, 0.001);
}

// The same aquifer pumped by a bore screened over its lower 12 m, read by piezometers 3 m and
// 16 m deep (the shipped example, 3 mm of noise): the line's storage is the late S + Sy, and S
// is found decades below it. From 1.5 decades off each, back to the truth within the intervals.
TEST(PumpingTestFit, DelayedYieldOfAPartialScreenRecoversItsParameters)
{
    const ScenarioInputs in
        = readScenario(readScenarioFile(Published / "unconfined-partial.ini")).inputs;
    const std::vector<MeasuredPoint> points = measuredPoints(in, Published);
    ASSERT_EQ(points.size(), 2u);
    expectDelayedYieldRecovered(in, points, 0.004);
}

// A step test with a piezometer, in Papadopulos-Cooper's function with a skin and a well loss:
// the bore's own readings over four rates part the skin (linear in Q) from the loss (in Q^2), the
// piezometer gives S. From T and S 1.5 decades off and no skin or loss, back to the truth; the
// fitted scenario holds them as the bore's own. A bore's own parameter is refused where no bore,
// or more than one, has its own readings.
TEST(PumpingTestFit, ABoresSkinAndWellLossFromAStepTest)
{
    ScenarioTexts texts;
    texts.xMax = "200";
    texts.method = "papadopulos-cooper";
    texts.transmissivity = "0.002";
    texts.storage = "0.02";
    texts.pumpTime = "8";
    texts.bores[0] = { "100", "100", "10", "2:20, 4:30, 6:40", "0.15", "own.csv",
        { { "skin", "3" }, { "well_loss", "0.0004" } }, "PW" };
    const ScenarioInputs truth = readScenario(texts).inputs;
    ASSERT_EQ(truth.Wells[0].Measured, "own.csv");
    std::vector<MeasuredPoint> points;
    int wobble = 0;
    for (double r : { 0.15, 30.0 }) {
        MeasuredPoint point { r < 1 ? "PW" : "P30", 100 + r, 100, r < 1 ? 0 : -1, {}, {} };
        for (double t = 60.0; t <= 8 * 3600.0; t *= 1.12)
            point.Readings.push_back(
                { t, drawdownAt(truth, point.X, point.Y, t) + 0.001 * std::sin(++wobble) });
        points.push_back(point);
    }
    texts.transmissivity = "0.063";
    texts.storage = "0.63";
    texts.bores[0].parameters.clear();
    const ScenarioInputs start = readScenario(texts).inputs;
    const std::vector<FitParameter> asked { transmissivityParameter(), storageParameter(),
        parameterOfSymbol("skin"), parameterOfSymbol("C") };
    const FitResult fit = fitPumpingTest(start, points, asked);
    ASSERT_TRUE(fit.succeeded) << fit.problem;
    EXPECT_EQ(fit.bore, 0);
    const double expected[] = { 0.002, 0.0002, 3.0, 0.0004 * 3600.0 * 3600.0 };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(fit.estimates[i].value / expected[i], 1.0, 0.03) << i;
        EXPECT_LT(fit.estimates[i].low, expected[i]) << i;
        EXPECT_GT(fit.estimates[i].high, expected[i]) << i;
    }
    EXPECT_NEAR(fit.fitted.Wells[0].Values[1], fit.estimates[2].value, 0.0);
    EXPECT_NE(fitSummary(fit).find("  skin of PW = 3."), std::string::npos) << fitSummary(fit);
    ScenarioTexts shown = texts;
    showFitted(fit, shown);
    EXPECT_EQ(readScenario(shown).inputs.Wells[0].Values[2], fit.estimates[3].value);

    ScenarioInputs twoBores = start;
    twoBores.Wells[1] = twoBores.Wells[0];
    twoBores.Wells[1].Name = "PW-2";
    twoBores.Wells[1].X = 150;
    std::vector<MeasuredPoint> noneRead = points, twoRead = points;
    noneRead[0].Bore = -1;
    twoRead[1].Bore = 1;
    const struct {
        const std::vector<MeasuredPoint>* points;
        const char* said;
    } refusals[] = {
        { &noneRead,
            "The skin factor is a pumping bore's own: fitting it needs that bore's own "
            "readings (measured = FILE in its [bore] section)." },
        { &twoRead,
            "The skin factor is a pumping bore's own, and PW and PW-2 each have their own "
            "readings: fit it with one of them read." },
    };
    for (const auto& refused : refusals) {
        const FitResult none = fitPumpingTest(twoBores, *refused.points, asked);
        EXPECT_FALSE(none.succeeded);
        EXPECT_EQ(none.problem, refused.said);
    }
}

// A test with a recovery: Cooper-Jacob's line through the pumping's late readings and Theis'
// recovery line through the residual drawdown give back T (and S) of the aquifer that made them.
TEST(PumpingTestFit, StraightLinesOfPumpingAndRecovery)
{
    ScenarioTexts texts;
    texts.method = "theis";
    texts.transmissivity = "0.002";
    texts.storage = "0.02"; // S = 2e-4
    texts.pumpTime = "30";
    texts.bores[0] = { "50", "50", "30" };
    texts.bores[0].schedule = "10:0";
    const ScenarioInputs in = readScenario(texts).inputs;
    MeasuredPoint point { "r = 20 m", 70, 50, -1, {}, {} };
    for (double t = 60.0; t < 30 * 3600.0; t *= 1.15)
        point.Readings.push_back({ t, drawdownAt(in, point.X, point.Y, t) });
    const std::vector<StraightLineEstimate> lines = straightLineEstimates(in, { point });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].method, "cooper-jacob");
    EXPECT_NEAR(lines[0].transmissivity / 0.002, 1.0, 0.02);
    EXPECT_NEAR(lines[0].storage / 2e-4, 1.0, 0.1);
    EXPECT_LE(lines[0].toSeconds, 10 * 3600.0);
    EXPECT_GE(lines[0].fromSeconds, lines[0].uBelowFromSeconds);
    EXPECT_EQ(lines[1].method, "theis-recovery");
    EXPECT_NEAR(lines[1].transmissivity / 0.002, 1.0, 0.02);
    EXPECT_GT(lines[1].fromSeconds, 10 * 3600.0);
    EXPECT_TRUE(std::isnan(lines[1].storage));
    // Without a stop in the scenario there is no recovery line.
    texts.bores[0].schedule = "";
    for (const StraightLineEstimate& line :
        straightLineEstimates(readScenario(texts).inputs, { point }))
        EXPECT_EQ(line.method, "cooper-jacob");
}

// A reading of weight 0 counts for nothing: readings spoilt by a pump's stutter, so marked, leave
// the fit where the good ones put it; weighted more, the spoilt ones pull it off.
TEST(PumpingTestFit, WeightsCountTheReadings)
{
    ScenarioTexts texts = oudeKorendijk(false, false);
    texts.transmissivity = "0.005";
    texts.storage = "0.02";
    const ScenarioInputs truth = readScenario(texts).inputs;
    MeasuredPoint point { "r = 30 m", 130, 100, -1, {}, {} };
    for (int i = 0; i < 24; ++i) {
        const double t = 60.0 * std::pow(10.0, 0.12 * i);
        const bool spoilt = i % 4 == 1;
        point.Readings.push_back({ t, drawdownAt(truth, point.X, point.Y, t) + (spoilt ? 0.3 : 0.0),
            spoilt ? 0.0 : 1.0 });
    }
    texts.transmissivity = "0.5";
    texts.storage = "1";
    const ScenarioInputs start = readScenario(texts).inputs;
    const FitResult fit
        = fitPumpingTest(start, { point }, { transmissivityParameter(), storageParameter() });
    ASSERT_TRUE(fit.succeeded) << fit.problem;
    EXPECT_NEAR(fit.estimates[0].value / 0.005, 1.0, 1e-6);
    EXPECT_NEAR(fit.estimates[1].value / 2e-4, 1.0, 1e-5);
    for (Reading& reading : point.Readings)
        reading.Weight = 1.0;
    const FitResult unweighted
        = fitPumpingTest(start, { point }, { transmissivityParameter(), storageParameter() });
    ASSERT_TRUE(unweighted.succeeded);
    EXPECT_GT(std::fabs(unweighted.estimates[0].value / 0.005 - 1.0), 0.01);
}

// A step test: a bore's own readings over rising rates give B and C of s = B Q + C Q^2; exactly
// where the readings are that, and the well loss and T the scenario put in where a confined
// aquifer adds its own share, growing through the steps.
TEST(PumpingTestFit, StepTestGivesTheAquifersAndTheWellsLosses)
{
    ScenarioTexts texts;
    texts.method = "papadopulos-cooper";
    texts.transmissivity = "0.002";
    texts.storage = "0.02";
    texts.pumpTime = "8";
    texts.bores[0] = { "50", "50", "10" };
    texts.bores[0].schedule = "2:20, 4:30, 6:40";
    texts.bores[0].parameters["well_loss"] = "0.0004"; // h2/m5
    const ScenarioInputs in = readScenario(texts).inputs;
    const double B = 0.01 * 3600.0, C = 0.0004 * 3600.0 * 3600.0; // s/m2, s2/m5
    MeasuredPoint exact { "PW", 50.1, 50, 0, {}, {} };
    MeasuredPoint modelled = exact;
    for (double t = 600.0; t <= 8 * 3600.0; t += 600.0) {
        const double q = in.rateAt(0, t);
        exact.Readings.push_back({ t, B * q + C * q * q });
        modelled.Readings.push_back({ t, drawdownAt(in, 50.1, 50.0, t) });
    }
    const std::vector<StepTest> tests = stepTests(in, { exact, modelled });
    ASSERT_EQ(tests.size(), 2u);
    ASSERT_EQ(tests[0].steps.size(), 4u);
    EXPECT_NEAR(tests[0].aquiferLoss / B, 1.0, 1e-9);
    EXPECT_NEAR(tests[0].wellLoss / C, 1.0, 1e-9);
    EXPECT_NEAR(tests[0].steps[3].efficiency, 0.01 / (0.01 + 0.0004 * 40), 1e-9);
    EXPECT_EQ(tests[0].steps[1].endSeconds, 4 * 3600.0);
    EXPECT_NEAR(tests[1].wellLoss / C, 1.0, 0.01);
    EXPECT_NEAR(tests[1].transmissivity / 0.002, 1.0, 0.01);
    EXPECT_TRUE(std::isnan(tests[0].transmissivity));
}

// The fit's start inverts Cooper-Jacob's line with the constants of the map's formula: the late
// drawdowns the map's Cooper-Jacob gives at a point lead back to its T and S.
TEST(PumpingTestFit, CooperJacobLineInvertsTheMapsFormula)
{
    ScenarioTexts texts = oudeKorendijk(true, false);
    texts.method = "cooper-jacob";
    texts.transmissivity = "0.0042";
    texts.storage = "0.03";
    const ScenarioInputs in = readScenario(texts).inputs;
    MeasuredPoint point { "r = 30 m", 130, 100, -1, {}, {} };
    for (int i = 0; i < 20; ++i) {
        const double t = 3600.0 * std::pow(10.0, i / 10.0);
        point.Readings.push_back({ t, drawdownAt(in, point.X, point.Y, t) });
    }
    const CooperJacobLine line = cooperJacobLine(in, point);
    ASSERT_TRUE(line.valid);
    EXPECT_NEAR(line.transmissivity / 0.0042, 1.0, 1e-9);
    EXPECT_NEAR(line.storage / 3e-4, 1.0, 1e-9);
}

// What cannot be fitted is said, and nothing is fitted.
TEST(PumpingTestFit, FitsThatCannotBeMadeSaySo)
{
    const ScenarioInputs classic = readScenario(oudeKorendijk(true, false)).inputs;
    const std::vector<MeasuredPoint> near = measuredPoints(classic, "/");
    MeasuredPoint one = near.front();
    one.Readings.resize(1);
    MeasuredPoint outside = near.front();
    outside.X = -50; // beyond the barrier below
    ScenarioTexts walled = oudeKorendijk(true, false);
    walled.boundaries[0] = { "barrier", "0", "0", "0", "1" };
    // Steady state in a leaky aquifer: the drawdowns no longer depend on S.
    ScenarioTexts leaky = oudeKorendijk(true, false);
    leaky.method = "hantush";
    leaky.aquiferParameters["leakage_factor"] = "20";
    const ScenarioInputs leakyInputs = readScenario(leaky).inputs;
    MeasuredPoint steady { "steady", 130, 100, -1, {}, {} };
    for (double hours : { 100.0, 200.0, 400.0, 800.0 })
        steady.Readings.push_back(
            { hours * 3600, drawdownAt(leakyInputs, 130, 100, hours * 3600) });
    // Readings of an aquitard that barely leaks (B = 1.1e7 m, beyond what a scenario takes): the
    // fit finds B, and refuses it rather than report or write it.
    ScenarioInputs tight = readScenario(leaky).inputs;
    tight.AquiferValues = { 1.1e7 };
    MeasuredPoint barelyLeaky { "r = 1000 m", 1100, 100, -1, {}, {} };
    for (int i = 0; i < 60; ++i) {
        const double t = 360.0 * std::pow(10.0, i * 5.3 / 59.0);
        barelyLeaky.Readings.push_back({ t, drawdownAt(tight, 1100, 100, t) });
    }
    tight.AquiferValues = { 1e5 };
    // The delayed-yield example with its guesses of Sy and Kd, 1.5 decades off, held.
    const ScenarioInputs unconfined
        = readScenario(readScenarioFile(Published / "unconfined-neuman.ini")).inputs;
    const std::vector<MeasuredPoint> unconfinedPoints = measuredPoints(unconfined, Published);
    std::stop_source stopped;
    stopped.request_stop();
    struct Case {
        const char* name;
        ScenarioInputs inputs;
        std::vector<MeasuredPoint> points;
        std::vector<FitParameter> parameters;
        std::stop_token stop;
        std::string said;
        int mostEvaluations = 0;
    };
    const Case cases[] = {
        { "one reading", classic, { one }, { transmissivityParameter(), storageParameter() }, {},
            "The parameters are not determined by the readings: 1 reading for 2 parameters;" },
        { "one reading, one parameter", classic, { one }, { storageParameter() }, {},
            "The parameters are not determined by the readings: 1 reading for 1 parameter;" },
        { "B beyond what a scenario takes", tight, { barelyLeaky },
            { transmissivityParameter(), storageParameter(), parameterOfSymbol("B") }, {},
            "The fit left the range of B: it ran to 1.1e+07 m, above 1e+07" },
        { "B without a leaky aquifer", classic, near, { parameterOfSymbol("B") }, {},
            "The leakage factor B can only be fitted with Hantush (leaky) (method hantush)." },
        { "a point beyond a barrier", readScenario(walled).inputs, { outside },
            { transmissivityParameter() }, {}, "The readings of r = 30 m cannot be fitted" },
        { "S at steady state", leakyInputs, { steady }, { storageParameter() }, {},
            "The parameters are not determined by the readings: S changes" },
        { "T and B at steady state, one distance", leakyInputs, { steady },
            { transmissivityParameter(), parameterOfSymbol("B") }, {},
            "The parameters are not determined by the readings: " },
        // (S ends undetermined, or beyond its range, as the last bits fall: either way the
        // values held are named.)
        { "S with Sy and Kd held far off", unconfined, unconfinedPoints,
            { transmissivityParameter(), storageParameter() }, {}, "The " },
        { "stopped", classic, near, { transmissivityParameter() }, stopped.get_token(),
            "The fit was stopped." },
        { "no convergence in the evaluations allowed", classic, near,
            { transmissivityParameter(), storageParameter() }, {},
            "The fit did not converge in 4 evaluations", 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FitResult fit
            = fitPumpingTest(c.inputs, c.points, c.parameters, c.stop, c.mostEvaluations);
        EXPECT_FALSE(fit.succeeded);
        EXPECT_EQ(fit.problem.substr(0, c.said.size()), c.said) << fit.problem;
        if (c.name == std::string("T and B at steady state, one distance")) {
            EXPECT_NE(fit.problem.find(" acts on them only together with another parameter"),
                std::string::npos)
                << fit.problem;
        }
        // The values held are named only where the readings are left unmatched.
        EXPECT_EQ(fit.problem.find("values held") != std::string::npos,
            c.name == std::string("S with Sy and Kd held far off"))
            << fit.problem;
        EXPECT_TRUE(fit.estimates.empty());
    }
}

// The fitted values, written into texts in the units the scenario chose (or the program's own),
// read back to the very values: a scenario written after a fit in m2/d or feet re-runs to the
// fitted drawdowns, never reading 0.005 m2/s as 0.005 m2/d.
TEST(PumpingTestFit, FittedValuesAreWrittenInTheUnitsChosen)
{
    const UnitTexts chosen[] = { {}, { "m", "m2/d", "fraction", "d", "m3/d" },
        { "ft", "ft2/d", "fraction", "d", "gpm" }, { "", "gpd/ft", "%", "", "" } };
    for (const UnitTexts& units : chosen)
        for (auto [t, s] : { std::pair { 0.0052083333333333337, 2.3456789e-4 },
                 { 1.234567890123e-3, 0.071 }, { 3.3e-7, 1.1e-6 } }) {
            FitResult fit;
            fit.succeeded = true;
            fit.estimates = { { transmissivityParameter(), t }, { storageParameter(), s } };
            ScenarioTexts texts = convertedTexts(ScenarioTexts::example(), units);
            texts.transmissivity = "450 m2/d"; // replaced, word and all
            showFitted(fit, texts);
            const ScenarioReading reading = readScenario(texts);
            ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
            // In the program's own units to the bit; in others to the last place of the double
            // (a factor such as ft2/d's is itself rounded).
            const double ulps = units.isEmpty() ? 0.0 : 2.3e-16;
            EXPECT_NEAR(reading.inputs.Transmissivity, t, ulps * t) << texts.transmissivity;
            EXPECT_NEAR(reading.inputs.Storage, s, ulps * s) << texts.storage;
        }
}
