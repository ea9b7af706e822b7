#pragma once

// Contour lines of a sampled drawdown field (marching squares).

#include "views/grid_sampling.h"

#include <QPolygonF>

#include <vector>

namespace drawfield {

// The closed loops (m) that bound the region where the drawdown is at or beyond level (m, > 0).
// Where the region meets the map's edge its loop runs along the edge, so every loop closes and
// stays inside the map. Filled with the odd-even rule, the loops give the region exactly.
[[nodiscard]] std::vector<QPolygonF> contourLoops(const SampledField& field, double level);

// The contour lines of those loops: the loops without their stretches along the map's edge.
[[nodiscard]] std::vector<QPolygonF> contourLines(
    const std::vector<QPolygonF>& loops, const QRectF& map);

} // namespace drawfield
