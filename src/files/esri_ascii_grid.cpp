#include "files/esri_ascii_grid.h"

#include "files/atomic_file.h"
#include "files/staged_files.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

namespace drawfield {

namespace {

    constexpr const char* NoDataText = "-9999";

    // The shortest text that reads back as the same number.
    std::string shortest(double value)
    {
        std::array<char, 32> text;
        auto end = std::to_chars(text.data(), text.data() + text.size(), value);
        return std::string(text.data(), end.ptr);
    }

    // The header: the lattice's size, its south-western node and its spacing.
    std::string header(const DrawdownGrid& grid, bool noData, const GridPlace& place)
    {
        return "ncols " + std::to_string(grid.columnCount()) + "\nnrows "
            + std::to_string(grid.rowCount()) + "\nxllcenter "
            + shortest(place.easting + grid.xMin()) + "\nyllcenter "
            + shortest(place.northing + grid.yMin()) + "\ncellsize "
            + std::to_string(grid.nodeSpacing()) + "\n"
            + (noData ? "NODATA_value " + std::string(NoDataText) + "\n" : std::string());
    }

    // Writes the header, then each lattice row northernmost first, its values written by
    // appendValue(text, column, row) and separated by blanks; and the .prj beside it.
    template <class AppendValue>
    void writeRows(const std::filesystem::path& path, const char* what, const DrawdownGrid& grid,
        const AppendValue& appendValue, bool noData, const GridPlace& place)
    {
        std::optional<StagedFiles> staging;
        bool direct = false;
        try {
            direct = replacedFileOf(path).direct;
        } catch (const std::system_error&) {
            // StagedFiles says what is wrong with the path.
        }
        if (!direct)
            staging.emplace(path, what);
        const std::filesystem::path target = direct ? path : staging->target();
        const std::filesystem::path projection
            = std::filesystem::path(target).replace_extension(".prj");
        AtomicFile file(direct ? path : staging->staged(target), what);
        std::string text = header(grid, noData, place);
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
        if (direct)
            return;
        if (!place.projection.empty()) {
            AtomicFile prj(staging->staged(projection), what);
            prj.write(place.projection);
            prj.commit();
        }
        staging->commit({ target, projection });
    }

} // namespace

void writeValidityGrid(const std::filesystem::path& path, const DrawdownGrid& grid,
    const ValidityZone& zone, const GridPlace& place)
{
    writeRows(
        path, "validity grid", grid,
        [&](std::string& text, int k, int m) { text.push_back(zone.isOff(k, m) ? '1' : '0'); },
        false, place);
}

void writeAsciiGrid(const std::filesystem::path& path, const DrawdownGrid& grid, bool noData,
    const GridPlace& place)
{
    std::array<char, 32> number;
    const auto step = static_cast<std::size_t>(grid.nodeSpacing());
    writeRows(
        path, "grid file", grid,
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
        noData, place);
}

} // namespace drawfield
