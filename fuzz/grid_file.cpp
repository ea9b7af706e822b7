// Grid files given to the mapper: read into a bounded, finite field, or refused with a reason;
// never an allocation the file cannot justify.

#include "fuzz_support.h"
#include "mapper/gridding.h"

#include <cpl_vsi.h>

#include <cmath>

using namespace drawfield::mapper;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* path = "/vsimem/fuzz.grd";
    VSILFILE* file = VSIFileFromMemBuffer(
        path, const_cast<GByte*>(reinterpret_cast<const GByte*>(data)), size, FALSE);
    VSIFCloseL(file);
    try {
        drawfield::SampledField field = readDrawdownGrid(QString::fromLatin1(path));
        FUZZ_REQUIRE(
            field.columns >= 1 && field.columns <= 1000 && field.rows >= 1 && field.rows <= 1000,
            "a field is bounded");
        FUZZ_REQUIRE(field.drawdowns.size()
                == static_cast<std::size_t>(field.columns) * static_cast<std::size_t>(field.rows),
            "a value per node");
        for (double drawdown : field.drawdowns)
            FUZZ_REQUIRE(std::isfinite(drawdown) && drawdown >= 0.0, "drawdowns are finite");
        FUZZ_REQUIRE(field.shallowest <= field.deepest, "extremes are ordered");
    } catch (const MapperError& error) {
        FUZZ_REQUIRE(isReadableMessage(error.what(), 800), "a refusal is a readable line");
    }
    VSIUnlink(path);
    return 0;
}
