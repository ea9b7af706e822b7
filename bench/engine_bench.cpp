// Speed and memory of the drawdown engine against the plain loop and against the cost of a zeroed
// map. Not a test: run it by hand on an idle machine.
//
//   build/bin/drawfield-bench           cases A, B and C
//   build/bin/drawfield-bench --huge    also the largest map, 32767 x 32767 m (needs 9 GB)
//   build/bin/drawfield-bench --theis   case C by Theis, against Cooper-Jacob and against
//                                       numpy + scipy (bench/theis_scipy.py, python3-scipy)
//   build/bin/drawfield-bench --hantush case C by Hantush (leaky, B = 745 m), against Theis
//   build/bin/drawfield-bench --fit     the pumping-test fits: Oude Korendijk, and a leaky one
//   build/bin/drawfield-bench --sources what a rate change and an image well cost, against
//                                       one more well, on case C's map
//   build/bin/drawfield-bench --point   what drawdownAt costs per source, as a fit calls it
//   build/bin/drawfield-bench --validity what the map's validity zone costs on a 16001 m map:
//                                       at picture resolution (the window's) and at every node

#include "analysis/fit.h"
#include "compute/engine/drawdown_engine.h"
#include "compute/observations.h"
#include "compute/sources.h"
#include "compute/verdicts.h"
#include "files/record_file.h"
#include "plain_drawdown.h"
#include "scenario/scenario.h"
#include "scenario/scenario_file.h"
#include "scenario/text_rules.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace drawfield;

int neumanFitBenchmark(); // neuman_fit_bench.cpp

