#pragma once

// The CSV files of the curves and the profile, and the rule for a text in a cell (the fit report
// takes it too).

#include "compute/observations.h"
#include "compute/units.h"

#include <filesystem>
#include <string>
#include <vector>

namespace drawfield {

// CSV files: "hours,<name 1>,..." then a row per time; "distance_m,x_m,y_m,drawdown_m" then a
// row per point. Hours and distances in the shortest text that reads back to the same number,
// drawdowns with 17 significant digits, an empty cell where there is none. A name is quoted when
// it holds a comma or a quote; one that a spreadsheet would run as a formula (a leading =, +, -
// or @) gets a leading ' inside quotes, and control characters become U+FFFD. Written as
// AtomicFile writes; throw FileWriteError.
// With units chosen ([units]), times and drawdowns are in them and the columns name them:
// "time_d,<name 1> (ft),..." and "distance_m,x_m,y_m,drawdown_ft".
void writeCurvesFile(const std::filesystem::path& path, const ObservationCurves& curves,
    const ResultUnits& units = {});
void writeProfileFile(const std::filesystem::path& path, const std::vector<ProfilePoint>& profile,
    const ResultUnits& units = {});

// A text as one cell of a CSV file, by the rules above.
[[nodiscard]] std::string csvCell(const std::string& text);

} // namespace drawfield
