// Reading a scenario's texts: any texts give warnings and refusals as readable lines, an accepted
// scenario has inputs the engine can take, and a small accepted map computes to finite drawdowns.

#include "scenario/scenario.h"
#include "compute/engine/drawdown_engine.h"
#include "compute/observations.h"
#include "files/record_file.h"
#include "fuzz_support.h"
#include "scenario/fit_record.h"
#include "scenario/scenario_keys.h"
#include "scenario/text_rules.h"
#include "scenario/units.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

using namespace drawfield;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The texts of every key, separated by the byte 0x1f, in the order of the scenario's key
    // table (forEachKey): every section a scenario has, the well functions' parameters and the
    // measured files included. Keys the input does not reach keep the example's texts.
    ScenarioTexts texts = ScenarioTexts::example();
    std::vector<std::string*> fields;
    forEachKey(texts,
        [&](const std::string&, std::string_view, std::string& text) { fields.push_back(&text); });
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (std::string* field : fields) {
        if (rest.empty())
            break;
        std::size_t end = rest.find('\x1f');
        *field = std::string(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }

    dropEmptyParameters(texts);
    ScenarioReading reading = readScenario(texts);
    for (const auto* list : { &reading.warnings, &reading.refusals })
        for (const std::string& message : *list)
            FUZZ_REQUIRE(isReadableMessage(message, 400), "messages are short readable lines");
    if (!reading.accepted())
        return 0;

    const ScenarioInputs& in = reading.inputs;
    // A fit's record reads back to the bit from the text it would be written as.
    for (const ScenarioInputs::RecordedInterval& interval : in.FitIntervals)
        FUZZ_REQUIRE(interval.Low <= interval.Value && interval.Value <= interval.High,
            "a recorded interval holds its value");
    const auto again = intervalsOfText(intervalsText(in.FitIntervals));
    FUZZ_REQUIRE(again.size() == in.FitIntervals.size()
            && std::equal(again.begin(), again.end(), in.FitIntervals.begin(),
                [](const auto& a, const auto& b) {
                    return a.Symbol == b.Symbol && a.Value == b.Value && a.Low == b.Low
                        && a.High == b.High;
                }),
        "a fit's record reads back as written");
    // A value with a unit word reads as its number in that unit, whatever [units] says.
    for (auto [text, quantity, value] :
        { std::tuple { &texts.transmissivity, Quantity::Transmissivity, in.Transmissivity },
            { &texts.pumpTime, Quantity::Time, in.PumpTimeSeconds },
            { &texts.storage, Quantity::Storage, in.Storage } }) {
        const NumberAndUnit split = splitUnit(*text);
        if (!split.unit.empty())
            FUZZ_REQUIRE(
                value == unitFactor(split.unit, quantity)->toSI(*numberOfText(split.number)),
                "a value reads in the unit written after it");
    }
    FUZZ_REQUIRE(in.XMin <= in.XMax && in.YMin <= in.YMax && in.Step >= 1, "a map to compute");
    FUZZ_REQUIRE(
        in.Transmissivity > 0 && in.Storage > 0 && in.PumpTimeSeconds > 0, "a physical aquifer");
    FUZZ_REQUIRE(std::isfinite(in.Transmissivity) && std::isfinite(in.Storage)
            && std::isfinite(in.PumpTimeSeconds) && std::isfinite(in.Thickness),
        "finite aquifer values");
    FUZZ_REQUIRE(in.pumps(0), "the first bore pumps, from the start or later");
    FUZZ_REQUIRE(!in.Unconfined || in.Thickness > 0, "the correction has a thickness");
    for (const WellInput& well : in.Wells)
        FUZZ_REQUIRE(well.Rate >= 0 && std::isfinite(well.Rate), "rates are finite, not negative");
    for (const auto& schedule : in.Schedules)
        for (std::size_t k = 0; k < schedule.size(); ++k) {
            FUZZ_REQUIRE(schedule[k].Rate >= 0 && std::isfinite(schedule[k].Rate),
                "scheduled rates are finite, not negative");
            FUZZ_REQUIRE(k == 0 ? schedule[k].StartSeconds >= 0.0
                                : schedule[k].StartSeconds > schedule[k - 1].StartSeconds,
                "schedule hours increase from 0 on");
        }
    FUZZ_REQUIRE(in.Boundaries.size() <= 2, "at most two boundaries");
    for (int bore = 0; bore < in.boreCount(); ++bore)
        FUZZ_REQUIRE(!in.pumps(bore)
                || isInAquifer(in, in.Wells[static_cast<std::size_t>(bore)].X,
                    in.Wells[static_cast<std::size_t>(bore)].Y),
            "every pumping bore lies in the aquifer");

    const long long columns = (in.XMax - in.XMin) / in.Step + 1;
    const long long rows = (in.YMax - in.YMin) / in.Step + 1;
    // The grid holds a value per metre whatever the spacing: 4000 m a side is 128 MB.
    if (columns * rows > 4096 || (in.XMax - in.XMin) > 4000 || (in.YMax - in.YMin) > 4000)
        return 0;
    EngineOptions options;
    options.threads = 1;
    std::optional<DrawdownResult> result = computeDrawdown(in, options);
    FUZZ_REQUIRE(result.has_value(), "an accepted scenario computes");
    const DrawdownGrid& grid = *result->grid;
    for (int x = grid.xMin(); x <= grid.xMax(); x += grid.nodeSpacing())
        for (int y = grid.yMin(); y <= grid.yMax(); y += grid.nodeSpacing()) {
            double value = grid.at(x, y);
            if (!isInAquifer(in, x, y)) {
                FUZZ_REQUIRE(std::isnan(value), "no drawdown beyond a boundary");
                continue;
            }
            FUZZ_REQUIRE(std::isfinite(value), "drawdowns in the aquifer are finite");
            FUZZ_REQUIRE(value <= 0.0, "drawdowns are downward");
            FUZZ_REQUIRE(!in.Unconfined || -value <= in.Thickness, "never deeper than the aquifer");
            FUZZ_REQUIRE(-value <= result->largest.drawdown, "the largest drawdown is the largest");
        }
    FUZZ_REQUIRE(std::isfinite(result->largest.drawdown), "the largest drawdown is finite");

    const ObservationCurves curves = observationCurves(in);
    FUZZ_REQUIRE(std::is_sorted(curves.seconds.begin(), curves.seconds.end())
            && !curves.seconds.empty() && curves.seconds.back() == in.PumpTimeSeconds,
        "the curves' times ascend to the map's time");
    FUZZ_REQUIRE(curves.seconds.size() <= MostCurveTimes,
        "the curves' times stay bounded, however long the schedules and the pumping time");
    for (std::size_t point = 0; point < curves.drawdowns.size(); ++point) {
        const ObservationPoint& at = in.Observations[point];
        // On a bore the value depends on whether it pumps at the time; elsewhere it does not.
        if (std::any_of(in.Wells.begin(), in.Wells.end(),
                [&](const WellInput& well) { return well.X == at.X && well.Y == at.Y; })) {
            for (std::size_t t = 0; t < curves.seconds.size(); ++t)
                for (int bore = 0; bore < in.boreCount(); ++bore) {
                    const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
                    if (well.X == at.X && well.Y == at.Y && isInAquifer(in, at.X, at.Y)
                        && in.rateAt(bore, curves.seconds[t]) > 0.0)
                        FUZZ_REQUIRE(std::isnan(curves.drawdowns[point][t]),
                            "no finite value on a bore while it pumps");
                }
            continue;
        }
        for (double value : curves.drawdowns[point]) {
            FUZZ_REQUIRE(std::isfinite(value) == isInAquifer(in, at.X, at.Y),
                "a curve has a value exactly where the point lies in the aquifer");
            FUZZ_REQUIRE(!(value < 0.0), "a curve never rises above the rest level");
        }
    }
    if (in.ProfileLine)
        for (const ProfilePoint& point : profileAlong(in, 11))
            FUZZ_REQUIRE(std::isfinite(point.distanceMetres), "profile distances are finite");

    return 0;
}
