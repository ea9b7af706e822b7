#include "batch/command_line.h"

#include "analysis/uncertainty.h"
#include "compute/ascii_case.h"

#include "files/atomic_file.h"
#include "files/small_file.h"
#include "files/user_text.h"
#include "gis/gis_features.h"
#include "platform/file_system.h"
#include "platform/program_folders.h"
#include "scenario/scenario_file.h"
#include "views/time_axis.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <iostream>
#include <set>
#include <system_error>

namespace drawfield {
namespace {

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
            throw UsageError("--view needs three angles in degrees, such as 20,0,-40, not "
                + quotedExcerpt(text));
        return { angles[0], angles[1], angles[2] };
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

    // Two outputs that would land in one file: the second would overwrite the first, or mix with
    // it. Devices such as /dev/null take any number of them; standard output takes one.
    void refuseFilesNamedAlike(
        const std::vector<std::pair<std::string_view, std::filesystem::path>>& written)
    {
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

    void refuseOutputsNamedAlike(const CommandLine& line)
    {
        refuseFilesNamedAlike(filesWritten(line));
    }

    // Refuses a file for output whose name does not end in one of extensions (any letter case),
    // unless it goes straight into a device or standard output.
    void requireExtension(const CommandLine& line, Output output,
        std::initializer_list<std::string_view> extensions, const char* said)
    {
        const std::optional<std::string> path = line.file(output);
        if (!path)
            return;
        const std::string extension
            = asciiLowerCase(std::filesystem::path(*path).extension().string());
        bool device = false;
        try {
            device = replacedFileOf(*path).direct;
        } catch (const std::system_error&) {
        }
        if (!device
            && std::find(extensions.begin(), extensions.end(), extension) == extensions.end())
            throw UsageError(std::string(optionOf(output)) + " needs a name ending in " + said
                + ", not " + quotedExcerpt(*path, 200));
    }

} // namespace

std::optional<std::string> CommandLine::file(Output output) const
{
    auto found = files.find(output);
    return found == files.end() ? std::nullopt : std::optional(found->second);
}

bool CommandLine::asks(Needs needs) const
{
    if (needs == Needs::Pictures && surfer)
        return true;
    return std::any_of(files.begin(), files.end(),
        [needs](const auto& named) { return rowOf(named.first).needs == needs; });
}

int CommandLine::filesOnStandardOutput() const
{
    int count = 0;
    for (const auto& [output, path] : files)
        count += AtomicFile::isStandardOutput(path) ? 1 : 0;
    return count;
}

QString programFolder()
{
    const std::filesystem::path self = programPath();
    return self.empty() ? QStringLiteral(".")
                        : QFile::decodeName(QByteArray::fromStdString(self.parent_path().string()));
}

std::string defaultRecordFile()
{
    return QFile::encodeName(dataFolder(programFolder()) + QStringLiteral("/drawfield.dat"))
        .toStdString();
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
        const auto rows = optionRows();
        const auto row = std::find_if(rows.begin(), rows.end(),
            [&](const OptionRow& option) { return option.option == name && option.output; });
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
        } else if (row != rows.end()) {
            std::string path = optionValue();
            if (!row->mayBeStandardOutput && AtomicFile::isStandardOutput(path))
                throw UsageError(std::string(name) + " needs a file, not standard output");
            line.files[*row->output] = path;
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
        } else if (name == "--uncertainty") {
            const std::string text = optionValue();
            int draws = 0;
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), draws);
            if (error != std::errc() || end != text.data() + text.size()
                || draws < LeastUncertaintyDraws || draws > MostUncertaintyDraws)
                throw UsageError("--uncertainty needs a whole number of draws from "
                    + std::to_string(LeastUncertaintyDraws) + " to "
                    + std::to_string(MostUncertaintyDraws) + ", not " + quotedExcerpt(text));
            line.uncertainty = draws;
        } else if (name == "--type-curve") {
            line.typeCurve = true;
        } else if (name == "--smoothing") {
            const std::string text = optionValue();
            double smoothing = 0.0;
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), smoothing);
            if (error != std::errc() || end != text.data() + text.size()
                || !(smoothing >= 0.01 && smoothing <= 2.0))
                throw UsageError("--smoothing needs Bourdet's L in log cycles of time, from 0.01 "
                                 "to 2, not "
                    + quotedExcerpt(text));
            line.smoothing = smoothing;
        } else if (name == "--exceedance") {
            line.exceedance = optionValue();
        } else if (name == "--view") {
            line.view = parseView(optionValue());
        } else if (name == "--surfer") {
            line.surfer = true;
        } else if (name == "--title") {
            line.title = optionValue();
        } else if (name == "--parameters-from") {
            line.parametersFrom = optionValue();
        } else if (name == "--time") {
            line.times = optionValue();
            if (line.times->find_first_not_of(" \t,") == std::string::npos)
                throw UsageError("--time needs one time or more, such as --time \"1 d, 30 d\"");
        } else if (name == "--fail-on-limits") {
            line.failOnLimits = true;
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
    if (line.times && line.times->find(',') != std::string::npos)
        for (Output output : TimedOutputs)
            if (line.has(output) && AtomicFile::isStandardOutput(*line.file(output)))
                throw UsageError(std::string(optionOf(output))
                    + " on standard output takes one time; --time names several, one file each");
    if (line.uncertainty && !line.fit)
        throw UsageError("--uncertainty goes with --fit: it draws from the fit's covariance");
    if (line.exceedance && !line.uncertainty)
        throw UsageError("--exceedance goes with --uncertainty, whose draws it counts");
    if (line.frames && !line.has(Output::Animation))
        throw UsageError("--frames goes with --animation, which names the GIF to write");
    refuseOutputsNamedAlike(line);
    return line;
}

