#include "compute/engine/peaks.h"

#include "compute/engine/parallel.h"

#include <atomic>
#include <vector>

namespace drawfield {

RowPeak lowestInRow(const DrawdownGrid& grid, int y, const LatticeSpan& columns)
{
    RowPeak peak;
    const double* row = grid.row(y);
    const auto step = static_cast<long long>(grid.nodeSpacing());
    for (long long k = columns.firstColumn; k <= columns.lastColumn; ++k) {
        if (row[k * step] < peak.value) {
            peak.value = row[k * step];
            peak.x = grid.nodeX(static_cast<int>(k));
        }
    }
    return peak;
}

void keepLargest(DrawdownPeak& peak, const RowPeak& row, int y)
{
    double drawdown = -row.value;
    if (drawdown > peak.drawdown
        || (drawdown == peak.drawdown && drawdown > 0.0
            && (row.x < peak.x || (row.x == peak.x && y < peak.y))))
        peak = { drawdown, row.x, y };
}

void noRise(DrawdownGrid& grid, int y, const LatticeSpan& columns)
{
    double* row = grid.row(y);
    const auto step = static_cast<long long>(grid.nodeSpacing());
    for (long long k = columns.firstColumn; k <= columns.lastColumn; ++k)
        row[k * step] = std::min(row[k * step], 0.0);
}

bool correctForUnconfined(DrawdownGrid& grid, const Aquifer& aquifer, unsigned threads)
{
    const LatticeSpan span = grid.latticeIn(grid.drawdownExtent());
    std::atomic<bool> dewatered { false };
    const auto step = static_cast<std::size_t>(grid.nodeSpacing());
    parallelFor(span.lastRow - span.firstRow + 1, threads, [&](long long item, unsigned) {
        double* row = grid.row(grid.nodeY(static_cast<int>(span.firstRow + item)));
        bool dry = false;
        for (long long k = span.firstColumn; k <= span.lastColumn; ++k) {
            double& value = row[static_cast<std::size_t>(k) * step];
            const double confined = -value;
            if (!(confined > 0.0))
                continue;
            value = -aquiferDrawdown(aquifer, confined, dry);
        }
        if (dry)
            dewatered = true;
    });
    return dewatered;
}

DrawdownPeak largestOnMap(const DrawdownGrid& grid, unsigned threads)
{
    DrawdownPeak largest { 0.0, grid.xMin(), grid.yMin() };
    const LatticeSpan nodes = grid.latticeIn(grid.drawdownExtent());
    std::vector<RowPeak> peaks(
        static_cast<std::size_t>(std::max(0LL, nodes.lastRow - nodes.firstRow + 1)));
    parallelFor(static_cast<long long>(peaks.size()), threads, [&](long long item, unsigned) {
        peaks[static_cast<std::size_t>(item)]
            = lowestInRow(grid, grid.nodeY(static_cast<int>(nodes.firstRow + item)), nodes);
    });
    for (std::size_t i = 0; i < peaks.size(); ++i)
        keepLargest(largest, peaks[i],
            grid.nodeY(static_cast<int>(nodes.firstRow + static_cast<long long>(i))));
    return largest;
}

} // namespace drawfield
