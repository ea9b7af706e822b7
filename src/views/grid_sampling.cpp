#include "views/grid_sampling.h"

#include "compute/engine/parallel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace drawfield {
namespace {

    constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();

    // How many samples an axis of `nodes` lattice nodes gets, and which nodes each sample stands
    // for: node k goes to the sample nearest its position, so groups are contiguous runs and the
    // end nodes are samples of their own position. Sample s stands for nodes
    // runBegin[s] .. runBegin[s + 1] - 1.
    struct AxisGroups {
        int samples = 0;
        std::vector<int> sampleOfNode;
        std::vector<int> runBegin;
    };

    AxisGroups groupAxis(int nodes, int maxSamples)
    {
        AxisGroups axis;
        axis.samples = std::min(nodes, std::max(2, maxSamples));
        axis.sampleOfNode.resize(static_cast<std::size_t>(nodes));
        axis.runBegin.assign(static_cast<std::size_t>(axis.samples) + 1, nodes);
        for (int k = nodes - 1; k >= 0; --k) {
            int sample = nodes == 1 ? 0
                                    : static_cast<int>(std::lround(static_cast<double>(k)
                                        * (axis.samples - 1) / static_cast<double>(nodes - 1)));
            axis.sampleOfNode[static_cast<std::size_t>(k)] = sample;
            axis.runBegin[static_cast<std::size_t>(sample)] = k;
        }
        return axis;
    }

    struct Extremes {
        double lowest = std::numeric_limits<double>::infinity();
        double highest = -std::numeric_limits<double>::infinity();
        void add(const Extremes& other)
        {
            lowest = std::min(lowest, other.lowest);
            highest = std::max(highest, other.highest);
        }
    };

    // The smallest and largest of count values `stride` apart. Four running pairs let the
    // compiler keep them in vector registers; `v < low ? v : low` is what the minimum
    // instruction computes, so no reassociation of the comparisons is needed.
    Extremes extremesOf(const double* values, std::size_t count, std::size_t stride)
    {
        Extremes result;
        if (stride == 1 && count >= 4) {
            double l0 = result.lowest, l1 = l0, l2 = l0, l3 = l0;
            double h0 = result.highest, h1 = h0, h2 = h0, h3 = h0;
            std::size_t i = 0;
            for (; i + 4 <= count; i += 4) {
                l0 = values[i] < l0 ? values[i] : l0;
                l1 = values[i + 1] < l1 ? values[i + 1] : l1;
                l2 = values[i + 2] < l2 ? values[i + 2] : l2;
                l3 = values[i + 3] < l3 ? values[i + 3] : l3;
                h0 = values[i] > h0 ? values[i] : h0;
                h1 = values[i + 1] > h1 ? values[i + 1] : h1;
                h2 = values[i + 2] > h2 ? values[i + 2] : h2;
                h3 = values[i + 3] > h3 ? values[i + 3] : h3;
            }
            for (; i < count; ++i) {
                l0 = values[i] < l0 ? values[i] : l0;
                h0 = values[i] > h0 ? values[i] : h0;
            }
            result.lowest = std::min({ l0, l1, l2, l3 });
            result.highest = std::max({ h0, h1, h2, h3 });
            return result;
        }
        for (std::size_t i = 0; i < count; ++i) {
            double v = values[i * stride];
            result.lowest = v < result.lowest ? v : result.lowest;
            result.highest = v > result.highest ? v : result.highest;
        }
        return result;
    }

} // namespace

