#pragma once

// The mapping program's data: X,Y,Z point files in, Golden Software grids out, through GDAL.

#include "views/grid_sampling.h"

#include <QString>

#include <stdexcept>
#include <vector>

namespace drawfield::mapper {

class MapperError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Points {
    std::vector<double> x, y, z;
    std::size_t size() const { return x.size(); }
};

// Reads "x,y[,z]" or "x y [z]" lines (the record file's form among them). Lines that start with
// no number are skipped. Throws MapperError when the file cannot be read or holds no point.
Points readPoints(const QString& path, bool needZ);

// Grids the points by inverse distance to a power over their nearest neighbours (GDAL's
// invdistnn), on a lattice covering them with about 100 nodes along the longer side; nodes with no
// point near them take 0, the undisturbed level of a record file. Writes a Golden Software 7
// binary grid. Throws MapperError, and writes nothing, when it cannot.
void gridPoints(const Points& points, const QString& gridPath);

// Reads a grid file that GDAL opens. The field's values are the drawdowns, minus the grid's Z (a
// record file holds minus the drawdown), never below 0; blank nodes are 0.
SampledField readDrawdownGrid(const QString& gridPath);

} // namespace drawfield::mapper