namespace {

double secondsOf(const std::function<void()>& work, int repeats = 1)
{
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// Peak resident memory since the last reset, from /proc (Linux).
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
double peakMemoryGiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / (1024.0 * 1024.0);
    return 0.0;
}

ScenarioInputs read(ScenarioTexts texts)
{
    ScenarioReading reading = readScenario(texts);
    if (!reading.accepted()) {
        std::fprintf(stderr, "scenario refused: %s\n", reading.refusals.front().c_str());
        std::exit(1);
    }
    return reading.inputs;
}

ScenarioInputs exampleOnMap(int xMax)
{
    ScenarioTexts texts = ScenarioTexts::example();
    texts.xMax = std::to_string(xMax);
    return read(texts);
}

ScenarioInputs fiveWellsCoveringTheMap()
{
    ScenarioTexts texts;
    texts.xMax = "4000";
    texts.transmissivity = "0.01";
    texts.storage = "0.01";
    texts.pumpTime = "8760";
    const BoreTexts wells[] = { { "500", "500", "50" }, { "3500", "500", "40" },
        { "2000", "2000", "60" }, { "500", "3500", "30" }, { "3500", "3500", "20" } };
    std::copy(std::begin(wells), std::end(wells), texts.bores.begin());
    return read(texts);
}

long long nodeCount(const ScenarioInputs& in)
{
    return static_cast<long long>((in.XMax - in.XMin) / in.Step + 1)
        * ((in.YMax - in.YMin) / in.Step + 1);
}

int pumpingWells(const ScenarioInputs& in)
{
    return static_cast<int>(std::count_if(
        in.Wells.begin(), in.Wells.end(), [](const WellInput& w) { return w.Rate > 0.0; }));
}

// The record file as the plain loop would write it: every node in loop order.
void plainRecord(
    const std::filesystem::path& path, const ScenarioInputs& in, const std::vector<double>& grid)
{
    std::ofstream out(path, std::ios::binary);
    const std::size_t width = static_cast<std::size_t>(in.XMax - in.XMin) + 1;
    for (int x = in.XMin; x <= in.XMax; x += in.Step)
        for (int y = in.YMin; y <= in.YMax; y += in.Step) {
            double value = grid[static_cast<std::size_t>(y - in.YMin) * width
                + static_cast<std::size_t>(x - in.XMin)];
            if (value < 0.0)
                out << recordLine(x, y, value);
        }
}

struct Figures {
    double seconds;
    double peakGiB;
};

Figures runEngine(
    const ScenarioInputs& in, unsigned threads, const std::filesystem::path* record, int repeats)
{
    auto run = [&] {
        EngineOptions options;
        options.threads = threads;
        std::optional<DrawdownResult> result = computeDrawdown(in, options);
        if (record)
            writeRecordFile(*record, *result->grid, RecordLines::DrawdownNodes);
        return std::move(*result);
    };
    // Peak memory of one run, the map included.
    resetPeakMemory();
    double peak = (run(), peakMemoryGiB());

    // Results are kept until the timing ends: giving a map's memory back is not part of a run.
    std::vector<DrawdownResult> kept;
    double seconds = secondsOf([&] { kept.push_back(run()); }, repeats);
    return { seconds, peak };
}

double runPlain(const ScenarioInputs& in, const std::filesystem::path* record)
{
    return secondsOf([&] {
        std::vector<double> grid = plainDrawdown(in);
        if (record)
            plainRecord(*record, in, grid);
    });
}

void printCase(const char* name, const ScenarioInputs& in, unsigned threads, const Figures& engine,
    std::optional<double> plainSeconds)
{
    double nodes = static_cast<double>(nodeCount(in));
    double nodeWells = nodes * pumpingWells(in);
    double gridGiB = nodes * sizeof(double) / (1024.0 * 1024.0 * 1024.0);
    std::printf("%-3s %6.0f x %-6.0f %u thr  %9.4f s  %8.3f ns/node  %8.3f ns/node.well  ", name,
        std::sqrt(nodes), std::sqrt(nodes), threads, engine.seconds, engine.seconds / nodes * 1e9,
        engine.seconds / nodeWells * 1e9);
    if (plainSeconds)
        std::printf(
            "plain %8.3f s  speed-up %7.1f  ", *plainSeconds, *plainSeconds / engine.seconds);
    else
        std::printf("plain not run                    ");
    std::printf("peak %.3f GiB (grid %.3f GiB)\n", engine.peakGiB, gridGiB);
}

// The same map of case C as a user would compute it with numpy (and scipy for Theis), vectorised
// per well (bench/theis_scipy.py): its seconds and largest drawdown, empty when it cannot run.
struct PythonRun {
    double seconds = 0.0;
    double largest = 0.0;
};
std::optional<PythonRun> runPython(const ScenarioInputs& c, const std::string& option)
{
    auto number = [](double value) {
        char text[32];
        return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
    };
    std::string command = "/usr/bin/python3 '" DRAWFIELD_SOURCE_DIR "/bench/theis_scipy.py' "
        + option + " " + std::to_string(c.XMax) + " " + number(c.Transmissivity) + " "
        + number(c.Storage * 100.0) + " " + number(c.PumpTimeSeconds / 3600.0);
    for (const WellInput& well : c.Wells)
        command += " " + std::to_string(well.X) + "," + std::to_string(well.Y) + ","
            + number(well.Rate * 3600.0);
    std::FILE* pipe = ::popen(command.c_str(), "r");
    PythonRun run;
    const bool read
        = pipe != nullptr && std::fscanf(pipe, "%lf %lf", &run.seconds, &run.largest) == 2;
    if (pipe != nullptr)
        ::pclose(pipe);
    return read ? std::optional<PythonRun>(run) : std::nullopt;
}

// Case C by Theis: against Cooper-Jacob on the same threads, and against numpy + scipy.
int theisBenchmark()
{
    ScenarioInputs c = fiveWellsCoveringTheMap();
    ScenarioInputs theis = c;
    theis.Method = WellMethod::Theis;
    std::printf("case C (%d x %d m, 5 wells, cones over the whole map), Theis\n\n", c.XMax, c.XMax);
    double theisSeconds[3] = {};
    for (unsigned threads : { 1u, 2u }) {
        Figures straight = runEngine(c, threads, nullptr, 3);
        Figures exact = runEngine(theis, threads, nullptr, 3);
        theisSeconds[threads] = exact.seconds;
        printCase("C", theis, threads, exact, std::nullopt);
        std::printf("    Cooper-Jacob %.4f s: Theis costs %.2f times Cooper-Jacob (goal <= 2.5)\n",
            straight.seconds, exact.seconds / straight.seconds);
    }
    // The largest drawdown off the wells' own nodes (numpy has no value there), to see that both
    // computed the same map.
    EngineOptions options;
    std::optional<DrawdownResult> result = computeDrawdown(theis, options);
    double largest = 0.0;
    for (int y = c.YMin; y <= c.YMax; ++y)
        for (int x = c.XMin; x <= c.XMax; ++x)
            if (std::none_of(c.Wells.begin(), c.Wells.end(),
                    [&](const WellInput& well) { return well.X == x && well.Y == y; }))
                largest = std::max(largest, -result->grid->at(x, y));
    std::printf("    largest Theis drawdown off the wells %.6f m\n", largest);

    const std::optional<PythonRun> scipy = runPython(c, "");
    if (!scipy) {
        std::printf("    numpy + scipy could not be run (python3-scipy missing?)\n");
        return 0;
    }
    const double scipySeconds = scipy->seconds, scipyLargest = scipy->largest;
    EngineWorkspace workspace;
    EngineOptions kept;
    kept.threads = 2;
    kept.workspace = &workspace;
    std::vector<DrawdownResult> keptRuns;
    const double tables
        = secondsOf([&] { keptRuns.push_back(std::move(*computeDrawdown(theis, kept))); }, 3);
    std::printf("    Theis on 2 threads with a kept workspace (quadrant tables, as the window "
                "runs): %.4f s\n",
        tables);
    std::printf("    numpy + scipy: %.3f s, largest drawdown %.6f m; Theis here is %.1f times "
                "faster on 2 threads (goal >= 15), %.1f on 1\n",
        scipySeconds, scipyLargest, scipySeconds / theisSeconds[2], scipySeconds / theisSeconds[1]);
    return 0;
}

// Case C by Hantush, against Theis on the same threads in the same run.
int hantushBenchmark()
{
    ScenarioInputs theis = fiveWellsCoveringTheMap();
    theis.Method = WellMethod::Theis;
    ScenarioInputs leaky = theis;
    leaky.Method = WellMethod::Hantush;
    leaky.AquiferValues = { 745.0 };
    std::printf("case C (%d x %d m, 5 wells, cones over the whole map), Hantush, B = 745 m\n\n",
        theis.XMax, theis.XMax);
    for (unsigned threads : { 1u, 2u }) {
        Figures exact = runEngine(theis, threads, nullptr, 3);
        Figures hantush = runEngine(leaky, threads, nullptr, 3);
        printCase("C", leaky, threads, hantush, std::nullopt);
        std::printf("    Theis %.4f s: Hantush costs %.2f times Theis (goal <= 3)\n", exact.seconds,
            hantush.seconds / exact.seconds);
    }
    return 0;
}

// What a rate change and an image well cost, against one more well: each arrangement of n point
// sources against n wells on the same map, threads and method.
int sourcesBenchmark()
{
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::printf("case C's map (4000 x 4000 m), one bore at (2000, 2000), %u threads: a run of n "
                "point sources against n wells\n\n",
        threads);
    auto texts = [](int wells) {
        ScenarioTexts t;
        t.xMax = "4000";
        t.transmissivity = "0.01";
        t.storage = "0.01";
        t.pumpTime = "8760";
        const BoreTexts all[] = { { "2000", "2000", "60" }, { "500", "500", "50" },
            { "3500", "500", "40" }, { "500", "3500", "30" }, { "3500", "3500", "20" } };
        std::copy(std::begin(all), std::begin(all) + wells, t.bores.begin());
        return t;
    };
    struct Arrangement {
        const char* name;
        int sources;
        std::function<void(ScenarioTexts&)> change;
    };
    const Arrangement arrangements[] = {
        { "1 bore, 1 rate change", 2, [](ScenarioTexts& t) { t.bores[0].schedule = "2000:30"; } },
        { "1 bore, 3 rate changes", 4,
            [](ScenarioTexts& t) { t.bores[0].schedule = "1000:30, 3000:0, 5000:45"; } },
        { "1 bore, 4 rate changes", 5,
            [](ScenarioTexts& t) { t.bores[0].schedule = "1000:30, 3000:0, 5000:45, 7000:10"; } },
        { "1 bore, barrier at the map's edge", 2,
            [](ScenarioTexts& t) {
                t.boundaries[0] = { "barrier", "0", "0", "0", "1" };
            } },
        { "1 bore, barrier across the map", 2,
            [](ScenarioTexts& t) {
                t.boundaries[0] = { "barrier", "1000", "0", "1000", "1" };
            } },
        { "1 bore, two barriers (corner)", 4,
            [](ScenarioTexts& t) {
                t.boundaries[0] = { "barrier", "1000", "0", "1000", "1" };
                t.boundaries[1] = { "recharge", "0", "3000", "1", "3000" };
            } },
        { "1 bore, oblique recharge line", 2,
            [](ScenarioTexts& t) {
                t.boundaries[0] = { "recharge", "0", "1000", "1000", "0" };
            } },
        { "1 bore, 1 change, oblique line", 4,
            [](ScenarioTexts& t) {
                t.bores[0].schedule = "2000:30";
                t.boundaries[0] = { "recharge", "0", "1000", "1000", "0" };
            } },
    };
    for (WellMethod method : { WellMethod::CooperJacob, WellMethod::Theis }) {
        std::printf("%s\n", method == WellMethod::CooperJacob ? "Cooper-Jacob" : "Theis");
        auto timed = [&](ScenarioTexts t) {
            t.method = method == WellMethod::Theis ? "theis" : "cooper-jacob";
            return runEngine(read(t), threads, nullptr, 7).seconds;
        };
        double wells[6] = {};
        for (int n = 1; n <= 5; ++n)
            wells[n] = timed(texts(n));
        // One more well's cost: the slope of the times of 1 to 5 wells (least squares).
        double slope = 0.0;
        for (int n = 1; n <= 5; ++n)
            slope += (n - 3) * wells[n] / 10.0;
        std::printf("  wells:  1 %.3f s  2 %.3f s  3 %.3f s  4 %.3f s  5 %.3f s: one more well "
                    "costs %.4f s\n",
            wells[1], wells[2], wells[3], wells[4], wells[5], slope);
        for (const Arrangement& arrangement : arrangements) {
            ScenarioTexts t = texts(1);
            arrangement.change(t);
            const double seconds = timed(t);
            const double perSource = (seconds - wells[1]) / (arrangement.sources - 1);
            std::printf("  %-34s %d sources %.3f s (%d wells %.3f s): each added source costs "
                        "%.2f times one more well (goal <= 1)\n",
                arrangement.name, arrangement.sources, seconds, arrangement.sources,
                wells[arrangement.sources], perSource / slope);
        }
    }
    return 0;
}

} // namespace

