// drawfield-batch: the window's computation without a window, for scripts, tests and benchmarks.

#include "files/esri_ascii_grid.h"
#include "files/atomic_file.h"
#include "compute/engine/drawdown_engine.h"
#include "analysis/fit.h"
#include "analysis/measurements.h"
#include "compute/messages.h"
#include "files/csv.h"
#include "compute/observations.h"
#include "files/record_file.h"
#include "compute/run.h"
#include "scenario/scenario.h"
#include "scenario/scenario_file.h"
#include "scenario/scenario_keys.h"
#include "files/small_file.h"
#include "files/number_text.h"
#include "scenario/text_rules.h"
#include "files/user_text.h"
#include "gis/gis_files.h"
#include "platform/file_system.h"
#include "platform/program_folders.h"
#include "surfer/process_automation.h"
#include "surfer/surfer_export.h"
#include "media/animation.h"
#include "views/chart_geometry.h"
#include "views/curves_chart.h"
#include "views/fit_chart.h"
#include "views/map_geometry.h"
#include "media/report.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <iostream>
#include <map>
#include <set>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace {

using namespace drawfield;

constexpr int ExitCompleted = 0;
constexpr int ExitRefused = 1;
constexpr int ExitBadUsage = 2;

// The usage: its keys from the scenario's key table, the parameters a fit takes from theirs.
constexpr const char* UsageText
    = "usage: drawfield-batch [SCENARIO] [--record FILE] [--grid FILE] [--validity FILE]\n"
      "                       [--curves FILE] [--profile FILE] [--map FILE] [--surface FILE]\n"
      "                       [--curves-picture FILE] [--view X,Y,Z] [--surfer] [--threads N]\n"
      "                       [--write-scenario FILE] [--geotiff FILE] [--contours FILE]\n"
      "                       [--report FILE] [--fit T,S] [--fit-report FILE]\n"
      "                       [--fit-picture FILE] [--animation FILE.gif [--frames N]]\n"
      "\n"
      "Computes the drawdown map of SCENARIO, an INI file holding the texts of the window's\n"
      "fields (without it, the window's example). Messages go to standard error, a summary to\n"
      "standard output.\n"
      "\n"
      "  --record FILE   write the X,Y,Z record file (as with \"Record XYZ\" ticked)\n"
      "  --grid FILE     write the lattice as an ESRI ASCII grid (minus the drawdown, m); with a\n"
      "                  [georeference], in its coordinates with a .prj file beside it\n"
      "  --validity FILE write where Cooper-Jacob is more than 1 % off Theis, as an ESRI ASCII\n"
      "                  grid of 1 there and 0 elsewhere on the same lattice (a Cooper-Jacob run)\n"
      "  --curves FILE   write the drawdown over time at the observation points (CSV)\n"
      "  --profile FILE  write the drawdown along the profile at the pumping time (CSV)\n"
      "  --map FILE      draw the contour map; .wmf, .svg, .pdf or .png\n"
      "  --surface FILE  draw the 3D surface; .wmf, .svg, .pdf or .png\n"
      "  --curves-picture FILE  draw the curves at the observation points and the profile;\n"
      "                  .wmf, .svg, .pdf or .png\n"
      "  --view X,Y,Z    the surface's turns about its X, Y and Z axes, degrees (default 0,0,0)\n"
      "  --surfer        hand the record file to the mapping program, as \"SURFER Grid\" does\n"
      "                  (the record goes to --record FILE, or to the data folder: see --version)\n"
      "  --threads N     use at most N threads (default: one per core)\n"
      "  --version       say the version, the folder of the resources installed with the\n"
      "                  programs and the data folder\n"
      "  --write-scenario FILE  write the scenario read, every key in its place, as the window\n"
      "                  saves it (with the fitted values after --fit; a refused run still\n"
      "                  writes it)\n"
      "  --geotiff FILE  write the drawdown (m, positive downward) as a GeoTIFF placed by\n"
      "                  [georeference]: one Float64 band, pixels centred on the nodes, NaN where\n"
      "                  there is no value; FILE ends in .tif or .tiff\n"
      "  --contours FILE write the map's contour lines (drawdown_m), the bands between them\n"
      "                  (min_m, max_m), the bores and observation points, and the boundaries;\n"
      "                  NAME.gpkg holds them as four layers; NAME.geojson writes NAME.geojson,\n"
      "                  NAME_bands.geojson, NAME_points.geojson and NAME_boundaries.geojson;\n"
      "                  NAME.shp writes NAME, NAME_bands, NAME_points and NAME_boundaries, each\n"
      "                  as .shp, .shx, .dbf, .cpg (UTF-8) and .prj. The set replaces an earlier\n"
      "                  export's as a whole; a file of those names that this program did not\n"
      "                  write is not replaced\n"
      "  --report FILE   write an A4 PDF report: the inputs, the largest drawdown in a bore, the\n"
      "                  drawdown at each bore and observation point, the map, the surface\n"
      "                  (turned by --view), the curves and the pumping test, on as many pages\n"
      "                  as they take\n"
      "  --fit T,S       fit these parameters (any of SYMBOLS, a well function's\n"
      "                  own while it is the scenario's method) to the\n"
      "                  measured drawdowns of the scenario (measured = FILE in [observationN]\n"
      "                  and [boreN]) by least squares; the estimates, their standard errors and\n"
      "                  95 % intervals, the correlations and the RMSE are printed, and the run\n"
      "                  and every file after it take the fitted values. A fit that fails says\n"
      "                  why and changes nothing\n"
      "  --fit-report FILE  write the fit: estimates and intervals, then every reading with its\n"
      "                  fitted drawdown and residual (CSV)\n"
      "  --fit-picture FILE  draw the readings and the fit: log-log with the derivative\n"
      "                  ds/d ln t, semi-log with Cooper-Jacob's line, the residuals; .wmf, .svg,\n"
      "                  .pdf or .png\n"
      "  --animation FILE.gif  the map from one minute to the pumping time as an animated GIF,\n"
      "                  one frame per time at equal steps of log time, the time on each frame,\n"
      "                  the colours of the pumping time's map throughout\n"
      "  --frames N      the animation's frames, 2 to 1000 (40)\n"
      "\n"
      "SCENARIO holds these keys, each optional (a key left out keeps the window's start-up\n"
      "text; \"#\" or \";\" starts a comment; a value in double quotes is kept as it is):\n"
      "KEYS"
      "\n"
      "A FILE of - is standard output (a picture there is PNG); the summary then goes to standard\n"
      "error. A FILE that is a device or a pipe is written into; a regular file is replaced "
      "whole.\n"
      "Each option is given once, and no two outputs may name the same file.\n"
      "\n"
      "Exit status: 0 the run completed, 1 it was refused or a file could not be written,\n"
      "2 a bad command line or scenario file.\n";

