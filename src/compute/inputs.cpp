#include "compute/inputs.h"

#include "compute/ascii_case.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <utility>

namespace drawfield {

std::string durationText(double seconds, const ResultUnits& units)
{
    auto text = [](double value, const char* word) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.4g %s", value, word);
        return std::string(buffer);
    };
    if (units.chosen)
        return text(units.time.of(seconds), units.time.word.c_str());
    constexpr double Year = 365.25 * 86400.0;
    // Days from two of them on, as hours up to a day and a half read best in hours.
    const std::tuple<double, double, const char*> whole[] = { { Year, 1.0, "year" },
        { 86400.0, 2.0, "d" }, { 3600.0, 1.0, "h" }, { 60.0, 1.0, "min" } };
    for (const auto& [unit, least, word] : whole) {
        const double count = seconds / unit;
        if (count >= least && count == std::round(count) && count < 1e6)
            return text(count, count > 1.0 && unit == Year ? "years" : word);
    }
    return text(seconds / 3600.0, "h");
}

namespace {
    const std::vector<RateChange>& scheduleOf(const ScenarioInputs& inputs, std::size_t bore)
    {
        static const std::vector<RateChange> none;
        return bore < inputs.Schedules.size() ? inputs.Schedules[bore] : none;
    }
} // namespace

bool ScenarioInputs::pumps(int bore) const
{
    const auto index = static_cast<std::size_t>(bore);
    const std::vector<RateChange>& schedule = scheduleOf(*this, index);
    return Wells[index].Rate > 0.0
        || std::any_of(schedule.begin(), schedule.end(),
            [](const RateChange& change) { return change.Rate > 0.0; });
}

double rateOfSchedule(double tableRate, const std::vector<RateChange>& changes, double timeSeconds)
{
    double rate = tableRate;
    for (const RateChange& change : changes)
        if (change.StartSeconds < timeSeconds || change.StartSeconds == 0.0)
            rate = change.Rate;
    return rate;
}

double ScenarioInputs::rateAt(int bore, double timeSeconds) const
{
    const auto index = static_cast<std::size_t>(bore);
    return rateOfSchedule(Wells[index].Rate, scheduleOf(*this, index), timeSeconds);
}

int aquiferSide(const ScenarioInputs& inputs, const Boundary& boundary)
{
    return boundary.line().side(inputs.Wells[0].X, inputs.Wells[0].Y);
}

bool isInAquifer(const std::vector<Boundary>& boundaries, Point inside, double x, double y)
{
    for (const Boundary& boundary : boundaries) {
        const StraightLine line = boundary.line();
        const int side = line.side(x, y);
        if (side != 0 && side != line.side(inside.X, inside.Y))
            return false;
    }
    return true;
}

bool isInAquifer(const ScenarioInputs& inputs, double x, double y)
{
    return isInAquifer(
        inputs.Boundaries, { double(inputs.Wells[0].X), double(inputs.Wells[0].Y) }, x, y);
}

const char* boundaryKindText(BoundaryKind kind)
{
    return kind == BoundaryKind::Barrier ? "barrier" : "recharge";
}

const char* boundaryKindLabel(BoundaryKind kind)
{
    return kind == BoundaryKind::Barrier ? "Barrier" : "Recharge";
}

const char* boundaryKindMeaning(BoundaryKind kind)
{
    return kind == BoundaryKind::Barrier ? "no flow" : "constant head";
}

std::optional<BoundaryKind> boundaryKindOfText(std::string_view text)
{
    const std::string name = asciiLowerCase(text);
    if (name == "barrier")
        return BoundaryKind::Barrier;
    if (name == "recharge")
        return BoundaryKind::Recharge;
    return std::nullopt;
}

Aquifer ScenarioInputs::aquifer() const
{
    return { Transmissivity, Storage, Thickness, &wellFunctionRow(Method), Unconfined,
        AquiferValues };
}

Aquifer ScenarioInputs::mapAquifer() const
{
    Aquifer seen = aquifer();
    const std::span<const WellParameter> parameters = seen.function->parameters;
    for (std::size_t i = 0; i < parameters.size() && i < MapValues.size(); ++i)
        if (parameters[i].scope == ParameterScope::Observation && i < seen.values.size())
            seen.values[i] = MapValues[i];
    return seen;
}

} // namespace drawfield