// drawdownAt at one point and time with a prepared source list, as a fit calls it thousands of
// times: five bores, one with eight rate steps, between two boundaries (each source with three
// images), by each well function.
int pointBenchmark()
{
    ScenarioTexts texts = ScenarioTexts::example();
    texts.pumpTime = "72";
    texts.bores[0].schedule = "6:18, 12:0, 18:24, 24:6, 30:0, 36:12, 48:30, 60:0";
    texts.bores[2] = { "80", "20", "2" };
    texts.bores[3] = { "20", "80", "3" };
    texts.bores[4] = { "70", "30", "5" };
    texts.boundaries[0] = { "barrier", "5", "0", "5", "1" };
    texts.boundaries[1] = { "recharge", "0", "95", "1", "95" };
    for (const WellFunction& row : wellFunctions()) {
        texts.method = row.text;
        const ScenarioInputs in = read(texts);
        const SourceList sources = sourceListOf(in);
        const Aquifer aquifer = in.aquifer();
        constexpr int Calls = 20000;
        double sum = 0.0;
        const double seconds = secondsOf(
            [&] {
                for (int i = 0; i < Calls; ++i)
                    sum += drawdownAt(aquifer, sources, 40.5 + i % 7, 44.5, in.PumpTimeSeconds);
            },
            3);
        std::printf("drawdownAt by %-15s %zu sources: %.0f ns a call, %.1f ns a source (goal "
                    "well under 1000)%s\n",
            row.label, sources.sources.size(), seconds / Calls * 1e9,
            seconds / Calls / static_cast<double>(sources.sources.size()) * 1e9,
            sum > 0.0 ? "" : " ?");
    }
    return 0;
}