std::string usage()
{
    std::string text = UsageText;
    text.replace(text.find("KEYS"), 4, scenarioKeyList());
    text.replace(text.find("SYMBOLS"), 7, fitSymbols());
    return text;
}

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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
struct OutputOption {
    Output output;
    std::string_view option;
    bool mayBeStandardOutput = true; // a set of files cannot go to standard output
};
constexpr OutputOption OutputOptions[] = {
    { Output::Record, "--record" },
    { Output::Grid, "--grid" },
    { Output::Validity, "--validity" },
    { Output::Curves, "--curves" },
    { Output::Profile, "--profile" },
    { Output::Map, "--map" },
    { Output::Surface, "--surface" },
    { Output::CurvesPicture, "--curves-picture" },
    { Output::WriteScenario, "--write-scenario" },
    { Output::GeoTiff, "--geotiff" },
    { Output::Contours, "--contours", false },
    { Output::Report, "--report" },
    { Output::FitReport, "--fit-report" },
    { Output::FitPicture, "--fit-picture" },
    { Output::Animation, "--animation" },
};

struct CommandLine {
    std::optional<std::string> scenario;
    std::map<Output, std::string> files;
    ViewAngles view;
    bool surfer = false;
    unsigned threads = 0;
    std::optional<std::vector<FitParameter>> fit; // --fit: the parameters to fit
    std::optional<int> frames; // --frames: the animation's

