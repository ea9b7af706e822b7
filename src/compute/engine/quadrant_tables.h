#pragma once

// A source's terms made once for the nodes that share them, on a 1 m lattice: the term at
// (|dx|, |dy|) is that at (|dy|, |dx|), and every row of the map at |dy| from the source reads the
// same terms. The same bits as the row fill's own (each depends on dx^2 + dy^2 alone), fewer
// logarithms; the memory is the caller's (EngineWorkspace).

#include "compute/engine/engine_workspace.h"
#include "compute/engine/lattice_sources.h"

#include <mutex>
#include <stop_token>
#include <vector>

namespace drawfield {

// Gives the sources that cover much of a 1 m map their quadrant tables (PumpingWell::quadrant),
// the smallest first, while the tables together take at most half the grid's own bytes (and
// 1 GiB); `lease` keeps the workspace's memory until the map is made. Sources that would gain
// little (a short reach, or off the map) keep computing their terms row by row.
void attachQuadrants(std::vector<PumpingWell>& wells, const DrawdownGrid& grid, unsigned threads,
    const std::stop_token& stop, EngineWorkspace& workspace, std::unique_lock<std::mutex>& lease);

} // namespace drawfield
