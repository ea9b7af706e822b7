// Measured drawdown files: anything is read or refused with one readable line naming the file
// and the line, never quoting the file's first line; what is read (drawdowns, or levels and
// depths made drawdowns) has non-negative, non-decreasing finite times, drawdowns from -100 to
// 1000 m, weights from 0 to 1e6 not all 0, at most MostReadings of them, and written back in
// seconds and metres with its weights, with commas or with semicolons and decimal commas, reads
// the same.

#include "analysis/measurements.h"
#include "fuzz_support.h"

#include <charconv>
#include <cmath>

using namespace drawfield;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    std::vector<Reading> readings;
    try {
        // A pumping start, so that a logger's date-times are read too.
        readings = parseMeasurements(content, "fuzz.csv", 1.7725e9);
    } catch (const MeasurementFileError& error) {
        const std::string_view message = error.what();
        FUZZ_REQUIRE(isReadableMessage(message, 600), "the refusal is one readable line");
        FUZZ_REQUIRE(message.starts_with("Cannot read the measured drawdowns fuzz.csv"),
            "the refusal names the file");
        // The header's line is not shown, whatever it holds (only the example the message gives).
        std::string_view first = content.substr(0, content.find('\n'));
        while (!first.empty() && (first.back() == '\r' || first.back() == ' '))
            first.remove_suffix(1);
        // (A line that is a phrase of the message's own texts is no quote of the file.)
        const std::string header
            = "The first line must name the columns and their units, such "
              "as time_min,drawdown_m (time in seconds, minutes, hours or "
              "days, or a logger's datetime; drawdown_m, drawdown_ft, drawdown_cm, or a logger's "
              "level_m, level_ft, depth_m, depth_ft; and a weight if any); ";
        const std::string own[] = { header + "it has 1 column.",
            header + "it names no time column.", header + "it names no drawdown column.",
            header + "it names a column it cannot read.",
            "It is UTF-16 text (or not text at all); save it as CSV in UTF-8 or plain text." };
        const std::string_view reason = message.substr(message.find(": ") + 2);
        bool phrase = false;
        for (const std::string& text : own)
            phrase = phrase || text.find(first) != std::string::npos;
        FUZZ_REQUIRE(first.size() < 12 || reason.find(first) == std::string_view::npos || phrase,
            "the refusal does not quote the file");
        return 0;
    }
    FUZZ_REQUIRE(!readings.empty() && readings.size() <= MostReadings, "a bounded, non-empty set");
    std::string again = "time_s,drawdown_m,weight\n";
    bool counts = false;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        FUZZ_REQUIRE(
            std::isfinite(r.TimeSeconds) && r.TimeSeconds >= 0.0, "a time since the start");
        FUZZ_REQUIRE(r.DrawdownMetres >= -100.0 && r.DrawdownMetres <= 1000.0,
            "a drawdown a pumping test reads");
        FUZZ_REQUIRE(i == 0 || readings[i - 1].TimeSeconds <= r.TimeSeconds, "times in order");
        FUZZ_REQUIRE(r.Weight >= 0.0 && r.Weight <= 1e6, "a weight a reading takes");
        counts = counts || r.Weight > 0.0;
        char text[64];
        again.append(text, std::to_chars(text, text + sizeof text, r.TimeSeconds).ptr);
        again += ',';
        again.append(text, std::to_chars(text, text + sizeof text, r.DrawdownMetres).ptr);
        again += ',';
        again.append(text, std::to_chars(text, text + sizeof text, r.Weight).ptr);
        again += '\n';
    }
    FUZZ_REQUIRE(counts, "some reading counts");
    FUZZ_REQUIRE(parseMeasurements(again, "again.csv") == readings, "written back, read the same");
    std::string european = again;
    for (char& c : european)
        c = c == ',' ? ';' : c == '.' ? ',' : c;
    FUZZ_REQUIRE(parseMeasurements(european, "again.csv") == readings,
        "with semicolons and decimal commas, read the same");
    return 0;
}
