// Plot documents: any JSON is a document or a refusal, and a document survives being saved and
// read again unchanged.

#include "fuzz_support.h"
#include "mapper/gridding.h"
#include "mapper/plot.h"

#include <QJsonDocument>

using namespace drawfield::mapper;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QJsonDocument json = QJsonDocument::fromJson(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!json.isObject())
        return 0;
    PlotDocument document;
    try {
        document = PlotDocument::fromJson(json.object());
    } catch (const MapperError& error) {
        FUZZ_REQUIRE(isReadableMessage(error.what(), 400), "a refusal is a readable line");
        return 0;
    }
    const QJsonObject saved = document.toJson();
    FUZZ_REQUIRE(PlotDocument::fromJson(saved).toJson() == saved, "saved and read, the same");
    return 0;
}
