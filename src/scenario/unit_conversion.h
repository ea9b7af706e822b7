#pragma once

// A scenario's texts rewritten for other units: what the window does when a unit is chosen, so
// that every value keeps its quantity (0.003 m2/s becomes 259.2 m2/d) and the map stays as it was.

#include "scenario/scenario.h"

#include <array>
#include <optional>
#include <string>

namespace drawfield {

// The texts with each number without a unit word rewritten from the units texts.units names into
// those `to` names (15 significant digits), schedules pair by pair; a value with its own word, or
// a text that is no whole number ("12,5", ""), stays as typed. The result's units are `to`.
[[nodiscard]] ScenarioTexts convertedTexts(const ScenarioTexts& texts, const UnitTexts& to);

// One value's text in another unit of its quantity, as above; empty where it stays as typed.
[[nodiscard]] std::optional<std::string> convertedValue(
    const std::string& text, Quantity quantity, const UnitFactor& from, const UnitFactor& to);

// A text with a unit word, as a number in the unit `to` of its quantity ("450 m2/d" in m2/s:
// "0.00520833333333333"); empty when it has no word or the word is not of the quantity.
[[nodiscard]] std::optional<std::string> withoutUnitWord(
    const std::string& text, Quantity quantity, const UnitFactor& to);

// The three sets of units the window offers.
struct UnitPreset {
    const char* name;
    UnitTexts units;
};
[[nodiscard]] const std::array<UnitPreset, 3>& unitPresets();

} // namespace drawfield
