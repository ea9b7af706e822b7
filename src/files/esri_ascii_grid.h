#pragma once

// The lattice of a drawdown grid as an ESRI ASCII grid, which GIS software and GDAL open: the
// header (ncols, nrows, xllcenter, yllcenter, cellsize), then one line per lattice row,
// northernmost first, of the grid's values (minus the drawdown, m) with 17 significant digits.

#include "compute/engine/drawdown_engine.h"
#include "compute/engine/drawdown_grid.h"

#include <filesystem>

#include <string>

namespace drawfield {

// Where a grid lies: its nodes at (easting + x, northing + y), in the coordinate system an ESRI
// .prj file beside it names (none: local metres, and no .prj).
struct GridPlace {
    double easting = 0.0; // m
    double northing = 0.0; // m
    std::string projection; // the .prj file's text
};

// The grid and its .prj replace an earlier pair as a set; a .prj left from an earlier grid that
// had one is removed with it. A grid into a device or standard output goes without its .prj.
//
// With noData, the header says NODATA_value -9999 and nodes without a value (NaN: beyond a
// boundary) are written so. Throws FileWriteError naming the path when it cannot be written.
void writeAsciiGrid(const std::filesystem::path& path, const DrawdownGrid& grid,
    bool noData = false, const GridPlace& place = {});

// Where Cooper-Jacob is more than 1 % off Theis, on grid's lattice, in the same form: 1 there,
// 0 elsewhere. Throws FileWriteError.
void writeValidityGrid(const std::filesystem::path& path, const DrawdownGrid& grid,
    const ValidityZone& zone, const GridPlace& place = {});

} // namespace drawfield
