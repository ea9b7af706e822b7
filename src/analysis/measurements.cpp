#include "analysis/measurements.h"

#include "compute/ascii_case.h"

#include "files/small_file.h"
#include "files/user_text.h"
#include "scenario/text_rules.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>

namespace drawfield {
namespace {

    constexpr std::uintmax_t MostBytes = 16u << 20; // some 16 bytes a reading, and room

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
            { { "hours", "time_h", "time_hours" }, SecondsPerHour },
            { { "days", "time_d", "time_days" }, SecondsPerDay },
        };
        for (const Unit& unit : units)
            for (const char* known : unit.names)
                if (name == known)
                    return unit.seconds;
        return std::nullopt;
    }

    // What a reading's value column holds: drawdowns, water levels (up is up) or depths to
    // water (down is up), and the metres a unit of it stands for.
    enum class Holds { Drawdown, Level, Depth };
    struct ValueColumn {
        Holds holds;
        double metres;
    };
    std::optional<ValueColumn> valueColumnOf(const std::string& name)
    {
        struct Known {
            const char* name;
            ValueColumn column;
        };
        static const Known known[] = {
            { "drawdown_m", { Holds::Drawdown, 1.0 } },
            { "drawdown_ft", { Holds::Drawdown, 0.3048 } },
            { "drawdown_cm", { Holds::Drawdown, 0.01 } },
            { "level_m", { Holds::Level, 1.0 } },
            { "level_ft", { Holds::Level, 0.3048 } },
            { "depth_m", { Holds::Depth, 1.0 } },
            { "depth_ft", { Holds::Depth, 0.3048 } },
        };
        for (const Known& k : known)
            if (name == k.name)
                return k.column;
        return std::nullopt;
    }

    // A cell that is wholly one finite number, as a CSV tool writes it: a sign ("+1" too), digits
    // with a decimal mark, an exponent. A number too small for a double is 0 (it underflows); one
    // too large is none.
    std::optional<double> numberOf(std::string cell, char decimalMark)
    {
        if (decimalMark != '.') {
            if (cell.find('.') != std::string::npos)
                return std::nullopt; // "1.000,5": a thousands mark is not read
            std::replace(cell.begin(), cell.end(), decimalMark, '.');
        }
        if (cell.empty() || cell.find_first_of(" \t") != std::string::npos
            || !isWholeNumberText(cell))
            return std::nullopt;
        const std::optional<double> value = numberOfText(cell);
        if (!value || !std::isfinite(*value))
            return std::nullopt;
        return value;
    }

    // The cells of a line, split at the separator.
    std::vector<std::string> cellsOf(std::string_view line, char separator)
    {
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (;;) {
            const std::size_t at = line.find(separator, start);
            cells.push_back(trimmedBlanks(line.substr(start, at - start)));
            if (at == std::string_view::npos)
                return cells;
            start = at + 1;
        }
    }

    // The separator a header uses: a comma, else a semicolon or a tab (spreadsheets of regions
    // whose decimal mark is a comma write these, with "0,149" for 0.149).
    char separatorOf(std::string_view header)
    {
        if (header.find(',') != std::string_view::npos)
            return ',';
        if (header.find(';') != std::string_view::npos)
            return ';';
        if (header.find('\t') != std::string_view::npos)
            return '\t';
        return ',';
    }

    // Drawdowns beyond these are no reading of a pumping test but a mark for a missing one
    // (-9999, 99999) or a slip: refused, so that no fit or chart takes them.
    constexpr double LowestDrawdownMetres = -100.0;
    constexpr double HighestDrawdownMetres = 1000.0;

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

