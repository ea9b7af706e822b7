#pragma once

// The lattice of a drawdown grid as an ESRI ASCII grid, which GIS software and GDAL open: the
// header (ncols, nrows, xllcenter, yllcenter, cellsize), then one line per lattice row,
// northernmost first, of the grid's values (minus the drawdown, m) with 17 significant digits.

#include "compute/drawdown_grid.h"

#include <filesystem>

namespace drawfield {

// Throws FileWriteError naming the path when it cannot be written.
void writeAsciiGrid(const std::filesystem::path& path, const DrawdownGrid& grid);

} // namespace drawfield
