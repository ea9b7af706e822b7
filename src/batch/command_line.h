#pragma once

// drawfield-batch's command line, read and checked before any work: the outputs named once each,
// never over each other or over a file the run reads.

#include "analysis/fit.h"
#include "batch/options.h"
#include "scenario/scenario.h"
#include "views/view_angles.h"

#include <QString>

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace drawfield {

inline constexpr int ExitCompleted = 0;
inline constexpr int ExitRefused = 1;
inline constexpr int ExitBadUsage = 2;
inline constexpr int ExitLimitsPassed = 3; // with --fail-on-limits

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An output that would replace a file the run reads: the scenario, or readings it names. Such a
// slip (a tab completion to obs_r90m.csv) would destroy a pumping test's raw data.
class InputWouldBeReplaced : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    std::optional<std::string> scenario;
    std::map<Output, std::string> files;
    ViewAngles view;
    bool surfer = false;
    bool failOnLimits = false; // exit ExitLimitsPassed when a bore runs dry or a limit is passed
    unsigned threads = 0;
    std::optional<std::vector<FitParameter>> fit; // --fit: the parameters to fit
    std::optional<int> frames; // --frames: the animation's
    // --time: the times the map, surface, grid, GeoTIFF and contours are made at, as typed ("1 d,
    // 30 d"); read with the scenario's units (timesOf).
    std::optional<std::string> times;
    std::optional<std::string> title; // --title: the map picture's, with its time
    // --parameters-from: a fitted scenario whose T, S, method and its parameters the run takes.
    std::optional<std::string> parametersFrom;
    // --uncertainty: the parameter sets drawn from the fit's covariance; --exceedance: the level
    // (as typed, read in the scenario's units) whose chance of being passed is mapped.
    std::optional<int> uncertainty;
    // --smoothing: the fit chart's derivative smoothing, Bourdet's L in log cycles.
    std::optional<double> smoothing;
    bool typeCurve = false; // --type-curve: the fit picture's log-log panel as the type curve
    std::optional<std::string> exceedance;

    [[nodiscard]] std::optional<std::string> file(Output output) const;
    [[nodiscard]] bool has(Output output) const { return files.count(output) != 0; }
    // Whether an output that needs `needs` is asked for (--surfer needs the pictures' module).
    [[nodiscard]] bool asks(Needs needs) const;
    // How many of the files asked for go to standard output ("-", /dev/stdout).
    [[nodiscard]] int filesOnStandardOutput() const;
};

// The outputs --time makes at each of its times, instead of at the pumping time.
inline constexpr Output TimedOutputs[]
    = { Output::Grid, Output::Map, Output::Surface, Output::GeoTiff, Output::Contours };
// The file an output writes for one time: NAME_30d.EXT ("-" and devices stay as they are).
[[nodiscard]] std::string timedFile(const std::string& path, const std::string& time);

// Reads the command line; --help and --version are answered here and end the program. Throws
// UsageError.
[[nodiscard]] CommandLine parseCommandLine(int argc, char** argv);

// Refuses (InputWouldBeReplaced) an output that would land on the scenario or on readings it
// names.
// With --time, each timed output is checked under each time's name (timedFile with the tags).
void refuseOutputsOverInputs(const CommandLine& line, const ScenarioTexts& texts,
    const std::vector<std::string>& timeTags = {});

// The folder of this program, found without starting Qt.
[[nodiscard]] QString programFolder();
// The record file of a run with --surfer and no --record: in the data folder.
[[nodiscard]] std::string defaultRecordFile();

} // namespace drawfield
