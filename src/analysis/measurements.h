#pragma once

// Drawdowns measured in a pumping test: time-drawdown readings at an observation point or in a
// bore, from a CSV file whose header names the units:
//
//   time_min,drawdown_m          (or minutes / seconds, time_s / hours, time_h / days, time_d;
//   0.1,0.04                      drawdown_m, drawdown_ft or drawdown_cm)
//   0.25,0.08
//
// One reading a line, the time since pumping began and the drawdown (positive downward); blank
// lines are skipped. Instead of drawdowns a logger's water levels (level_m, level_ft: up is up)
// or depths to water (depth_m, depth_ft), each with the reading at time 0 or the last before it
// as the level before pumping (the readings before pumping are then only that); and a third
// column, weight (0 or more), to count a reading more or less in a fit. Cells are separated by
// commas, or, where the header uses them, by semicolons or tabs with a decimal comma ("1,5;0,149");
// a UTF-8 byte-order mark is skipped. A file without that header, with an unknown unit, a cell that
// is not wholly a number, a negative time, a time before the one above it, a drawdown beyond
// -100..1000 m (a mark for a missing reading such as -9999), more than MostReadings readings, or in
// UTF-16 is refused, naming the file, the line and the reason, never quoting the file's bytes.

#include "scenario/scenario.h"

#include <filesystem>
#include <optional>
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
    double Weight = 1.0; // how much the reading counts in a fit's sum of squares
    bool operator==(const Reading&) const = default;
};

// The readings of a file's content; fileName names it in messages. Throws MeasurementFileError:
// "Cannot read the measured drawdowns <file> at line <n>: <reason>."
// A time column of dates and times (datetime, date_time: "2026-03-04 08:15:30") counts from
// pumpingStart (dateTimeSecondsOfText), which such a file needs.
[[nodiscard]] std::vector<Reading> parseMeasurements(std::string_view content,
    const std::string& fileName, std::optional<double> pumpingStart = std::nullopt);
[[nodiscard]] std::vector<Reading> readMeasurementFile(
    const std::filesystem::path& path, std::optional<double> pumpingStart = std::nullopt);

// A point where drawdowns were measured: an observation point, or a bore at its radius.
struct MeasuredPoint {
    std::string Name; // "Pz 30 m", or "Bore 1"
    double X = 0.0, Y = 0.0; // m
    int Bore = -1; // the pumping bore whose own readings these are, or -1
    std::filesystem::path File; // as found from the scenario's folder
    std::vector<Reading> Readings;
    // An observation point's values of the well function's Observation-scope parameters (its
    // screen: seenFrom); empty for a bore.
    std::vector<double> Values = {};
};

// Every observation point and bore of a run with a measured file, the files found from the
// scenario's folder (a relative name) and read (readSmallRegularFile: at most 16 MB of a regular
// file). A bore that pumps reads at its radius; one that never pumps is an observation well, read
// at its centre (Bore -1). Throws MeasurementFileError.
[[nodiscard]] std::vector<MeasuredPoint> measuredPoints(
    const ScenarioInputs& inputs, const std::filesystem::path& scenarioFolder);

} // namespace drawfield