std::vector<Reading> parseMeasurements(
    std::string_view content, const std::string& fileName, std::optional<double> pumpingStart)
{
    std::size_t lineNumber = 0;
    // A refusal names the file, the line and the reason, never the bytes of the file: a scenario
    // may name any file, and its content is not ours to show.
    auto refuse = [&](const std::string& reason) {
        return MeasurementFileError(cannotMessage("read", "measured drawdowns",
            fileName + (lineNumber > 0 ? " at line " + std::to_string(lineNumber) : ""), reason));
    };
    if (content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF")
        || content.find('\0') != std::string_view::npos)
        throw refuse("it is UTF-16 text (or not text at all); save it as CSV in UTF-8 or plain "
                     "text");
    // A spreadsheet's "CSV UTF-8" begins with a byte-order mark: no part of the header.
    if (content.starts_with("\xEF\xBB\xBF"))
        content.remove_prefix(3);
    std::optional<double> timeFactor;
    std::optional<ValueColumn> valueColumn;
    std::size_t timeColumn = 0, valueIndex = 0, columns = 0;
    std::optional<std::size_t> weightColumn;
    // A file of levels or depths: the one before pumping, the readings' reference.
    std::optional<double> before;
    bool dateTimes = false; // a logger's date and time stamps
    std::string timeUnit;
    char separator = ',', decimalMark = '.';
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
        if (trimmedBlanks(line).empty())
            continue;
        if (!timeFactor) {
            // The header: a time column and a value column, in either order, and a weight.
            separator = separatorOf(line);
            decimalMark = separator == ',' ? '.' : ',';
            const std::vector<std::string> cells = cellsOf(line, separator);
            columns = cells.size();
            bool unknown = false;
            if (columns == 2 || columns == 3)
                for (std::size_t c = 0; c < columns; ++c) {
                    const std::string name = asciiLowerCase(cells[c]);
                    if (auto seconds = secondsPerUnit(name); seconds && !timeFactor) {
                        timeFactor = seconds;
                        timeColumn = c;
                        timeUnit = name.substr(name.find('_') == std::string::npos ? 0 : 5);
                    } else if ((name == "datetime" || name == "date_time" || name == "timestamp")
                        && !timeFactor) {
                        timeFactor = 1.0;
                        dateTimes = true;
                        timeColumn = c;
                        timeUnit = "s after pumping_start";
                    } else if (auto column = valueColumnOf(name); column && !valueColumn) {
                        valueColumn = column;
                        valueIndex = c;
                    } else if (name == "weight" && !weightColumn) {
                        weightColumn = c;
                    } else {
                        unknown = true;
                    }
                }
            if (!timeFactor || !valueColumn || unknown)
                throw refuse("the first line must name the columns and their units, such as "
                             "time_min,drawdown_m (time in seconds, minutes, hours or days, "
                             "or a logger's datetime; "
                             "drawdown_m, drawdown_ft, drawdown_cm, or a logger's level_m, "
                             "level_ft, depth_m, depth_ft; and a weight if any); "
                    + (columns != 2 && columns != 3
                            ? "it has " + std::to_string(columns)
                                + (columns == 1 ? " column" : " columns")
                            : std::string(!timeFactor ? "it names no time column"
                                    : !valueColumn    ? "it names no drawdown column"
                                                      : "it names a column it cannot read")));
            if (dateTimes && !pumpingStart)
                throw refuse("its times are dates and times: the scenario must say when pumping "
                             "began ([aquifer] pumping_start = 2026-03-04 08:00)");
            continue;
        }
        const std::vector<std::string> cells = cellsOf(line, separator);
        if (cells.size() != columns)
            throw refuse("a reading is " + std::to_string(columns) + " cells, as the first line "
                + "names them; this line has " + std::to_string(cells.size()));
        std::optional<double> time;
        if (!dateTimes)
            time = numberOf(cells[timeColumn], decimalMark);
        else if (const auto stamp = dateTimeSecondsOfText(cells[timeColumn]))
            time = *stamp - *pumpingStart;
        const std::optional<double> drawdown = numberOf(cells[valueIndex], decimalMark);
        const std::optional<double> weight
            = weightColumn ? numberOf(cells[*weightColumn], decimalMark) : 1.0;
        if (!time || !drawdown || !weight)
            throw refuse(std::string(!time                            ? "the time"
                                 : !weight                            ? "the weight"
                                 : valueColumn->holds == Holds::Level ? "the level"
                                 : valueColumn->holds == Holds::Depth ? "the depth"
                                                                      : "the drawdown")
                + (!time && dateTimes ? " is not a date and time such as 2026-03-04 08:15:30"
                                      : " is not a number")
                + (!time && dateTimes ? ""
                        : decimalMark == ','
                        ? " (such as 0,25: cells separated by semicolons take a "
                          "decimal comma)"
                        : " (such as 0.25 or 2.5e-1)"));
        if (!(*weight >= 0.0) || *weight > 1e6)
            throw refuse(
                "the weight " + shortNumber(*weight) + " is none a reading takes (0 to 1e6)");
        // Levels and depths: the readings until pumping begins give the level before it.
        const bool levels = valueColumn->holds != Holds::Drawdown;
        if (levels && !(*time > 0.0)) {
            if (!readings.empty())
                throw refuse("a level before pumping began comes after a reading during it");
            before = *drawdown; // in the file's unit: the difference is taken before the unit
            continue;
        }
        if (levels && !before)
            throw refuse("a file of levels needs the level before pumping began: a reading at "
                         "time 0 (or before it) first");
        if (*time < 0.0)
            throw refuse("the time " + shortNumber(*time) + " " + timeUnit + " is negative");
        const double seconds = *time * *timeFactor;
        if (!std::isfinite(seconds))
            throw refuse("the time " + shortNumber(*time) + " " + timeUnit + " is too large");
        if (!readings.empty() && seconds < readings.back().TimeSeconds)
            throw refuse("the time " + shortNumber(*time) + " " + timeUnit
                + " comes before the time of the reading above it; the times must not decrease");
        const double change = valueColumn->holds == Holds::Level ? *before - *drawdown
            : valueColumn->holds == Holds::Depth                 ? *drawdown - *before
                                                                 : *drawdown;
        const double metres = change * valueColumn->metres;
        if (!(metres >= LowestDrawdownMetres && metres <= HighestDrawdownMetres))
            throw refuse("a drawdown of " + shortNumber(metres)
                + " m is none a pumping test reads (they lie from -100 to 1000 m); a mark for a "
                  "missing reading? Leave such lines out");
        if (readings.size() == MostReadings)
            throw refuse("the file holds more than " + std::to_string(MostReadings)
                + " readings, more than a pumping test takes");
        readings.push_back({ seconds, metres, *weight });
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
    if (std::none_of(
            readings.begin(), readings.end(), [](const Reading& r) { return r.Weight > 0; })) {
        lineNumber = 0;
        throw refuse("every reading's weight is 0: none would count");
    }
    return readings;
}

