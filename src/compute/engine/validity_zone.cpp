#include "compute/engine/validity_zone.h"

#include "compute/engine/row_fill.h"

#include <algorithm>
#include <cmath>

namespace drawfield {

// The Theis rows are made in a scratch row, one at a time, and compared with the map's rows.
// Only where Theis can reach the least judged drawdown: each source's terms are taken while they
// exceed a thousandth of it shared among the sources, so what is left out sums to less than a
// micrometre.
std::shared_ptr<const ValidityZone> validityOf(const DrawdownGrid& grid, const ScenarioInputs& in,
    double timeSeconds, int stride, unsigned threads, const std::stop_token& stop)
{
    auto zone = std::make_shared<ValidityZone>();
    zone->stride = stride;
    zone->columns = (grid.columnCount() - 1) / stride + 1;
    zone->rows = (grid.rowCount() - 1) / stride + 1;
    // Rows no source's Theis drawdown reaches are not judged.
    zone->off.assign(static_cast<std::size_t>(zone->columns) * static_cast<std::size_t>(zone->rows),
        ValidityZone::NotJudged);
    const std::vector<PointSource> sources = pointSources(in, timeSeconds);
    Aquifer theis = in.aquifer();
    theis.function = &wellFunctionRow(WellMethod::Theis);
    const std::vector<PumpingWell> wells = pumpingWells(sources, in, theis, grid,
        ValidityZone::LeastJudgedMetres * 1e-3
            / static_cast<double>(std::max<std::size_t>(1, sources.size())));
    RowFill fill(grid, wells, stride);
    std::vector<std::vector<double>> theisRows(threads, std::vector<double>(grid.width()));
    const auto step = static_cast<std::size_t>(grid.nodeSpacing());
    fillRows(
        fill, threads, nullptr, stop,
        [&](int, unsigned thread) {
            std::fill(theisRows[thread].begin(), theisRows[thread].end(), 0.0);
            return theisRows[thread].data();
        },
        [&](int item, unsigned thread) {
            const int y = fill.rowY(item);
            const double* cooperJacob = grid.row(y);
            const double* exactRow = theisRows[thread].data();
            std::uint8_t* off = zone->off.data()
                + static_cast<std::size_t>((y - grid.yMin()) / grid.nodeSpacing() / stride)
                    * static_cast<std::size_t>(zone->columns);
            for (int k = 0; k < zone->columns; ++k) {
                const std::size_t at
                    = static_cast<std::size_t>(k) * step * static_cast<std::size_t>(stride);
                const double exact = -exactRow[at];
                const double straight = -cooperJacob[at];
                off[k] = !(exact >= ValidityZone::LeastJudgedMetres) ? ValidityZone::NotJudged
                    : std::fabs(straight - exact) > ValidityZone::Tolerance * exact
                    ? ValidityZone::Off
                    : ValidityZone::Holds;
            }
        });
    // A node on a bore holds a carried value under both methods: it is not judged.
    for (const PumpingWell& well : wells) {
        int k = (well.X - grid.xMin()) / grid.nodeSpacing();
        int m = (well.Y - grid.yMin()) / grid.nodeSpacing();
        if (well.X >= grid.xMin() && well.X <= grid.xMax() && well.Y >= grid.yMin()
            && well.Y <= grid.yMax() && grid.nodeX(k) == well.X && grid.nodeY(m) == well.Y
            && k % stride == 0 && m % stride == 0)
            zone->off[static_cast<std::size_t>(m / stride) * static_cast<std::size_t>(zone->columns)
                + static_cast<std::size_t>(k / stride)]
                = ValidityZone::NotJudged;
    }
    return zone;
}

} // namespace drawfield
