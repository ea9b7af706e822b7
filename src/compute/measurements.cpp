#include "compute/measurements.h"

#include "compute/user_text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include <sys/stat.h>

namespace drawfield {
namespace {

    constexpr std::uintmax_t MostBytes = 16u << 20; // some 16 bytes a reading, and room

    std::string trimmed(std::string_view text)
    {
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            return {};
        const auto last = text.find_last_not_of(" \t");
        return std::string(text.substr(first, last - first + 1));
    }

    std::string lowered(std::string text)
    {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    }

    // The seconds a unit of the time column stands for, by the column's name.
    std::optional<double> secondsPerUnit(const std::string& name)
    {
        struct Unit {
            const char* names[3];
            double seconds;
        };
        static const Unit units[] = {
            { { "seconds", "time_s", "time_seconds" }, 1.0 },
            { { "minutes", "time_min", "time_minutes" }, 60.0 },
            { { "hours", "time_h", "time_hours" }, 3600.0 },
            { { "days", "time_d", "time_days" }, 86400.0 },
        };
        for (const Unit& unit : units)
            for (const char* known : unit.names)
                if (name == known)
                    return unit.seconds;
        return std::nullopt;
    }

    std::optional<double> metresPerUnit(const std::string& name)
    {
        if (name == "drawdown_m")
            return 1.0;
        if (name == "drawdown_ft")
            return 0.3048;
        return std::nullopt;
    }

    // A cell that is wholly one finite number.
    std::optional<double> numberOf(const std::string& cell)
    {
        double value = 0.0;
        const char* end = cell.data() + cell.size();
        const auto [stop, error] = std::from_chars(cell.data(), end, value);
        if (cell.empty() || error != std::errc() || stop != end || !std::isfinite(value))
            return std::nullopt;
        return value;
    }

    std::vector<std::string> cellsOf(std::string_view line)
    {
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = line.find(',', start);
            cells.push_back(trimmed(line.substr(start, comma - start)));
            if (comma == std::string_view::npos)
                return cells;
            start = comma + 1;
        }
    }

    std::string shortNumber(double value)
    {
        std::ostringstream text;
        text << value;
        return text.str();
    }

    std::filesystem::path found(const std::string& name, const std::filesystem::path& folder)
    {
        const std::filesystem::path path(name);
        return path.is_absolute() ? path : (folder / path).lexically_normal();
    }

} // namespace

std::vector<Reading> parseMeasurements(std::string_view content, const std::string& fileName)
{
    std::size_t lineNumber = 0;
    auto refuse = [&](const std::string& reason) {
        return MeasurementFileError(cannotMessage("read", "measured drawdowns",
            fileName + (lineNumber > 0 ? " at line " + std::to_string(lineNumber) : ""), reason));
    };
    std::optional<double> timeFactor, drawdownFactor;
    std::size_t timeColumn = 0;
    std::string timeUnit;
    std::vector<Reading> readings;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string_view::npos)
            end = content.size();
        std::string_view line = content.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (trimmed(line).empty())
            continue;
        const std::vector<std::string> cells = cellsOf(line);
        if (!timeFactor) {
            // The header: a time column and a drawdown column, in either order.
            if (cells.size() == 2)
                for (std::size_t c = 0; c < 2; ++c) {
                    const std::string name = lowered(cells[c]);
                    if (auto seconds = secondsPerUnit(name); seconds && !timeFactor) {
                        timeFactor = seconds;
                        timeColumn = c;
                        timeUnit = name.substr(name.find('_') == std::string::npos ? 0 : 5);
                    } else if (auto metres = metresPerUnit(name); metres && !drawdownFactor) {
                        drawdownFactor = metres;
                    }
                }
            if (!timeFactor || !drawdownFactor)
                throw refuse("the first line must name the columns and their units, such as "
                             "time_min,drawdown_m (time in seconds, minutes, hours or days; "
                             "drawdown_m or drawdown_ft), not "
                    + quotedExcerpt(line));
            continue;
        }
        if (cells.size() != 2)
            throw refuse("a reading is two cells, a time and a drawdown; " + quotedExcerpt(line)
                + " has " + std::to_string(cells.size()));
        const std::optional<double> time = numberOf(cells[timeColumn]);
        const std::optional<double> drawdown = numberOf(cells[1 - timeColumn]);
        if (!time || !drawdown)
            throw refuse(
                quotedExcerpt(cells[!time ? timeColumn : 1 - timeColumn]) + " is not a number");
        if (*time < 0.0)
            throw refuse("the time " + shortNumber(*time) + " " + timeUnit + " is negative");
        const double seconds = *time * *timeFactor;
        if (!std::isfinite(seconds))
            throw refuse("the time " + shortNumber(*time) + " " + timeUnit + " is too large");
        if (!readings.empty() && seconds < readings.back().TimeSeconds)
            throw refuse("the time " + shortNumber(*time) + " " + timeUnit
                + " comes before the time of the reading above it; the times must not decrease");
        if (readings.size() == MostReadings)
            throw refuse("the file holds more than " + std::to_string(MostReadings)
                + " readings, more than a pumping test takes");
        readings.push_back({ seconds, *drawdown * *drawdownFactor });
    }
    if (!timeFactor) {
        lineNumber = 0;
        throw refuse("it is empty; the first line must name the columns, such as "
                     "time_min,drawdown_m");
    }
    if (readings.empty()) {
        lineNumber = 0;
        throw refuse("it holds no reading");
    }
    return readings;
}

