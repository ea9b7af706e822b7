// The map's uncertainty after a fit: percentiles as a sample has them, and the band of a Theis
// test against the linearised (delta-method) band from Theis' closed-form derivatives.

#include "analysis/uncertainty.h"
#include "compute/observations.h"
#include "scenario/scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using namespace drawfield;

namespace {

constexpr double Nan = std::numeric_limits<double>::quiet_NaN();

// Oude Korendijk as published (both piezometers), on a 10 m lattice, fitted.
FitResult fittedOudeKorendijk()
{
    ScenarioTexts texts;
    texts.xMax = "300";
    texts.cellSize = "10";
    texts.method = "theis";
    texts.transmissivity = "0.5";
    texts.storage = "1";
    texts.thickness = "7";
    texts.pumpTime = "14.1";
    texts.bores[0] = { "100", "100", "32.833333333" };
    const std::string folder = DRAWFIELD_SOURCE_DIR "/resources/pumping-test/";
    texts.observations[0] = { "r = 30 m", "130", "100", folder + "obs_r30m.csv" };
    texts.observations[1] = { "r = 90 m", "190", "100", folder + "obs_r90m.csv" };
    const ScenarioInputs in = readScenario(texts).inputs;
    return fitPumpingTest(
        in, measuredPoints(in, "/"), { transmissivityParameter(), storageParameter() });
}

} // namespace

TEST(MapUncertainty, PercentilesOfASample)
{
    auto ramp = [](int count) {
        std::vector<double> values;
        for (int i = count - 1; i >= 0; --i) // descending: sorted on the way
            values.push_back(i);
        return values;
    };
    std::vector<double> withGaps = ramp(101);
    withGaps.insert(withGaps.begin() + 7, { Nan, Nan, std::numeric_limits<double>::infinity() });
    const struct {
        const char* name;
        std::vector<double> values;
        double low, median, high;
    } cases[] = {
        { "0 to 100", ramp(101), 5.0, 50.0, 95.0 },
        { "between ranks", ramp(11), 0.5, 5.0, 9.5 },
        { "no-values left out", withGaps, 5.0, 50.0, 95.0 },
        { "one value", { 2.5 }, 2.5, 2.5, 2.5 },
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.name);
        const PercentileBand band = percentileBand(c.values);
        EXPECT_DOUBLE_EQ(band.low, c.low);
        EXPECT_DOUBLE_EQ(band.median, c.median);
        EXPECT_DOUBLE_EQ(band.high, c.high);
        EXPECT_GE(band.monteCarloError, 0.0);
    }
    // The error of the ends shrinks as the square root of the draws: 1.96 sqrt(n p (1 - p))
    // ranks of a ramp of n, about 43 of 1000, 4.3 of 10 000 per thousand.
    std::vector<double> thousand = ramp(1000), tenThousand = ramp(10000);
    EXPECT_NEAR(percentileBand(thousand).monteCarloError, 13.5, 1.0);
    EXPECT_NEAR(percentileBand(tenThousand).monteCarloError, 42.7, 1.0);
    std::vector<double> none { Nan, Nan };
    EXPECT_TRUE(std::isnan(percentileBand(none).median));
}

