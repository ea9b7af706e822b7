#pragma once

// Scenario files: the texts of the window's fields in INI form.
//
//   [map]      x_min, y_min, x_max, cell_size
//   [aquifer]  transmissivity (m2/s), storage (%), pumping_time (hours), thickness (m),
//              method (cooper-jacob, theis or hantush), leakage_factor (m, for hantush),
//              unconfined (no or yes)
//   [bore1] .. [bore5]   x, y (m), rate (m3/h), schedule ("hour:rate, hour:rate", h and m3/h),
//              radius (m, where the drawdown in the bore is read; 0.1 when left out)
//   [boundary1], [boundary2]   kind (barrier or recharge), x1, y1, x2, y2 (m); a section with
//              points but no kind is refused
//   [observation1] .. [observation10]   name, x, y (m)
//   [profile]  x1, y1, x2, y2 (m)
//   [georeference]  easting, northing (m, of the map's point (0, 0)), crs ("EPSG:25832")
//
// "#" or ";" starts a comment; a value in double quotes keeps its blanks and comment characters
// as they are, and two double quotes in a row inside it stand for one. A key left out keeps the
// window's initial text; a bore left out is an empty row. Section and key names are not
// case-sensitive. A value is one line (a carriage return inside one is refused), so that whatever
// the reader keeps the writer can write. One reader and one writer serve the window and
// drawfield-batch alike.

#include "compute/scenario.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace drawfield {

// A scenario file that cannot be read or understood; what() names the file and, where there is
// one, the line: "Cannot read the scenario file site.ini at line 7: Unknown key "rte" in [bore1]."
class ScenarioFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A scenario holds a few lines; anything larger is not one.
inline constexpr std::size_t LargestScenarioFileBytes = 1 << 20;

[[nodiscard]] ScenarioTexts parseScenarioFile(
    std::string_view content, const std::string& fileName);
// Reads a regular file of at most LargestScenarioFileBytes; anything else is refused.
[[nodiscard]] ScenarioTexts readScenarioFile(const std::filesystem::path& path);

// The file's text for texts: every key of [map] and [aquifer], and every other section that holds
// a text, each text as typed ("12,5" stays "12,5"), quoted only where the format needs it. Read
// back, it gives texts again. Throws std::invalid_argument for a text holding a line break.
[[nodiscard]] std::string scenarioFileText(const ScenarioTexts& texts);
// Writes that text as AtomicFile writes; throws FileWriteError naming the file.
void writeScenarioFile(const std::filesystem::path& path, const ScenarioTexts& texts);

} // namespace drawfield
