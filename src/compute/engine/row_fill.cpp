#include "compute/engine/row_fill.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace drawfield {
namespace {

    constexpr auto Farthest = static_cast<long long>(FarthestLatticeMetres);

} // namespace

ColumnProgress::ColumnProgress(
    const DrawdownGrid& grid, const std::function<void(int)>& onColumn, long long totalWork)
    : m_grid(grid)
    , m_onColumn(onColumn)
    , m_totalWork(std::max(1LL, totalWork))
{
}

void ColumnProgress::report()
{
    long long done = std::min(m_done.load(std::memory_order_relaxed), m_totalWork);
    // The last column waits for finish(): it means the map is complete.
    auto due = static_cast<int>(
        static_cast<double>(done) / static_cast<double>(m_totalWork) * m_grid.columnCount());
    reportUpTo(std::min(due, m_grid.columnCount() - 1));
}

void ColumnProgress::reportUpTo(int columns)
{
    for (; m_reported < columns; ++m_reported)
        if (m_onColumn)
            m_onColumn(m_grid.nodeX(m_reported));
}

RowFill::RowFill(const DrawdownGrid& grid, const std::vector<PumpingWell>& wells, int rowStride)
    : m_grid(grid)
    , m_wells(wells)
    , m_step(grid.nodeSpacing())
    , m_rowStride(rowStride)
{
    // Only the rows that some source reaches.
    long long low = grid.yMax() + 1LL, high = grid.yMin() - 1LL;
    for (const PumpingWell& well : wells) {
        if (!well.integral) {
            // An image far beyond the map may stand anywhere: keep its rows in range.
            const double reach = std::sqrt(well.reachMetresSquared);
            auto bounded = [](double y) {
                return std::isnan(y) ? 0.0 : std::clamp(y, -1.0 * Farthest, 1.0 * Farthest);
            };
            low = std::min(low, static_cast<long long>(std::floor(bounded(well.y - reach))));
            high = std::max(high, static_cast<long long>(std::ceil(bounded(well.y + reach))));
            continue;
        }
        if (well.reachSquared == 0)
            continue;
        low = std::min(low, well.Y - well.reach);
        high = std::max(high, well.Y + well.reach);
    }
    LatticeSpan span
        = grid.latticeIn(MetreBox { grid.xMin(), static_cast<int>(std::max(low, -Farthest)),
            grid.xMax(), static_cast<int>(std::min(high, Farthest)) });
    const long long first = ceilDivide(span.firstRow, m_rowStride) * m_rowStride;
    m_firstRow = static_cast<int>(first);
    m_rowCount = span.empty() || first > span.lastRow
        ? 0
        : static_cast<int>((span.lastRow - first) / m_rowStride + 1);
}

long long RowFill::work(int item) const
{
    long long nodes = 0;
    for (const PumpingWell& well : m_wells)
        nodes += well.integral ? reachAlongRow(well, rowY(item)).nodeCount()
                               : generalReach(well, rowY(item)).nodeCount();
    return nodes;
}

void RowFill::run(int item, std::vector<double>& scratch, double* row) const
{
    const int y = rowY(item);
    for (const PumpingWell& well : m_wells) {
        if (!well.integral) {
            subtractAtTruePosition(well, y, row);
            continue;
        }
        Reach reach = reachAlongRow(well, y);
        if (reach.nodeCount() == 0)
            continue;
        if (m_step == 1)
            subtractMirrored(well, reach, scratch, row);
        else
            subtractNodeByNode(well, reach, scratch, row);
    }
}

RowFill::Reach RowFill::reachAlongRow(const PumpingWell& well, int y) const
{
    Reach reach;
    reach.dy = static_cast<long long>(well.Y) - y;
    if (well.reachSquared == 0 || squared(reach.dy) > well.reachSquared)
        return reach;
    long long h = integerSquareRoot(well.reachSquared - squared(reach.dy));
    long long from = std::max(well.X - h, 0LL + m_grid.xMin());
    long long to = std::min(well.X + h, 0LL + m_grid.xMax());
    reach.firstColumn = ceilDivide(from - m_grid.xMin(), m_step);
    reach.lastColumn = floorDivide(to - m_grid.xMin(), m_step);
    return reach;
}

