// Neuman's delayed yield fitted: the examples as shipped (72 readings at 2 piezometers, T, S, Sy
// and Kd from 1.5 decades off; a fully penetrating bore and one screened over part of the
// thickness), and the same tests read second by second, 100,000 readings at each piezometer made
// exactly from the truth. Run by drawfield-bench --fit.

#include "analysis/fit.h"
#include "analysis/measurements.h"
#include "compute/observations.h"
#include "compute/sources.h"
#include "scenario/scenario.h"
#include "scenario/scenario_file.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

using namespace drawfield;

namespace {

int fitExample(const char* file, const char* label)
{
    const std::filesystem::path folder = DRAWFIELD_SOURCE_DIR "/resources/pumping-test";
    const ScenarioTexts texts = readScenarioFile(folder / file);
    const ScenarioReading start = readScenario(texts);
    if (!start.accepted()) {
        std::fprintf(stderr, "scenario refused: %s\n", start.refusals.front().c_str());
        return 1;
    }
    const std::vector<FitParameter> four { transmissivityParameter(), storageParameter(),
        parameterOfSymbol("Sy"), parameterOfSymbol("Kd") };
    auto timed = [&](const std::vector<MeasuredPoint>& points, const char* what) {
        const auto begin = std::chrono::steady_clock::now();
        const FitResult fit = fitPumpingTest(start.inputs, points, four);
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (!fit.succeeded) {
            std::printf("Neuman%s, %s: FAILED (%s)\n", label, what, fit.problem.c_str());
            return;
        }
        std::printf("Neuman%s, %s, T, S, Sy and Kd: %.2f s, %d evaluations, T %.5g m2/s, "
                    "S %.4g, Sy %.4g, Kd %.4g (made with 0.002, 5e-4, 0.15, 0.2)\n",
            label, what, seconds, fit.evaluations, fit.estimates[0].value, fit.estimates[1].value,
            fit.estimates[2].value, fit.estimates[3].value);
    };
    const std::vector<MeasuredPoint> shipped = measuredPoints(start.inputs, folder);
    timed(shipped, "the example's 72 readings");

    ScenarioTexts truthTexts = texts;
    truthTexts.transmissivity = "0.002";
    truthTexts.storage = "0.05";
    truthTexts.aquiferParameters["specific_yield"] = "15";
    truthTexts.aquiferParameters["anisotropy"] = "0.2";
    const ScenarioInputs truth = readScenario(truthTexts).inputs;
    const SourceList sources = sourceListOf(truth);
    std::vector<MeasuredPoint> logged;
    for (const MeasuredPoint& piezometer : shipped) {
        MeasuredPoint point { piezometer.Name, piezometer.X, piezometer.Y, -1, {}, {},
            piezometer.Values };
        std::vector<double> times(100000), values(times.size());
        for (std::size_t i = 0; i < times.size(); ++i)
            times[i] = 60.0 + 1.7 * static_cast<double>(i); // a minute to 47 hours
        drawdownsOverTime(seenFrom(truth.aquifer(), point.Values), sources, point.X, point.Y,
            times.data(), values.data(), times.size());
        for (std::size_t i = 0; i < times.size(); ++i)
            point.Readings.push_back({ times[i], values[i] });
        logged.push_back(std::move(point));
    }
    timed(logged, "2 piezometers of 100,000 readings");
    return 0;
}

} // namespace

int neumanFitBenchmark()
{
    return fitExample("unconfined-neuman.ini", "")
        | fitExample("unconfined-partial.ini", " (a screen over the lower 12 m)");
}
