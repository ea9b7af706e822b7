#pragma once

// A drawdown map reduced to what a picture can show. The lattice nodes are gathered into at most
// a given number of groups per axis, each group of neighbouring nodes becoming one sample that
// keeps its deepest drawdown: a cone is never lost between samples, however large the map.

#include "compute/engine/drawdown_grid.h"
#include "compute/inputs.h"

#include <memory>
#include <vector>

namespace drawfield {

// Drawdowns (m, 0 or more, positive downward) on a regular lattice of samples, X fastest. A
// sample whose nodes all lie beyond a boundary is blank: NaN.
struct SampledField {
    double xFirst = 0.0; // m, X of the first column of samples
    double yFirst = 0.0; // m, Y of the first row
    double xSpacing = 1.0; // m between columns
    double ySpacing = 1.0; // m between rows
    int columns = 0;
    int rows = 0;
    std::vector<double> drawdowns; // rows * columns
    // The extremes of the nodes the samples stand for, every one of them at full resolution: the
    // charts of one map take their contour levels from these, so they agree.
    double deepest = 0.0; // m
    double shallowest = 0.0; // m

    [[nodiscard]] double x(int column) const { return xFirst + column * xSpacing; }
    [[nodiscard]] double y(int row) const { return yFirst + row * ySpacing; }
    [[nodiscard]] double at(int column, int row) const
    {
        return drawdowns[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns)
            + static_cast<std::size_t>(column)];
    }
};

// Samples the lattice xMin + k * xSpacing, yMin + m * ySpacing of grid (spacings in whole metres,
// normally the grid's node spacing) with at most maxPerSide samples per axis. The first and last
// samples lie on the first and last nodes. Only the grid's drawdown extent is read, once, row by
// row in memory order, on `threads` threads (0: one per core) for a large grid.
[[nodiscard]] SampledField sampleDrawdowns(
    const DrawdownGrid& grid, int xSpacing, int ySpacing, int maxPerSide, unsigned threads = 0);

// A field of at most maxPerSide samples a side made from a finer one, each sample again keeping
// the deepest drawdown of those it stands for, the extremes kept.
[[nodiscard]] SampledField coarsened(const SampledField& field, int maxPerSide);

// The field as a picture can draw it: a single column or row (a map of one node, a map one
// metre wide) becomes two alike, half a spacing either side of it, so it has an area to show.
[[nodiscard]] SampledField withArea(const SampledField& field);

// What both charts of one map need: the map's field and the surface's coarser one, made by one
// pass over the grid.
struct ChartSamples {
    static constexpr int MapSamplesPerSide = 400; // enough for smooth contours on any picture
    static constexpr int SurfaceSamplesPerSide = 100; // the surface paints each face on its own
    SampledField map;
    SampledField surface;
};

// The samples of grid at the given spacings, made once and shared while they are asked for: the
// second chart of a run, and every repaint, take the samples the first one made. Drawdowns in
// the unit `length` (metres by default: the grid's values as they are).
[[nodiscard]] std::shared_ptr<const ChartSamples> chartSamples(
    const std::shared_ptr<const DrawdownGrid>& grid, int xSpacing, int ySpacing,
    unsigned threads = 0, const UnitFactor& length = {});

// The scenario computed at a picture's resolution: the lattice spacing made coarser (a whole
// number of metres, dividing the map where one does) so that the map has about nodesPerSide
// nodes a side, never finer than the scenario's own.
[[nodiscard]] ScenarioInputs atPictureResolution(const ScenarioInputs& inputs, int nodesPerSide);

} // namespace drawfield
