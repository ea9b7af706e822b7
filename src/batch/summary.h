#pragma once

#include <iosfwd>

namespace drawfield {

struct BatchRun;

// The run's one line of summary: the map, the method and its parameters, the largest drawdown in
// a bore and on the map's nodes, the seconds the run took.
void writeSummary(std::ostream& out, const BatchRun& run, double seconds);

} // namespace drawfield