// The pumping-test fit, in the process: Oude Korendijk (Theis, T and S, 69 readings) and a leaky
// aquifer's T, S and B from four points' 51 readings.
int fitBenchmark()
{
    if (neumanFitBenchmark() != 0)
        return 1;
    // The test as shipped, its start values two decades off.
    const std::filesystem::path folder = DRAWFIELD_SOURCE_DIR "/resources/pumping-test";
    const ScenarioInputs published = read(readScenarioFile(folder / "oude-korendijk.ini"));
    const std::vector<MeasuredPoint> points = measuredPoints(published, folder);
    FitResult fit;
    double seconds = secondsOf(
        [&] {
            fit = fitPumpingTest(
                published, points, { transmissivityParameter(), storageParameter() });
        },
        5);
    std::printf("Oude Korendijk, Theis, T and S, %zu readings: %.2f ms (goal <= 20), T %.2f m2/d, "
                "S %.4e, RMSE %.5f m (published 462.6, 1.779e-4, 0.0501)\n",
        fit.readings, seconds * 1e3, fit.estimates[0].value * 86400.0, fit.estimates[1].value,
        fit.rmseMetres);

    ScenarioTexts leaky;
    leaky.xMax = "400";
    leaky.method = "hantush";
    leaky.transmissivity = "0.002";
    leaky.storage = "0.02";
    leaky.aquiferParameters["leakage_factor"] = "400";
    leaky.pumpTime = "48";
    leaky.bores[0] = { "100", "100", "30" };
    const ScenarioInputs truth = read(leaky);
    std::vector<MeasuredPoint> four;
    for (double r : { 20.0, 50.0, 100.0, 200.0 }) {
        MeasuredPoint point { "r", 100 + r, 100, -1, {}, {} };
        for (int i = 0; i < (r < 200 ? 13 : 12); ++i) {
            const double t = 60.0 * std::pow(10.0, 0.28 * i);
            point.Readings.push_back({ t, drawdownAt(truth, point.X, point.Y, t) });
        }
        four.push_back(point);
    }
    leaky.transmissivity = "0.2";
    leaky.storage = "2";
    leaky.aquiferParameters["leakage_factor"] = "40000";
    const ScenarioInputs start = read(leaky);
    seconds = secondsOf(
        [&] {
            fit = fitPumpingTest(start, four,
                { transmissivityParameter(), storageParameter(), parameterOfSymbol("B") });
        },
        3);
    std::printf("leaky, Hantush, T, S and B, 4 points, %zu readings: %.1f ms (goal <= 100), %d "
                "evaluations, B %.1f m (made with 400)\n",
        fit.readings, seconds * 1e3, fit.evaluations, fit.estimates[2].value);

    // At the limits: 10 points of 100,000 readings each, a logger's second by second.
    std::vector<MeasuredPoint> logged;
    const SourceList truthSources = sourceListOf(truth);
    for (int p = 0; p < 10; ++p) {
        MeasuredPoint point { "p", 100.0 + 15.0 * (p + 1), 100.0, -1, {}, {} };
        std::vector<double> times(MostReadings), values(MostReadings);
        for (std::size_t i = 0; i < MostReadings; ++i)
            times[i] = 10.0 + 1.7 * static_cast<double>(i);
        drawdownsOverTime(truth.aquifer(), truthSources, point.X, point.Y, times.data(),
            values.data(), times.size());
        for (std::size_t i = 0; i < MostReadings; ++i)
            point.Readings.push_back({ times[i], values[i] });
        logged.push_back(std::move(point));
    }
    seconds = secondsOf(
        [&] {
            fit = fitPumpingTest(start, logged,
                { transmissivityParameter(), storageParameter(), parameterOfSymbol("B") });
        },
        1);
    std::printf("leaky, Hantush, T, S and B, 10 points of 100,000 readings: %.2f s (was past "
                "600 s), %d evaluations, B %.1f m (made with 400)%s\n",
        seconds, fit.evaluations, fit.succeeded ? fit.estimates[2].value : 0.0,
        fit.succeeded ? "" : " FAILED");

    // Heavy schedules: 5 bores of 300 rate changes each between two boundaries; one point of 100
    // readings fitted, and the curves of 10 points.
    ScenarioTexts heavy = leaky;
    heavy.xMax = "1000";
    heavy.pumpTime = "600";
    heavy.boundaries[0] = { "barrier", "0", "0", "0", "1" };
    heavy.boundaries[1] = { "recharge", "0", "0", "1", "0" };
    for (int b = 0; b < WellCount; ++b) {
        heavy.bores[static_cast<std::size_t>(b)]
            = { std::to_string(200 + 100 * b), std::to_string(300 + 50 * b), "20" };
        std::string schedule;
        for (int k = 1; k <= static_cast<int>(MostRateChanges); ++k)
            schedule
                += (k > 1 ? ", " : "") + std::to_string(k * 2) + ":" + std::to_string(10 + k % 7);
        heavy.bores[static_cast<std::size_t>(b)].schedule = schedule;
    }
    for (int p = 0; p < 10; ++p)
        heavy.observations[static_cast<std::size_t>(p)]
            = { "P" + std::to_string(p), std::to_string(150 + 60 * p), "420", "" };
    heavy.aquiferParameters["leakage_factor"] = "400";
    heavy.transmissivity = "0.002";
    heavy.storage = "0.02";
    const ScenarioInputs heavyTruth = read(heavy);
    MeasuredPoint one { "P0", 150.0, 420.0, -1, {}, {} };
    for (int i = 0; i < 100; ++i) {
        const double t = 60.0 * std::pow(10.0, 0.046 * i);
        one.Readings.push_back({ t, drawdownAt(heavyTruth, one.X, one.Y, t) });
    }
    heavy.transmissivity = "0.005";
    heavy.storage = "0.05";
    heavy.aquiferParameters["leakage_factor"] = "1000";
    const ScenarioInputs heavyStart = read(heavy);
    seconds = secondsOf(
        [&] {
            fit = fitPumpingTest(heavyStart, { one },
                { transmissivityParameter(), storageParameter(), parameterOfSymbol("B") });
        },
        1);
    std::printf("leaky, 5 bores x 300 rate changes, 2 boundaries, 1 point of 100 readings, T, S "
                "and B: %.2f s (was about 98 s), %d evaluations, %s\n",
        seconds, fit.evaluations, fit.succeeded ? "fitted" : fit.problem.c_str());
    ObservationCurves curves;
    seconds = secondsOf([&] { curves = observationCurves(heavyTruth); }, 1);
    std::printf("  its curves at 10 points, %zu times: %.2f s (was 286 s)\n", curves.seconds.size(),
        seconds);
    return 0;
}

