// Reading a scenario's texts: any texts give warnings and refusals as readable lines, an accepted
// scenario has inputs the engine can take, and a small accepted map computes to finite drawdowns.

#include "compute/scenario.h"
#include "compute/drawdown_engine.h"
#include "compute/record_file.h"
#include "fuzz_support.h"

#include <cmath>

using namespace drawfield;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The fields, separated by the byte 0x1f, in the order of the window: the map, the aquifer
    // (with the method and the unconfined correction), then X, Y and rate of each bore.
    ScenarioTexts texts = ScenarioTexts::example();
    std::string* fields[] = { &texts.xMin, &texts.yMin, &texts.xMax, &texts.cellSize,
        &texts.transmissivity, &texts.storage, &texts.pumpTime, &texts.thickness, &texts.method,
        &texts.unconfined, &texts.wells[0].x, &texts.wells[0].y, &texts.wells[0].rate,
        &texts.wells[1].x, &texts.wells[1].y, &texts.wells[1].rate, &texts.wells[2].x,
        &texts.wells[2].y, &texts.wells[2].rate, &texts.wells[3].x, &texts.wells[3].y,
        &texts.wells[3].rate, &texts.wells[4].x, &texts.wells[4].y, &texts.wells[4].rate };
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (std::string* field : fields) {
        if (rest.empty())
            break;
        std::size_t end = rest.find('\x1f');
        *field = std::string(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }

    ScenarioReading reading = readScenario(texts);
    for (const auto* list : { &reading.warnings, &reading.refusals })
        for (const std::string& message : *list)
            FUZZ_REQUIRE(isReadableMessage(message, 400), "messages are short readable lines");
    if (!reading.accepted())
        return 0;

    const ScenarioInputs& in = reading.inputs;
    FUZZ_REQUIRE(in.XMin <= in.XMax && in.YMin <= in.YMax && in.Step >= 1, "a map to compute");
    FUZZ_REQUIRE(in.Transmissivity > 0 && in.Storage > 0 && in.PumpTime > 0, "a physical aquifer");
    FUZZ_REQUIRE(std::isfinite(in.Transmissivity) && std::isfinite(in.Storage)
            && std::isfinite(in.PumpTime) && std::isfinite(in.Thickness),
        "finite aquifer values");
    FUZZ_REQUIRE(in.Wells[0].Rate > 0, "the first bore pumps");
    FUZZ_REQUIRE(!in.Unconfined || in.Thickness > 0, "the correction has a thickness");
    for (const WellInput& well : in.Wells)
        FUZZ_REQUIRE(well.Rate >= 0 && std::isfinite(well.Rate), "rates are finite, not negative");

    const long long columns = (in.XMax - in.XMin) / in.Step + 1;
    const long long rows = (in.YMax - in.YMin) / in.Step + 1;
    if (columns * rows > 4096 || (in.XMax - in.XMin) > 20000 || (in.YMax - in.YMin) > 20000)
        return 0;
    EngineOptions options;
    options.threads = 1;
    std::optional<DrawdownResult> result = computeDrawdown(in, options);
    FUZZ_REQUIRE(result.has_value(), "an accepted scenario computes");
    const DrawdownGrid& grid = *result->grid;
    for (int x = grid.xMin(); x <= grid.xMax(); x += grid.nodeSpacing())
        for (int y = grid.yMin(); y <= grid.yMax(); y += grid.nodeSpacing()) {
            double value = grid.at(x, y);
            FUZZ_REQUIRE(std::isfinite(value) && value <= 0.0, "drawdowns are finite, downward");
            FUZZ_REQUIRE(!in.Unconfined || -value <= in.Thickness, "never deeper than the aquifer");
            FUZZ_REQUIRE(-value <= result->largest.drawdown, "the largest drawdown is the largest");
        }
    FUZZ_REQUIRE(std::isfinite(result->largest.drawdown), "the largest drawdown is finite");
    return 0;
}