SampledField sampleDrawdowns(
    const DrawdownGrid& grid, int xSpacing, int ySpacing, int maxPerSide, unsigned threads)
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
    // A sample is blank (NaN) until a node it stands for has a value: nodes beyond a boundary
    // have none, and a sample of such nodes only stays blank.
    field.drawdowns.assign(
        static_cast<std::size_t>(field.columns) * static_cast<std::size_t>(field.rows), NoValue);

    // Nodes outside the drawdown extent hold 0: only the extent is read.
    const MetreBox box = grid.drawdownExtent();
    // The lattice indices of one axis inside the extent [low, high] (m); none when it is empty.
    auto inside = [&](int low, int high, int origin, int spacing, int nodes) {
        if (box.empty())
            return std::pair { 0, -1 };
        return std::pair { static_cast<int>(std::max(0LL, ceilDivide(low - origin, spacing))),
            static_cast<int>(std::min<long long>(nodes - 1, floorDivide(high - origin, spacing))) };
    };
    // (Plain names rather than structured bindings: the lambdas below capture them.)
    const std::pair<int, int> columnRange
        = inside(box.xMin, box.xMax, grid.xMin(), xSpacing, nodeColumns);
    const std::pair<int, int> rowRange
        = inside(box.yMin, box.yMax, grid.yMin(), ySpacing, nodeRows);
    const int firstColumn = columnRange.first, lastColumn = columnRange.second;
    const int firstRow = rowRange.first, lastRow = rowRange.second;
    Extremes all; // of the grid's values, minus the drawdowns
    if (firstColumn > 0 || lastColumn < nodeColumns - 1 || firstRow > 0 || lastRow < nodeRows - 1)
        all.add({ 0.0, 0.0 }); // nodes outside the extent

    if (lastColumn >= firstColumn && lastRow >= firstRow) {
        // Each thread takes a band of whole sample rows, so no two write the same sample, and
        // reads its node rows in memory order.
        auto reduceBand = [&](int sampleRowBegin, int sampleRowEnd, Extremes& found) {
            const int mBegin
                = std::max(firstRow, rows.runBegin[static_cast<std::size_t>(sampleRowBegin)]);
            const int mEnd
                = std::min(lastRow + 1, rows.runBegin[static_cast<std::size_t>(sampleRowEnd)]);
            for (int m = mBegin; m < mEnd; ++m) {
                const double* values = grid.row(grid.yMin() + m * ySpacing);
                double* out = field.drawdowns.data()
                    + static_cast<std::size_t>(rows.sampleOfNode[static_cast<std::size_t>(m)])
                        * static_cast<std::size_t>(field.columns);
                const int sBegin = columns.sampleOfNode[static_cast<std::size_t>(firstColumn)];
                const int sEnd = columns.sampleOfNode[static_cast<std::size_t>(lastColumn)] + 1;
                for (int s = sBegin; s < sEnd; ++s) {
                    const int k0
                        = std::max(firstColumn, columns.runBegin[static_cast<std::size_t>(s)]);
                    const int k1 = std::min(
                        lastColumn + 1, columns.runBegin[static_cast<std::size_t>(s) + 1]);
                    if (k1 <= k0)
                        continue;
                    Extremes run = extremesOf(
                        values + static_cast<std::size_t>(k0) * static_cast<std::size_t>(xSpacing),
                        static_cast<std::size_t>(k1 - k0), static_cast<std::size_t>(xSpacing));
                    double& sample = out[static_cast<std::size_t>(s)];
                    if (run.lowest <= run.highest) // some node of the run has a value
                        sample = std::max(std::isnan(sample) ? 0.0 : sample, -run.lowest);
                    found.add(run);
                }
            }
        };
        const long long nodes
            = static_cast<long long>(lastColumn - firstColumn + 1) * (lastRow - firstRow + 1);
        const unsigned bands = nodes > 1'000'000
            ? std::clamp(threadCount(threads), 1u, static_cast<unsigned>(field.rows))
            : 1u;
        std::vector<Extremes> found(bands);
        const auto sampleRows = static_cast<unsigned>(field.rows);
        parallelFor(bands, bands, [&](long long band, unsigned) {
            const auto t = static_cast<unsigned>(band);
            reduceBand(static_cast<int>(sampleRows * t / bands),
                static_cast<int>(sampleRows * (t + 1) / bands), found[t]);
        });
        for (const Extremes& part : found)
            all.add(part);
    }
    // A sample standing for some node outside the extent has that node's 0.
    auto partlyOutside = [](const AxisGroups& axis, int s, int first, int last) {
        return axis.runBegin[static_cast<std::size_t>(s)] < first
            || axis.runBegin[static_cast<std::size_t>(s) + 1] - 1 > last;
    };
    for (int j = 0; j < field.rows; ++j) {
        const bool rowOutside = partlyOutside(rows, j, firstRow, lastRow);
        for (int i = 0; i < field.columns; ++i) {
            double& sample = field.drawdowns[static_cast<std::size_t>(j)
                    * static_cast<std::size_t>(field.columns)
                + static_cast<std::size_t>(i)];
            if (rowOutside || partlyOutside(columns, i, firstColumn, lastColumn))
                sample = std::isnan(sample) ? 0.0 : std::max(sample, 0.0);
        }
    }
    if (all.lowest <= all.highest) {
        field.deepest = std::max(0.0, -all.lowest);
        field.shallowest = std::max(0.0, -all.highest);
    }
    return field;
}

