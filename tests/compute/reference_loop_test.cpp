// The engine against the plainest computation there is: every node of the map, every source of
// the run, the closed form of its well function, summed; no symmetry, no reach bounds, no lattice
// rows, no threads. Random schedules, oblique boundaries, both methods, coarse and fine maps.

#include "compute/engine/drawdown_engine.h"
#include "scenario/scenario.h"
#include "compute/sources.h"
#include "support/well_function_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace drawfield;

namespace {

// The drawdown (m) the sources give at (x, y): the closed forms, term by term in long double.
long double referenceDrawdown(
    const ScenarioInputs& in, const std::vector<PointSource>& sources, double x, double y)
{
    long double sum = 0.0L;
    for (const PointSource& source : sources) {
        const long double n = (source.X - x) * (source.X - x) + (source.Y - y) * (source.Y - y);
        const long double t = source.ElapsedSeconds, T = in.Transmissivity, S = in.Storage;
        if (in.Method == WellMethod::Theis)
            sum += source.Rate / (4.0L * std::numbers::pi_v<long double> * T)
                * referenceWellFunction(n * S / (4.0L * T * t));
        else // the classic constants: 3.1416 and 2.249, the logarithm clamped at 0 on its own
            sum += source.Rate / (4.0L * 3.1416L * T)
                * std::max(0.0L, std::log(2.249L * t * T / (n * S)));
    }
    return sum;
}

// A scenario the reader accepts: up to five bores pumping with random schedules, none, one or
// two perpendicular boundaries (`lines`) at a random angle, Cooper-Jacob or Theis.
ScenarioInputs randomScenario(std::mt19937& random, int lines)
{
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    auto whole
        = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (;;) {
        ScenarioTexts texts;
        texts.xMax = std::to_string(whole(30, 90));
        texts.cellSize = whole(0, 2) == 0 ? "2.5" : "1";
        texts.method = whole(0, 1) == 0 ? "theis" : "cooper-jacob";
        texts.pumpTime = std::to_string(uniform(2, 48));
        const int bores = whole(1, 5);
        for (int b = 0; b < bores; ++b) {
            auto& well = texts.bores[static_cast<std::size_t>(b)];
            well = { std::to_string(whole(5, 80)), std::to_string(whole(5, 80)),
                std::to_string(uniform(0, 40)) };
            std::string schedule;
            double hour = 0.0;
            for (int change = whole(0, 3); change > 0; --change) {
                hour += uniform(0.5, 20);
                schedule += std::to_string(hour) + ":" + std::to_string(uniform(0, 30)) + ",";
            }
            texts.bores[static_cast<std::size_t>(b)].schedule = schedule;
        }
        const double angle = uniform(0, std::numbers::pi);
        const double cx = uniform(0, 100), cy = uniform(0, 100);
        for (int l = 0; l < lines; ++l) {
            const double a = angle + l * std::numbers::pi / 2;
            texts.boundaries[static_cast<std::size_t>(l)]
                = { whole(0, 1) == 0 ? "barrier" : "recharge", std::to_string(cx),
                      std::to_string(cy), std::to_string(cx + 10 * std::cos(a)),
                      std::to_string(cy + 10 * std::sin(a)) };
        }
        ScenarioReading reading = readScenario(texts);
        if (reading.accepted())
            return reading.inputs;
    }
}

} // namespace

TEST(ReferenceLoop, TheEngineIsThePlainSumAtEveryNode)
{
    std::mt19937 random(20261207);
    EngineWorkspace workspace; // every other trial takes the quadrant tables
    for (int trial = 0; trial < 40; ++trial) {
        const ScenarioInputs in = randomScenario(random, trial % 3);
        SCOPED_TRACE("trial " + std::to_string(trial));
        EngineOptions options;
        options.threads = 1 + static_cast<unsigned>(trial % 3);
        options.workspace = trial % 2 == 0 ? &workspace : nullptr;
        const DrawdownResult result = *computeDrawdown(in, options);
        const std::vector<PointSource> sources = pointSources(in, in.PumpTimeSeconds);
        const DrawdownGrid& grid = *result.grid;
        int compared = 0;
        for (int m = 0; m < grid.rowCount(); ++m)
            for (int k = 0; k < grid.columnCount(); ++k) {
                const int x = grid.nodeX(k), y = grid.nodeY(m);
                const bool onBore = std::any_of(sources.begin(), sources.end(),
                    [&](const PointSource& s) { return s.X == x && s.Y == y; });
                if (onBore)
                    continue; // the formulas have no value there: the engine's own rule
                if (!isInAquifer(in, x, y)) {
                    ASSERT_TRUE(std::isnan(grid.at(x, y))) << x << ", " << y;
                    continue;
                }
                // Pumping never raises the level.
                const long double s = std::max(0.0L, referenceDrawdown(in, sources, x, y));
                ASSERT_NEAR(
                    -grid.at(x, y), static_cast<double>(s), 1e-12 + 1e-11 * static_cast<double>(s))
                    << x << ", " << y;
                ++compared;
            }
        EXPECT_GT(compared, 0);
    }
}
