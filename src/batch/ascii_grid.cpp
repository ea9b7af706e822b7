#include "batch/ascii_grid.h"

#include "compute/atomic_file.h"

#include <array>
#include <charconv>
#include <cmath>

namespace drawfield {

namespace {

    constexpr const char* NoDataText = "-9999";

    // The header: the lattice's size, its south-western node and its spacing.
    std::string header(const DrawdownGrid& grid, bool noData = false)
    {
        return "ncols " + std::to_string(grid.columnCount()) + "\nnrows "
            + std::to_string(grid.rowCount()) + "\nxllcenter " + std::to_string(grid.xMin())
            + "\nyllcenter " + std::to_string(grid.yMin()) + "\ncellsize "
            + std::to_string(grid.nodeSpacing()) + "\n"
            + (noData ? "NODATA_value " + std::string(NoDataText) + "\n" : std::string());
    }

    // Writes the header, then each lattice row northernmost first, its values written by
    // appendValue(text, column, row) and separated by blanks.
    template <class AppendValue>
    void writeRows(AtomicFile& file, const DrawdownGrid& grid, const AppendValue& appendValue,
        bool noData = false)
    {
        std::string text = header(grid, noData);
        for (int m = grid.rowCount() - 1; m >= 0; --m) {
            for (int k = 0; k < grid.columnCount(); ++k) {
                if (k > 0)
                    text.push_back(' ');
                appendValue(text, k, m);
            }
            text.push_back('\n');
            if (text.size() > (1 << 20)) {
                file.write(text);
                text.clear();
            }
        }
        file.write(text);
        file.commit();
    }

} // namespace

void writeValidityGrid(
    const std::filesystem::path& path, const DrawdownGrid& grid, const ValidityZone& zone)
{
    AtomicFile file(path, "validity grid");
    writeRows(file, grid,
        [&](std::string& text, int k, int m) { text.push_back(zone.isOff(k, m) ? '1' : '0'); });
}

void writeAsciiGrid(const std::filesystem::path& path, const DrawdownGrid& grid, bool noData)
{
    AtomicFile file(path, "grid file");
    std::array<char, 32> number;
    const auto step = static_cast<std::size_t>(grid.nodeSpacing());
    writeRows(
        file, grid,
        [&](std::string& text, int k, int m) {
            const double value = grid.row(grid.nodeY(m))[static_cast<std::size_t>(k) * step];
            if (std::isnan(value)) {
                text += NoDataText;
                return;
            }
            auto result = std::to_chars(number.data(), number.data() + number.size(), value,
                std::chars_format::general, 17);
            text.append(number.data(), result.ptr);
        },
        noData);
}

} // namespace drawfield