// The columns of row y that a source off the whole metres may reach.
RowFill::Reach RowFill::generalReach(const PumpingWell& well, int y) const
{
    Reach reach;
    const double dy = y - well.y;
    const double room = well.reachMetresSquared - dy * dy;
    if (!(room >= 0.0))
        return reach;
    const double h = std::sqrt(room);
    const double from = std::max(well.x - h, static_cast<double>(m_grid.xMin()));
    const double to = std::min(well.x + h, static_cast<double>(m_grid.xMax()));
    if (from > to)
        return reach;
    reach.firstColumn = static_cast<long long>(std::ceil((from - m_grid.xMin()) / m_step));
    reach.lastColumn = static_cast<long long>(std::floor((to - m_grid.xMin()) / m_step));
    return reach;
}

// A source off the whole metres (an image across an oblique line): node by node at its true
// position.
void RowFill::subtractAtTruePosition(const PumpingWell& well, int y, double* row) const
{
    const Reach reach = generalReach(well, y);
    const double dy = y - well.y;
    for (long long k = reach.firstColumn; k <= reach.lastColumn; ++k) {
        const double dx = m_grid.nodeX(static_cast<int>(k)) - well.x;
        const double n = dx * dx + dy * dy;
        if (n == 0.0)
            continue; // only an image can stand on a node, and it lies outside the aquifer
        const double term = well.lattice ? well.lattice->at(n) : well.contribution(n);
        row[static_cast<std::size_t>(k) * static_cast<std::size_t>(m_step)] -= term;
    }
}

// On a 1 m lattice the nodes X - j and X + j share one term: it is computed once for j = 0 .. the
// farther side's end (or read from the source's quadrant table) and subtracted on both sides.
void RowFill::subtractMirrored(
    const PumpingWell& well, const Reach& reach, std::vector<double>& scratch, double* row) const
{
    const long long wellColumn = static_cast<long long>(well.X) - m_grid.xMin();
    const long long skipWell = reach.dy == 0 ? 1 : 0; // its own node is settled apart
    const long long rightFirst = std::max({ 0LL, skipWell, reach.firstColumn - wellColumn });
    const long long rightLast = reach.lastColumn - wellColumn;
    const long long leftFirst = std::max(1LL, wellColumn - reach.lastColumn); // j = 0 is right's
    const long long leftLast = wellColumn - reach.firstColumn;
    const bool right = rightFirst <= rightLast, left = leftFirst <= leftLast;
    if (!right && !left)
        return;
    const long long first = !right ? leftFirst
        : !left                    ? rightFirst
                                   : std::min(rightFirst, leftFirst);
    const long long last = !right ? leftLast : !left ? rightLast : std::max(rightLast, leftLast);
    const auto count = static_cast<int>(last - first + 1);

    const double* terms;
    if (well.quadrant != nullptr) {
        terms = well.quadrant
            + static_cast<std::size_t>(std::llabs(reach.dy) * well.quadrantColumns + first);
    } else {
        termsAlongRow(well, first, count, static_cast<double>(squared(reach.dy)), scratch.data());
        terms = scratch.data();
    }
    for (long long j = rightFirst; j <= rightLast; ++j)
        row[wellColumn + j] -= terms[j - first];
    for (long long j = leftFirst; j <= leftLast; ++j)
        row[wellColumn - j] -= terms[j - first];
}

void RowFill::subtractNodeByNode(
    const PumpingWell& well, const Reach& reach, std::vector<double>& scratch, double* row) const
{
    const auto count = static_cast<int>(reach.nodeCount());
    double* n = scratch.data();
    double* terms = scratch.data() + count;
    for (int i = 0; i < count; ++i) {
        long long dx = static_cast<long long>(well.X)
            - m_grid.nodeX(static_cast<int>(reach.firstColumn) + i);
        n[i] = static_cast<double>(squared(dx) + squared(reach.dy));
    }
    termsAt(well, n, count, terms);
    for (int i = 0; i < count; ++i) {
        if (n[i] == 0.0)
            continue; // the source's own node is settled apart
        auto column = static_cast<std::size_t>(reach.firstColumn) + static_cast<std::size_t>(i);
        row[column * static_cast<std::size_t>(m_step)] -= terms[i];
    }
}

} // namespace drawfield