    std::optional<std::string> file(Output output) const
    {
        auto found = files.find(output);
        return found == files.end() ? std::nullopt : std::optional(found->second);
    }
    bool has(Output output) const { return files.count(output) != 0; }

    // How many of the files asked for go to standard output ("-", /dev/stdout).
    int filesOnStandardOutput() const
    {
        int count = 0;
        for (const auto& [output, path] : files)
            count += AtomicFile::isStandardOutput(path) ? 1 : 0;
        return count;
    }
};

std::string_view optionOf(Output output)
{
    for (const OutputOption& option : OutputOptions)
        if (option.output == output)
            return option.option;
    return {};
}

ViewAngles parseView(const std::string& text)
{
    double angles[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t end = i < 2 ? text.find(',', start) : text.size();
        if (end == std::string::npos)
            end = text.size();
        auto [stop, error] = std::from_chars(text.data() + start, text.data() + end, angles[i]);
        if (error != std::errc() || stop != text.data() + end || !std::isfinite(angles[i]))
            throw UsageError("--view needs three angles in degrees, such as 20,0,-40, not "
                + quotedExcerpt(text));
        start = end + 1;
    }
    if (start <= text.size())
        throw UsageError(
            "--view needs three angles in degrees, such as 20,0,-40, not " + quotedExcerpt(text));
    return { angles[0], angles[1], angles[2] };
}

// The folder of this program, found without starting Qt.
QString programFolder()
{
    const std::filesystem::path self = programPath();
    return self.empty() ? QStringLiteral(".")
                        : QFile::decodeName(QByteArray::fromStdString(self.parent_path().string()));
}

// The record file of a run with --surfer and no --record: in the data folder.
std::string defaultRecordFile()
{
    return QFile::encodeName(dataFolder(programFolder()) + QStringLiteral("/drawfield.dat"))
        .toStdString();
}

// Every file a command line writes, each with the option that names it: the files themselves,
// the siblings of a set (a shapefile's parts, a grid's .prj) and what the mapping program makes
// beside the record file.
std::vector<std::pair<std::string_view, std::filesystem::path>> filesWritten(
    const CommandLine& line)
{
    std::vector<std::pair<std::string_view, std::filesystem::path>> written;
    for (const auto& [output, path] : line.files) {
        const std::string_view option = optionOf(output);
        if (output == Output::Contours && vectorFormatOf(path)) {
            for (const std::filesystem::path& file : contourFilesOf(path))
                written.emplace_back(option, file);
            continue;
        }
        written.emplace_back(option, path);
        if (output == Output::Grid || output == Output::Validity)
            written.emplace_back(option, std::filesystem::path(path).replace_extension(".prj"));
    }
    if (line.surfer) {
        const std::filesystem::path record
            = line.file(Output::Record).value_or(defaultRecordFile());
        if (!line.has(Output::Record))
            written.emplace_back("--surfer", record);
        for (const char* extension : { ".grd", ".bmp", ".srf" })
            written.emplace_back(
                "--surfer", std::filesystem::path(record).replace_extension(extension));
    }
    return written;
}

// Two outputs that would land in one file: the second would overwrite the first, or mix with it.
// Devices such as /dev/null take any number of them; standard output takes one.
void refuseOutputsNamedAlike(const CommandLine& line)
{
    const auto written = filesWritten(line);
    for (std::size_t a = 0; a < written.size(); ++a)
        for (std::size_t b = 0; b < a; ++b) {
            if (!landsIn(written[a].second, written[b].second))
                continue;
            if (AtomicFile::isStandardOutput(written[a].second))
                throw UsageError("only one file can go to standard output (-)");
            throw UsageError(std::string(written[b].first)
                + (written[b].first == written[a].first
                        ? " writes "
                        : " and " + std::string(written[a].first) + " both write ")
                + printablePath(written[a].second.native())
                + (written[b].first == written[a].first ? " twice" : "")
                + "; name each output differently");
        }
}

