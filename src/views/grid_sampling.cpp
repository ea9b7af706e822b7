#include "views/grid_sampling.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace drawfield {
namespace {

    // How many samples an axis of `nodes` lattice nodes gets, and which sample each node joins:
    // node k goes to the sample nearest its position, so groups are contiguous and the end nodes
    // are samples of their own position.
    struct AxisGroups {
        int samples = 0;
        std::vector<int> sampleOfNode;
    };

    AxisGroups groupAxis(int nodes, int maxSamples)
    {
        AxisGroups axis;
        axis.samples = std::min(nodes, std::max(2, maxSamples));
        axis.sampleOfNode.resize(static_cast<std::size_t>(nodes));
        for (int k = 0; k < nodes; ++k)
            axis.sampleOfNode[static_cast<std::size_t>(k)] = nodes == 1
                ? 0
                : static_cast<int>(std::lround(
                    static_cast<double>(k) * (axis.samples - 1) / static_cast<double>(nodes - 1)));
        return axis;
    }

} // namespace

SampledField sampleDrawdowns(const DrawdownGrid& grid, int xSpacing, int ySpacing, int maxPerSide)
{
    xSpacing = std::max(1, xSpacing);
    ySpacing = std::max(1, ySpacing);
    const int nodeColumns = static_cast<int>((grid.xMax() - grid.xMin()) / xSpacing) + 1;
    const int nodeRows = static_cast<int>((grid.yMax() - grid.yMin()) / ySpacing) + 1;
    const AxisGroups columns = groupAxis(nodeColumns, maxPerSide);
    const AxisGroups rows = groupAxis(nodeRows, maxPerSide);

    SampledField field;
    field.columns = columns.samples;
    field.rows = rows.samples;
    const double xLast = grid.xMin() + static_cast<double>(nodeColumns - 1) * xSpacing;
    const double yLast = grid.yMin() + static_cast<double>(nodeRows - 1) * ySpacing;
    field.xFirst = grid.xMin();
    field.yFirst = grid.yMin();
    field.xSpacing = field.columns > 1 ? (xLast - field.xFirst) / (field.columns - 1) : 1.0;
    field.ySpacing = field.rows > 1 ? (yLast - field.yFirst) / (field.rows - 1) : 1.0;
    field.drawdowns.assign(
        static_cast<std::size_t>(field.columns) * static_cast<std::size_t>(field.rows), 0.0);

    // Nodes outside the drawdown extent hold 0: only the extent is read.
    MetreBox box = grid.drawdownExtent();
    if (!box.empty()) {
        const int firstColumn
            = static_cast<int>(std::max(0LL, ceilDivide(box.xMin - grid.xMin(), xSpacing)));
        const int lastColumn = static_cast<int>(
            std::min<long long>(nodeColumns - 1, floorDivide(box.xMax - grid.xMin(), xSpacing)));
        const int firstRow
            = static_cast<int>(std::max(0LL, ceilDivide(box.yMin - grid.yMin(), ySpacing)));
        const int lastRow = static_cast<int>(
            std::min<long long>(nodeRows - 1, floorDivide(box.yMax - grid.yMin(), ySpacing)));

        // Threads take whole sample rows, so no two write the same sample.
        auto reduceSampleRows = [&](int sampleRowBegin, int sampleRowEnd) {
            for (int m = firstRow; m <= lastRow; ++m) {
                int sampleRow = rows.sampleOfNode[static_cast<std::size_t>(m)];
                if (sampleRow < sampleRowBegin || sampleRow >= sampleRowEnd)
                    continue;
                const double* values = grid.row(grid.yMin() + m * ySpacing);
                double* out = field.drawdowns.data()
                    + static_cast<std::size_t>(sampleRow) * static_cast<std::size_t>(field.columns);
                for (int k = firstColumn; k <= lastColumn; ++k) {
                    double drawdown
                        = -values[static_cast<std::size_t>(k) * static_cast<std::size_t>(xSpacing)];
                    double& sample = out[columns.sampleOfNode[static_cast<std::size_t>(k)]];
                    sample = std::max(sample, drawdown);
                }
            }
        };
        long long nodes
            = static_cast<long long>(lastColumn - firstColumn + 1) * (lastRow - firstRow + 1);
        unsigned threads
            = nodes > 1'000'000 ? std::max(1u, std::thread::hardware_concurrency()) : 1u;
        std::vector<std::jthread> pool;
        for (unsigned t = 1; t < threads; ++t)
            pool.emplace_back(reduceSampleRows, static_cast<int>(field.rows * t / threads),
                static_cast<int>(field.rows * (t + 1) / threads));
        reduceSampleRows(0, static_cast<int>(field.rows / threads));
    }

    auto [lowest, highest] = std::minmax_element(field.drawdowns.begin(), field.drawdowns.end());
    field.shallowest = *lowest;
    field.deepest = *highest;
    return field;
}

} // namespace drawfield
