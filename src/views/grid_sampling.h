#pragma once

// A drawdown map reduced to what a picture can show. The lattice nodes are gathered into at most
// a given number of groups per axis, each group of neighbouring nodes becoming one sample that
// keeps its deepest drawdown: a cone is never lost between samples, however large the map.

#include "compute/drawdown_grid.h"

#include <vector>

namespace drawfield {

// Drawdowns (m, 0 or more, positive downward) on a regular lattice of samples, X fastest.
struct SampledField {
    double xFirst = 0.0; // m, X of the first column of samples
    double yFirst = 0.0; // m, Y of the first row
    double xSpacing = 1.0; // m between columns
    double ySpacing = 1.0; // m between rows
    int columns = 0;
    int rows = 0;
    std::vector<double> drawdowns; // rows * columns
    double deepest = 0.0; // m
    double shallowest = 0.0; // m

    double x(int column) const { return xFirst + column * xSpacing; }
    double y(int row) const { return yFirst + row * ySpacing; }
    double at(int column, int row) const
    {
        return drawdowns[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns)
            + static_cast<std::size_t>(column)];
    }
};

// Samples the lattice xMin + k * xSpacing, yMin + m * ySpacing of grid (spacings in whole metres,
// normally the grid's node spacing) with at most maxPerSide samples per axis. The first and last
// samples lie on the first and last nodes. Only the grid's drawdown extent is read.
SampledField sampleDrawdowns(const DrawdownGrid& grid, int xSpacing, int ySpacing, int maxPerSide);

} // namespace drawfield
