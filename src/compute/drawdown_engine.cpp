#include "compute/drawdown_engine.h"

#include "compute/cooper_jacob.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>
#include <thread>
#include <vector>

// The hot loops may use wider vector units where the processor has them. Square root, division and
// multiplication are exactly rounded in every instruction set, so each clone gives the same bits.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define DRAWFIELD_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define DRAWFIELD_VECTOR_CLONES
#endif

namespace drawfield {
namespace {

    long long integerSquareRoot(long long value)
    {
        auto root = static_cast<long long>(std::sqrt(static_cast<double>(value)));
        while (root > 0 && root * root > value)
            --root;
        while ((root + 1) * (root + 1) <= value)
            ++root;
        return root;
    }

    // u for the nodes j = first .. first + count - 1 of a row at squared vertical distance d2.
    DRAWFIELD_VECTOR_CLONES
    void uAlongRow(const CooperJacobWell& well, long long first, std::size_t count, double d2,
        double* out)
    {
        const double tT = well.timeTimesTransmissivity;
        const double S = well.Storage;
        const double start = static_cast<double>(first);
        for (std::size_t i = 0; i < count; ++i) {
            double j = start + static_cast<double>(i);
            double r = std::sqrt(j * j + d2);
            out[i] = 2.249 * (tT / ((r * r) * S));
        }
    }

    // u for explicit squared distances.
    DRAWFIELD_VECTOR_CLONES
    void uOfSquaredDistances(const CooperJacobWell& well, const double* n, std::size_t count,
        double* out)
    {
        const double tT = well.timeTimesTransmissivity;
        const double S = well.Storage;
        for (std::size_t i = 0; i < count; ++i) {
            double r = std::sqrt(n[i]);
            out[i] = 2.249 * (tT / ((r * r) * S));
        }
    }

    void termsFromU(const CooperJacobWell& well, double* values, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            values[i] = well.A * std::log(values[i]);
    }

    struct PumpingWell {
        int X = 0;
        int Y = 0;
        CooperJacobWell cone;
        long long reachSquared = 0; // largest dx^2 + dy^2 with a positive contribution, 0 if none
        long long reach = 0; // its integer square root, m
    };

    // The largest n >= 1 with u(n) > 1. u only falls as n grows (each operation is monotonic), so
    // a bisection on the exact expression finds it.
    long long largestReachSquared(const CooperJacobWell& cone, long long limit)
    {
        if (limit < 1 || !(cone.u(1.0) > 1.0))
            return 0;
        long long low = 1, high = limit; // u(low) > 1 always holds
        if (cone.u(static_cast<double>(high)) > 1.0)
            return high;
        while (high - low > 1) {
            long long middle = low + (high - low) / 2;
            if (cone.u(static_cast<double>(middle)) > 1.0)
                low = middle;
            else
                high = middle;
        }
        return low;
    }

    long long squared(long long v) { return v * v; }

    // Reports lattice columns to onColumn as the share of finished work grows. Only the thread
    // that called computeDrawdown() calls report().
    class ColumnProgress {
    public:
        ColumnProgress(const DrawdownGrid& grid, const std::function<void(int)>& onColumn,
            long long totalWork)
            : m_grid(grid)
            , m_onColumn(onColumn)
            , m_totalWork(std::max(1LL, totalWork))
        {
        }
        void add(long long work) { m_done.fetch_add(work, std::memory_order_relaxed); }
        void report()
        {
            long long done = std::min(m_done.load(std::memory_order_relaxed), m_totalWork);
            // The last column waits for finish(): it means the map is complete.
            auto due = static_cast<int>(
                static_cast<double>(done) / static_cast<double>(m_totalWork) * m_grid.columnCount());
            reportUpTo(std::min(due, m_grid.columnCount() - 1));
        }
        void finish() { reportUpTo(m_grid.columnCount()); }

    private:
        void reportUpTo(int columns)
        {
            for (; m_reported < columns; ++m_reported)
                if (m_onColumn)
                    m_onColumn(m_grid.nodeX(m_reported));
        }
        const DrawdownGrid& m_grid;
        const std::function<void(int)>& m_onColumn;
        long long m_totalWork;
        std::atomic<long long> m_done { 0 };
        int m_reported = 0;
    };

    // One well's pass over the map: subtracts its contribution from every lattice node within its
    // reach, except its own node. Items are independent and touch disjoint rows.
    class WellPass {
    public:
        WellPass(DrawdownGrid& grid, const PumpingWell& well)
            : m_grid(grid)
            , m_well(well)
            , m_step(grid.nodeSpacing())
        {
            if (well.reachSquared > 0)
                m_itemCount = m_step == 1 ? static_cast<int>(well.reach) + 1 : m_grid.rowCount();
        }