std::vector<Reading> readMeasurementFile(const std::filesystem::path& path)
{
    auto refuse = [&](const std::string& reason) {
        return MeasurementFileError(
            cannotMessage("read", "measured drawdowns", path.native(), reason));
    };
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        throw refuse(std::strerror(errno));
    if (S_ISDIR(status.st_mode))
        throw refuse("it is a folder");
    if (!S_ISREG(status.st_mode))
        throw refuse("it is not a regular file");
    if (static_cast<std::uintmax_t>(status.st_size) > MostBytes)
        throw refuse("it is larger than 16 MB, more than a pumping test's readings take");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw refuse(std::strerror(errno));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return parseMeasurements(bytes.str(), path.native());
}

std::vector<MeasuredPoint> measuredPoints(
    const ScenarioInputs& inputs, const std::filesystem::path& scenarioFolder)
{
    std::vector<MeasuredPoint> points;
    for (const ObservationPoint& point : inputs.Observations)
        if (!point.Measured.empty()) {
            const std::filesystem::path file = found(point.Measured, scenarioFolder);
            points.push_back({ point.Name, point.X, point.Y, -1, file, readMeasurementFile(file) });
        }
    for (int bore = 0; bore < WellCount; ++bore) {
        const WellInput& well = inputs.Wells[static_cast<std::size_t>(bore)];
        if (well.Measured.empty() || !inputs.pumps(bore))
            continue;
        const std::filesystem::path file = found(well.Measured, scenarioFolder);
        points.push_back({ "Bore " + std::to_string(bore + 1), well.X + well.RadiusMetres,
            static_cast<double>(well.Y), bore, file, readMeasurementFile(file) });
    }
    return points;
}

ScenarioTexts withMeasuredNamesMoved(const ScenarioTexts& texts,
    const std::filesystem::path& fromFolder, const std::filesystem::path& toFolder)
{
    auto moved = [&](std::string& name) {
        if (name.empty() || std::filesystem::path(name).is_absolute())
            return;
        const std::filesystem::path file = found(name, std::filesystem::absolute(fromFolder));
        const std::filesystem::path relative
            = file.lexically_relative(std::filesystem::absolute(toFolder).lexically_normal());
        name = relative.empty() ? file.string() : relative.string();
    };
    ScenarioTexts out = texts;
    for (ObservationTexts& point : out.observations)
        moved(point.measured);
    for (std::string& name : out.boreMeasured)
        moved(name);
    return out;
}

} // namespace drawfield
