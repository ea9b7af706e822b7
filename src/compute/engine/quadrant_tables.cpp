#include "compute/engine/quadrant_tables.h"

#include "compute/engine/parallel.h"

#include <algorithm>

namespace drawfield {

void attachQuadrants(std::vector<PumpingWell>& wells, const DrawdownGrid& grid, unsigned threads,
    const std::stop_token& stop, EngineWorkspace& workspace, std::unique_lock<std::mutex>& lease)
{
    constexpr long long LeastSide = 64;
    constexpr std::size_t MostBytes = std::size_t { 1 } << 30;
    if (grid.nodeSpacing() != 1)
        return;
    const std::size_t budget
        = std::min(MostBytes, grid.width() * grid.height() * sizeof(double) / 2);

    // A table's row |dy| = b holds the terms for |dx| = 0 .. its columns: those from |dx| = b on
    // are computed, those before it are the transposed ones of the rows above (the same squared
    // distance, so the same bits).
    struct Table {
        PumpingWell* well;
        long long rows, columns;
        std::size_t offset = 0; // in values
        [[nodiscard]] std::size_t size() const { return static_cast<std::size_t>(rows * columns); }
    };
    std::vector<Table> tables;
    for (PumpingWell& well : wells) {
        if (!well.integral || well.reachSquared == 0 || well.X < grid.xMin() || well.X > grid.xMax()
            || well.Y < grid.yMin() || well.Y > grid.yMax())
            continue;
        const long long columns
            = std::min<long long>(std::max(well.X - grid.xMin(), grid.xMax() - well.X), well.reach)
            + 1;
        const long long rows
            = std::min<long long>(std::max(well.Y - grid.yMin(), grid.yMax() - well.Y), well.reach)
            + 1;
        if (rows >= LeastSide && columns >= LeastSide)
            tables.push_back({ &well, rows, columns });
    }
    // The smallest first: a source amid the map shares each term among the most nodes.
    std::stable_sort(tables.begin(), tables.end(),
        [](const Table& a, const Table& b) { return a.size() < b.size(); });
    std::size_t values = 0;
    std::size_t kept = 0;
    for (Table& table : tables) {
        if ((values + table.size()) * sizeof(double) > budget)
            break;
        table.offset = values;
        values += table.size();
        ++kept;
    }
    tables.resize(kept);
    if (tables.empty())
        return;
    double* memory = workspace.take(values, lease);
    if (memory == nullptr)
        return;
    auto termsOf = [memory](const Table& table) { return memory + table.offset; };

    // The computed part of every table's rows.
    std::vector<std::pair<std::size_t, long long>> rows; // (table, b)
    for (std::size_t t = 0; t < tables.size(); ++t)
        for (long long b = 0; b < tables[t].rows; ++b)
            rows.emplace_back(t, b);
    std::vector<std::vector<double>> scratch(threads);
    parallelFor(
        static_cast<long long>(rows.size()), threads,
        [&](long long item, unsigned thread) {
            const auto [t, b] = rows[static_cast<std::size_t>(item)];
            const Table& table = tables[t];
            const long long columns = table.columns;
            // The source's own node (b = 0, |dx| = 0) is settled apart: it takes 0 here.
            const long long first = b == 0 ? 1 : b < columns ? b : 0;
            const auto count = static_cast<int>(columns - first);
            std::vector<double>& out = scratch[thread];
            out.resize(2 * static_cast<std::size_t>(count));
            termsAlongRow(*table.well, first, count, static_cast<double>(squared(b)), out.data());
            double* row = termsOf(table) + static_cast<std::size_t>(b * columns);
            if (b == 0)
                row[0] = 0.0;
            std::copy_n(out.data(), count, row + first);
        },
        stop);
    // The transposed part, in blocks of Block x Block that stay in cache.
    constexpr long long Block = 32;
    std::vector<std::pair<std::size_t, long long>> blocks; // (table, first b)
    for (std::size_t t = 0; t < tables.size(); ++t)
        for (long long b = 0; b < std::min(tables[t].rows, tables[t].columns); b += Block)
            blocks.emplace_back(t, b);
    parallelFor(
        static_cast<long long>(blocks.size()), threads,
        [&](long long item, unsigned) {
            const auto [t, firstB] = blocks[static_cast<std::size_t>(item)];
            const Table& table = tables[t];
            const long long columns = table.columns;
            const long long lastB
                = std::min({ firstB + Block, table.rows, columns }); // past the end
            double* terms = termsOf(table);
            for (long long firstJ = 0; firstJ < lastB; firstJ += Block)
                for (long long b = firstB; b < lastB; ++b)
                    for (long long j = firstJ; j < std::min(firstJ + Block, b); ++j)
                        terms[b * columns + j] = terms[j * columns + b];
        },
        stop);
    for (Table& table : tables) {
        table.well->quadrant = termsOf(table);
        table.well->quadrantRows = table.rows;
        table.well->quadrantColumns = table.columns;
    }
}

} // namespace drawfield
