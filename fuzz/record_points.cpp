// Point files (the record file among them): every line is a finite point or none, and a small set
// of points grids to a file that reads back, or is refused with a clear reason.

#include "fuzz_support.h"
#include "mapper/gridding.h"

#include <QCoreApplication>
#include <QDir>

#include <cmath>

using namespace drawfield::mapper;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    Points points;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        std::optional<std::array<double, 3>> xy = parsePointLine(line, false);
        std::optional<std::array<double, 3>> xyz = parsePointLine(line, true);
        FUZZ_REQUIRE(!xyz || xy, "a point with Z is a point");
        if (!xyz)
            continue;
        for (double v : *xyz)
            FUZZ_REQUIRE(std::isfinite(v), "points are finite");
        FUZZ_REQUIRE((*xy)[0] == (*xyz)[0] && (*xy)[1] == (*xyz)[1], "X and Y read alike");
        points.x.push_back((*xyz)[0]);
        points.y.push_back((*xyz)[1]);
        points.z.push_back((*xyz)[2]);
    }
    if (points.size() == 0 || points.size() > 64)
        return 0;
    const QString grid = QDir::current().filePath(QStringLiteral("fuzz.grd"));
    try {
        gridPoints(points, grid);
    } catch (const MapperError& error) {
        FUZZ_REQUIRE(isReadableMessage(error.what(), 800), "a refusal is a readable line");
        return 0;
    }
    drawfield::SampledField field = readDrawdownGrid(grid);
    FUZZ_REQUIRE(field.columns >= 2 && field.rows >= 2, "a grid has an extent");
    FUZZ_REQUIRE(std::isfinite(field.deepest) && field.deepest >= 0.0, "drawdowns are finite");
    return 0;
}
