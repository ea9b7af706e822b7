#pragma once

// Scenario files: the texts of the window's fields in INI form, the sections and keys of the key
// table (scenario_keys.h), the well functions' parameters among them.
//
// "#" or ";" starts a comment; a value in double quotes keeps its blanks and comment characters
// as they are, and two double quotes in a row inside it stand for one. A key left out keeps the
// window's initial text; a bore left out is an empty row. Section and key names are not
// case-sensitive. A value is one line (a carriage return inside one is refused), so that whatever
// the reader keeps the writer can write. One reader and one writer serve the window and
// drawfield-batch alike.

#include "scenario/scenario.h"

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace drawfield {

// A scenario file that cannot be read or understood; what() names the file and, where there is
// one, the line: "Cannot read the scenario file site.ini at line 7: Unknown key "rte" in [bore1]."
class ScenarioFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A scenario holds a few lines; anything larger is not one.
inline constexpr std::size_t LargestScenarioFileBytes = 1 << 20;

// The comments of a scenario file, kept where they stood so that a file written again keeps them:
// the comment lines before the first section (the file's header), the comment lines above each
// section and key, the comment at the end of a section's or a key's line (with the blanks before
// it), and the comment lines after the last key. Blank lines inside a block of comments are kept;
// those around one are the writer's.
struct ScenarioComments {
    std::vector<std::string> header;
    std::map<std::string, std::vector<std::string>> above; // "map", or "map.x_max"
    std::map<std::string, std::string> atEnd; // "map", or "map.x_max": "    # m"
    std::vector<std::string> after;
    [[nodiscard]] bool empty() const
    {
        return header.empty() && above.empty() && atEnd.empty() && after.empty();
    }
    bool operator==(const ScenarioComments&) const = default;
};

// The texts of a file's content; with comments given, its comments too.
[[nodiscard]] ScenarioTexts parseScenarioFile(
    std::string_view content, const std::string& fileName, ScenarioComments* comments = nullptr);
// Reads a regular file of at most LargestScenarioFileBytes (readSmallRegularFile), or standard
// input for "-" and /dev/stdin; anything else is refused.
[[nodiscard]] ScenarioTexts readScenarioFile(
    const std::filesystem::path& path, ScenarioComments* comments = nullptr);

// The folder a scenario's relative names (its readings) are found from: that of the file the path
// leads to, symbolic links followed (a link to site/test.ini finds site/obs.csv); the current
// folder for standard input.
[[nodiscard]] std::filesystem::path scenarioFolderOf(const std::filesystem::path& path);

// The file's text for texts: every key of [map] and [aquifer], and every other section that holds
// a text, each text as typed ("12,5" stays "12,5"), quoted only where the format needs it, and the
// comments where they stood (those of a section no longer written go to the end). Read back, it
// gives texts and comments again. Throws std::invalid_argument for a text holding a line break.
[[nodiscard]] std::string scenarioFileText(
    const ScenarioTexts& texts, const ScenarioComments& comments = {});
// Writes that text as AtomicFile writes; throws FileWriteError naming the file.
void writeScenarioFile(const std::filesystem::path& path, const ScenarioTexts& texts,
    const ScenarioComments& comments = {});

// The texts with each relative measured name rewritten for a scenario file that moves from one
// folder to another, so that it still names the same file (links in either folder followed);
// absolute names stay.
[[nodiscard]] ScenarioTexts withMeasuredNamesMoved(const ScenarioTexts& texts,
    const std::filesystem::path& fromFolder, const std::filesystem::path& toFolder);

// The folder a scenario written to path is read from again: that of the file path leads to
// (links followed, as the file is written there), the current folder for standard output or a
// device.
[[nodiscard]] std::filesystem::path folderOfWrittenScenario(const std::filesystem::path& path);

// Writes texts, read from fromFolder, to path (writeScenarioFile), each relative measured name
// rewritten to lead to the same file from where the file lands: the one rule of the window's
// Save As and drawfield-batch --write-scenario.
void writeScenarioFileFrom(const std::filesystem::path& path, const ScenarioTexts& texts,
    const std::filesystem::path& fromFolder, const ScenarioComments& comments = {});

} // namespace drawfield
