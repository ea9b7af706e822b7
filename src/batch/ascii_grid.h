#pragma once

// The lattice of a drawdown grid as an ESRI ASCII grid, which GIS software and GDAL open: the
// header (ncols, nrows, xllcenter, yllcenter, cellsize), then one line per lattice row,
// northernmost first, of the grid's values (minus the drawdown, m) with 17 significant digits.

#include "compute/drawdown_engine.h"
#include "compute/drawdown_grid.h"

#include <filesystem>

namespace drawfield {

// With noData, the header says NODATA_value -9999 and nodes without a value (NaN: beyond a
// boundary) are written so. Throws FileWriteError naming the path when it cannot be written.
void writeAsciiGrid(
    const std::filesystem::path& path, const DrawdownGrid& grid, bool noData = false);

// Where Cooper-Jacob is more than 1 % off Theis, on grid's lattice, in the same form: 1 there,
// 0 elsewhere. Throws FileWriteError.
void writeValidityGrid(
    const std::filesystem::path& path, const DrawdownGrid& grid, const ValidityZone& zone);

} // namespace drawfield
