// drawfield-batch: the window's computation without a window, for scripts, tests and benchmarks.

#include "batch/ascii_grid.h"
#include "batch/scenario_file.h"
#include "compute/atomic_file.h"
#include "compute/drawdown_engine.h"
#include "compute/messages.h"
#include "compute/record_file.h"
#include "compute/scenario.h"
#include "compute/text_rules.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace drawfield;

constexpr int ExitCompleted = 0;
constexpr int ExitRefused = 1;
constexpr int ExitBadUsage = 2;

constexpr const char* Usage
    = "usage: drawfield-batch [SCENARIO] [--record FILE] [--grid FILE] [--threads N]\n"
      "\n"
      "Computes the drawdown map of SCENARIO, an INI file holding the texts of the window's\n"
      "fields (without it, the window's example). Messages go to standard error, a summary to\n"
      "standard output.\n"
      "\n"
      "  --record FILE   write the X,Y,Z record file (as with \"Record XYZ\" ticked)\n"
      "  --grid FILE     write the lattice as an ESRI ASCII grid (minus the drawdown, m)\n"
      "  --threads N     use at most N threads (default: one per core)\n"
      "\n"
      "Exit status: 0 the run completed, 1 it was refused or a file could not be written,\n"
      "2 a bad command line or scenario file.\n";

struct CommandLine {
    std::optional<std::string> scenario;
    std::optional<std::string> record;
    std::optional<std::string> grid;
    unsigned threads = 0;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

CommandLine parseCommandLine(int argc, char** argv)
{
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        std::string_view name = argument, value;
        bool hasInlineValue = false;
        if (argument.starts_with("--") && argument.find('=') != std::string_view::npos) {
            name = argument.substr(0, argument.find('='));
            value = argument.substr(argument.find('=') + 1);
            hasInlineValue = true;
        }
        auto optionValue = [&]() -> std::string {
            if (hasInlineValue)
                return std::string(value);
            if (i + 1 >= argc)
                throw UsageError(std::string(name) + " needs a value");
            return argv[++i];
        };
        if (name == "--help" || name == "-h") {
            std::cout << Usage;
            std::exit(ExitCompleted);
        } else if (name == "--record") {
            line.record = optionValue();
        } else if (name == "--grid") {
            line.grid = optionValue();
        } else if (name == "--threads") {
            std::string text = optionValue();
            unsigned threads = 0;
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threads);
            if (error != std::errc() || end != text.data() + text.size() || threads < 1
                || threads > 1024)
                throw UsageError(
                    "--threads needs a whole number from 1 to 1024, not \"" + text + "\"");
            line.threads = threads;
        } else if (name.starts_with("-") && name.size() > 1) {
            throw UsageError("unknown option " + std::string(name));
        } else if (line.scenario) {
            throw UsageError("only one scenario file, please: \"" + std::string(argument) + "\"");
        } else {
            line.scenario = std::string(argument);
        }
    }
    return line;
}

void say(const std::string& message) { std::cerr << message << '\n'; }

std::string metres(double value)
{
    std::string text = realText(value);
    return text.front() == ' ' ? text.substr(1) : text;
}

int run(const CommandLine& line)
{
    ScenarioTexts texts
        = line.scenario ? readScenarioFile(*line.scenario) : ScenarioTexts::example();

    ScenarioReading reading = readScenario(texts);
    for (const std::string& warning : reading.warnings)
        say(warning);
    for (const std::string& refusal : reading.refusals)
        say(refusal);
    if (!reading.accepted())
        return ExitRefused;
    const ScenarioInputs& inputs = reading.inputs;

    auto started = std::chrono::steady_clock::now();
    std::optional<DrawdownResult> result;
    try {
        EngineOptions options;
        options.threads = line.threads;
        result = computeDrawdown(inputs, options);
    } catch (const GridAllocationError& error) {
        say(error.what());
        return ExitRefused;
    }
    if (drawdownExceedsThickness(*result, inputs))
        say(messages::DrawdownAboveThickness);

    int status = ExitCompleted;
    try {
        if (line.record)
            writeRecordFile(*line.record, *result->grid, RecordLines::DrawdownNodes);
    } catch (const FileWriteError& error) {
        say(error.what());
        status = ExitRefused;
    }
    try {
        if (line.grid)
            writeAsciiGrid(*line.grid, *result->grid);
    } catch (const FileWriteError& error) {
        say(error.what());
        status = ExitRefused;
    }
    double seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const DrawdownGrid& grid = *result->grid;
    long long nodes = static_cast<long long>(grid.columnCount()) * grid.rowCount();
    std::cout << "map " << grid.xMin() << ".." << grid.xMax() << " x " << grid.yMin() << ".."
              << grid.yMax() << " m, cell " << grid.nodeSpacing() << " m: " << nodes
              << " nodes; largest drawdown " << metres(result->largest.drawdown) << " m at ("
              << result->largest.x << ", " << result->largest.y << "); " << seconds << " s\n";
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(parseCommandLine(argc, argv));
    } catch (const UsageError& error) {
        std::cerr << "drawfield-batch: " << error.what() << "\n\n" << Usage;
        return ExitBadUsage;
    } catch (const ScenarioFileError& error) {
        std::cerr << error.what() << '\n';
        return ExitBadUsage;
    }
}
