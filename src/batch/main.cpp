// drawfield-batch: the window's computation without a window, for scripts, tests and benchmarks.
//
// The program itself reads the scenario, fits, computes and writes the record file, the ASCII
// grids, the CSV files and the fit report; pictures (Qt's GUI) and GIS files (GDAL) are written by
// modules loaded only when one of them is asked for (batch_run.h), so that a run writing a record
// file starts as quickly as a small program.

#include "batch/batch_run.h"
#include "batch/command_line.h"
#include "batch/summary.h"
#include "compute/engine/drawdown_engine.h"
#include "files/atomic_file.h"
#include "files/user_text.h"
#include "scenario/scenario_file.h"
#include "scenario/text_rules.h"
#include "scenario/value_reading.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <set>

namespace drawfield {
namespace {

    void say(const std::string& message) { std::cerr << message << '\n'; }

    // The times --time names (s, ascending, each once), read in the scenario's units; a time
    // that is none is a usage error, before any work.
    std::vector<double> timesOf(const std::string& text, const UnitTexts& units)
    {
        std::vector<std::string> refusals;
        ValueReader reader(units, refusals);
        std::vector<double> seconds;
        for (const std::string& entry : commaEntries(text))
            if (std::optional<double> time = reader.numberWithin(
                    entry, "--time", Quantity::Time, { 0.1, 8766000.0, "h", SecondsPerHour }))
                seconds.push_back(*time);
        if (!refusals.empty())
            throw UsageError(refusals.front());
        std::sort(seconds.begin(), seconds.end());
        seconds.erase(std::unique(seconds.begin(), seconds.end()), seconds.end());
        return seconds;
    }

    // The level --exceedance names (m), read in the scenario's units; one that is none is a
    // usage error, before any work.
    double exceedanceOf(const std::string& text, const UnitTexts& units)
    {
        std::vector<std::string> refusals;
        ValueReader reader(units, refusals);
        const std::optional<double> metres = reader.numberWithin(
            text, "--exceedance", Quantity::Length, { 0.001, 10000.0, "m", 1.0 });
        if (!metres)
            throw UsageError(refusals.front());
        return *metres;
    }

    bool isTimed(Output output)
    {
        return std::find(std::begin(TimedOutputs), std::end(TimedOutputs), output)
            != std::end(TimedOutputs);
    }

    // The aquifer of a fitted scenario for this one: T, S, the method and its parameters, as
    // texts, which read alike only in the same [units]; a scenario that does not read is refused.
    void takeParameters(ScenarioTexts& texts, const std::string& path)
    {
        const ScenarioTexts from = readScenarioFile(path);
        const ScenarioReading reading = readScenario(from);
        if (!reading.accepted())
            throw ScenarioFileError("drawfield-batch: --parameters-from " + path
                + " does not read: " + reading.refusals.front());
        if (!(from.units == texts.units))
            throw ScenarioFileError("drawfield-batch: --parameters-from " + path
                + " has other [units] than the scenario: its values would be read in units they "
                  "were not written in; give both the same [units]");
        texts.transmissivity = from.transmissivity;
        texts.storage = from.storage;
        texts.method = from.method;
        texts.aquiferParameters = from.aquiferParameters;
        texts.fit = from.fit; // its intervals, reported while the values are these
        say("parameters from " + path + ": T " + from.transmissivity + ", S " + from.storage + ", "
            + from.method);
    }