// An output that would replace a file the run reads: the scenario, or readings it names. Such a
// slip (a tab completion to obs_r90m.csv) would destroy a pumping test's raw data.
class InputWouldBeReplaced : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void refuseOutputsOverInputs(const CommandLine& line, const ScenarioTexts& texts)
{
    std::vector<std::pair<std::string, std::filesystem::path>> inputs;
    std::filesystem::path folder = std::filesystem::current_path();
    if (line.scenario && !isStandardInput(*line.scenario)) {
        inputs.emplace_back("the scenario", *line.scenario);
        folder = scenarioFolderOf(*line.scenario);
    }
    auto readings = [&](const std::string& name, const std::string& of) {
        if (!name.empty())
            inputs.emplace_back("the readings of " + of,
                std::filesystem::path(name).is_absolute() ? std::filesystem::path(name)
                                                          : folder / name);
    };
    for (std::size_t i = 0; i < texts.observations.size(); ++i)
        readings(texts.observations[i].measured,
            texts.observations[i].name.empty() ? "observation point " + std::to_string(i + 1)
                                               : quotedExcerpt(texts.observations[i].name));
    for (std::size_t i = 0; i < texts.bores.size(); ++i)
        readings(texts.bores[i].measured, "bore " + std::to_string(i + 1));
    for (const auto& [option, file] : filesWritten(line)) {
        for (std::size_t i = 0; i < inputs.size(); ++i)
            if (landsIn(file, inputs[i].second))
                throw InputWouldBeReplaced("drawfield-batch: " + std::string(option) + " "
                    + printablePath(file.native()) + " would replace " + inputs[i].first + ", "
                    + printablePath(inputs[i].second.native())
                    + ", which this run reads; nothing was written. Name another file.");
    }
}

// Refuses a file for output whose name does not end in one of extensions (any letter case),
// unless it goes straight into a device or standard output.
void requireExtension(const CommandLine& line, Output output,
    std::initializer_list<std::string_view> extensions, const char* said)
{
    const std::optional<std::string> path = line.file(output);
    if (!path)
        return;
    std::string extension = std::filesystem::path(*path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    bool device = false;
    try {
        device = replacedFileOf(*path).direct;
    } catch (const std::system_error&) {
    }
    if (!device && std::find(extensions.begin(), extensions.end(), extension) == extensions.end())
        throw UsageError(std::string(optionOf(output)) + " needs a name ending in " + said
            + ", not " + quotedExcerpt(*path, 200));
}

CommandLine parseCommandLine(int argc, char** argv)
{
    CommandLine line;
    std::set<std::string> given;
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
        if (name.starts_with("--") && !given.insert(std::string(name)).second)
            throw UsageError(quotedExcerpt(name) + " was given twice; give each option once");
        const auto output = std::find_if(std::begin(OutputOptions), std::end(OutputOptions),
            [&](const OutputOption& option) { return option.option == name; });
        if (name == "--help" || name == "-h") {
            std::cout << usage();
            std::exit(ExitCompleted);
        } else if (name == "--version") {
            // Where this copy finds what is installed with it, and where it writes its data.
            const QString folder = programFolder();
            std::cout << "drawfield-batch 2.0\nresources: "
                      << QFile::encodeName(
                             QFileInfo(resourceFile(folder, QStringLiteral("drawfield.rtf")))
                                 .absolutePath())
                             .toStdString()
                      << "\ndata: " << QFile::encodeName(dataFolder(folder)).toStdString() << "\n";
            std::exit(ExitCompleted);
        } else if (output != std::end(OutputOptions)) {
            std::string path = optionValue();
            if (!output->mayBeStandardOutput && AtomicFile::isStandardOutput(path))
                throw UsageError(std::string(name) + " needs a file, not standard output");
            line.files[output->output] = path;
        } else if (name == "--fit") {
            std::string problem;
            line.fit = fitParametersOfText(optionValue(), problem);
            if (!line.fit)
                throw UsageError("--fit: " + problem);
        } else if (name == "--frames") {
            const std::string text = optionValue();
            int frames = 0;
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), frames);
            if (error != std::errc() || end != text.data() + text.size() || frames < 2
                || frames > MostAnimationFrames)
                throw UsageError("--frames needs a whole number from 2 to "
                    + std::to_string(MostAnimationFrames) + ", not " + quotedExcerpt(text));
            line.frames = frames;
        } else if (name == "--view") {
            line.view = parseView(optionValue());
        } else if (name == "--surfer") {
            line.surfer = true;
        } else if (name == "--threads") {
            std::string text = optionValue();
            unsigned threads = 0;
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threads);
            if (error != std::errc() || end != text.data() + text.size() || threads < 1
                || threads > 1024)
                throw UsageError(
                    "--threads needs a whole number from 1 to 1024, not " + quotedExcerpt(text));
            line.threads = threads;
        } else if (name.starts_with("-") && name.size() > 1) {
            throw UsageError("unknown option " + quotedExcerpt(name));
        } else if (line.scenario) {
            throw UsageError("only one scenario file, please: " + quotedExcerpt(argument));
        } else {
            line.scenario = std::string(argument);
        }
    }
    // A GeoTIFF is a .tif or .tiff file, an animation a .gif, a picture a .wmf, .svg, .pdf or
    // .png, or each goes straight into a device or standard output: refused before any work.
    requireExtension(line, Output::GeoTiff, { ".tif", ".tiff" }, ".tif or .tiff");
    requireExtension(line, Output::Animation, { ".gif" }, ".gif");
    for (Output picture :
        { Output::Map, Output::Surface, Output::CurvesPicture, Output::FitPicture })
        requireExtension(
            line, picture, { ".wmf", ".svg", ".pdf", ".png" }, ".wmf, .svg, .pdf or .png");
    if (line.surfer && line.has(Output::Record)
        && AtomicFile::isStandardOutput(*line.file(Output::Record)))
        throw UsageError("--surfer needs the record file in a file, not on standard output");
    if (!line.fit && (line.has(Output::FitReport) || line.has(Output::FitPicture)))
        throw UsageError(std::string(line.has(Output::FitReport) ? "--fit-report" : "--fit-picture")
            + " goes with --fit, which names the parameters to fit (--fit T,S)");
    if (line.frames && !line.has(Output::Animation))
        throw UsageError("--frames goes with --animation, which names the GIF to write");
    refuseOutputsNamedAlike(line);
    return line;
}

