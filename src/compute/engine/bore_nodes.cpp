#include "compute/engine/bore_nodes.h"

#include <algorithm>

namespace drawfield {
namespace {

    double drawdownOnBore(const std::vector<PumpingWell>& wells, int x, int y,
        double CarriedDrawdown, bool carried, int spacing)
    {
        double s = 0.0;
        for (const PumpingWell& well : wells) {
            double n;
            if (well.integral) {
                long long whole = squared(static_cast<long long>(well.X) - x)
                    + squared(static_cast<long long>(well.Y) - y);
                if (whole == 0 && !well.image && !carried) {
                    s = s + well.contribution(static_cast<double>(squared(spacing)));
                    continue;
                }
                if (whole == 0 && !well.image) {
                    if (well.firstOfBore)
                        s = CarriedDrawdown;
                    continue;
                }
                n = static_cast<double>(whole);
            } else {
                const double dx = well.x - x, dy = well.y - y;
                n = dx * dx + dy * dy;
            }
            s = s + well.contribution(n);
            CarriedDrawdown = s;
        }
        return s;
    }

} // namespace

std::vector<std::pair<int, int>> settleBoreNodes(
    DrawdownGrid& grid, const std::vector<PumpingWell>& wells, bool carried)
{
    std::vector<std::pair<int, int>> nodes; // (x, y)
    const int step = grid.nodeSpacing();
    for (const PumpingWell& well : wells) {
        if (well.image || !well.integral)
            continue;
        bool inside = well.X >= grid.xMin() && well.X <= grid.xMax() && well.Y >= grid.yMin()
            && well.Y <= grid.yMax();
        if (inside && (well.X - grid.xMin()) % step == 0 && (well.Y - grid.yMin()) % step == 0)
            nodes.emplace_back(well.X, well.Y);
    }
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());

    // Each one's CarriedDrawdown is the final drawdown of the node before it, which may itself
    // be a bore's node settled just before.
    const int lastY = grid.nodeY(grid.rowCount() - 1);
    for (auto [x, y] : nodes) {
        double previous = 0.0;
        if (y > grid.yMin())
            previous = -grid.at(x, y - step);
        else if (x > grid.xMin())
            previous = -grid.at(x - step, lastY);
        grid.at(x, y) = 0.0 - drawdownOnBore(wells, x, y, previous, carried, step); // never -0
    }
    return nodes;
}

} // namespace drawfield
