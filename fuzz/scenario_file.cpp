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
    }
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
        && quotable(texts.pumpTime) && quotable(texts.thickness);
    for (const WellTexts& well : texts.wells)
        allQuotable = allQuotable && quotable(well.x) && quotable(well.y) && quotable(well.rate);
    if (!allQuotable)
        return 0;
    ScenarioTexts again = parseScenarioFile(asFile(texts), "again.ini");
    FUZZ_REQUIRE(again == texts, "written back, the file reads the same");
    return 0;
}
