#pragma once

// Drawdowns measured in a pumping test: time-drawdown readings at an observation point or in a
// bore, from a CSV file whose header names the units:
//
//   time_min,drawdown_m          (or minutes / seconds, time_s / hours, time_h / days, time_d;
//   0.1,0.04                      drawdown_m or drawdown_ft)
//   0.25,0.08
//
// One reading a line, the time since pumping began and the drawdown (positive downward); blank
// lines are skipped. A file without that header, with an unknown unit, a cell that is not wholly
// a number, a negative time, a time before the one above it, or more than MostReadings readings
// is refused, naming the file and the line.

#include "compute/scenario.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace drawfield {

inline constexpr std::size_t MostReadings = 100000;

class MeasurementFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Reading {
    double TimeSeconds = 0.0; // since pumping began
    double DrawdownMetres = 0.0; // positive downward
    bool operator==(const Reading&) const = default;
};

// The readings of a file's content; fileName names it in messages. Throws MeasurementFileError:
// "Cannot read the measured drawdowns <file> at line <n>: <reason>."
[[nodiscard]] std::vector<Reading> parseMeasurements(
    std::string_view content, const std::string& fileName);
[[nodiscard]] std::vector<Reading> readMeasurementFile(const std::filesystem::path& path);

// A point where drawdowns were measured: an observation point, or a bore at its radius.
struct MeasuredPoint {
    std::string Name; // "Pz 30 m", or "Bore 1"
    double X = 0.0, Y = 0.0; // m
    int Bore = -1; // the bore whose own readings these are, or -1
    std::filesystem::path File; // as found from the scenario's folder
    std::vector<Reading> Readings;
};

// Every observation point and pumping bore of a run with a measured file, the files found from
// the scenario's folder (a relative name) and read. Throws MeasurementFileError.
[[nodiscard]] std::vector<MeasuredPoint> measuredPoints(
    const ScenarioInputs& inputs, const std::filesystem::path& scenarioFolder);

// The texts with each relative measured name rewritten for a scenario file that moves from one
// folder to another, so that it still names the same file; absolute names stay.
[[nodiscard]] ScenarioTexts withMeasuredNamesMoved(const ScenarioTexts& texts,
    const std::filesystem::path& fromFolder, const std::filesystem::path& toFolder);

} // namespace drawfield
