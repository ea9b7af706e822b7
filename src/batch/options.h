#pragma once

// The one table of drawfield-batch's options: each with its lines of the usage, and for an output
// the file it writes, whether that may be standard output, what it needs loaded (Qt's GUI for a
// picture, GDAL for a GIS file: modules loaded only then), whether it reads the scenario's
// readings, and its writer when the program writes it itself.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace drawfield {

// The files a run can write, each named once on the command line.
enum class Output {
    Record,
    Grid,
    Validity,
    Curves,
    Profile,
    Map,
    Surface,
    CurvesPicture,
    WriteScenario,
    GeoTiff,
    Contours,
    Report,
    FitReport,
    FitPicture,
    Animation,
};

// What an output needs beyond the program itself: a module loaded on demand.
enum class Needs { Program, Pictures, Gis };

struct BatchRun;
// Writes an output of the run to path: "" when written, else what to say (a run without what the
// output shows); a file that cannot be written throws FileWriteError.
using OutputWriter = std::string (*)(const std::string& path, const BatchRun& run);

struct OptionRow {
    std::string_view option; // "--record"
    const char* help; // its lines of the usage, each ending in a line feed
    std::optional<Output> output; // the file it writes, for an output
    bool mayBeStandardOutput = true; // a set of files cannot go there
    Needs needs = Needs::Program;
    bool readsReadings = false; // the scenario's measured drawdowns are read for it
    OutputWriter writer = nullptr; // the program's own; null where a module (or the run) writes it
};

// Every option, in the order of the usage.
[[nodiscard]] std::span<const OptionRow> optionRows();
[[nodiscard]] const OptionRow& rowOf(Output output);
[[nodiscard]] std::string_view optionOf(Output output);
// The usage, its keys from the scenario's key table and the parameters a fit takes from theirs.
[[nodiscard]] std::string usage();

} // namespace drawfield
