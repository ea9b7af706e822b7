// drawfield-batch: the window's computation without a window, for scripts, tests and benchmarks.

#include "batch/ascii_grid.h"
#include "compute/atomic_file.h"
#include "compute/drawdown_engine.h"
#include "compute/messages.h"
#include "compute/observations.h"
#include "compute/record_file.h"
#include "compute/scenario.h"
#include "compute/scenario_file.h"
#include "compute/text_rules.h"
#include "compute/user_text.h"
#include "gis/gis_files.h"
#include "surfer/process_automation.h"
#include "surfer/program_folders.h"
#include "surfer/surfer_export.h"
#include "views/chart3d.h"
#include "views/curves_chart.h"
#include "views/map_geometry.h"
#include "views/plot_procedures.h"
#include "views/report.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace drawfield;

constexpr int ExitCompleted = 0;
constexpr int ExitRefused = 1;
constexpr int ExitBadUsage = 2;

constexpr const char* Usage
    = "usage: drawfield-batch [SCENARIO] [--record FILE] [--grid FILE] [--validity FILE]\n"
      "                       [--curves FILE] [--profile FILE] [--map FILE] [--surface FILE]\n"
      "                       [--curves-picture FILE] [--view X,Y,Z] [--surfer] [--threads N]\n"
      "                       [--write-scenario FILE] [--geotiff FILE] [--contours FILE]\n"
      "                       [--report FILE]\n"
      "\n"
      "Computes the drawdown map of SCENARIO, an INI file holding the texts of the window's\n"
      "fields (without it, the window's example). Messages go to standard error, a summary to\n"
      "standard output.\n"
      "\n"
      "  --record FILE   write the X,Y,Z record file (as with \"Record XYZ\" ticked)\n"
      "  --grid FILE     write the lattice as an ESRI ASCII grid (minus the drawdown, m)\n"
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
      "                  saves it (before the run, so a refused run still writes it)\n"
      "  --geotiff FILE  write the drawdown (m, positive downward) as a GeoTIFF placed by\n"
      "                  [georeference]: one Float64 band, pixels centred on the nodes, NaN where\n"
      "                  there is no value\n"
      "  --contours FILE write the map's contour lines (drawdown_m), the bands between them\n"
      "                  (min_m, max_m), the bores and observation points, and the boundaries;\n"
      "                  .gpkg holds them as four layers, .geojson or .shp as FILE and its\n"
      "                  siblings FILE_bands, FILE_points and FILE_boundaries\n"
      "  --report FILE   write a one-page A4 PDF report: the inputs, the largest drawdown, the\n"
      "                  drawdown at each bore and observation point, the map, the surface "
      "(turned\n"
      "                  by --view) and the curves\n"
      "\n"
      "SCENARIO holds these keys, each optional (a key left out keeps the window's start-up\n"
      "text; \"#\" or \";\" starts a comment; a value in double quotes is kept as it is):\n"
      "  [map]            x_min, y_min, x_max (m, the X and Y maximum), cell_size (m)\n"
      "  [aquifer]        transmissivity (m2/s), storage (%), pumping_time (hours),\n"
      "                   thickness (m), method (cooper-jacob or theis),\n"
      "                   unconfined (no or yes: Jacob's correction for the thickness)\n"
      "  [bore1]..[bore5] x, y (m), rate (m3/h), schedule (\"hour:rate, ...\": from each\n"
      "                   hour on the bore pumps that rate, m3/h; 0 stops it)\n"
      "  [boundary1], [boundary2]  kind (barrier or recharge), x1, y1, x2, y2 (two points of\n"
      "                   the line, m); two boundaries must be perpendicular\n"
      "  [observation1]..[observation10]  name, x, y (m)\n"
      "  [profile]        x1, y1, x2, y2 (m)\n"
      "  [georeference]   easting, northing (m: where the map's point (0, 0) lies), crs (an EPSG\n"
      "                   code such as EPSG:25832); without it, GIS files are in local metres\n"
      "\n"
      "A FILE of - is standard output (a picture there is PNG); the summary then goes to standard\n"
      "error. A FILE that is a device or a pipe is written into; a regular file is replaced "
      "whole.\n"
      "\n"
      "Exit status: 0 the run completed, 1 it was refused or a file could not be written,\n"
      "2 a bad command line or scenario file.\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    std::optional<std::string> scenario;
    std::optional<std::string> record;
    std::optional<std::string> grid;
    std::optional<std::string> validity;
    std::optional<std::string> curves;
    std::optional<std::string> profile;
    std::optional<std::string> map;
    std::optional<std::string> surface;
    std::optional<std::string> curvesPicture;
    std::optional<std::string> writeScenario;
    std::optional<std::string> geotiff;
    std::optional<std::string> contours;
    std::optional<std::string> report;
    ViewAngles view;
    bool surfer = false;
    unsigned threads = 0;

    // How many of the files asked for go to standard output ("-", /dev/stdout).
    int filesOnStandardOutput() const
    {
        int count = 0;
        for (const auto* output : { &record, &grid, &validity, &curves, &profile, &map, &surface,
                 &curvesPicture, &writeScenario, &report })
            count += *output && AtomicFile::isStandardOutput(**output) ? 1 : 0;
        return count;
    }
};

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

