#pragma once

// Where the aquifer ends on a map with boundaries: beyond a boundary there is no aquifer, and
// those lattice nodes hold NaN (drawdown_grid.h).

#include "compute/engine/drawdown_grid.h"
#include "compute/inputs.h"

namespace drawfield {

// The columns of a row in the aquifer, first to last (none when last < first): found from each
// line's crossing of the row, then settled node by node against isInAquifer, so the map agrees
// with every other reader of the aquifer to the node.
struct Stretch {
    long long first = 0;
    long long last = -1;
};
[[nodiscard]] Stretch aquiferInRow(const ScenarioInputs& in, const DrawdownGrid& grid, int y);

// Writes NaN to every node of the row beyond the aquifer. Each row's aquifer is one stretch of it
// (the aquifer is convex): only the rest of the row is written.
void blankBeyondAquifer(const ScenarioInputs& in, DrawdownGrid& grid, int y);

} // namespace drawfield
