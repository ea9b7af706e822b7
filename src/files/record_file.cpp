#include "files/record_file.h"

#include "files/atomic_file.h"
#include "files/number_text.h"

#include <algorithm>
#include <vector>

namespace drawfield {
namespace {

    void appendRecordLine(std::string& out, int x, int y, double gridValue)
    {
        appendIntegerText(out, x);
        out.push_back(',');
        appendIntegerText(out, y);
        out.push_back(',');
        appendRealText(out, gridValue);
        out += "\r\n";
    }

} // namespace

std::string recordLine(int x, int y, double gridValue)
{
    std::string line;
    appendRecordLine(line, x, y, gridValue);
    return line;
}

void writeRecordFile(const std::filesystem::path& path, const DrawdownGrid& grid, RecordLines lines)
{
    AtomicFile file(path, "record file");
    MetreBox box = grid.drawdownExtent();
    if (lines == RecordLines::DrawdownNodes && !box.empty()) {
        const int step = grid.nodeSpacing();
        const LatticeSpan span = grid.latticeIn(box);
        const long long firstColumn = span.firstColumn, lastColumn = span.lastColumn;
        const long long firstRow = span.firstRow, lastRow = span.lastRow;
        const auto rows = static_cast<std::size_t>(std::max(0LL, lastRow - firstRow + 1));

        // Lines go column by column while the grid is stored row by row: copy a block of columns
        // at a time into column order, so the reads stay sequential.
        constexpr long long BlockColumns = 64;
        std::vector<double> block(rows * static_cast<std::size_t>(BlockColumns));
        std::string text;
        text.reserve(1 << 20);
        for (long long k0 = firstColumn; k0 <= lastColumn; k0 += BlockColumns) {
            const long long k1 = std::min(lastColumn + 1, k0 + BlockColumns);
            for (std::size_t m = 0; m < rows; ++m) {
                const double* row
                    = grid.row(grid.nodeY(static_cast<int>(firstRow) + static_cast<int>(m)));
                for (long long k = k0; k < k1; ++k)
                    block[static_cast<std::size_t>(k - k0) * rows + m] = row[k * step];
            }
            for (long long k = k0; k < k1; ++k) {
                const int x = grid.nodeX(static_cast<int>(k));
                const double* column = block.data() + static_cast<std::size_t>(k - k0) * rows;
                for (std::size_t m = 0; m < rows; ++m) {
                    if (column[m] < 0.0)
                        appendRecordLine(text, x,
                            grid.nodeY(static_cast<int>(firstRow + static_cast<long long>(m))),
                            column[m]);
                }
                if (text.size() > (1 << 20) - 4096) {
                    file.write(text);
                    text.clear();
                }
            }
        }
        file.write(text);
    }
    file.commit();
}

} // namespace drawfield