SampledField coarsened(const SampledField& field, int maxPerSide)
{
    const AxisGroups columns = groupAxis(field.columns, maxPerSide);
    const AxisGroups rows = groupAxis(field.rows, maxPerSide);
    SampledField coarse;
    coarse.columns = columns.samples;
    coarse.rows = rows.samples;
    coarse.xFirst = field.xFirst;
    coarse.yFirst = field.yFirst;
    coarse.xSpacing = coarse.columns > 1
        ? (field.x(field.columns - 1) - field.xFirst) / (coarse.columns - 1)
        : field.xSpacing;
    coarse.ySpacing = coarse.rows > 1 ? (field.y(field.rows - 1) - field.yFirst) / (coarse.rows - 1)
                                      : field.ySpacing;
    coarse.drawdowns.assign(
        static_cast<std::size_t>(coarse.columns) * static_cast<std::size_t>(coarse.rows), NoValue);
    for (int j = 0; j < field.rows; ++j)
        for (int i = 0; i < field.columns; ++i) {
            double& sample = coarse.drawdowns[static_cast<std::size_t>(
                                                  rows.sampleOfNode[static_cast<std::size_t>(j)])
                    * static_cast<std::size_t>(coarse.columns)
                + static_cast<std::size_t>(columns.sampleOfNode[static_cast<std::size_t>(i)])];
            const double value = field.at(i, j);
            if (!std::isnan(value))
                sample = std::isnan(sample) ? value : std::max(sample, value);
        }
    coarse.deepest = field.deepest;
    coarse.shallowest = field.shallowest;
    return coarse;
}

SampledField withArea(const SampledField& field)
{
    if (field.columns >= 2 && field.rows >= 2)
        return field;
    SampledField wide = field;
    wide.columns = std::max(2, field.columns);
    wide.rows = std::max(2, field.rows);
    if (field.columns < 2) {
        wide.xFirst = field.xFirst - 0.5;
        wide.xSpacing = 1.0;
    }
    if (field.rows < 2) {
        wide.yFirst = field.yFirst - 0.5;
        wide.ySpacing = 1.0;
    }
    wide.drawdowns.resize(
        static_cast<std::size_t>(wide.columns) * static_cast<std::size_t>(wide.rows));
    for (int j = 0; j < wide.rows; ++j)
        for (int i = 0; i < wide.columns; ++i)
            wide.drawdowns[static_cast<std::size_t>(j) * static_cast<std::size_t>(wide.columns)
                + static_cast<std::size_t>(i)]
                = field.columns > 0 && field.rows > 0
                ? field.at(std::min(i, field.columns - 1), std::min(j, field.rows - 1))
                : 0.0;
    return wide;
}

std::shared_ptr<const ChartSamples> chartSamples(const std::shared_ptr<const DrawdownGrid>& grid,
    int xSpacing, int ySpacing, unsigned threads, const UnitFactor& length)
{
    static std::mutex guard;
    static std::weak_ptr<const DrawdownGrid> lastGrid;
    static int lastXSpacing = 0, lastYSpacing = 0;
    static UnitFactor lastLength;
    static std::shared_ptr<const ChartSamples> last;
    std::lock_guard lock(guard);
    if (last && lastGrid.lock() == grid && lastXSpacing == xSpacing && lastYSpacing == ySpacing
        && lastLength == length)
        return last;
    auto samples = std::make_shared<ChartSamples>();
    samples->map
        = sampleDrawdowns(*grid, xSpacing, ySpacing, ChartSamples::MapSamplesPerSide, threads);
    if (!(length == UnitFactor {})) {
        for (double& drawdown : samples->map.drawdowns)
            drawdown = length.fromSI(drawdown);
        samples->map.deepest = length.fromSI(samples->map.deepest);
        samples->map.shallowest = length.fromSI(samples->map.shallowest);
    }
    samples->surface = coarsened(samples->map, ChartSamples::SurfaceSamplesPerSide);
    lastGrid = grid;
    lastXSpacing = xSpacing;
    lastYSpacing = ySpacing;
    lastLength = length;
    last = samples;
    return last;
}

ScenarioInputs atPictureResolution(const ScenarioInputs& inputs, int nodesPerSide)
{
    ScenarioInputs coarse = inputs;
    const int extent = std::max(inputs.XMax - inputs.XMin, inputs.YMax - inputs.YMin);
    const int wanted = std::max<int>(inputs.Step, extent / std::max(1, nodesPerSide));
    if (wanted <= inputs.Step)
        return coarse;
    // A spacing that divides the map keeps its last row and column: one a little coarser, where
    // there is one; else the map ends less than a spacing short of its edge.
    int step = wanted;
    for (int candidate = wanted; candidate <= wanted + wanted / 4; ++candidate)
        if (extent % candidate == 0) {
            step = candidate;
            break;
        }
    coarse.Step = static_cast<std::int16_t>(std::min(step, 32767));
    return coarse;
}

} // namespace drawfield