// The folder of this program, found without starting Qt (from /proc/self/exe).
QString programFolder()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? QStringLiteral(".")
                 : QFile::decodeName(QByteArray::fromStdString(self.parent_path().string()));
}

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
        } else if (name == "--record") {
            line.record = optionValue();
        } else if (name == "--grid") {
            line.grid = optionValue();
        } else if (name == "--validity") {
            line.validity = optionValue();
        } else if (name == "--curves") {
            line.curves = optionValue();
        } else if (name == "--profile") {
            line.profile = optionValue();
        } else if (name == "--curves-picture") {
            line.curvesPicture = optionValue();
        } else if (name == "--write-scenario") {
            line.writeScenario = optionValue();
        } else if (name == "--geotiff" || name == "--contours") {
            std::string path = optionValue();
            if (AtomicFile::isStandardOutput(path))
                throw UsageError(std::string(name) + " needs a file, not standard output");
            (name == "--geotiff" ? line.geotiff : line.contours) = path;
        } else if (name == "--report") {
            line.report = optionValue();
        } else if (name == "--map") {
            line.map = optionValue();
        } else if (name == "--surface") {
            line.surface = optionValue();
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
    if (line.filesOnStandardOutput() > 1)
        throw UsageError("only one file can go to standard output (-)");
    if (line.surfer && line.record && AtomicFile::isStandardOutput(*line.record))
        throw UsageError("--surfer needs the record file in a file, not on standard output");
    return line;
}

// A path from the command line as Qt names it: the same bytes, whatever they are.
QString qtPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

void say(const std::string& message) { std::cerr << message << '\n'; }

std::string metres(double value)
{
    std::string text = realText(value);
    return text.front() == ' ' ? text.substr(1) : text;
}

// Fills a chart with the run as the window's would show it, the surface turned by --view.
void fillChart(Chart3D& chart, const CommandLine& line, const DrawdownResult& result,
    const ScenarioInputs& inputs)
{
    const PlotSource source { result.grid, inputs.XMax, inputs.YMax, inputs.Step,
        chartOverlays(inputs, result.validity) };
    chart.setViewAngle(RotationAxis::X, line.view.x);
    chart.setViewAngle(RotationAxis::Y, line.view.y);
    chart.setViewAngle(RotationAxis::Z, line.view.z);
    if (chart.presentation() == Chart3D::Presentation::ContourMap)
        PlotMap(chart, source);
    else
        Plot3D(chart, source);
}

// Draws the run's map and surface as the window's charts would show them. Returns false when a
// picture could not be written (its message said).
bool drawPictures(
    const CommandLine& line, const DrawdownResult& result, const ScenarioInputs& inputs)
{
    bool written = true;
    auto draw = [&](Chart3D::Presentation presentation, const std::string& path) {
        Chart3D chart(presentation);
        chart.resize(960, 720);
        fillChart(chart, line, result, inputs);
        QString error = path == "-" ? chart.writePictureFile(path, PictureFormat::Png)
                                    : chart.savePicture(path);
        if (!error.isEmpty()) {
            say(error.toLocal8Bit().toStdString());
            written = false;
        }
    };
    if (line.map)
        draw(Chart3D::Presentation::ContourMap, *line.map);
    if (line.surface)
        draw(Chart3D::Presentation::Surface, *line.surface);
    return written;
}

