#include "compute/engine/drawdown_engine.h"

#include "compute/engine/aquifer_edge.h"
#include "compute/engine/bore_nodes.h"
#include "compute/engine/lattice_sources.h"
#include "compute/engine/parallel.h"
#include "compute/engine/peaks.h"
#include "compute/engine/quadrant_tables.h"
#include "compute/engine/row_fill.h"
#include "compute/engine/validity_zone.h"
#include "compute/messages.h"
#include "compute/observations.h"

#include <algorithm>
#include <stdexcept>

namespace drawfield {
namespace {

    constexpr auto Farthest = static_cast<long long>(FarthestLatticeMetres);

    // The box of whole metres that the sources reach, within the coordinate bound.
    MetreBox drawdownExtent(const std::vector<PumpingWell>& wells)
    {
        MetreBox box;
        bool any = false;
        auto include = [&](long long xMin, long long yMin, long long xMax, long long yMax) {
            auto bounded
                = [](long long v) { return static_cast<int>(std::clamp(v, -Farthest, Farthest)); };
            MetreBox add { bounded(xMin), bounded(yMin), bounded(xMax), bounded(yMax) };
            box = any ? MetreBox { std::min(box.xMin, add.xMin), std::min(box.yMin, add.yMin),
                std::max(box.xMax, add.xMax), std::max(box.yMax, add.yMax) }
                      : add;
            any = true;
        };
        for (const PumpingWell& well : wells) {
            if (!well.integral) {
                const double reach = std::sqrt(well.reachMetresSquared);
                auto whole = [](double v) {
                    return static_cast<long long>(std::clamp(v, -1.0 * Farthest, 1.0 * Farthest));
                };
                include(whole(std::floor(well.x - reach)), whole(std::floor(well.y - reach)),
                    whole(std::ceil(well.x + reach)), whole(std::ceil(well.y + reach)));
                continue;
            }
            include(well.X, well.Y, well.X, well.Y);
            if (well.reachSquared > 0)
                include(well.X - well.reach, well.Y - well.reach, well.X + well.reach,
                    well.Y + well.reach);
        }
        return box;
    }

} // namespace

std::optional<DrawdownResult> computeDrawdown(
    const ScenarioInputs& in, const EngineOptions& options)
{
    if (in.XMax < in.XMin || in.YMax < in.YMin || in.Step < 1)
        throw std::invalid_argument("computeDrawdown: the scenario was not accepted");
    const std::stop_token& stop = options.stopToken;
    const unsigned threads = threadCount(options.threads);

    // The sources on the lattice, and their quadrant tables where the caller keeps a workspace.
    std::unique_ptr<DrawdownGrid> grid
        = DrawdownGrid::create(in.XMin, in.YMin, in.XMax, in.YMax, in.Step);
    const double timeSeconds = options.timeSeconds.value_or(in.PumpTimeSeconds);
    const Aquifer aquifer = in.mapAquifer();
    const std::vector<PointSource> sources = pointSources(in, timeSeconds);
    std::vector<PumpingWell> wells = pumpingWells(sources, in, aquifer, *grid);
    std::unique_lock<std::mutex> lease; // the workspace's memory, until the map is made
    if (options.workspace != nullptr)
        attachQuadrants(wells, *grid, threads, stop, *options.workspace, lease);
    if (stop.stop_requested())
        return std::nullopt;
    grid->setDrawdownExtent(drawdownExtent(wells));
    const LatticeSpan extentNodes = grid->latticeIn(grid->drawdownExtent());

    // The row fill. Each row receives its sources' terms in row order, so the subtraction order
    // at every node, and with it every bit, does not depend on the threads. A rate that steps
    // down, or a recharge line's injecting image, subtracts terms: where they cancel what came
    // before, rounding (or Cooper-Jacob's clamp) may leave a hair above the rest level.
    RowFill fill(*grid, wells);
    long long totalWork = 0;
    for (int item = 0; item < fill.itemCount(); ++item)
        totalWork += fill.work(item);
    std::vector<RowPeak> rowPeaks(static_cast<std::size_t>(fill.itemCount()));
    const bool mayRise = std::any_of(
        sources.begin(), sources.end(), [](const PointSource& s) { return s.Rate < 0.0; });
    ColumnProgress progress(*grid, options.onColumn, totalWork);
    fillRows(
        fill, threads, &progress, stop,
        [&](int item, unsigned) { return grid->row(fill.rowY(item)); },
        [&](int item, unsigned) {
            if (mayRise)
                noRise(*grid, fill.rowY(item), extentNodes);
            // With boundaries, the row's largest drawdown is looked for in its aquifer only.
            LatticeSpan span = extentNodes;
            if (!in.Boundaries.empty()) {
                const Stretch inside = aquiferInRow(in, *grid, fill.rowY(item));
                span.firstColumn = std::max(span.firstColumn, inside.first);
                span.lastColumn = std::min(span.lastColumn, inside.last);
            }
            rowPeaks[static_cast<std::size_t>(item)] = lowestInRow(*grid, fill.rowY(item), span);
        });
    if (stop.stop_requested())
        return std::nullopt;

    // The bores' own nodes, then the aquifer's edge.
    const std::vector<std::pair<int, int>> boreNodes = settleBoreNodes(*grid, wells,
        std::all_of(sources.begin(), sources.end(),
            [](const PointSource& s) { return s.FirstOfBore && !s.Image; }));
    if (mayRise)
        for (auto [x, y] : boreNodes)
            grid->at(x, y) = std::min(grid->at(x, y), 0.0);
    if (!in.Boundaries.empty()) {
        grid->setDrawdownExtent(
            MetreBox { grid->xMin(), grid->yMin(), grid->xMax(), grid->yMax() });
        const LatticeSpan all = grid->latticeIn(grid->drawdownExtent());
        parallelFor(all.lastRow - all.firstRow + 1, threads, [&](long long item, unsigned) {
            blankBeyondAquifer(in, *grid, grid->nodeY(static_cast<int>(all.firstRow + item)));
        });
    }

    // The validity zone, judged on the confined map.
    DrawdownResult result;
    if (options.validity && in.Method == WellMethod::CooperJacob) {
        result.validity = validityOf(
            *grid, in, timeSeconds, std::max(1, options.validityStride), threads, stop);
        if (stop.stop_requested())
            return std::nullopt;
    }

    // The unconfined correction and the largest drawdown. The correction keeps the order of
    // drawdowns but makes ties (the dewatered nodes): the largest is looked for again.
    if (in.Unconfined) {
        result.dewatered = correctForUnconfined(*grid, aquifer, threads);
        result.largest = largestOnMap(*grid, threads);
    } else {
        result.largest = { 0.0, grid->xMin(), grid->yMin() };
        auto onBore = [&](int y) {
            return std::any_of(boreNodes.begin(), boreNodes.end(),
                [y](const std::pair<int, int>& node) { return node.second == y; });
        };
        for (int item = 0; item < fill.itemCount(); ++item)
            if (!onBore(fill.rowY(item)))
                keepLargest(
                    result.largest, rowPeaks[static_cast<std::size_t>(item)], fill.rowY(item));
        for (auto [x, y] : boreNodes)
            keepLargest(result.largest, lowestInRow(*grid, y, extentNodes), y);
    }
    progress.finish();
    result.grid = std::move(grid);
    return result;
}

bool drawdownExceedsThickness(const DrawdownResult& result, const ScenarioInputs& inputs)
{
    return result.largest.drawdown > inputs.Thickness;
}

std::vector<std::string> messagesAfterRun(
    const DrawdownResult& result, const ScenarioInputs& inputs, const ThicknessReached& elsewhere)
{
    std::vector<std::string> said;
    if (drawdownExceedsThickness(result, inputs) || elsewhere.exceeded)
        said.emplace_back(messages::DrawdownAboveThickness);
    if (result.dewatered || elsewhere.dewatered)
        said.emplace_back(messages::AquiferDewatered);
    return said;
}

} // namespace drawfield