std::string timedFile(const std::string& path, const std::string& time)
{
    if (AtomicFile::isStandardOutput(path))
        return path;
    std::filesystem::path file(path);
    std::string tag;
    for (char c : time)
        if (c != ' ')
            tag.push_back(c);
    file.replace_filename(file.stem().string() + "_" + tag + file.extension().string());
    return file.string();
}

void refuseOutputsOverInputs(
    const CommandLine& line, const ScenarioTexts& texts, const std::vector<std::string>& timeTags)
{
    std::vector<std::pair<std::string, std::filesystem::path>> inputs;
    std::filesystem::path folder = std::filesystem::current_path();
    if (line.scenario && !isStandardInput(*line.scenario)) {
        inputs.emplace_back("the scenario", *line.scenario);
        folder = scenarioFolderOf(*line.scenario);
    }
    if (line.parametersFrom)
        inputs.emplace_back("the parameters' scenario", *line.parametersFrom);
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
    // With --time, the files of the timed outputs are those named by each time.
    CommandLine untimed = line;
    std::vector<std::pair<std::string_view, std::filesystem::path>> written;
    if (!timeTags.empty())
        for (Output output : TimedOutputs)
            if (output != Output::GeoTiff && line.has(output)) {
                untimed.files.erase(output);
                for (const std::string& tag : timeTags) {
                    CommandLine one;
                    one.files[output] = timedFile(*line.file(output), tag);
                    for (auto& file : filesWritten(one))
                        written.push_back(std::move(file));
                }
            }
    for (auto& file : filesWritten(untimed))
        written.push_back(std::move(file));
    // A time's name may be that of another output (--grid c.csv --curves c_24h.csv).
    if (!timeTags.empty())
        refuseFilesNamedAlike(written);
    for (const auto& [option, file] : written) {
        for (std::size_t i = 0; i < inputs.size(); ++i)
            if (landsIn(file, inputs[i].second))
                throw InputWouldBeReplaced("drawfield-batch: " + std::string(option) + " "
                    + printablePath(file.native()) + " would replace " + inputs[i].first + ", "
                    + printablePath(inputs[i].second.native())
                    + ", which this run reads; nothing was written. Name another file.");
    }
}

} // namespace drawfield