        int itemCount() const { return m_itemCount; }

        // Nodes item i touches; for progress only.
        long long work(int item) const
        {
            if (m_step == 1) {
                Span span = mirroredSpan(item);
                return (span.rowCount) * (span.rightCount() + span.leftCount());
            }
            RowSpan span = latticeRowSpan(item);
            return span.columnCount();
        }

        // scratch holds at least two rows of the map.
        void run(int item, std::vector<double>& scratch) const
        {
            if (m_step == 1)
                runMirrored(item, scratch);
            else
                runLatticeRow(item, scratch);
        }

    private:
        // With a 1 m lattice, nodes at the same |dx| and |dy| from the well share one term: a row
        // pair Y +- d is computed once for |dx| = 0 .. reach and applied to up to four quadrants.
        struct Span {
            int rows[2] = { 0, 0 };
            int rowCount = 0;
            long long rightFirst = 0, rightLast = -1; // |dx| of nodes X + j inside the map
            long long leftFirst = 0, leftLast = -1; // |dx| of nodes X - j inside the map
            long long rightCount() const { return std::max(0LL, rightLast - rightFirst + 1); }
            long long leftCount() const { return std::max(0LL, leftLast - leftFirst + 1); }
        };

        Span mirroredSpan(int d) const
        {
            Span span;
            const int X = m_well.X, Y = m_well.Y;
            for (int y : { Y + d, Y - d }) {
                if (y >= m_grid.yMin() && y <= m_grid.yMax()
                    && (span.rowCount == 0 || y != span.rows[0]))
                    span.rows[span.rowCount++] = y;
            }
            if (span.rowCount == 0)
                return span;
            long long h = integerSquareRoot(m_well.reachSquared - squared(d));
            long long skipWell = d == 0 ? 1 : 0; // the well's own node is settled later
            span.rightFirst = std::max({ 0LL, skipWell, static_cast<long long>(m_grid.xMin()) - X });
            span.rightLast = std::min(h, static_cast<long long>(m_grid.xMax()) - X);
            // j = 0 is the column X itself: the right side already has it.
            span.leftFirst = std::max(1LL, static_cast<long long>(X) - m_grid.xMax());
            span.leftLast = std::min(h, static_cast<long long>(X) - m_grid.xMin());
            return span;
        }

        void runMirrored(int d, std::vector<double>& scratch) const
        {
            Span span = mirroredSpan(d);
            if (span.rowCount == 0 || (span.rightCount() == 0 && span.leftCount() == 0))
                return;
            long long first = span.rightCount() == 0 ? span.leftFirst
                : span.leftCount() == 0               ? span.rightFirst
                                                      : std::min(span.rightFirst, span.leftFirst);
            long long last = std::max(span.rightCount() ? span.rightLast : -1,
                span.leftCount() ? span.leftLast : -1);
            auto count = static_cast<std::size_t>(last - first + 1);
            double* terms = scratch.data();
            uAlongRow(m_well.cone, first, count, static_cast<double>(squared(d)), terms);
            termsFromU(m_well.cone, terms, count);

            const long long wellColumn = static_cast<long long>(m_well.X) - m_grid.xMin();
            for (int r = 0; r < span.rowCount; ++r) {
                double* row = m_grid.row(span.rows[r]);
                for (long long j = span.rightFirst; j <= span.rightLast; ++j)
                    row[wellColumn + j] -= terms[j - first];
                for (long long j = span.leftFirst; j <= span.leftLast; ++j)
                    row[wellColumn - j] -= terms[j - first];
            }
        }

        // With a coarser lattice, one lattice row at a time, node by node.
        struct RowSpan {
            int y = 0;
            long long dy = 0;
            long long firstColumn = 0, lastColumn = -1;
            long long columnCount() const { return std::max(0LL, lastColumn - firstColumn + 1); }
        };

        RowSpan latticeRowSpan(int latticeRow) const
        {
            RowSpan span;
            span.y = m_grid.nodeY(latticeRow);
            span.dy = static_cast<long long>(m_well.Y) - span.y;
            if (squared(span.dy) > m_well.reachSquared)
                return span;
            long long h = integerSquareRoot(m_well.reachSquared - squared(span.dy));
            long long from = std::max(static_cast<long long>(m_well.X) - h, 0LL + m_grid.xMin());
            long long to = std::min(static_cast<long long>(m_well.X) + h, 0LL + m_grid.xMax());
            span.firstColumn = ceilDivide(from - m_grid.xMin(), m_step);
            span.lastColumn = floorDivide(to - m_grid.xMin(), m_step);
            return span;
        }