// The validity zone against the run it is part of: none, at a picture's resolution, at every node.
int validityBenchmark()
{
    const ScenarioInputs in = exampleOnMap(16001);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    auto timed = [&](bool validity, int stride) {
        return secondsOf(
            [&] {
                EngineOptions options;
                options.threads = cores;
                options.validity = validity;
                options.validityStride = stride;
                std::optional<DrawdownResult> result = computeDrawdown(in, options);
                std::printf("%s", result->grid->at(1, 1) > 0.0 ? "?" : "");
            },
            3);
    };
    const int picture = pictureValidityStride(16001, 16001);
    const double plain = timed(false, 1), shown = timed(true, picture), every = timed(true, 1);
    std::printf("validity zone on the example's wells, 16001 x 16001 m, %u cores:\n"
                "  run without it %.3f s; with it at picture resolution (every %d nodes) %.3f s, "
                "%.2f times; at every node %.3f s, %.2f times\n",
        cores, plain, picture, shown, shown / plain, every, every / plain);
    return 0;
}

// A wellfield: 1, 5, 50 and 200 bores spread over a 2000 x 2000 m map of 1 m cells; the cost per
// node and bore should stay flat as the bores grow. Then the verdicts of 200 bores given an
// available drawdown.
int boresBenchmark()
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    auto wellfield = [](int count, const char* method) {
        ScenarioTexts texts;
        texts.xMin = texts.yMin = "1";
        texts.xMax = "2000";
        texts.method = method;
        texts.transmissivity = "0.005";
        texts.storage = "0.1";
        texts.pumpTime = "720";
        texts.bores.resize(static_cast<std::size_t>(std::max(count, WellCount)));
        for (int i = 0; i < count; ++i) {
            BoreTexts& bore = texts.bores[static_cast<std::size_t>(i)];
            bore = { std::to_string(50 + (i % 20) * 95), std::to_string(50 + (i / 20) * 190), "2" };
            bore.name = "PW-" + std::to_string(i + 1);
            bore.availableDrawdown = "15";
        }
        return read(texts);
    };
    std::printf("wellfields on a 2000 x 2000 m map (4.0 million nodes), %u cores\n", cores);
    for (const char* method : { "cooper-jacob", "theis" }) {
        double perNodeBore1 = 0.0;
        for (int count : { 1, 5, 50, 200 }) {
            const ScenarioInputs in = wellfield(count, method);
            const Figures engine = runEngine(in, cores, nullptr, count >= 50 ? 1 : 3);
            const double perNodeBore
                = engine.seconds / (static_cast<double>(nodeCount(in)) * count);
            if (count == 1)
                perNodeBore1 = perNodeBore;
            std::printf("  %-12s %3d bores  %8.3f s  %6.3f ns per node.bore (%.2f times 1 bore's)  "
                        "peak %.3f GiB\n",
                method, count, engine.seconds, perNodeBore * 1e9, perNodeBore / perNodeBore1,
                engine.peakGiB);
        }
    }
    const ScenarioInputs field = wellfield(200, "theis");
    Verdicts verdicts;
    const double seconds = secondsOf([&] { verdicts = verdictsOf(field); });
    std::printf("  verdicts of 200 bores (Theis, each over its run): %.3f s, %zu bores judged\n",
        seconds, verdicts.bores.size());
    return 0;
}