// Writes the one-page report of the run. Returns false when it could not be written (its message
// said).
bool writeReportOf(
    const CommandLine& line, const DrawdownResult& result, const ScenarioInputs& inputs)
{
    Chart3D map(Chart3D::Presentation::ContourMap);
    fillChart(map, line, result, inputs);
    Chart3D surface(Chart3D::Presentation::Surface);
    fillChart(surface, line, result, inputs);
    const CurvesData curves = curvesData(inputs);

    ReportContent content;
    content.inputs = inputs;
    content.grid = result.grid;
    content.largestDrawdown = result.largest.drawdown;
    content.largestX = result.largest.x;
    content.largestY = result.largest.y;
    content.scenarioName = line.scenario ? QFileInfo(qtPath(*line.scenario)).fileName()
                                         : QStringLiteral("the example (no scenario file)");
    content.made = QDateTime::currentDateTime();
    content.map = [&](QPainter& painter, const QRectF& area) { map.paintChart(painter, area); };
    content.surface
        = [&](QPainter& painter, const QRectF& area) { surface.paintChart(painter, area); };
    if (!inputs.Observations.empty() || inputs.ProfileLine)
        content.curves
            = [&](QPainter& painter, const QRectF& area) { paintCurves(painter, area, curves); };
    const QString error = writeReport(*line.report, content);
    if (error.isEmpty())
        return true;
    say(error.toLocal8Bit().toStdString());
    return false;
}