        void runLatticeRow(int latticeRow, std::vector<double>& scratch) const
        {
            RowSpan span = latticeRowSpan(latticeRow);
            auto count = static_cast<std::size_t>(span.columnCount());
            if (count == 0)
                return;
            double* n = scratch.data();
            double* terms = scratch.data() + count;
            for (std::size_t i = 0; i < count; ++i) {
                long long dx = static_cast<long long>(m_well.X)
                    - m_grid.nodeX(static_cast<int>(span.firstColumn) + static_cast<int>(i));
                n[i] = static_cast<double>(squared(dx) + squared(span.dy));
            }
            uOfSquaredDistances(m_well.cone, n, count, terms);
            termsFromU(m_well.cone, terms, count);
            double* row = m_grid.row(span.y);
            for (std::size_t i = 0; i < count; ++i) {
                if (n[i] == 0.0)
                    continue; // the well's own node is settled later
                auto column = static_cast<std::size_t>(span.firstColumn) + i;
                row[column * static_cast<std::size_t>(m_step)] -= terms[i];
            }
        }

        DrawdownGrid& m_grid;
        const PumpingWell& m_well;
        int m_step;
        int m_itemCount = 0;
    };

    // Runs items 0 .. count - 1 on `threads` threads, the calling one included, which alone reports
    // progress. Items are handed out one at a time so uneven items still balance.
    void runParallel(const WellPass& pass, unsigned threads, std::vector<std::vector<double>>& scratch,
        ColumnProgress& progress, const std::stop_token& stop)
    {
        std::atomic<int> next { 0 };
        auto work = [&](std::vector<double>& buffer, bool reporter) {
            for (;;) {
                if (stop.stop_requested())
                    return;
                int item = next.fetch_add(1, std::memory_order_relaxed);
                if (item >= pass.itemCount())
                    return;
                pass.run(item, buffer);
                progress.add(pass.work(item));
                if (reporter)
                    progress.report();
            }
        };
        unsigned helpers = std::min<unsigned>(threads - 1, static_cast<unsigned>(pass.itemCount()));
        std::vector<std::jthread> pool;
        pool.reserve(helpers);
        for (unsigned t = 0; t < helpers; ++t)
            pool.emplace_back([&, t] { work(scratch[t + 1], false); });
        work(scratch[0], true);
    }

    // The value of a node on a well, following the rows in order: a row whose well stands on the
    // node replaces the running sum with CarriedDrawdown; any other row adds its contribution, and
    // CarriedDrawdown follows the sum.
    double drawdownOnWell(const std::vector<PumpingWell>& wells, int x, int y,
        double CarriedDrawdown)
    {
        double s = 0.0;
        for (const PumpingWell& well : wells) {
            long long n = squared(static_cast<long long>(well.X) - x)
                + squared(static_cast<long long>(well.Y) - y);
            if (n == 0) {
                s = CarriedDrawdown;
                continue;
            }
            s = s + well.cone.contribution(static_cast<double>(n));
            CarriedDrawdown = s;
        }
        return s;
    }

    // The nodes on wells, in loop order; each one's CarriedDrawdown is the final drawdown of the
    // node before it, which may itself be a well node settled just before.
    void settleWellNodes(DrawdownGrid& grid, const std::vector<PumpingWell>& wells)
    {
        std::vector<std::pair<int, int>> nodes; // (x, y)
        const int step = grid.nodeSpacing();
        for (const PumpingWell& well : wells) {
            bool inside = well.X >= grid.xMin() && well.X <= grid.xMax() && well.Y >= grid.yMin()
                && well.Y <= grid.yMax();
            if (inside && (well.X - grid.xMin()) % step == 0 && (well.Y - grid.yMin()) % step == 0)
                nodes.emplace_back(well.X, well.Y);
        }
        std::sort(nodes.begin(), nodes.end());
        nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());

        const int lastY = grid.nodeY(grid.rowCount() - 1);
        for (auto [x, y] : nodes) {
            double previous = 0.0;
            if (y > grid.yMin())
                previous = -grid.at(x, y - step);
            else if (x > grid.xMin())
                previous = -grid.at(x - step, lastY);
            grid.at(x, y) = 0.0 - drawdownOnWell(wells, x, y, previous); // never -0
        }
    }

