#pragma once

// The heart of the engine: every source's terms subtracted from the lattice rows within its reach,
// row by row, sources in row order, so that a row stays in cache while its sources are added and
// rows are independent of each other: threads take any of them, and every node's sum, made in the
// same order whatever the threads, has the same bits.

#include "compute/engine/lattice_sources.h"
#include "compute/engine/parallel.h"

#include <atomic>
#include <functional>
#include <stop_token>
#include <vector>

namespace drawfield {

// Reports lattice columns to onColumn as the share of finished work grows. Only the thread that
// called computeDrawdown() calls report().
class ColumnProgress {
public:
    ColumnProgress(
        const DrawdownGrid& grid, const std::function<void(int)>& onColumn, long long totalWork);
    void add(long long work) { m_done.fetch_add(work, std::memory_order_relaxed); }
    void report();
    void finish() { reportUpTo(m_grid.columnCount()); }

private:
    void reportUpTo(int columns);
    const DrawdownGrid& m_grid;
    const std::function<void(int)>& m_onColumn;
    long long m_totalWork;
    std::atomic<long long> m_done { 0 };
    int m_reported = 0;
};

class RowFill {
public:
    // Every rowStride-th lattice row that some source reaches (the validity zone's coarser
    // lattice takes fewer).
    RowFill(const DrawdownGrid& grid, const std::vector<PumpingWell>& wells, int rowStride = 1);

    [[nodiscard]] int itemCount() const { return m_rowCount; }
    [[nodiscard]] int rowY(int item) const { return m_grid.nodeY(m_firstRow + item * m_rowStride); }
    // Nodes that item touches; for progress only.
    [[nodiscard]] long long work(int item) const;
    // The values a thread's scratch must hold.
    [[nodiscard]] std::size_t scratchSize() const { return 2 * (m_grid.width() + 1); }

    // Subtracts the row's terms from `row`, laid out as a row of the grid (one value per metre
    // from xMin). scratch holds scratchSize() values. A source's own node takes no term: it is
    // settled apart (bore_nodes.h).
    void run(int item, std::vector<double>& scratch, double* row) const;

private:
    // The lattice columns of one row within a source's reach: from firstColumn to lastColumn.
    struct Reach {
        long long dy = 0;
        long long firstColumn = 0, lastColumn = -1;
        [[nodiscard]] long long nodeCount() const
        {
            return std::max(0LL, lastColumn - firstColumn + 1);
        }
    };
    [[nodiscard]] Reach reachAlongRow(const PumpingWell& well, int y) const;
    [[nodiscard]] Reach generalReach(const PumpingWell& well, int y) const;
    void subtractAtTruePosition(const PumpingWell& well, int y, double* row) const;
    void subtractMirrored(const PumpingWell& well, const Reach& reach, std::vector<double>& scratch,
        double* row) const;
    void subtractNodeByNode(const PumpingWell& well, const Reach& reach,
        std::vector<double>& scratch, double* row) const;

    const DrawdownGrid& m_grid;
    const std::vector<PumpingWell>& m_wells;
    int m_step;
    int m_rowStride;
    int m_firstRow = 0;
    int m_rowCount = 0;
};

// Runs the fill's rows on `threads` threads, the calling one included, which alone reports
// progress. rowFor(item, thread) gives the row the terms go to; afterRow(item, thread) runs on the
// same thread right after, while the row is still in cache.
template <class RowFor, class AfterRow>
void fillRows(const RowFill& fill, unsigned threads, ColumnProgress* progress,
    const std::stop_token& stop, const RowFor& rowFor, const AfterRow& afterRow)
{
    std::vector<std::vector<double>> scratch(threads, std::vector<double>(fill.scratchSize()));
    parallelFor(
        fill.itemCount(), threads,
        [&](long long index, unsigned thread) {
            const auto item = static_cast<int>(index);
            fill.run(item, scratch[thread], rowFor(item, thread));
            afterRow(item, thread);
            if (progress != nullptr) {
                progress->add(fill.work(item));
                if (thread == 0)
                    progress->report();
            }
        },
        stop);
}

} // namespace drawfield
