#pragma once

// The mapping program's data: X,Y,Z point files in, Golden Software grids out, through GDAL.

#include "views/grid_sampling.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace drawfield::mapper {

class MapperError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Points {
    std::vector<double> x, y, z;
    [[nodiscard]] std::size_t size() const { return x.size(); }
};

// Reads "x,y[,z]" or "x y [z]" lines (the record file's form among them). Lines that start with
// no number, or hold one that is not finite, are skipped. Throws MapperError when the file cannot
// be read or holds no point.
[[nodiscard]] Points readPoints(const QString& path, bool needZ);

// One line of a point file: its X, Y and Z (0 when absent and not needed), or nothing.
[[nodiscard]] std::optional<std::array<double, 3>> parsePointLine(
    std::string_view line, bool needZ);

// Grids the points by inverse distance to a power over their nearest neighbours (GDAL's
// invdistnn), on a lattice covering them with about 100 nodes along the longer side; nodes with no
// point near them take 0, the undisturbed level of a record file. Writes a Golden Software 7
// binary grid. Throws MapperError, and writes nothing, when it cannot.
// progress hears how far the gridding has come, from 0 to 1.
void gridPoints(const Points& points, const QString& gridPath,
    const std::function<void(double)>& progress = {});

// Reads a grid file: a Golden Software grid (text, 6 or 7 binary) or an ESRI ASCII grid, through
// GDAL (so GDAL's virtual paths such as /vsimem/ work too). The field's values are the drawdowns,
// minus the grid's Z (a record file holds minus the drawdown), never below 0; blank nodes are 0.
// A grid larger than a picture needs is read thinned to at most 1000 nodes a side. Throws
// MapperError when the file is no such grid or declares more nodes than it can hold.
[[nodiscard]] SampledField readDrawdownGrid(const QString& gridPath);

} // namespace drawfield::mapper
