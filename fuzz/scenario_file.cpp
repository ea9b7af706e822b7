// Scenario files: anything is read or refused with one readable line naming the file, and what
// is read can be written, survives being written back and read again, to the same bytes when
// written twice.

#include "compute/scenario_file.h"
#include "fuzz_support.h"

#include <stdexcept>

using namespace drawfield;

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
    std::string file;
    try {
        file = scenarioFileText(texts);
    } catch (const std::invalid_argument&) {
        FUZZ_REQUIRE(false, "whatever the reader keeps, the writer can write");
    }
    ScenarioTexts again = parseScenarioFile(file, "again.ini");
    FUZZ_REQUIRE(again == texts, "written back, the file reads the same");
    FUZZ_REQUIRE(scenarioFileText(again) == file, "written twice, the same bytes");
    return 0;
}
