// Scenario files: anything is read or refused with one readable line naming the file, and what
// is read survives being written back and read again.

#include "batch/scenario_file.h"
#include "fuzz_support.h"

using namespace drawfield;

namespace {

// Every value quoted, so blanks and comment characters stay as they are.
std::string asFile(const ScenarioTexts& texts)
{
    std::string out = "[map]\n";
    auto line = [&](const char* key, const std::string& value) {
        out += std::string(key) + " = \"" + value + "\"\n";
    };
    line("x_min", texts.xMin);
    line("y_min", texts.yMin);
    line("x_max", texts.xMax);
    line("cell_size", texts.cellSize);
    out += "[aquifer]\n";
    line("transmissivity", texts.transmissivity);
    line("storage", texts.storage);
    line("pumping_time", texts.pumpTime);
    line("thickness", texts.thickness);
    line("method", texts.method);
    line("unconfined", texts.unconfined);
    for (std::size_t i = 0; i < texts.wells.size(); ++i) {
        out += "[bore" + std::to_string(i + 1) + "]\n";
        line("x", texts.wells[i].x);
        line("y", texts.wells[i].y);
        line("rate", texts.wells[i].rate);
        line("schedule", texts.schedules[i]);
    }
    for (std::size_t i = 0; i < texts.boundaries.size(); ++i) {
        const BoundaryTexts& boundary = texts.boundaries[i];
        out += "[boundary" + std::to_string(i + 1) + "]\n";
        line("kind", boundary.kind);
        line("x1", boundary.x1);
        line("y1", boundary.y1);
        line("x2", boundary.x2);
        line("y2", boundary.y2);
    }
    for (std::size_t i = 0; i < texts.observations.size(); ++i) {
        const ObservationTexts& point = texts.observations[i];
        out += "[observation" + std::to_string(i + 1) + "]\n";
        line("name", point.name);
        line("x", point.x);
        line("y", point.y);
    }
    out += "[profile]\n";
    line("x1", texts.profile.x1);
    line("y1", texts.profile.y1);
    line("x2", texts.profile.x2);
    line("y2", texts.profile.y2);
    return out;
}

bool quotable(const std::string& value)
{
    return value.find_first_of("\"\r\n") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    ScenarioTexts texts;
    try {
        texts = parseScenarioFile(content, "fuzz.ini");
    } catch (const ScenarioFileError& error) {
        std::string_view message = error.what();
        FUZZ_REQUIRE(isReadableMessage(message, 400), "the refusal is one readable line");
        FUZZ_REQUIRE(message.starts_with("Cannot read the scenario file fuzz.ini at line "),
            "the refusal names the file and the line");
        return 0;
    }
    bool allQuotable = quotable(texts.xMin) && quotable(texts.yMin) && quotable(texts.xMax)
        && quotable(texts.cellSize) && quotable(texts.transmissivity) && quotable(texts.storage)
        && quotable(texts.pumpTime) && quotable(texts.thickness) && quotable(texts.method)
        && quotable(texts.unconfined);
    for (const WellTexts& well : texts.wells)
        allQuotable = allQuotable && quotable(well.x) && quotable(well.y) && quotable(well.rate);
    for (const std::string& schedule : texts.schedules)
        allQuotable = allQuotable && quotable(schedule);
    for (const BoundaryTexts& b : texts.boundaries)
        allQuotable = allQuotable && quotable(b.kind) && quotable(b.x1) && quotable(b.y1)
            && quotable(b.x2) && quotable(b.y2);
    for (const ObservationTexts& point : texts.observations)
        allQuotable = allQuotable && quotable(point.name) && quotable(point.x) && quotable(point.y);
    allQuotable = allQuotable && quotable(texts.profile.x1) && quotable(texts.profile.y1)
        && quotable(texts.profile.x2) && quotable(texts.profile.y2);
    if (!allQuotable)
        return 0;
    ScenarioTexts again = parseScenarioFile(asFile(texts), "again.ini");
    FUZZ_REQUIRE(again == texts, "written back, the file reads the same");
    return 0;
}