// A path from the command line as Qt names it: the same bytes, whatever they are.
QString qtPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

void say(const std::string& message) { std::cerr << message << '\n'; }

// The well function as the summary line names it: "Theis", "Cooper-Jacob".
std::string summaryName(WellMethod method)
{
    const std::string label = wellFunction(method).label;
    return label.substr(0, label.find(" ("));
}

std::string metres(double value)
{
    std::string text = realText(value);
    return text.front() == ' ' ? text.substr(1) : text;
}

// What the window's charts would show of the run.
ChartSource chartSourceOf(
    const DrawdownResult& result, const ScenarioInputs& inputs, unsigned threads)
{
    ChartSource source { result.grid, inputs.Step, inputs.Step,
        chartOverlays(inputs, result.validity) };
    source.threads = threads;
    return source;
}

// Draws the run's map or surface as the window's chart would show it, the surface turned by
// --view. Returns "" when written, else the reason.
QString drawPicture(ChartKind kind, const std::string& path, const CommandLine& line,
    const DrawdownResult& result, const ScenarioInputs& inputs)
{
    const std::optional<PictureFormat> format
        = path == "-" ? PictureFormat::Png : pictureFormatOf(path);
    if (!format)
        return pictureError(path, QStringLiteral("the name must end in .wmf, .svg, .pdf or .png"));
    return ChartPicture(kind, chartSourceOf(result, inputs, line.threads), line.view)
        .write(path, *format, QSize(960, 720));
}

