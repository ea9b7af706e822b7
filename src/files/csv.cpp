#include "files/csv.h"

#include "files/atomic_file.h"

#include <array>
#include <charconv>
#include <cmath>

namespace drawfield {
namespace {

    // 17 significant digits: a drawdown keeps every bit it has.
    void appendDrawdown(std::string& out, double value)
    {
        if (std::isnan(value))
            return; // an empty cell
        std::array<char, 32> text;
        auto end = std::to_chars(
            text.data(), text.data() + text.size(), value, std::chars_format::general, 17);
        out.append(text.data(), end.ptr);
    }

    // The shortest text that reads back to the same double: 2.4, not 2.3999999999999999.
    void appendShortest(std::string& out, double value)
    {
        std::array<char, 32> text;
        auto end = std::to_chars(text.data(), text.data() + text.size(), value);
        out.append(text.data(), end.ptr);
    }

} // namespace

std::string csvCell(const std::string& text)
{
    std::string cell;
    bool quote = false;
    // A spreadsheet runs a cell that starts with one of these as a formula.
    if (!text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos) {
        cell = "'";
        quote = true;
    }
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            cell += "\xEF\xBF\xBD"; // U+FFFD
            continue;
        }
        if (c == '"')
            cell.push_back('"');
        quote = quote || c == '"' || c == ',';
        cell.push_back(c);
    }
    return quote ? "\"" + cell + "\"" : cell;
}

void writeCurvesFile(
    const std::filesystem::path& path, const ObservationCurves& curves, const ResultUnits& units)
{
    AtomicFile file(path, "curves file");
    std::string text = units.chosen ? "time_" + units.time.word : "hours";
    for (const std::string& name : curves.names) {
        text.push_back(',');
        text += csvCell(units.chosen ? name + " (" + units.length.word + ")" : name);
    }
    text += "\n";
    for (std::size_t t = 0; t < curves.seconds.size(); ++t) {
        appendShortest(text,
            units.chosen ? units.time.of(curves.seconds[t]) : curves.seconds[t] / SecondsPerHour);
        for (const std::vector<double>& values : curves.drawdowns) {
            text.push_back(',');
            appendDrawdown(text, units.length.of(values[t]));
        }
        text += "\n";
    }
    file.write(text);
    file.commit();
}

void writeProfileFile(const std::filesystem::path& path, const std::vector<ProfilePoint>& profile,
    const ResultUnits& units)
{
    AtomicFile file(path, "profile file");
    std::string text = "distance_m,x_m,y_m,drawdown_" + units.length.word + "\n";
    for (const ProfilePoint& point : profile) {
        appendShortest(text, point.distanceMetres);
        text.push_back(',');
        appendShortest(text, point.xMetres);
        text.push_back(',');
        appendShortest(text, point.yMetres);
        text.push_back(',');
        appendDrawdown(text, units.length.of(point.drawdownMetres));
        text += "\n";
    }
    file.write(text);
    file.commit();
}

} // namespace drawfield