    int run(const CommandLine& line, const char* program)
    {
        ScenarioComments comments;
        ScenarioTexts texts = line.scenario ? readScenarioFile(*line.scenario, &comments)
                                            : ScenarioTexts::example();
        const std::vector<double> times
            = line.times ? timesOf(*line.times, texts.units) : std::vector<double> {};
        const std::optional<double> exceedance = line.exceedance
            ? std::optional<double>(exceedanceOf(*line.exceedance, texts.units))
            : std::nullopt;
        {
            const ResultUnits units = resultUnits(texts.units);
            std::vector<std::string> tags;
            for (double seconds : times)
                tags.push_back(durationText(seconds, units));
            refuseOutputsOverInputs(line, texts, tags);
        }
        if (line.parametersFrom)
            takeParameters(texts, *line.parametersFrom);
        // Relative names (the readings) are found from the folder of the file the scenario is,
        // links followed; from the current folder for standard input or the example.
        const std::filesystem::path folder
            = line.scenario ? scenarioFolderOf(*line.scenario) : std::filesystem::current_path();
        int status = ExitCompleted;
        auto failed = [&](const std::string& message) {
            say(message);
            status = ExitRefused;
        };
        // Each output is attempted on its own; each failure is said and makes the exit status 1.
        auto attempt = [&](const std::string& path, const auto& write) {
            try {
                if (const std::string problem = write(path); !problem.empty())
                    failed(problem);
            } catch (const FileWriteError& error) {
                failed(error.what());
            } catch (const ModuleMissing& error) {
                failed(error.what());
            }
        };
        auto writeScenario = [&] {
            if (const std::optional<std::string> path = line.file(Output::WriteScenario))
                attempt(*path, [&](const std::string& file) {
                    writeScenarioFileFrom(file, texts, folder, comments);
                    return std::string();
                });
        };

        ScenarioReading reading = readScenario(texts);
        for (const std::string& warning : reading.warnings)
            say(warning);
        for (const std::string& refusal : reading.refusals)
            say(refusal);
        if (!reading.accepted()) {
            writeScenario(); // a refused run still writes it
            return ExitRefused;
        }
        ScenarioInputs inputs = reading.inputs;

        // The fit comes first: everything after it (the map, the files, the scenario written, the
        // report) takes the fitted values. A fit that fails changes nothing.
        std::optional<FitResult> fit;
        std::vector<MeasuredPoint> measured;
        const bool readsReadings = line.fit
            || std::any_of(line.files.begin(), line.files.end(),
                [](const auto& named) { return rowOf(named.first).readsReadings; });
        if (readsReadings) {
            try {
                measured = measuredPoints(inputs, folder);
            } catch (const MeasurementFileError& error) {
                failed(error.what());
            }
        }
        if (line.fit) {
            if (measured.empty() && status == ExitCompleted)
                failed("No fit was made: the scenario has no measured drawdowns (measured = FILE "
                       "in an [observation] or a [bore] section).");
            if (!measured.empty()) {
                fit = fitPumpingTest(inputs, measured, *line.fit);
                if (fit->succeeded) {
                    (line.filesOnStandardOutput() > 0 ? std::cerr : std::cout) << fitSummary(*fit);
                    inputs = fit->fitted;
                    showFitted(*fit, texts);
                    recordFit(*fit,
                        fitSource(line.scenario
                                ? std::filesystem::path(*line.scenario).filename().string()
                                : "the example",
                            measured),
                        texts);
                } else {
                    failed(fit->problem); // why it failed is a message, not a summary
                }
            }
        }
        writeScenario();

        // A georeference that cannot place the map refuses the files it would place, before the
        // computation; the rest of the run goes on.
        const bool projected = inputs.Place && !inputs.Place->Crs.empty();
        std::set<Output> unplaced;
        GridPlace gridPlace;
        // Site coordinates are only as good as their system: one that cannot place the map
        // (degrees, an unknown code) refuses the run.
        if (line.asks(Needs::Gis) || inputs.SiteCoordinates
            || (projected && (line.has(Output::Grid) || line.has(Output::Validity)))) {
            std::string problem;
            try {
                const BatchModule& gis = batchModule(Needs::Gis, program);
                problem = gis.gisFilesProblem(inputs);
                if (problem.empty() && projected)
                    gridPlace = { inputs.Place->Easting, inputs.Place->Northing,
                        gis.esriProjectionOf(inputs.Place) };
                else if (!problem.empty())
                    problem = "The georeferenced files were not written: " + problem + ".";
            } catch (const ModuleMissing& error) {
                problem = error.what();
            }
            if (!problem.empty() && inputs.SiteCoordinates) {
                say(problem.substr(0, problem.find(": "))
                            == "The georeferenced files were not written"
                        ? "The site's coordinates cannot be used: "
                            + problem.substr(problem.find(": ") + 2)
                        : problem);
                return ExitRefused;
            }
            if (!problem.empty()) {
                failed(problem);
                unplaced = { Output::GeoTiff, Output::Contours };
                if (projected)
                    unplaced.insert({ Output::Grid, Output::Validity });
            }
        }

        auto started = std::chrono::steady_clock::now();
        std::optional<RunResult> result;
        EngineOptions options;
        try {
            options.threads = line.threads;
            // The map and the report show where Cooper-Jacob holds, as far as a picture can show
            // it; --validity writes it at every node.
            options.validity
                = line.has(Output::Validity) || line.has(Output::Map) || line.has(Output::Report);
            options.validityStride = line.has(Output::Validity)
                ? 1
                : pictureValidityStride((inputs.XMax - inputs.XMin) / inputs.Step + 1,
                    (inputs.YMax - inputs.YMin) / inputs.Step + 1);
            result = computeRun(inputs, options);
        } catch (const GridAllocationError& error) {
            say(error.what());
            return ExitRefused;
        }
        for (const std::string& message : result->messages)
            say(message);
        // What the fit's uncertainty means for the map: a map per parameter set drawn.
        std::optional<MapUncertainty> uncertainty;
        if (line.uncertainty && fit && fit->succeeded) {
            try {
                uncertainty = mapUncertainty(*fit, *line.uncertainty, exceedance, line.threads);
            } catch (const UncertaintyRefused& error) {
                failed(error.what());
            } catch (const GridAllocationError& error) {
                failed(error.what());
            }
        }
        const MapUncertainty* bands = uncertainty ? &*uncertainty : nullptr;
        const BatchRun batch { line, *result, inputs, reading.inputs, measured, fit, gridPlace,
            reading.warnings, {}, bands };

        // The export reads the record file: with --surfer it is written even without --record.
        const std::optional<std::string> recordFile = line.surfer
            ? line.file(Output::Record).value_or(defaultRecordFile())
            : line.file(Output::Record);
        for (const OptionRow& row : optionRows()) {
            if (!row.output || *row.output == Output::WriteScenario || unplaced.count(*row.output))
                continue;
            if (!times.empty() && isTimed(*row.output))
                continue; // made at the times asked, below
            const std::optional<std::string> path
                = *row.output == Output::Record ? recordFile : line.file(*row.output);
            if (!path)
                continue;
            attempt(*path, [&](const std::string& file) {
                const OutputWriter write = row.needs == Needs::Program
                    ? row.writer
                    : batchModule(row.needs, program).writerOf(*row.output);
                return write(file, batch);
            });
        }
        // --time: the maps at each time asked, a file each (NAME_30d.EXT), the GeoTIFF a band each.
        std::vector<std::pair<ScenarioInputs, RunResult>> timed;
        for (double seconds : times) {
            ScenarioInputs at = inputs;
            at.PumpTimeSeconds = seconds;
            std::optional<RunResult> there;
            try {
                there = computeRun(at, options);
            } catch (const GridAllocationError& error) {
                say(error.what());
                return ExitRefused;
            }
            timed.emplace_back(std::move(at), std::move(*there));
        }
        // With --uncertainty, the same draws at each time.
        std::vector<std::optional<MapUncertainty>> timedBands(timed.size());
        for (std::size_t i = 0; i < timed.size() && bands; ++i)
            try {
                timedBands[i] = mapUncertainty(*fit, *line.uncertainty, exceedance, line.threads,
                    {}, timed[i].first.PumpTimeSeconds);
            } catch (const UncertaintyRefused& error) {
                failed(error.what());
                break;
            } catch (const GridAllocationError& error) {
                failed(error.what());
                break;
            }
        std::vector<TimedMap> timedMaps;
        for (std::size_t i = 0; i < timed.size(); ++i)
            timedMaps.push_back(
                { &timed[i].first, &timed[i].second, timedBands[i] ? &*timedBands[i] : nullptr });
        for (const auto& [at, there] : timed) {
            const BatchRun batchAt { line, there, at, reading.inputs, measured, fit, gridPlace,
                reading.warnings, timedMaps, bands };
            for (Output output : TimedOutputs) {
                const std::optional<std::string> path = line.file(output);
                if (!path || output == Output::GeoTiff || unplaced.count(output))
                    continue;
                attempt(timedFile(*path, durationText(at.PumpTimeSeconds, at.Units)),
                    [&](const std::string& file) {
                        const OptionRow& row = rowOf(output);
                        const OutputWriter write = row.needs == Needs::Program
                            ? row.writer
                            : batchModule(row.needs, program).writerOf(output);
                        return write(file, batchAt);
                    });
            }
        }
        if (!timed.empty() && line.has(Output::GeoTiff) && !unplaced.count(Output::GeoTiff)) {
            const BatchRun all { line, timed.front().second, timed.front().first, reading.inputs,
                measured, fit, gridPlace, reading.warnings, timedMaps, bands };
            attempt(*line.file(Output::GeoTiff), [&](const std::string& file) {
                return batchModule(Needs::Gis, program).writerOf(Output::GeoTiff)(file, all);
            });
        }
        if (line.surfer)
            attempt(*recordFile, [&](const std::string& file) {
                return batchModule(Needs::Pictures, program).exportToMapper(file);
            });
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        // A file on standard output keeps it to itself: the summary goes with the messages then.
        std::ostream& summary = line.filesOnStandardOutput() > 0 ? std::cerr : std::cout;
        writeSummary(summary, batch, seconds);
        if (uncertainty)
            for (const std::string& text : uncertaintyLines(*uncertainty, inputs))
                summary << text << '\n';
        if (line.failOnLimits && status == ExitCompleted && result->verdicts.anyFailed())
            return ExitLimitsPassed;
        return status;
    }

} // namespace
} // namespace drawfield

int main(int argc, char** argv)
{
    using namespace drawfield;
    int status = ExitRefused;
    try {
        status = run(parseCommandLine(argc, argv), argv[0]);
    } catch (const UsageError& error) {
        std::cerr << "drawfield-batch: " << error.what() << "\n\n" << usage();
        status = ExitBadUsage;
    } catch (const ScenarioFileError& error) {
        std::cerr << error.what() << '\n';
        status = ExitBadUsage;
    } catch (const InputWouldBeReplaced& error) {
        std::cerr << error.what() << '\n';
        status = ExitBadUsage;
    } catch (const std::exception& error) {
        // Nothing may end the program without a word (memory running out, for one).
        std::cerr << "drawfield-batch: " << sentence(error.what()) << '\n';
        status = ExitRefused;
    }
    finishModules();
    return status;
}
