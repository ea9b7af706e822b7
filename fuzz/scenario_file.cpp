// Scenario files: anything is read or refused with one readable line naming the file, and what
// is read can be written with its comments, survives being written back and read again (texts
// and comments), to the same bytes when written twice.

#include "scenario/scenario_file.h"
#include "fuzz_support.h"

#include <stdexcept>

using namespace drawfield;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    ScenarioTexts texts;
    ScenarioComments comments;
    try {
        texts = parseScenarioFile(content, "fuzz.ini", &comments);
    } catch (const ScenarioFileError& error) {
        std::string_view message = error.what();
        FUZZ_REQUIRE(isReadableMessage(message, 400), "the refusal is one readable line");
        FUZZ_REQUIRE(message.starts_with("Cannot read the scenario file fuzz.ini at line "),
            "the refusal names the file and the line");
        return 0;
    }
    std::string file;
    try {
        file = scenarioFileText(texts, comments);
    } catch (const std::invalid_argument&) {
        FUZZ_REQUIRE(false, "whatever the reader keeps, the writer can write");
    }
    ScenarioComments againComments;
    ScenarioTexts again = parseScenarioFile(file, "again.ini", &againComments);
    FUZZ_REQUIRE(again == texts, "written back, the file reads the same");
    const std::string twice = scenarioFileText(again, againComments);
    FUZZ_REQUIRE(twice == file, "written twice, the same bytes");
    // Every comment line read is written: none is lost, wherever it stood.
    for (const std::vector<std::string>* block : { &comments.header, &comments.after })
        for (const std::string& line : *block)
            FUZZ_REQUIRE(file.find(line) != std::string::npos, "a comment line is kept");
    for (const auto& [place, lines] : comments.above)
        for (const std::string& line : lines)
            FUZZ_REQUIRE(file.find(line) != std::string::npos, "a comment line is kept");
    return 0;
}