// Hands the record file to the mapping program as the window does. Returns false when the export
// did not complete (its message said); refusals of single steps are no failure.
bool exportToMapper(const std::string& recordFile)
{
    // Names travel to the mapping program as text: one that is not valid text would name
    // another file there.
    const QString record = qtPath(recordFile);
    if (QFile::encodeName(record).toStdString() != recordFile) {
        say("The record file's name " + quotedExcerpt(recordFile, 200)
            + " is not valid text (UTF-8), so the mapping program cannot be given it; the export "
              "was not made.");
        return false;
    }
    ProcessAutomationClient client(
        ProcessAutomationClient::mapperIn(QCoreApplication::applicationDirPath()));
    ExportOutcome outcome = SURFER_Export(client, record);
    if (outcome.end == ExportOutcome::End::Completed)
        return true;
    say(exportMessage(outcome, record).toLocal8Bit().toStdString());
    return false;
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
    ScenarioTexts texts
        = line.scenario ? readScenarioFile(*line.scenario) : ScenarioTexts::example();
    bool scenarioWritten = true;
    if (line.writeScenario) {
        try {
            writeScenarioFile(*line.writeScenario, texts);
        } catch (const FileWriteError& error) {
            say(error.what());
            scenarioWritten = false;
        }
    }

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
        // The map shows where Cooper-Jacob holds; --validity writes it.
        options.validity = line.validity.has_value() || line.map.has_value();
        result = computeDrawdown(inputs, options);
    } catch (const GridAllocationError& error) {
        say(error.what());
        return ExitRefused;
    }
    for (const std::string& message : messagesAfterRun(*result, inputs))
        say(message);

    std::unique_ptr<QApplication> qt;
    if (line.map || line.surface || line.curvesPicture || line.surfer || line.report)
        qt = startQt(program);
    // The export reads the record file: with --surfer it is written even without --record.
    std::optional<std::string> recordFile = line.record;
    if (line.surfer && !recordFile)
        recordFile = QFile::encodeName(
            dataFolder(QCoreApplication::applicationDirPath()) + QStringLiteral("/drawfield.dat"))
                         .toStdString();

    int status = scenarioWritten ? ExitCompleted : ExitRefused;
    try {
        if (recordFile)
            writeRecordFile(*recordFile, *result->grid, RecordLines::DrawdownNodes);
    } catch (const FileWriteError& error) {
        say(error.what());
        status = ExitRefused;
    }
    try {
        if (line.grid)
            writeAsciiGrid(*line.grid, *result->grid, !inputs.Boundaries.empty());
    } catch (const FileWriteError& error) {
        say(error.what());
        status = ExitRefused;
    }
    if (line.validity && !result->validity) {
        say("No validity grid was written: it shows where Cooper-Jacob is more than 1 % off "
            "Theis, and this run is Theis.");
        status = ExitRefused;
    }
    try {
        if (line.validity && result->validity)
            writeValidityGrid(*line.validity, *result->grid, *result->validity);
    } catch (const FileWriteError& error) {
        say(error.what());
        status = ExitRefused;
    }
    if (line.curves && inputs.Observations.empty()) {
        say("No curves were written: the scenario has no observation point.");
        status = ExitRefused;
    }
    if (line.profile && !inputs.ProfileLine) {
        say("No profile was written: the scenario has no [profile].");
        status = ExitRefused;
    }
    try {
        if (line.curves && !inputs.Observations.empty())
            writeCurvesFile(*line.curves, observationCurves(inputs));
        if (line.profile && inputs.ProfileLine)
            writeProfileFile(*line.profile, profileAlong(inputs));
    } catch (const FileWriteError& error) {
        say(error.what());
        status = ExitRefused;
    }
    if ((line.map || line.surface) && !drawPictures(line, *result, inputs))
        status = ExitRefused;
    if (line.curvesPicture && inputs.Observations.empty() && !inputs.ProfileLine) {
        say("No curves picture was drawn: the scenario has no observation point and no "
            "[profile].");
        status = ExitRefused;
    } else if (line.curvesPicture) {
        CurvesChart chart;
        chart.resize(960, 720);
        chart.setData(curvesData(inputs));
        const std::optional<PictureFormat> format = *line.curvesPicture == "-"
            ? PictureFormat::Png
            : pictureFormatOf(*line.curvesPicture);
        const QString error = format
            ? chart.writePictureFile(*line.curvesPicture, *format)
            : pictureError(*line.curvesPicture,
                QStringLiteral("the name must end in .wmf, .svg, .pdf or .png"));
        if (!error.isEmpty()) {
            say(error.toLocal8Bit().toStdString());
            status = ExitRefused;
        }
    }
    try {
        if (line.geotiff)
            writeGeoTiff(*line.geotiff, *result->grid, inputs.Place);
        if (line.contours)
            writeContours(*line.contours, *result->grid, mapLevels(result->grid),
                gisFeaturesOf(inputs), inputs.Place);
    } catch (const FileWriteError& error) {
        say(error.what());
        status = ExitRefused;
    }
    if (line.report && !writeReportOf(line, *result, inputs))
        status = ExitRefused;
    if (line.surfer && !exportToMapper(*recordFile))
        status = ExitRefused;
    double seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const DrawdownGrid& grid = *result->grid;
    long long nodes = static_cast<long long>(grid.columnCount()) * grid.rowCount();
    // A file on standard output keeps it to itself: the summary goes with the messages then.
    std::ostream& summary = line.filesOnStandardOutput() > 0 ? std::cerr : std::cout;
    summary << "map " << grid.xMin() << ".." << grid.xMax() << " x " << grid.yMin() << ".."
            << grid.yMax() << " m, cell " << grid.nodeSpacing() << " m: " << nodes << " nodes; "
            << (inputs.Method == WellMethod::Theis ? "Theis" : "Cooper-Jacob")
            << (inputs.Unconfined ? ", unconfined" : "") << "; largest drawdown "
            << metres(result->largest.drawdown) << " m at (" << result->largest.x << ", "
            << result->largest.y << "); " << seconds << " s\n";
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(parseCommandLine(argc, argv), argv[0]);
    } catch (const UsageError& error) {
        std::cerr << "drawfield-batch: " << error.what() << "\n\n" << Usage;
        return ExitBadUsage;
    } catch (const ScenarioFileError& error) {
        std::cerr << error.what() << '\n';
        return ExitBadUsage;
    } catch (const std::exception& error) {
        // Nothing may end the program without a word (memory running out, for one).
        std::cerr << "drawfield-batch: " << sentence(error.what()) << '\n';
        return ExitRefused;
    }
}