// Writes the report of the run, with the pumping test when there are readings. Returns "" when
// written, else the reason.
QString writeReportOf(const std::string& path, const CommandLine& line, const RunResult& run,
    const ScenarioInputs& inputs, const ScenarioInputs& read,
    const std::vector<MeasuredPoint>& measured, const std::optional<FitResult>& fit)
{
    const QString name = line.scenario ? QFileInfo(qtPath(*line.scenario)).fileName()
                                       : QStringLiteral("the example (no scenario file)");
    ReportContent content = reportContentOf(inputs, run.map.grid, run.map.largest,
        chartOverlays(inputs, run.map.validity), curvesData(inputs, run.curves, run.profile), name,
        line.view);
    if (!measured.empty())
        addPumpingTest(content, fitChartData(read, measured, fit ? &*fit : nullptr),
            fit ? fitSummary(*fit)
                : "The readings, not fitted (drawfield-batch --fit T,S fits them).");
    return writeReport(path, content);
}

// Hands the record file to the mapping program as the window does. Returns "" when the export
// completed, else what to say; refusals of single steps are no failure.
std::string exportToMapper(const std::string& recordFile)
{
    // Names travel to the mapping program as text: one that is not valid text would name
    // another file there.
    const QString record = qtPath(recordFile);
    if (QFile::encodeName(record).toStdString() != recordFile)
        return "The record file's name " + quotedExcerpt(recordFile, 200)
            + " is not valid text (UTF-8), so the mapping program cannot be given it; the export "
              "was not made.";
    ProcessAutomationClient client(
        ProcessAutomationClient::mapperIn(QCoreApplication::applicationDirPath()));
    ExportOutcome outcome = SURFER_Export(client, record);
    if (outcome.end == ExportOutcome::End::Completed)
        return {};
    return exportMessage(outcome, record).toLocal8Bit().toStdString();
}

// Qt, off screen, for the pictures and the export: no window is ever shown. Qt's own notes (such
// as a missing runtime folder) are not the program's messages; only its errors are passed on.
std::unique_ptr<QApplication> startQt(const char* program)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << "drawfield-batch: " << message.toStdString() << '\n';
    });
    static int argc = 1;
    static char* argv[] = { const_cast<char*>(program), nullptr };
    return std::make_unique<QApplication>(argc, argv);
}