    MetreBox drawdownExtent(const std::vector<PumpingWell>& wells)
    {
        MetreBox box;
        bool any = false;
        auto include = [&](long long xMin, long long yMin, long long xMax, long long yMax) {
            auto clampInt = [](long long v) { return static_cast<int>(std::clamp(v, -70000LL, 70000LL)); };
            MetreBox add { clampInt(xMin), clampInt(yMin), clampInt(xMax), clampInt(yMax) };
            box = any ? MetreBox { std::min(box.xMin, add.xMin), std::min(box.yMin, add.yMin),
                            std::max(box.xMax, add.xMax), std::max(box.yMax, add.yMax) }
                      : add;
            any = true;
        };
        for (const PumpingWell& well : wells) {
            include(well.X, well.Y, well.X, well.Y);
            if (well.reachSquared > 0)
                include(well.X - well.reach, well.Y - well.reach, well.X + well.reach,
                    well.Y + well.reach);
        }
        return box;
    }

    DrawdownPeak findLargest(const DrawdownGrid& grid)
    {
        DrawdownPeak peak { 0.0, grid.xMin(), grid.yMin() };
        MetreBox box = grid.drawdownExtent();
        if (box.empty())
            return peak;
        const int step = grid.nodeSpacing();
        const LatticeSpan span = grid.latticeIn(box);
        double lowest = 0.0;
        for (long long m = span.firstRow; m <= span.lastRow; ++m) {
            int y = grid.nodeY(static_cast<int>(m));
            const double* row = grid.row(y);
            for (long long k = span.firstColumn; k <= span.lastColumn; ++k) {
                double value = row[k * step];
                int x = grid.nodeX(static_cast<int>(k));
                // Ties go to the first node in loop order: X outer, Y inner.
                if (value < lowest || (value == lowest && value < 0.0 && x < peak.x)) {
                    lowest = value;
                    peak = { -value, x, y };
                }
            }
        }
        return peak;
    }

} // namespace

std::optional<DrawdownResult> computeDrawdown(const ScenarioInputs& in, const EngineOptions& options)
{
    if (in.XMax < in.XMin || in.YMax < in.YMin || in.Step < 1)
        throw std::invalid_argument("computeDrawdown: the scenario was not accepted");

    std::unique_ptr<DrawdownGrid> grid
        = DrawdownGrid::create(in.XMin, in.YMin, in.XMax, in.YMax, in.Step);

    std::vector<PumpingWell> wells;
    for (const WellInput& input : in.Wells) {
        if (!(input.Rate > 0.0))
            continue;
        PumpingWell well;
        well.X = input.X;
        well.Y = input.Y;
        well.cone = CooperJacobWell(input.Rate, in.Transmissivity, in.Storage, in.PumpTime);
        long long farX = std::max(std::abs(well.X - grid->xMin()), std::abs(well.X - grid->xMax()));
        long long farY = std::max(std::abs(well.Y - grid->yMin()), std::abs(well.Y - grid->yMax()));
        well.reachSquared = largestReachSquared(well.cone, squared(farX) + squared(farY));
        well.reach = integerSquareRoot(well.reachSquared);
        wells.push_back(well);
    }

    unsigned threads = options.threads;
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());

    std::vector<WellPass> passes;
    long long totalWork = 0;
    std::size_t scratchSize = 2 * (grid->width() + 1);
    for (const PumpingWell& well : wells) {
        passes.emplace_back(*grid, well);
        for (int item = 0; item < passes.back().itemCount(); ++item)
            totalWork += passes.back().work(item);
    }
    std::vector<std::vector<double>> scratch(threads, std::vector<double>(scratchSize));

    // Rows receive their wells' terms in row order, one pass per well: the subtraction order at
    // every node, and so every bit, is that of the wells' rows whatever the threads do.
    ColumnProgress progress(*grid, options.onColumn, totalWork);
    for (const WellPass& pass : passes) {
        runParallel(pass, threads, scratch, progress, options.stopToken);
        if (options.stopToken.stop_requested())
            return std::nullopt;
    }

    settleWellNodes(*grid, wells);
    grid->setDrawdownExtent(drawdownExtent(wells));
    DrawdownResult result;
    result.largest = findLargest(*grid);
    progress.finish();
    result.grid = std::move(grid);
    return result;
}

bool drawdownExceedsThickness(const DrawdownResult& result, const ScenarioInputs& inputs)
{
    return result.largest.drawdown > inputs.Thickness;
}

} // namespace drawfield