int main(int argc, char** argv)
{
    bool huge = argc > 1 && std::strcmp(argv[1], "--huge") == 0;
    if (argc > 1 && std::strcmp(argv[1], "--validity") == 0)
        return validityBenchmark();
    if (argc > 1 && std::strcmp(argv[1], "--point") == 0)
        return pointBenchmark();
    if (argc > 1 && std::strcmp(argv[1], "--theis") == 0)
        return theisBenchmark();
    if (argc > 1 && std::strcmp(argv[1], "--hantush") == 0)
        return hantushBenchmark();
    if (argc > 1 && std::strcmp(argv[1], "--fit") == 0)
        return fitBenchmark();
    if (argc > 1 && std::strcmp(argv[1], "--sources") == 0)
        return sourcesBenchmark();
    if (argc > 1 && std::strcmp(argv[1], "--bores") == 0)
        return boresBenchmark();
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "drawfield-bench";
    std::filesystem::create_directories(folder);
    std::filesystem::path record = folder / "drawfield.dat";
    std::filesystem::path plainRecordPath = folder / "plain.dat";

    std::printf("drawfield engine benchmark, %u cores\n\n", cores);

    ScenarioInputs a = exampleOnMap(100);
    printCase("A", a, cores, runEngine(a, cores, &record, 20), runPlain(a, &plainRecordPath));

    ScenarioInputs b = exampleOnMap(10000);
    Figures bEngine = runEngine(b, cores, &record, 3);
    printCase("B", b, cores, bEngine, runPlain(b, &plainRecordPath));
    const auto bValues = static_cast<std::size_t>(nodeCount(b));
    double zeroing = secondsOf(
        [&] {
            std::unique_ptr<double[]> grid(new double[bValues]());
            std::printf("%s", grid[bValues / 2] != 0.0 ? "?" : ""); // keep the zeroing
        },
        3);
    std::printf(
        "    B: allocating and zeroing its grid %.4f s; B costs %.3f times that (goal <= 1.5)\n",
        zeroing, bEngine.seconds / zeroing);

    ScenarioInputs c = fiveWellsCoveringTheMap();
    double cPlain = runPlain(c, nullptr);
    Figures c1 = runEngine(c, 1, nullptr, 3);
    Figures c2 = runEngine(c, 2, nullptr, 3);
    printCase("C", c, 1, c1, cPlain);
    printCase("C", c, 2, c2, cPlain);
    double nodeWells = static_cast<double>(nodeCount(c)) * pumpingWells(c);
    std::printf("    C: 2 threads %.2f times faster than 1 (goal >= 1.8); "
                "%.2f ns per node.well per core on 1 thread, %.2f on 2 (goal <= 12)\n",
        c1.seconds / c2.seconds, c1.seconds / nodeWells * 1e9, c2.seconds * 2 / nodeWells * 1e9);
    // The same map from a workspace kept from run to run, as the window runs it.
    std::vector<DrawdownResult> kept;
    EngineWorkspace workspace;
    const double tables = secondsOf(
        [&] {
            EngineOptions options;
            options.threads = 2;
            options.workspace = &workspace;
            kept.push_back(std::move(*computeDrawdown(c, options)));
        },
        3);
    std::printf("    C on 2 threads with a kept workspace (quadrant tables): %.4f s (%.2f times "
                "a single run's time), %.0f MiB of tables\n",
        tables, tables / c2.seconds, static_cast<double>(workspace.bytesHeld()) / 1048576.0);
    kept.clear();
    if (const std::optional<PythonRun> numpy = runPython(c, "--cooper-jacob"))
        std::printf("    C by numpy: %.3f s, largest drawdown %.6f m; here %.1f times faster on 2 "
                    "threads (goal >= 8), %.1f on 1\n",
            numpy->seconds, numpy->largest, numpy->seconds / c2.seconds,
            numpy->seconds / c1.seconds);
    else
        std::printf("    numpy could not be run (python3-numpy missing?)\n");

    if (huge) {
        ScenarioInputs h = exampleOnMap(32767);
        Figures figures = runEngine(h, cores, &record, 1);
        std::printf("\nlargest map, example wells, record file:\n");
        printCase("H", h, cores, figures, std::nullopt);
    }
    std::filesystem::remove_all(folder);
}
