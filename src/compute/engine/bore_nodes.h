#pragma once

// A node on a source, where the formula has no value. The row fill gives it no term, whatever
// the source (RowFill::run); it is settled here, after the fill, following the rows in order:
// - with one source per bore (no schedules, no boundaries), a row whose bore stands on the node
//   replaces the running sum with CarriedDrawdown, the drawdown of the node just before it in
//   loop order (X outer, Y inner; 0 for the first node); any other row adds its term, and
//   CarriedDrawdown follows the sum;
// - with more sources than bores, carrying the node before's whole sum would count every other
//   source twice: each of the bore's own sources is taken one node spacing away instead (what
//   the carried rule gives a lone well), and every other source, its images included, at its
//   distance.

#include "compute/engine/lattice_sources.h"

#include <utility>
#include <vector>

namespace drawfield {

// Settles the lattice nodes that bores stand on, in loop order, and returns them as (x, y).
// `carried` is whether there is one source per bore.
std::vector<std::pair<int, int>> settleBoreNodes(
    DrawdownGrid& grid, const std::vector<PumpingWell>& wells, bool carried);

} // namespace drawfield