// The band of the drawdown, 5th to 95th percentile of 2000 draws, against the delta method's
// +- 1.645 sqrt(g' C g), g the drawdown's derivatives in ln T and ln S from Theis' closed form:
// ds/dlnT = -s + Q e^-u / (4 pi T), ds/dlnS = -Q e^-u / (4 pi T). Within 10 %.
TEST(MapUncertainty, TheisBandMatchesTheDeltaMethod)
{
    const FitResult fit = fittedOudeKorendijk();
    ASSERT_TRUE(fit.succeeded) << fit.problem;
    const std::optional<MapUncertainty> found = mapUncertainty(fit, 2000, 1.0, 2);
    ASSERT_TRUE(found);
    const MapUncertainty& band = *found;
    const ScenarioInputs& in = fit.fitted;
    const double q = in.Wells[0].Rate, t = in.PumpTimeSeconds;
    const double sigmaT = fit.estimates[0].numberError, sigmaS = fit.estimates[1].numberError;
    const double rho = fit.correlation[0][1];
    // At (x, y), r from the bore at (100, 100).
    auto deltaHalfWidth = [&](double x, double y) {
        const double r = std::hypot(x - 100.0, y - 100.0);
        const double u = r * r * in.Storage / (4.0 * in.Transmissivity * t);
        const double s = drawdownAt(in, x, y, t);
        const double e = q * std::exp(-u) / (4.0 * std::numbers::pi * in.Transmissivity);
        const double gT = -s + e, gS = -e;
        return 1.645
            * std::sqrt(gT * gT * sigmaT * sigmaT + gS * gS * sigmaS * sigmaS
                + 2.0 * gT * gS * rho * sigmaT * sigmaS);
    };
    auto expectWithinTenPercent = [&](const PercentileBand& b, double x, double y) {
        SCOPED_TRACE("at " + std::to_string(x) + ", " + std::to_string(y));
        const double delta = deltaHalfWidth(x, y);
        EXPECT_NEAR((b.high - b.low) / 2.0 / delta, 1.0, 0.1);
        EXPECT_NEAR(b.median, drawdownAt(in, x, y, t), 0.1 * delta);
        EXPECT_LT(b.monteCarloError, 0.1 * delta);
    };
    ASSERT_EQ(band.points.size(), 2u);
    expectWithinTenPercent(band.points[0].band, 130.0, 100.0);
    expectWithinTenPercent(band.points[1].band, 190.0, 100.0);
    ASSERT_EQ(band.bores.size(), 1u);
    expectWithinTenPercent(band.bores[0].band, 100.0 + in.Wells[0].RadiusMetres, 100.0);
    for (int x : { 111, 151, 201, 291 }) { // lattice nodes, 10 m apart from (1, 1)
        auto at
            = [&](const std::shared_ptr<const DrawdownGrid>& grid) { return -grid->at(x, 101); };
        expectWithinTenPercent({ at(band.low), at(band.median), at(band.high), 0.0 }, x, 101.0);
    }

    // Ordered everywhere, the chance of passing 1 m a half where the median is near 1 m, and
    // the curves' band at the map's time the points' own.
    const DrawdownGrid& grid = *band.low;
    for (int row = 0; row < grid.rowCount(); ++row)
        for (int column = 0; column < grid.columnCount(); ++column) {
            const int x = grid.nodeX(column), y = grid.nodeY(row);
            ASSERT_LE(-band.low->at(x, y), -band.median->at(x, y));
            ASSERT_LE(-band.median->at(x, y), -band.high->at(x, y));
            const double share = -band.exceedance->at(x, y);
            ASSERT_TRUE(share >= 0.0 && share <= 1.0);
            if (-band.low->at(x, y) > 1.0)
                ASSERT_GT(share, 0.95);
            if (-band.high->at(x, y) < 1.0)
                ASSERT_LT(share, 0.05);
        }
    ASSERT_EQ(band.curves.size(), 2u);
    EXPECT_EQ(band.curves[1].size(), curveTimes(in).size());
    EXPECT_EQ(band.curves[1].back().high, band.points[1].band.high);
}

// The same draws every run and at every time asked, to the bit; a map whose draws would not fit
// is refused before work.
TEST(MapUncertainty, RepeatsAndRefusesWhatWouldNotFit)
{
    const FitResult fit = fittedOudeKorendijk();
    ASSERT_TRUE(fit.succeeded) << fit.problem;
    const std::optional<MapUncertainty> a = mapUncertainty(fit, 20, std::nullopt, 2);
    const std::optional<MapUncertainty> b = mapUncertainty(fit, 20, std::nullopt, 1);
    ASSERT_TRUE(a && b);
    EXPECT_FALSE(a->exceedance);
    EXPECT_EQ(a->bores[0].band.high, b->bores[0].band.high);
    EXPECT_EQ(a->high->at(151, 101), b->high->at(151, 101));
    // At a time asked (a map of --time) the same draws: at the pumping time the same nodes, with
    // no bores or points; earlier, less.
    const std::optional<MapUncertainty> atEnd
        = mapUncertainty(fit, 20, std::nullopt, 2, {}, fit.fitted.PumpTimeSeconds);
    const std::optional<MapUncertainty> early
        = mapUncertainty(fit, 20, std::nullopt, 2, {}, fit.fitted.PumpTimeSeconds / 10.0);
    ASSERT_TRUE(atEnd && early);
    EXPECT_EQ(atEnd->high->at(151, 101), a->high->at(151, 101));
    EXPECT_TRUE(atEnd->bores.empty() && atEnd->points.empty());
    EXPECT_GT(early->high->at(151, 101), a->high->at(151, 101)); // minus the drawdown

    FitResult large = fit;
    large.fitted.XMax = large.fitted.YMax = 30000;
    large.fitted.Step = 1;
    try {
        (void)mapUncertainty(large, MostUncertaintyDraws, std::nullopt);
        ADD_FAILURE() << "not refused";
    } catch (const UncertaintyRefused& refused) {
        EXPECT_NE(
            std::string(refused.what()).find("ask fewer draws or a coarser map"), std::string::npos)
            << refused.what();
    }
    FitResult failed;
    EXPECT_THROW((void)mapUncertainty(failed, 20, std::nullopt), UncertaintyRefused);
}
