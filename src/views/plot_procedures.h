#pragma once

// How the window fills its two charts and turns the surface. PlotMap and Plot3D hand a chart the
// last run's counts, parameters and grid in a fixed order, bracketed by the batch switch, so the
// chart draws once; a step the chart refuses is skipped, and nothing is reported to the caller.

#include "views/chart3d.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace drawfield {

// What the window keeps of the last run, as the charts read it.
struct PlotSource {
    std::shared_ptr<const drawfield::DrawdownGrid> DrawdownGrid; // empty before the first run
    std::int16_t GridXMax = 0; // m
    std::int16_t GridYMax = 0; // m
    std::int16_t GridStep = 0; // m
    ChartOverlays overlays; // the wells and the validity zone, drawn over the drawdowns
    ShownUnit length; // the unit drawdowns are shown in: metres, or the length [units] chose
    // The site's easting and northing of the local (0, 0) where the scenario writes site
    // coordinates: the axes and the read-out show them.
    std::optional<QPointF> siteOrigin;
};

// The row or column count handed to a chart: maximum / step as reals, rounded half to even
// (25 / 2 gives 12, 35 / 2 gives 18); empty when it cannot be formed (0 / 0 before any run).
[[nodiscard]] std::optional<std::int32_t> plotCount(std::int16_t maximum, std::int16_t step);

// Fills the contour map chart (the window then brings the "Map" tab to the front). Per-row and
// per-column values go to indices 1, 1 + step, ... up to the maxima.
void PlotMap(Chart3D& Chart3D1, const PlotSource& source);

// Fills the 3D surface chart. Per-row and per-column values go to every index 1 .. the maxima.
void Plot3D(Chart3D& Chart3D2, const PlotSource& source);

// The window's three stored view angles, degrees, 0 at start and never read back from the chart.
struct ViewAngleStore {
    std::int16_t ViewAngleX = 0;
    std::int16_t ViewAngleY = 0;
    std::int16_t ViewAngleZ = 0;
};

// A rotation button: the stored angle of axis moves by the degree step read from stepText (the
// number of the text, 0 when it has none), by -1 or +1 times it; the result is rounded half to
// even and kept only within -32768 .. 32767. The chart's angle about that axis is set to the
// stored angle, the other two stay, and the surface is refilled with Plot3D.
void rotateView(Chart3D& Chart3D2, ViewAngleStore& angles, RotationAxis axis, int direction,
    const QString& stepText, const PlotSource& source);

} // namespace drawfield