std::vector<Reading> readMeasurementFile(
    const std::filesystem::path& path, std::optional<double> pumpingStart)
{
    try {
        return parseMeasurements(readSmallRegularFile(path, MostBytes,
                                     "16 MB, more than a pumping test's readings take"),
            path.native(), pumpingStart);
    } catch (const SmallFileError& error) {
        throw MeasurementFileError(
            cannotMessage("read", "measured drawdowns", path.native(), error.what()));
    }
}

std::vector<MeasuredPoint> measuredPoints(
    const ScenarioInputs& inputs, const std::filesystem::path& scenarioFolder)
{
    std::vector<MeasuredPoint> points;
    for (const ObservationPoint& point : inputs.Observations)
        if (!point.Measured.empty()) {
            const std::filesystem::path file = found(point.Measured, scenarioFolder);
            points.push_back({ point.Name, point.X, point.Y, -1, file,
                readMeasurementFile(file, inputs.PumpingStartSeconds), point.Values });
        }
    for (int bore = 0; bore < inputs.boreCount(); ++bore) {
        const WellInput& well = inputs.Wells[static_cast<std::size_t>(bore)];
        if (well.Measured.empty())
            continue;
        // A bore that pumps reads its own drawdown at its radius; an idle one is an observation
        // well, reading the others' at its centre.
        const bool pumps = inputs.pumps(bore);
        const std::filesystem::path file = found(well.Measured, scenarioFolder);
        points.push_back(
            { well.Name, well.X + (pumps ? well.RadiusMetres : 0.0), static_cast<double>(well.Y),
                pumps ? bore : -1, file, readMeasurementFile(file, inputs.PumpingStartSeconds) });
    }
    return points;
}

} // namespace drawfield
