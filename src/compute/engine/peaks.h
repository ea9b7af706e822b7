#pragma once

// The levels after the fill: no node above the rest level, the unconfined correction, and the
// largest drawdown of the map.

#include "compute/engine/drawdown_engine.h"
#include "compute/wells/aquifer.h"

namespace drawfield {

// The lowest value of a lattice row within the given columns, and the first X that has it.
struct RowPeak {
    double value = 0.0;
    int x = 0;
};
[[nodiscard]] RowPeak lowestInRow(const DrawdownGrid& grid, int y, const LatticeSpan& columns);

// Keeps the largest drawdown; ties go to the first node in loop order (X outer, Y inner).
void keepLargest(DrawdownPeak& peak, const RowPeak& row, int y);

// Pumping never raises the level: a node of the row above the rest level is taken back to it.
void noRise(DrawdownGrid& grid, int y, const LatticeSpan& columns);

// Jacob's correction for an unconfined aquifer (aquiferDrawdown), node by node over the drawdown
// extent; true when some node is dewatered (2 s' > b), where it takes b.
[[nodiscard]] bool correctForUnconfined(
    DrawdownGrid& grid, const Aquifer& aquifer, unsigned threads);

// The largest drawdown among the lattice nodes of the drawdown extent, first node in loop order.
[[nodiscard]] DrawdownPeak largestOnMap(const DrawdownGrid& grid, unsigned threads);

} // namespace drawfield
