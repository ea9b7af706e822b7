#include "compute/engine/drawdown_engine.h"

#include "compute/wells/cooper_jacob.h"
#include "compute/messages.h"
#include "compute/observations.h"
#include "compute/sources.h"
#include "compute/wells/theis.h"
#include "platform/memory.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <memory>
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
    void uAlongRow(const CooperJacobWell& well, int first, int count, double d2, double* out)
    {
        const CooperJacobWell cone
            = well; // a local copy: out cannot alias it, so the loop vectorizes
        // 32-bit indices: their conversion to double vectorizes, a 64-bit one does not.
        for (int i = 0; i < count; ++i) {
            double j = static_cast<double>(first + i);
            out[i] = cone.u(j * j + d2);
        }
    }

    // u for explicit squared distances.
    DRAWFIELD_VECTOR_CLONES
    void uOfSquaredDistances(const CooperJacobWell& well, const double* n, int count, double* out)
    {
        const CooperJacobWell cone = well;
        for (int i = 0; i < count; ++i)
            out[i] = cone.u(n[i]);
    }

    void termsFromU(const CooperJacobWell& well, double* values, int count)
    {
        for (int i = 0; i < count; ++i)
            values[i] = well.A * std::log(values[i]);
    }

    // Theis terms A W(u) for the nodes j = first .. first + count - 1 of a row at squared vertical
    // distance d2; u is one product per node, vectorized, then the well function.
    DRAWFIELD_VECTOR_CLONES
    void theisUAlongRow(const TheisWell& well, int first, int count, double d2, double* out)
    {
        const double uPerSquareMetre = well.uPerSquareMetre;
        for (int i = 0; i < count; ++i) {
            double j = static_cast<double>(first + i);
            out[i] = (j * j + d2) * uPerSquareMetre;
        }
    }

    void theisTermsFromU(const TheisWell& well, double* values, int count)
    {
        wellFunctionOf(values, values, count);
        for (int i = 0; i < count; ++i)
            values[i] = well.A * values[i];
    }

    // One point source as the engine evaluates it. Sources at whole metres (the bores, their
    // steps, and images across lines through whole or half metres parallel to the axes) take the
    // row fill's fast paths; others are evaluated node by node at their true position.
    struct PumpingWell {
        int X = 0; // m, when integral
        int Y = 0;
        double x = 0.0; // m, always
        double y = 0.0;
        bool integral = true;
        bool image = false;
        bool firstOfBore = false;
        double rate = 0.0; // m3/s
        int bore = 0; // the table's row it comes from
        SourceTerm term; // the rate and its bore's values, as its well function sees them
        double elapsedSeconds = 0.0;
        const Aquifer* aquifer = nullptr;
        const WellFunction* function = nullptr; // the aquifer's well function
        CooperJacobWell cone; // the forms the fast row fills take
        TheisWell theis;
        std::shared_ptr<const RadialProfile> profile; // LatticePath::Profile: its unit drawdown
        // On a 1 m lattice a source's term depends on |dx| and |dy| alone, and is the same with the
        // two swapped: where it covers much of the map, its terms are made once into a table of
        // quadrantRows x quadrantColumns (|dy| by |dx|) and each row reads its own.
        const double* quadrant = nullptr;
        long long quadrantRows = 0, quadrantColumns = 0;
        // What a term must exceed to count: 0 for a map, where every term adds; the validity
        // zone leaves out terms far too small to change its judgement.
        double leastTerm = 0.0; // m
        long long reachSquared = 0; // largest dx^2 + dy^2 with a positive contribution, 0 if none
        long long reach = 0; // its integer square root, m
        double reachMetresSquared = 0.0; // for a source off the whole metres: a bound of its reach

        // What the source adds at squared distance n, by its well function: the row drawdownAt
        // calls too, so a node and a point on it agree to the bit.
        double contribution(double n) const
        {
            return function->drawdown(term, n, elapsedSeconds, *aquifer);
        }
        // Whether it adds more than leastTerm there (anything at all for 0: u > 1 for
        // Cooper-Jacob, W(u) > 0 for Theis).
        bool reaches(double n) const { return std::fabs(contribution(n)) > leastTerm; }
    };

    // A source's terms at the nodes j = first .. first + count - 1 of a row at squared vertical
    // distance d2 on a 1 m lattice, into out (which has room for 2 count values). Each value
    // depends on j^2 + d2 alone, whatever first and count are.
    void termsAlongRow(const PumpingWell& well, long long first, int count, double d2, double* out)
    {
        double* terms = out;
        switch (well.function->latticePath) {
        case LatticePath::Theis:
            theisUAlongRow(well.theis, static_cast<int>(first), count, d2, terms);
            theisTermsFromU(well.theis, terms, count);
            break;
        case LatticePath::CooperJacob:
            uAlongRow(well.cone, static_cast<int>(first), count, d2, terms);
            termsFromU(well.cone, terms, count);
            break;
        case LatticePath::NodeByNode:
            for (int i = 0; i < count; ++i) {
                const double j = static_cast<double>(first + i);
                terms[i] = well.contribution(j * j + d2);
            }
            break;
        case LatticePath::Profile: {
            double* n = out + count;
            for (int i = 0; i < count; ++i) {
                const double j = static_cast<double>(first + i);
                // The bore's own node (j = 0, dy = 0) is settled later: any value does.
                n[i] = std::max(1.0, j * j + d2);
            }
            well.profile->unitDrawdowns(n, terms, count);
            for (int i = 0; i < count; ++i)
                terms[i] *= well.rate;
            break;
        }
        }
    }

    // The largest n >= 1 the well reaches. Its reach only shrinks as n grows (each operation is
    // monotonic), so a bisection on the exact expression finds it.
    long long largestReachSquared(const PumpingWell& well, long long limit)
    {
        if (limit < 1 || !well.reaches(1.0))
            return 0;
        long long low = 1, high = limit; // reaches(low) always holds
        if (well.reaches(static_cast<double>(high)))
            return high;
        while (high - low > 1) {
            long long middle = low + (high - low) / 2;
            if (well.reaches(static_cast<double>(middle)))
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
        ColumnProgress(
            const DrawdownGrid& grid, const std::function<void(int)>& onColumn, long long totalWork)
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
            auto due = static_cast<int>(static_cast<double>(done) / static_cast<double>(m_totalWork)
                * m_grid.columnCount());
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

    // Subtracts, row by row, every pumping well's term from the lattice nodes within the well's
    // reach, wells in row order, except the wells' own nodes. A row stays in cache while its wells
    // are added, and rows are independent, so threads can take any of them.
    class RowFill {
    public:
        // Every rowStride-th lattice row (the validity zone's coarser lattice takes fewer).
        RowFill(const DrawdownGrid& grid, const std::vector<PumpingWell>& wells, int rowStride = 1)
            : m_grid(grid)
            , m_wells(wells)
            , m_step(grid.nodeSpacing())
            , m_rowStride(rowStride)
        {
            // Only the rows that some well reaches.
            long long low = grid.yMax() + 1LL, high = grid.yMin() - 1LL;
            for (const PumpingWell& well : wells) {
                if (!well.integral) {
                    // An image far beyond the map may stand anywhere: keep its rows in range.
                    const double reach = std::sqrt(well.reachMetresSquared);
                    auto bounded = [](double y) {
                        return std::isnan(y) ? 0.0 : std::clamp(y, -70000.0, 70000.0);
                    };
                    low = std::min(
                        low, static_cast<long long>(std::floor(bounded(well.y - reach))));
                    high = std::max(
                        high, static_cast<long long>(std::ceil(bounded(well.y + reach))));
                    continue;
                }
                if (well.reachSquared == 0)
                    continue;
                low = std::min(low, well.Y - well.reach);
                high = std::max(high, well.Y + well.reach);
            }
            LatticeSpan span
                = grid.latticeIn(MetreBox { grid.xMin(), static_cast<int>(std::max(low, -70000LL)),
                    grid.xMax(), static_cast<int>(std::min(high, 70000LL)) });
            const long long first = ceilDivide(span.firstRow, m_rowStride) * m_rowStride;
            m_firstRow = static_cast<int>(first);
            m_rowCount = span.empty() || first > span.lastRow
                ? 0
                : static_cast<int>((span.lastRow - first) / m_rowStride + 1);
        }

        int itemCount() const { return m_rowCount; }
        int rowY(int item) const { return m_grid.nodeY(m_firstRow + item * m_rowStride); }

        // Nodes that item touches; for progress only.
        long long work(int item) const
        {
            long long nodes = 0;
            for (const PumpingWell& well : m_wells)
                nodes += well.integral ? reachAlongRow(well, rowY(item)).nodeCount()
                                       : generalReach(well, rowY(item)).nodeCount();
            return nodes;
        }

        // Subtracts the row's terms from `row`, laid out as a row of the grid (one value per metre
        // from xMin). scratch holds at least 2 * (width + 1) values.
        void run(int item, std::vector<double>& scratch, double* row) const
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

    private:
        // The lattice columns of one row within a well's reach: from firstColumn to lastColumn.
        struct Reach {
            long long dy = 0;
            long long firstColumn = 0, lastColumn = -1;
            long long nodeCount() const { return std::max(0LL, lastColumn - firstColumn + 1); }
        };

        Reach reachAlongRow(const PumpingWell& well, int y) const
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
        Reach generalReach(const PumpingWell& well, int y) const
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

        // A source off the whole metres (an image across an oblique line): node by node at its
        // true position, each term clamped as contribution() does.
        void subtractAtTruePosition(const PumpingWell& well, int y, double* row) const
        {
            const Reach reach = generalReach(well, y);
            const double dy = y - well.y;
            for (long long k = reach.firstColumn; k <= reach.lastColumn; ++k) {
                const double dx = m_grid.nodeX(static_cast<int>(k)) - well.x;
                const double n = dx * dx + dy * dy;
                if (n == 0.0)
                    continue; // only an image can stand on a node, and it lies outside the aquifer
                double term = 0.0;
                if (well.profile) {
                    well.profile->unitDrawdowns(&n, &term, 1);
                    term *= well.rate;
                } else {
                    term = well.contribution(n);
                }
                row[static_cast<std::size_t>(k) * static_cast<std::size_t>(m_step)] -= term;
            }
        }

        // On a 1 m lattice the nodes X - j and X + j share one term: it is computed once for
        // j = 0 .. the farther side's end and subtracted on both sides.
        void subtractMirrored(const PumpingWell& well, const Reach& reach,
            std::vector<double>& scratch, double* row) const
        {
            const long long wellColumn = static_cast<long long>(well.X) - m_grid.xMin();
            const long long skipWell = reach.dy == 0 ? 1 : 0; // its own node is settled later
            const long long rightFirst
                = std::max({ 0LL, skipWell, reach.firstColumn - wellColumn });
            const long long rightLast = reach.lastColumn - wellColumn;
            const long long leftFirst
                = std::max(1LL, wellColumn - reach.lastColumn); // j = 0 is right's
            const long long leftLast = wellColumn - reach.firstColumn;
            const bool right = rightFirst <= rightLast, left = leftFirst <= leftLast;
            if (!right && !left)
                return;
            const long long first = !right ? leftFirst
                : !left                    ? rightFirst
                                           : std::min(rightFirst, leftFirst);
            const long long last = !right ? leftLast
                : !left                   ? rightLast
                                          : std::max(rightLast, leftLast);
            const auto count = static_cast<int>(last - first + 1);

            const double* terms;
            if (well.quadrant != nullptr) {
                terms = well.quadrant
                    + static_cast<std::size_t>(std::llabs(reach.dy) * well.quadrantColumns + first);
            } else {
                termsAlongRow(well, first, count, static_cast<double>(squared(reach.dy)),
                    scratch.data());
                terms = scratch.data();
            }
            for (long long j = rightFirst; j <= rightLast; ++j)
                row[wellColumn + j] -= terms[j - first];
            for (long long j = leftFirst; j <= leftLast; ++j)
                row[wellColumn - j] -= terms[j - first];
        }

        void subtractNodeByNode(const PumpingWell& well, const Reach& reach,
            std::vector<double>& scratch, double* row) const
        {
            const auto count = static_cast<int>(reach.nodeCount());
            double* n = scratch.data();
            double* terms = scratch.data() + count;
            for (int i = 0; i < count; ++i) {
                long long dx = static_cast<long long>(well.X)
                    - m_grid.nodeX(static_cast<int>(reach.firstColumn) + i);
                n[i] = static_cast<double>(squared(dx) + squared(reach.dy));
            }
            switch (well.function->latticePath) {
            case LatticePath::Theis:
                for (int i = 0; i < count; ++i)
                    terms[i] = well.theis.u(n[i]);
                theisTermsFromU(well.theis, terms, count);
                break;
            case LatticePath::CooperJacob:
                uOfSquaredDistances(well.cone, n, count, terms);
                termsFromU(well.cone, terms, count);
                break;
            case LatticePath::NodeByNode:
                for (int i = 0; i < count; ++i)
                    terms[i] = n[i] == 0.0 ? 0.0 : well.contribution(n[i]);
                break;
            case LatticePath::Profile:
                well.profile->unitDrawdowns(n, terms, count);
                for (int i = 0; i < count; ++i)
                    terms[i] *= well.rate;
                break;
            }
            for (int i = 0; i < count; ++i) {
                if (n[i] == 0.0)
                    continue; // the well's own node is settled later
                auto column
                    = static_cast<std::size_t>(reach.firstColumn) + static_cast<std::size_t>(i);
                row[column * static_cast<std::size_t>(m_step)] -= terms[i];
            }
        }

        const DrawdownGrid& m_grid;
        const std::vector<PumpingWell>& m_wells;
        int m_step;
        int m_rowStride;
        int m_firstRow = 0;
        int m_rowCount = 0;
    };

    // Runs the rows on `threads` threads, the calling one included, which alone reports progress.
    // Rows are handed out one at a time so uneven rows still balance. rowFor(item, thread) gives
    // the row the terms go to; afterRow(item, thread) runs on the same thread right after, while
    // the row is still in cache.
    template <class RowFor, class AfterRow>
    void runParallel(const RowFill& fill, unsigned threads,
        std::vector<std::vector<double>>& scratch, ColumnProgress* progress,
        const std::stop_token& stop, const RowFor& rowFor, const AfterRow& afterRow)
    {
        std::atomic<int> next { 0 };
        auto work = [&](unsigned thread) {
            for (;;) {
                if (stop.stop_requested())
                    return;
                int item = next.fetch_add(1, std::memory_order_relaxed);
                if (item >= fill.itemCount())
                    return;
                fill.run(item, scratch[thread], rowFor(item, thread));
                afterRow(item, thread);
                if (progress != nullptr) {
                    progress->add(fill.work(item));
                    if (thread == 0)
                        progress->report();
                }
            }
        };
        unsigned helpers = std::min<unsigned>(threads - 1, static_cast<unsigned>(fill.itemCount()));
        std::vector<std::jthread> pool;
        pool.reserve(helpers);
        for (unsigned t = 0; t < helpers; ++t)
            pool.emplace_back([&, t] { work(t + 1); });
        work(0);
    }

    // The value of a node on a well, following the rows in order: a row whose well stands on the
    // node replaces the running sum with CarriedDrawdown; any other row adds its contribution, and
    // CarriedDrawdown follows the sum.
    //
    // With rate changes or boundaries the sources are more than the table's rows, and carrying
    // the node before's whole sum would count every other source twice. There each of the bore's
    // own sources is taken one node spacing away instead (what the carried rule gives a lone
    // well), and every other source at its distance.
    double drawdownOnWell(const std::vector<PumpingWell>& wells, int x, int y,
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

    // The nodes on wells, in loop order; each one's CarriedDrawdown is the final drawdown of the
    // node before it, which may itself be a well node settled just before. Carried is false when
    // the sources are more than one per bore (see drawdownOnWell).
    std::vector<std::pair<int, int>> settleWellNodes(
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

        const int lastY = grid.nodeY(grid.rowCount() - 1);
        for (auto [x, y] : nodes) {
            double previous = 0.0;
            if (y > grid.yMin())
                previous = -grid.at(x, y - step);
            else if (x > grid.xMin())
                previous = -grid.at(x - step, lastY);
            grid.at(x, y) = 0.0 - drawdownOnWell(wells, x, y, previous, carried, step); // never -0
        }
        return nodes;
    }

    MetreBox drawdownExtent(const std::vector<PumpingWell>& wells)
    {
        MetreBox box;
        bool any = false;
        auto include = [&](long long xMin, long long yMin, long long xMax, long long yMax) {
            auto clampInt
                = [](long long v) { return static_cast<int>(std::clamp(v, -70000LL, 70000LL)); };
            MetreBox add { clampInt(xMin), clampInt(yMin), clampInt(xMax), clampInt(yMax) };
            box = any ? MetreBox { std::min(box.xMin, add.xMin), std::min(box.yMin, add.yMin),
                std::max(box.xMax, add.xMax), std::max(box.yMax, add.yMax) }
                      : add;
            any = true;
        };
        for (const PumpingWell& well : wells) {
            if (!well.integral) {
                const double reach = std::sqrt(well.reachMetresSquared);
                auto whole = [](double v) {
                    return static_cast<long long>(std::clamp(v, -70000.0, 70000.0));
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

    // The lowest value of a lattice row within the given columns, and the first X that has it.
    struct RowPeak {
        double value = 0.0;
        int x = 0;
    };

    // The columns of a row in the aquifer, first to last (none when last < first): found from
    // each line's crossing of the row, then settled node by node against isInAquifer, so the
    // map agrees with every other reader of the aquifer to the node.
    struct Stretch {
        long long first = 0;
        long long last = -1;
    };

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
            // Column k lies at x = xMin + k * step. Kept within the row (a crossing far beyond
            // it bounds nothing); the side to the right of the crossing is that of -dy.
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
        auto inside
            = [&](long long k) { return isInAquifer(in, grid.nodeX(static_cast<int>(k)), y); };
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

    // The level at no node of the row above the rest level.
    void noRise(DrawdownGrid& grid, int y, const LatticeSpan& columns)
    {
        double* row = grid.row(y);
        const auto step = static_cast<long long>(grid.nodeSpacing());
        for (long long k = columns.firstColumn; k <= columns.lastColumn; ++k)
            row[k * step] = std::min(row[k * step], 0.0);
    }

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

    // Keeps the largest drawdown; ties go to the first node in loop order (X outer, Y inner).
    void keepLargest(DrawdownPeak& peak, const RowPeak& row, int y)
    {
        double drawdown = -row.value;
        if (drawdown > peak.drawdown
            || (drawdown == peak.drawdown && drawdown > 0.0
                && (row.x < peak.x || (row.x == peak.x && y < peak.y))))
            peak = { drawdown, row.x, y };
    }

} // namespace

namespace {

    // For a well function whose terms are tabulated along r: one profile per source time (and per
    // bore, for a function whose terms see their bore's values), over the squared distances from
    // the nearest node to the farthest of every source of that time.
    void attachProfiles(
        std::vector<PumpingWell>& wells, const Aquifer& aquifer, const DrawdownGrid& grid)
    {
        if (aquifer.wellFunction->latticePath != LatticePath::Profile)
            return;
        struct Span {
            double nMin = std::numeric_limits<double>::infinity(), nMax = 0.0;
        };
        const std::span<const WellParameter> parameters = aquifer.wellFunction->parameters;
        const bool perBore = std::any_of(parameters.begin(), parameters.end(),
            [](const WellParameter& p) { return p.scope == ParameterScope::Bore; });
        auto keyOf = [&](const PumpingWell& well) {
            return std::pair { well.elapsedSeconds, perBore ? well.bore : -1 };
        };
        std::map<std::pair<double, int>, Span> spans;
        std::map<std::pair<double, int>, SourceTerm> units;
        const double step = grid.nodeSpacing();
        for (const PumpingWell& well : wells) {
            auto nearest = [step](double at, double first, double last) {
                const double k = std::clamp(
                    std::round((at - first) / step), 0.0, std::floor((last - first) / step));
                return std::fabs(at - (first + k * step));
            };
            const double dx = nearest(well.x, grid.xMin(), grid.xMax());
            const double dy = nearest(well.y, grid.yMin(), grid.yMax());
            const double farX
                = std::max(std::fabs(well.x - grid.xMin()), std::fabs(well.x - grid.xMax()));
            const double farY
                = std::max(std::fabs(well.y - grid.yMin()), std::fabs(well.y - grid.yMax()));
            // A node on the source (its own bore) is settled apart: the next nearest is 1 m off.
            const double nearestN = dx * dx + dy * dy;
            Span& span = spans[keyOf(well)];
            units[keyOf(well)] = { 1.0, well.term.bore };
            span.nMin = std::min(span.nMin, nearestN > 0.0 ? std::min(nearestN, 1.0) : 1.0);
            span.nMax = std::max(span.nMax, farX * farX + farY * farY);
        }
        std::map<std::pair<double, int>, std::shared_ptr<const RadialProfile>> profiles;
        for (const auto& [key, span] : spans)
            profiles[key] = aquifer.wellFunction->radialProfile(units[key], key.first, aquifer,
                span.nMin, std::max(span.nMax, span.nMin * 2.0));
        for (PumpingWell& well : wells)
            well.profile = profiles[keyOf(well)];
    }

    // The sources active at timeSeconds as the engine evaluates them, each through the
    // aquifer's well function (which must outlive them), with its bore's values from in.
    std::vector<PumpingWell> pumpingWells(const std::vector<PointSource>& sources,
        const ScenarioInputs& in, const Aquifer& aquifer, const DrawdownGrid& grid,
        double leastTerm = 0.0)
    {
        std::vector<PumpingWell> wells;
        for (const PointSource& source : sources) {
            PumpingWell well;
            well.leastTerm = leastTerm;
            well.rate = source.Rate;
            well.bore = source.Bore;
            well.term = { source.Rate, in.Wells[static_cast<std::size_t>(source.Bore)].Values };
            well.elapsedSeconds = source.ElapsedSeconds;
            well.aquifer = &aquifer;
            well.function = aquifer.wellFunction;
            well.x = source.X;
            well.y = source.Y;
            well.integral = source.X == std::floor(source.X) && source.Y == std::floor(source.Y)
                && std::fabs(source.X) <= 70000.0 && std::fabs(source.Y) <= 70000.0;
            well.X = well.integral ? static_cast<int>(source.X) : 0;
            well.Y = well.integral ? static_cast<int>(source.Y) : 0;
            well.image = source.Image;
            well.firstOfBore = source.FirstOfBore;
            well.cone = CooperJacobWell(
                source.Rate, aquifer.transmissivity, aquifer.storage, source.ElapsedSeconds);
            well.theis = TheisWell(
                source.Rate, aquifer.transmissivity, aquifer.storage, source.ElapsedSeconds);
            if (well.integral) {
                long long farX
                    = std::max(std::abs(well.X - grid.xMin()), std::abs(well.X - grid.xMax()));
                long long farY
                    = std::max(std::abs(well.Y - grid.yMin()), std::abs(well.Y - grid.yMax()));
                well.reachSquared = largestReachSquared(well, squared(farX) + squared(farY));
                well.reach = integerSquareRoot(well.reachSquared);
            } else {
                // Its well function bounds where it adds anything: a little more room costs a few
                // zero terms, never a lost one.
                well.reachMetresSquared
                    = well.function->reachSquared(well.term, source.ElapsedSeconds, aquifer, leastTerm);
            }
            wells.push_back(well);
        }
        attachProfiles(wells, aquifer, grid);
        return wells;
    }

    // Runs body(item, thread) for item = 0 .. count - 1 on `threads` threads, the calling one
    // being thread 0; items are handed out one at a time.
    template <class Body>
    void parallelItems(long long count, unsigned threads, const Body& body)
    {
        std::atomic<long long> next { 0 };
        auto work = [&](unsigned thread) {
            for (long long item; (item = next.fetch_add(1)) < count;)
                body(item, thread);
        };
        std::vector<std::jthread> pool;
        for (unsigned t = 1; t < std::min<long long>(threads, count); ++t)
            pool.emplace_back(work, t);
        work(0);
    }

    // The memory of the quadrant tables, kept from run to run: on a virtual machine the first
    // write to fresh memory can cost more than the logarithms the tables save, so it is mapped
    // once (in large pages where the system gives them) and reused. One run uses it at a time; a
    // run that finds it taken computes its terms row by row.
    class TermMemory {
    public:
        static constexpr std::size_t MostBytes = std::size_t { 1 } << 30;

        // The memory for `values` doubles while `lock` is held; nullptr when it cannot be had.
        static double* take(std::size_t values, std::unique_lock<std::mutex>& lock)
        {
            TermMemory& memory = instance();
            lock = std::unique_lock<std::mutex>(memory.m_mutex, std::try_to_lock);
            if (!lock.owns_lock())
                return nullptr;
            const std::size_t bytes = values * sizeof(double);
            if (bytes > memory.m_bytes) {
                memory.release();
                void* mapped = mapMemory(bytes);
                if (mapped == nullptr)
                    return nullptr;
                memory.m_data = static_cast<double*>(mapped);
                memory.m_bytes = bytes;
            }
            return memory.m_data;
        }

        // Gives the memory back to the system (a run that needs no tables).
        static void giveBack()
        {
            TermMemory& memory = instance();
            std::unique_lock<std::mutex> lock(memory.m_mutex, std::try_to_lock);
            if (lock.owns_lock())
                memory.release();
        }

    private:
        static TermMemory& instance()
        {
            static TermMemory memory;
            return memory;
        }
        void release()
        {
            unmapMemory(m_data, m_bytes);
            m_data = nullptr;
            m_bytes = 0;
        }
        std::mutex m_mutex;
        double* m_data = nullptr;
        std::size_t m_bytes = 0;
    };

    // Gives the sources that cover much of a 1 m map their quadrant tables (PumpingWell), as far
    // as TermMemory allows; the lock keeps the tables' memory until the run ends. A table's row
    // |dy| = b holds the terms for |dx| = 0 .. its columns: those from |dx| = b on are computed,
    // those before it are the transposed ones of the rows above (the same squared distance, so
    // the same bits). Sources that would gain little (a short reach, or off the map) keep
    // computing their terms row by row.
    void attachQuadrants(std::vector<PumpingWell>& wells, const DrawdownGrid& grid,
        unsigned threads, const std::stop_token& stop, std::unique_lock<std::mutex>& lock)
    {
        constexpr long long LeastSide = 64;
        if (grid.nodeSpacing() != 1) {
            TermMemory::giveBack();
            return;
        }
        struct Table {
            PumpingWell* well;
            std::size_t offset; // in values
        };
        std::vector<Table> tables;
        std::size_t values = 0;
        for (PumpingWell& well : wells) {
            if (!well.integral || well.reachSquared == 0 || well.X < grid.xMin()
                || well.X > grid.xMax() || well.Y < grid.yMin() || well.Y > grid.yMax())
                continue;
            const long long columns
                = std::min<long long>(std::max(well.X - grid.xMin(), grid.xMax() - well.X),
                      well.reach)
                + 1;
            const long long rows
                = std::min<long long>(std::max(well.Y - grid.yMin(), grid.yMax() - well.Y),
                      well.reach)
                + 1;
            const auto size = static_cast<std::size_t>(rows * columns);
            if (rows < LeastSide || columns < LeastSide
                || (values + size) * sizeof(double) > TermMemory::MostBytes)
                continue;
            well.quadrantRows = rows;
            well.quadrantColumns = columns;
            tables.push_back({ &well, values });
            values += size;
        }
        if (tables.empty()) {
            TermMemory::giveBack();
            return;
        }
        double* memory = TermMemory::take(values, lock);
        if (memory == nullptr) {
            for (Table& table : tables)
                table.well->quadrantRows = table.well->quadrantColumns = 0;
            return;
        }
        auto termsOf = [memory](const Table& table) { return memory + table.offset; };

        // The computed part of every table's rows.
        std::vector<std::pair<std::size_t, long long>> rows; // (table, b)
        for (std::size_t t = 0; t < tables.size(); ++t)
            for (long long b = 0; b < tables[t].well->quadrantRows; ++b)
                rows.emplace_back(t, b);
        std::vector<std::vector<double>> scratch(threads);
        parallelItems(static_cast<long long>(rows.size()), threads, [&](long long item, unsigned thread) {
            if (stop.stop_requested())
                return;
            const auto [t, b] = rows[static_cast<std::size_t>(item)];
            const PumpingWell& well = *tables[t].well;
            const long long columns = well.quadrantColumns;
            // The source's own node (b = 0, |dx| = 0) is settled apart: it takes 0 here.
            const long long first = b == 0 ? 1 : b < columns ? b : 0;
            const auto count = static_cast<int>(columns - first);
            std::vector<double>& out = scratch[thread];
            out.resize(2 * static_cast<std::size_t>(count));
            termsAlongRow(well, first, count, static_cast<double>(squared(b)), out.data());
            double* row = termsOf(tables[t]) + static_cast<std::size_t>(b * columns);
            if (b == 0)
                row[0] = 0.0;
            std::copy_n(out.data(), count, row + first);
        });
        // The transposed part, in blocks of Block x Block that stay in cache.
        constexpr long long Block = 32;
        std::vector<std::pair<std::size_t, long long>> blocks; // (table, first b)
        for (std::size_t t = 0; t < tables.size(); ++t)
            for (long long b = 0; b < std::min(tables[t].well->quadrantRows,
                                          tables[t].well->quadrantColumns);
                 b += Block)
                blocks.emplace_back(t, b);
        parallelItems(static_cast<long long>(blocks.size()), threads, [&](long long item, unsigned) {
            if (stop.stop_requested())
                return;
            const auto [t, firstB] = blocks[static_cast<std::size_t>(item)];
            const PumpingWell& well = *tables[t].well;
            const long long columns = well.quadrantColumns;
            const long long lastB
                = std::min({ firstB + Block, well.quadrantRows, columns }); // past the end
            double* terms = termsOf(tables[t]);
            for (long long firstJ = 0; firstJ < lastB; firstJ += Block)
                for (long long b = firstB; b < lastB; ++b)
                    for (long long j = firstJ; j < std::min(firstJ + Block, b); ++j)
                        terms[b * columns + j] = terms[j * columns + b];
        });
        for (Table& table : tables)
            table.well->quadrant = termsOf(table);
    }

    unsigned threadCount(const EngineOptions& options)
    {
        return options.threads != 0 ? options.threads
                                    : std::max(1u, std::thread::hardware_concurrency());
    }

    // Runs body(m) for every lattice row index m of span, rows spread over the threads.
    template <class Body>
    void forEachRow(const LatticeSpan& span, unsigned threads, const Body& body)
    {
        std::atomic<long long> next { span.firstRow };
        auto work = [&] {
            for (long long m; (m = next.fetch_add(1)) <= span.lastRow;)
                body(static_cast<int>(m));
        };
        std::vector<std::jthread> pool;
        for (unsigned t = 1; t < threads; ++t)
            pool.emplace_back(work);
        work();
    }

    // Where Cooper-Jacob is more than 1 % off Theis, on every stride-th node of each axis: the
    // Theis rows are made in a scratch row, one at a time, and compared with the map's (confined)
    // rows as they are made. Only where Theis can reach the least judged drawdown: each source's
    // terms are taken while they exceed a thousandth of it shared among the sources, so what is
    // left out sums to less than a micrometre.
    std::shared_ptr<const ValidityZone> validityOf(const DrawdownGrid& grid,
        const ScenarioInputs& in, double timeSeconds, int stride, unsigned threads,
        const std::stop_token& stop)
    {
        auto zone = std::make_shared<ValidityZone>();
        zone->stride = stride;
        zone->columns = (grid.columnCount() - 1) / stride + 1;
        zone->rows = (grid.rowCount() - 1) / stride + 1;
        // Rows no source's Theis drawdown reaches are not judged.
        zone->off.assign(
            static_cast<std::size_t>(zone->columns) * static_cast<std::size_t>(zone->rows),
            ValidityZone::NotJudged);
        const std::vector<PointSource> sources = pointSources(in, timeSeconds);
        Aquifer theis = in.aquifer();
        theis.wellFunction = &wellFunction(WellMethod::Theis);
        const std::vector<PumpingWell> wells = pumpingWells(sources, in, theis, grid,
            ValidityZone::LeastJudgedMetres * 1e-3
                / static_cast<double>(std::max<std::size_t>(1, sources.size())));
        RowFill fill(grid, wells, stride);
        std::vector<std::vector<double>> scratch(
            threads, std::vector<double>(2 * (grid.width() + 1)));
        std::vector<std::vector<double>> theisRows(threads, std::vector<double>(grid.width()));
        const auto step = static_cast<std::size_t>(grid.nodeSpacing());
        runParallel(
            fill, threads, scratch, nullptr, stop,
            [&](int, unsigned thread) {
                std::fill(theisRows[thread].begin(), theisRows[thread].end(), 0.0);
                return theisRows[thread].data();
            },
            [&](int item, unsigned thread) {
                const int y = fill.rowY(item);
                const double* cooperJacob = grid.row(y);
                const double* theis = theisRows[thread].data();
                std::uint8_t* off = zone->off.data()
                    + static_cast<std::size_t>((y - grid.yMin()) / grid.nodeSpacing() / stride)
                        * static_cast<std::size_t>(zone->columns);
                for (int k = 0; k < zone->columns; ++k) {
                    const std::size_t at
                        = static_cast<std::size_t>(k) * step * static_cast<std::size_t>(stride);
                    const double exact = -theis[at];
                    const double straight = -cooperJacob[at];
                    off[k] = !(exact >= ValidityZone::LeastJudgedMetres)
                        ? ValidityZone::NotJudged
                        : std::fabs(straight - exact) > ValidityZone::Tolerance * exact
                        ? ValidityZone::Off
                        : ValidityZone::Holds;
                }
            });
        // A node on a well holds a carried value under both methods: it is not judged.
        for (const PumpingWell& well : wells) {
            int k = (well.X - grid.xMin()) / grid.nodeSpacing();
            int m = (well.Y - grid.yMin()) / grid.nodeSpacing();
            if (well.X >= grid.xMin() && well.X <= grid.xMax() && well.Y >= grid.yMin()
                && well.Y <= grid.yMax() && grid.nodeX(k) == well.X && grid.nodeY(m) == well.Y
                && k % stride == 0 && m % stride == 0)
                zone->off[static_cast<std::size_t>(m / stride)
                        * static_cast<std::size_t>(zone->columns)
                    + static_cast<std::size_t>(k / stride)]
                    = ValidityZone::NotJudged;
        }
        return zone;
    }

    // Jacob's correction for an unconfined aquifer (aquiferDrawdown), node by node over the
    // drawdown extent; true when some node is dewatered (2 s' > b), where it takes b.
    bool correctForUnconfined(DrawdownGrid& grid, const Aquifer& aquifer, unsigned threads)
    {
        const LatticeSpan span = grid.latticeIn(grid.drawdownExtent());
        std::atomic<bool> dewatered { false };
        const auto step = static_cast<std::size_t>(grid.nodeSpacing());
        forEachRow(span, threads, [&](int m) {
            double* row = grid.row(grid.nodeY(m));
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

} // namespace

std::optional<DrawdownResult> computeDrawdown(
    const ScenarioInputs& in, const EngineOptions& options)
{
    if (in.XMax < in.XMin || in.YMax < in.YMin || in.Step < 1)
        throw std::invalid_argument("computeDrawdown: the scenario was not accepted");

    std::unique_ptr<DrawdownGrid> grid
        = DrawdownGrid::create(in.XMin, in.YMin, in.XMax, in.YMax, in.Step);
    const double timeSeconds = options.timeSeconds.value_or(in.PumpTime);
    const Aquifer aquifer = in.aquifer();
    const std::vector<PointSource> sources = pointSources(in, timeSeconds);
    std::vector<PumpingWell> wells = pumpingWells(sources, in, aquifer, *grid);
    const unsigned threads = threadCount(options);
    std::unique_lock<std::mutex> termMemory; // the tables' memory, until the map is made
    if (options.symmetricTerms)
        attachQuadrants(wells, *grid, threads, options.stopToken, termMemory);
    if (options.stopToken.stop_requested())
        return std::nullopt;

    grid->setDrawdownExtent(drawdownExtent(wells));
    const LatticeSpan extentNodes = grid->latticeIn(grid->drawdownExtent());

    RowFill fill(*grid, wells);
    long long totalWork = 0;
    for (int item = 0; item < fill.itemCount(); ++item)
        totalWork += fill.work(item);
    std::vector<std::vector<double>> scratch(threads, std::vector<double>(2 * (grid->width() + 1)));
    std::vector<RowPeak> rowPeaks(static_cast<std::size_t>(fill.itemCount()));

    // Pumping never raises the level. A rate that steps down, or a recharge line's injecting
    // image, subtracts terms: where they cancel what came before, rounding (or Cooper-Jacob's
    // clamp) may leave a hair above the rest level, which is taken back to it.
    const bool mayRise = std::any_of(
        sources.begin(), sources.end(), [](const PointSource& s) { return s.Rate < 0.0; });

    // Each row receives its wells' terms in row order, so the subtraction order at every node,
    // and with it every bit, does not depend on the threads.
    ColumnProgress progress(*grid, options.onColumn, totalWork);
    runParallel(
        fill, threads, scratch, &progress, options.stopToken,
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
    if (options.stopToken.stop_requested())
        return std::nullopt;

    std::vector<std::pair<int, int>> wellNodes = settleWellNodes(*grid, wells,
        std::all_of(sources.begin(), sources.end(),
            [](const PointSource& s) { return s.FirstOfBore && !s.Image; }));
    if (mayRise)
        for (auto [x, y] : wellNodes)
            grid->at(x, y) = std::min(grid->at(x, y), 0.0);
    // Beyond a boundary there is no aquifer: those nodes hold no value. Each row's aquifer is one
    // stretch of it (the aquifer is convex): only the rest of the row is written.
    if (!in.Boundaries.empty()) {
        grid->setDrawdownExtent(
            MetreBox { grid->xMin(), grid->yMin(), grid->xMax(), grid->yMax() });
        forEachRow(grid->latticeIn(grid->drawdownExtent()), threads, [&](int m) {
            const int y = grid->nodeY(m);
            const Stretch inside = aquiferInRow(in, *grid, y);
            double* row = grid->row(y);
            const auto step = static_cast<std::size_t>(grid->nodeSpacing());
            const auto nan = std::numeric_limits<double>::quiet_NaN();
            for (long long k = 0; k < std::min<long long>(inside.first, grid->columnCount()); ++k)
                row[static_cast<std::size_t>(k) * step] = nan;
            for (long long k = std::max<long long>(inside.last + 1, 0); k < grid->columnCount();
                 ++k)
                row[static_cast<std::size_t>(k) * step] = nan;
        });
    }
    DrawdownResult result;
    if (options.validity && in.Method == WellMethod::CooperJacob) {
        result.validity = validityOf(*grid, in, timeSeconds, std::max(1, options.validityStride),
            threads, options.stopToken);
        if (options.stopToken.stop_requested())
            return std::nullopt;
    }

    result.largest = { 0.0, grid->xMin(), grid->yMin() };
    if (in.Unconfined)
        result.dewatered = correctForUnconfined(*grid, aquifer, threads);
    if (in.Unconfined) {
        // The correction keeps the order of drawdowns but makes ties (the dewatered nodes): the
        // largest is looked for again, first node in loop order.
        const LatticeSpan correctedNodes = grid->latticeIn(grid->drawdownExtent());
        std::vector<RowPeak> peaks(static_cast<std::size_t>(
            std::max(0LL, correctedNodes.lastRow - correctedNodes.firstRow + 1)));
        forEachRow(correctedNodes, threads, [&](int m) {
            peaks[static_cast<std::size_t>(m - correctedNodes.firstRow)]
                = lowestInRow(*grid, grid->nodeY(m), correctedNodes);
        });
        for (std::size_t i = 0; i < peaks.size(); ++i)
            keepLargest(result.largest, peaks[i],
                grid->nodeY(static_cast<int>(correctedNodes.firstRow + static_cast<long long>(i))));
    } else {
        auto hasWellNode = [&](int y) {
            return std::any_of(
                wellNodes.begin(), wellNodes.end(), [y](auto node) { return node.second == y; });
        };
        for (int item = 0; item < fill.itemCount(); ++item)
            if (!hasWellNode(fill.rowY(item)))
                keepLargest(
                    result.largest, rowPeaks[static_cast<std::size_t>(item)], fill.rowY(item));
        for (auto [x, y] : wellNodes)
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
