// Measured drawdown files: anything is read or refused with one readable line naming the file
// and the line; what is read has non-negative, non-decreasing finite times, finite drawdowns, at
// most MostReadings of them, and written back in seconds and metres reads the same.

#include "compute/measurements.h"
#include "fuzz_support.h"

#include <charconv>
#include <cmath>

using namespace drawfield;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    std::vector<Reading> readings;
    try {
        readings = parseMeasurements(content, "fuzz.csv");
    } catch (const MeasurementFileError& error) {
        const std::string_view message = error.what();
        FUZZ_REQUIRE(isReadableMessage(message, 600), "the refusal is one readable line");
        FUZZ_REQUIRE(message.starts_with("Cannot read the measured drawdowns fuzz.csv"),
            "the refusal names the file");
        return 0;
    }
    FUZZ_REQUIRE(!readings.empty() && readings.size() <= MostReadings, "a bounded, non-empty set");
    std::string again = "time_s,drawdown_m\n";
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        FUZZ_REQUIRE(
            std::isfinite(r.TimeSeconds) && r.TimeSeconds >= 0.0, "a time since the start");
        FUZZ_REQUIRE(std::isfinite(r.DrawdownMetres), "a finite drawdown");
        FUZZ_REQUIRE(i == 0 || readings[i - 1].TimeSeconds <= r.TimeSeconds, "times in order");
        char text[64];
        again.append(text, std::to_chars(text, text + sizeof text, r.TimeSeconds).ptr);
        again += ',';
        again.append(text, std::to_chars(text, text + sizeof text, r.DrawdownMetres).ptr);
        again += '\n';
    }
    FUZZ_REQUIRE(parseMeasurements(again, "again.csv") == readings, "written back, read the same");
    return 0;
}
