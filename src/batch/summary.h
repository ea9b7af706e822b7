#pragma once

#include "compute/verdicts.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace drawfield {

struct BatchRun;

// The run's one line of summary: the map, the method and its parameters, the largest drawdown in
// a bore and on the map's nodes, the seconds the run took.
// Then a line for each verdict.
void writeSummary(std::ostream& out, const BatchRun& run, double seconds);

// A line for each bore given an available drawdown and each point given a limit: "PW-2: largest
// drawdown 15.3 m of 15 m available (102 %); runs dry at 310.2 h".
[[nodiscard]] std::vector<std::string> verdictLines(
    const Verdicts& verdicts, const ScenarioInputs& inputs);

} // namespace drawfield
