#include "scenario/unit_conversion.h"

#include "files/number_text.h"
#include "scenario/scenario_keys.h"
#include "scenario/text_rules.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace drawfield {
namespace {

    std::string significant(double value, int digits)
    {
        char text[40];
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        return text;
    }

    // The shortest text of 15 significant digits or more that converts back to the very number
    // it came from: 259.2, not 259.20000000000002; 3.280839895013123 ft, so that 1 m comes back
    // as 1, not 0.999999999999999, however often the units change.
    std::string numberText(
        double value, double original, const UnitFactor& from, const UnitFactor& to)
    {
        for (int digits = 15; digits < 17; ++digits) {
            const std::string text = significant(value, digits);
            if (from.fromSI(to.toSI(std::strtod(text.c_str(), nullptr))) == original)
                return text;
        }
        return significant(value, 17);
    }

    UnitFactor factorOf(const UnitTexts& units, Quantity quantity)
    {
        if (std::optional<UnitFactor> chosen = defaultUnit(units, quantity))
            return *chosen;
        return *unitFactor(usualUnit(quantity), quantity);
    }

    // "12:0, 30:3" pair by pair; empty when an entry is not time:rate.
    std::optional<std::string> convertedSchedule(
        const std::string& text, const UnitTexts& from, const UnitTexts& to)
    {
        std::string out;
        for (const std::string& entry : commaEntries(text)) {
            const std::size_t colon = entry.find(':');
            if (colon == std::string::npos)
                return std::nullopt;
            const std::optional<std::string> time = convertedValue(entry.substr(0, colon),
                Quantity::Time, factorOf(from, Quantity::Time), factorOf(to, Quantity::Time));
            const std::optional<std::string> rate = convertedValue(entry.substr(colon + 1),
                Quantity::Rate, factorOf(from, Quantity::Rate), factorOf(to, Quantity::Rate));
            if (!time || !rate)
                return std::nullopt;
            out += (out.empty() ? "" : ", ") + *time + ":" + *rate;
        }
        return out;
    }

} // namespace

std::optional<std::string> convertedValue(
    const std::string& text, Quantity quantity, const UnitFactor& from, const UnitFactor& to)
{
    if (quantity == Quantity::Ratio || !isWholeNumberText(text) || !splitUnit(text).unit.empty())
        return std::nullopt;
    const std::optional<double> number = numberOfText(text);
    if (!number)
        return std::nullopt;
    if (from == to)
        return text;
    const double value = to.fromSI(from.toSI(*number));
    if (!std::isfinite(value))
        return std::nullopt;
    return numberText(value, *number, from, to);
}

std::optional<std::string> withoutUnitWord(
    const std::string& text, Quantity quantity, const UnitFactor& to)
{
    const NumberAndUnit split = splitUnit(text);
    if (split.unit.empty())
        return std::nullopt;
    const std::optional<UnitFactor> from = unitFactor(split.unit, quantity);
    const std::optional<double> number = numberOfText(split.number);
    if (!from || !number)
        return std::nullopt;
    const double value = to.fromSI(from->toSI(*number));
    if (!std::isfinite(value))
        return std::nullopt;
    return numberText(value, *number, *from, to);
}

ScenarioTexts convertedTexts(const ScenarioTexts& texts, const UnitTexts& to)
{
    ScenarioTexts out = texts;
    const UnitTexts& from = texts.units;
    forEachKey(out, [&](const std::string& section, std::string_view key, std::string& text) {
        if (section == "units")
            return;
        if (key == "schedule") {
            if (std::optional<std::string> schedule = convertedSchedule(text, from, to))
                text = *schedule;
            return;
        }
        const std::optional<Quantity> quantity = quantityOfKey(section, key);
        if (!quantity)
            return;
        if (std::optional<std::string> value
            = convertedValue(text, *quantity, factorOf(from, *quantity), factorOf(to, *quantity)))
            text = *value;
    });
    dropEmptyParameters(out);
    out.units = to;
    return out;
}

const std::array<UnitPreset, 3>& unitPresets()
{
    static const std::array<UnitPreset, 3> presets { {
        { "as specified", {} },
        { "metric field", { "m", "m2/d", "fraction", "d", "m3/d" } },
        { "US", { "ft", "ft2/d", "fraction", "d", "gpm" } },
    } };
    return presets;
}

} // namespace drawfield
