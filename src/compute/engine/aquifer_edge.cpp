#include "compute/engine/aquifer_edge.h"

#include "compute/sources.h"
#include "compute/straight_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace drawfield {

Stretch aquiferInRow(const ScenarioInputs& in, const DrawdownGrid& grid, int y)
{
    const long long columns = grid.columnCount();
    const double step = grid.nodeSpacing();
    double low = 0.0, high = static_cast<double>(columns - 1);
    for (const Boundary& boundary : in.Boundaries) {
        const StraightLine line = boundary.line();
        const int aquifer = aquiferSide(in, boundary);
        const std::optional<double> crossingX = line.xAt(y);
        if (!crossingX) {
            // A line along the rows: the row lies wholly on one side, or on the line.
            const int side = line.side(grid.xMin(), y);
            if (side != 0 && side != aquifer)
                return {};
            continue;
        }
        // Column k lies at x = xMin + k * step. Kept within the row (a crossing far beyond it
        // bounds nothing); the side to the right of the crossing is that of -dy.
        const double crossing
            = std::clamp((*crossingX - grid.xMin()) / step, -1.0, static_cast<double>(columns));
        if (std::isnan(crossing))
            continue;
        const bool aquiferToTheRight = (aquifer > 0) == (line.direction().Y < 0.0);
        if (aquiferToTheRight)
            low = std::max(low, std::floor(crossing));
        else
            high = std::min(high, std::ceil(crossing));
    }
    if (!(low <= high)) {
        // The estimate may be a node short where the line runs along a node: settle it.
        low = std::clamp(low, 0.0, static_cast<double>(columns - 1));
        high = low;
    }
    Stretch stretch { static_cast<long long>(low), static_cast<long long>(high) };
    auto inside = [&](long long k) { return isInAquifer(in, grid.nodeX(static_cast<int>(k)), y); };
    while (stretch.first > 0 && inside(stretch.first - 1))
        --stretch.first;
    while (stretch.first <= stretch.last && !inside(stretch.first))
        ++stretch.first;
    while (stretch.last < columns - 1 && inside(stretch.last + 1))
        ++stretch.last;
    while (stretch.last >= stretch.first && !inside(stretch.last))
        --stretch.last;
    return stretch;
}

void blankBeyondAquifer(const ScenarioInputs& in, DrawdownGrid& grid, int y)
{
    const Stretch inside = aquiferInRow(in, grid, y);
    double* row = grid.row(y);
    const auto step = static_cast<std::size_t>(grid.nodeSpacing());
    const auto nan = std::numeric_limits<double>::quiet_NaN();
    for (long long k = 0; k < std::min<long long>(inside.first, grid.columnCount()); ++k)
        row[static_cast<std::size_t>(k) * step] = nan;
    for (long long k = std::max<long long>(inside.last + 1, 0); k < grid.columnCount(); ++k)
        row[static_cast<std::size_t>(k) * step] = nan;
}

} // namespace drawfield