int run(const CommandLine& line, const char* program)
{
    ScenarioComments comments;
    ScenarioTexts texts
        = line.scenario ? readScenarioFile(*line.scenario, &comments) : ScenarioTexts::example();
    refuseOutputsOverInputs(line, texts);
    // Relative names (the readings) are found from the folder of the file the scenario is, links
    // followed; from the current folder for standard input or the example.
    const std::filesystem::path folder
        = line.scenario ? scenarioFolderOf(*line.scenario) : std::filesystem::current_path();
    int status = ExitCompleted;
    auto failed = [&](const std::string& message) {
        say(message);
        status = ExitRefused;
    };
    // Each output is attempted on its own; each failure is said and makes the exit status 1.
    auto attempt = [&](Output output, const auto& write) {
        const std::optional<std::string> path = line.file(output);
        if (!path)
            return;
        try {
            if (const QString error = write(*path); !error.isEmpty())
                failed(error.toLocal8Bit().toStdString());
        } catch (const FileWriteError& error) {
            failed(error.what());
        }
    };
    auto written = [](const auto& write) {
        return [write](const std::string& path) {
            write(path);
            return QString();
        };
    };
    auto writeScenario = [&] {
        attempt(Output::WriteScenario, written([&](const std::string& path) {
            writeScenarioFileFrom(path, texts, folder, comments);
        }));
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
    if (line.fit || line.has(Output::Report) || line.has(Output::FitPicture)) {
        try {
            measured = measuredPoints(inputs, folder);
        } catch (const MeasurementFileError& error) {
            failed(error.what());
        }
    }
    if (line.fit) {
        if (measured.empty() && status == ExitCompleted)
            failed("No fit was made: the scenario has no measured drawdowns (measured = FILE in "
                   "an [observation] or a [bore] section).");
        if (!measured.empty()) {
            fit = fitPumpingTest(inputs, measured, *line.fit);
            if (fit->succeeded) {
                (line.filesOnStandardOutput() > 0 ? std::cerr : std::cout) << fitSummary(*fit);
                inputs = fit->fitted;
                showFitted(*fit, texts);
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
    if (line.has(Output::GeoTiff) || line.has(Output::Contours)
        || (projected && (line.has(Output::Grid) || line.has(Output::Validity)))) {
        const std::string problem
            = georeferenceProblem(inputs.Place, inputs.XMin, inputs.YMin, inputs.XMax, inputs.YMax);
        if (!problem.empty()) {
            failed("The georeferenced files were not written: " + problem + ".");
            unplaced = { Output::GeoTiff, Output::Contours };
            if (projected)
                unplaced.insert({ Output::Grid, Output::Validity });
        }
    }

    auto started = std::chrono::steady_clock::now();
    std::optional<RunResult> result;
    try {
        EngineOptions options;
        options.threads = line.threads;
        // The map and the report show where Cooper-Jacob holds, as far as a picture can show it;
        // --validity writes it at every node.
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
    const RunResult& run = *result;
    const DrawdownResult& map = run.map;
    for (const std::string& message : run.messages)
        say(message);

    std::unique_ptr<QApplication> qt;
    if (line.has(Output::Map) || line.has(Output::Surface) || line.has(Output::CurvesPicture)
        || line.surfer || line.has(Output::Report) || line.has(Output::FitPicture)
        || line.has(Output::Animation))
        qt = startQt(program);
    // The export reads the record file: with --surfer it is written even without --record.
    const std::optional<std::string> recordFile = line.surfer
        ? line.file(Output::Record).value_or(defaultRecordFile())
        : line.file(Output::Record);

    if (recordFile) {
        try {
            writeRecordFile(*recordFile, *map.grid, RecordLines::DrawdownNodes);
        } catch (const FileWriteError& error) {
            failed(error.what());
        }
    }
    const GridPlace gridPlace = projected ? GridPlace { inputs.Place->Easting,
        inputs.Place->Northing, esriProjectionOf(inputs.Place) }
                                          : GridPlace {};
    if (!unplaced.count(Output::Grid))
        attempt(Output::Grid, written([&](const std::string& path) {
            writeAsciiGrid(path, *map.grid, !inputs.Boundaries.empty(), gridPlace);
        }));
    if (line.has(Output::Validity) && !map.validity)
        failed("No validity grid was written: it shows where Cooper-Jacob is more than 1 % off "
               "Theis, and this run is Theis.");
    else if (!unplaced.count(Output::Validity))
        attempt(Output::Validity, written([&](const std::string& path) {
            writeValidityGrid(path, *map.grid, *map.validity, gridPlace);
        }));
    if (line.has(Output::Curves) && inputs.Observations.empty())
        failed("No curves were written: the scenario has no observation point.");
    else
        attempt(Output::Curves,
            written([&](const std::string& path) { writeCurvesFile(path, run.curves); }));
    if (line.has(Output::Profile) && !inputs.ProfileLine)
        failed("No profile was written: the scenario has no [profile].");
    else
        attempt(Output::Profile,
            written([&](const std::string& path) { writeProfileFile(path, run.profile); }));
    attempt(Output::Map, [&](const std::string& path) {
        return drawPicture(ChartKind::ContourMap, path, line, map, inputs);
    });
    attempt(Output::Surface, [&](const std::string& path) {
        return drawPicture(ChartKind::Surface, path, line, map, inputs);
    });
    if (line.has(Output::CurvesPicture) && inputs.Observations.empty() && !inputs.ProfileLine)
        failed("No curves picture was drawn: the scenario has no observation point and no "
               "[profile].");
    else
        attempt(Output::CurvesPicture, [&](const std::string& path) {
            const CurvesData curves = curvesData(inputs, run.curves, run.profile);
            const std::optional<PictureFormat> format
                = path == "-" ? PictureFormat::Png : pictureFormatOf(path);
            return format ? writePicture(path, *format, QSize(960, 720),
                       [&](QPainter& painter, const QRectF& target) {
                           paintCurves(painter, target, curves);
                       })
                          : pictureError(path,
                              QStringLiteral("the name must end in .wmf, .svg, .pdf or .png"));
        });
    attempt(Output::Animation, written([&](const std::string& path) {
        writeAnimation(path, inputs, line.frames.value_or(DefaultAnimationFrames), { 800, 600 }, {},
            {}, line.threads);
    }));
    if (!unplaced.count(Output::GeoTiff))
        attempt(Output::GeoTiff,
            written([&](const std::string& path) { writeGeoTiff(path, *map.grid, inputs.Place); }));
    if (!unplaced.count(Output::Contours))
        attempt(Output::Contours, written([&](const std::string& path) {
            for (const std::string& note : writeContours(
                     path, *map.grid, mapLevels(map.grid, line.threads), gisFeaturesOf(inputs), inputs.Place))
                say(note);
        }));
    attempt(Output::Report, [&](const std::string& path) {
        return writeReportOf(path, line, run, inputs, reading.inputs, measured, fit);
    });
    if (line.has(Output::FitReport) && !(fit && fit->succeeded))
        failed("No fit report was written: there is no fit.");
    else
        attempt(Output::FitReport,
            written([&](const std::string& path) { writeFitReport(path, *fit); }));
    if (line.has(Output::FitPicture) && measured.empty())
        failed("No fit picture was drawn: there are no readings.");
    else
        attempt(Output::FitPicture, [&](const std::string& path) {
            const FitChartData chart
                = fitChartData(reading.inputs, measured, fit ? &*fit : nullptr);
            const std::optional<PictureFormat> format
                = path == "-" ? PictureFormat::Png : pictureFormatOf(path);
            return format ? writePicture(path, *format, QSize(1200, 800),
                       [&](QPainter& painter, const QRectF& target) {
                           paintFitChart(painter, target, chart);
                       })
                          : pictureError(path,
                              QStringLiteral("the name must end in .wmf, .svg, .pdf or .png"));
        });
    if (line.surfer)
        if (const std::string message = exportToMapper(*recordFile); !message.empty())
            failed(message);
    double seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const DrawdownGrid& grid = *map.grid;
    long long nodes = static_cast<long long>(grid.columnCount()) * grid.rowCount();
    // A file on standard output keeps it to itself: the summary goes with the messages then.
    std::ostream& summary = line.filesOnStandardOutput() > 0 ? std::cerr : std::cout;
    summary << "map " << grid.xMin() << ".." << grid.xMax() << " x " << grid.yMin() << ".."
            << grid.yMax() << " m, cell " << grid.nodeSpacing() << " m: " << nodes << " nodes; "
            << summaryName(inputs.Method);
    // The well function's own parameters, as its table names them: ", B 745 m".
    const WellFunction& row = wellFunction(inputs.Method);
    for (std::size_t i = 0; i < row.parameters.size(); ++i)
        if (row.parameters[i].scope == ParameterScope::Aquifer)
            summary << ", " << row.parameters[i].symbol << " "
                    << metres(inputs.AquiferValues.at(i) / row.parameters[i].perShownUnit) << " "
                    << row.parameters[i].unit;
    summary << (inputs.Unconfined ? ", unconfined" : "");
    // The headline as the report gives it: in a bore, at its radius; then the map's largest node.
    if (const LargestBoreDrawdown inBore = largestBoreDrawdown(inputs); inBore.bore >= 0)
        summary << "; largest drawdown in a bore " << metres(inBore.metres) << " m (bore "
                << inBore.bore + 1 << ", at " << inBore.radiusMetres << " m from it)";
    summary << "; largest on the map's nodes " << metres(map.largest.drawdown) << " m at ("
            << map.largest.x << ", " << map.largest.y << "); " << seconds << " s\n";
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(parseCommandLine(argc, argv), argv[0]);
    } catch (const UsageError& error) {
        std::cerr << "drawfield-batch: " << error.what() << "\n\n" << usage();
        return ExitBadUsage;
    } catch (const ScenarioFileError& error) {
        std::cerr << error.what() << '\n';
        return ExitBadUsage;
    } catch (const InputWouldBeReplaced& error) {
        std::cerr << error.what() << '\n';
        return ExitBadUsage;
    } catch (const std::exception& error) {
        // Nothing may end the program without a word (memory running out, for one).
        std::cerr << "drawfield-batch: " << sentence(error.what()) << '\n';
        return ExitRefused;
    }
}
