#pragma once

// Round values for the axes and the contour levels of a map: plain numbers, no drawing, so that
// GIS files and a run without pictures take the same levels as the charts.

#include "compute/engine/drawdown_grid.h"
#include "compute/units.h"

#include <array>
#include <memory>
#include <vector>

namespace drawfield {

// Round tick values (steps of 1, 2 or 5 times a power of ten) within [low, high], about `wanted` of
// them. One routine for every axis of both charts.
[[nodiscard]] std::vector<double> axisTicks(double low, double high, int wanted);

// Round contour levels for drawdowns from shallowest to deepest (m), ascending, above 0: 7 to 11
// of them (8 to 12 bands) where round values allow: a 1-2-5 sequence per decade for a cone that
// spans decades, so that shallow levels such as 0.05 and 0.1 m show on a cone of a metre or two,
// down to about a two-hundredth of the deepest; denser sequences or even steps (0.05, 0.1,
// 0.15...) for a cone that spans little. None when deepest is 0.
[[nodiscard]] std::vector<double> contourLevels(double shallowest, double deepest);

// The contour levels (m, shallowest first) of the map of grid, as its chart shows them; files for
// GIS take the same ones. The grid is read on `threads` threads (0: one per core).
// In the unit `length`, the levels are round in it.
[[nodiscard]] std::vector<double> mapLevels(const std::shared_ptr<const DrawdownGrid>& grid,
    unsigned threads = 0, const UnitFactor& length = {});

// The map's palette, 0xRRGGBB: from pale yellow (no drawdown) through green and blue to deep navy
// (deepest), its lightness falling steadily so that the depth order reads even in grey. The
// bands between levels take evenly spaced points of it.
inline constexpr std::array<unsigned, 9> MapPalette
    = { 0xffffd9, 0xedf8b1, 0xc7e9b4, 0x7fcdbb, 0x41b6c4, 0x1d91c0, 0x225ea8, 0x253494, 0x081d58 };

// The colour of each band between levels (ascending) as the map draws it, 0xRRGGBB (within a unit
// of each channel): what a GIS style gives the same bands.
[[nodiscard]] std::vector<unsigned> bandColoursOf(const std::vector<double>& levels);

} // namespace drawfield
