#pragma once

// The units a value may be written in: a number, optionally followed by a unit word
// ("450 m2/d", "176 gpm", "30 d", "65 ft"), and the [units] section that says what a number
// without one is in. Words are read by UDUNITS-2 (the units library of netCDF and the GIS world),
// with a short table of field words it lacks or reads otherwise (gpm, gpd/ft, cfs, gal, year).
// Every unit is checked against the quantity of the value it comes with.

#include "compute/units.h"
#include "compute/wells/well_function.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace drawfield {

// The [units] section as typed: a unit word per quantity, empty for the program's own.
struct UnitTexts {
    std::string length; // coordinates, cell size, thickness, radii, leakage factor
    std::string transmissivity;
    std::string storage; // % or fraction, for every storage coefficient
    std::string time; // pumping time, schedule times
    std::string rate; // pumping rates, schedule rates
    [[nodiscard]] bool isEmpty() const
    {
        return length.empty() && transmissivity.empty() && storage.empty() && time.empty()
            && rate.empty();
    }
    bool operator==(const UnitTexts&) const = default;
};

// The quantities [units] names a unit for, in its keys' order.
inline constexpr std::array<Quantity, 5> UnitQuantities { Quantity::Length,
    Quantity::Transmissivity, Quantity::Storage, Quantity::Time, Quantity::Rate };

// The unit a number without a word is in when [units] does not name one: m, m2/s, %, h, m3/h
// ("" for a ratio).
[[nodiscard]] std::string_view usualUnit(Quantity quantity);
// "length", "transmissivity", ...: the quantity as [units] and messages name it.
[[nodiscard]] std::string_view quantityName(Quantity quantity);
// The units a value of the quantity takes, as a refusal lists them: "m2/s, m2/d, ...".
[[nodiscard]] std::string_view unitsTaken(Quantity quantity);

// The factor of a unit word for a quantity; empty when the word names no unit, or one of another
// quantity ("m2" for a transmissivity, "m" for a time). A ratio takes no unit.
[[nodiscard]] std::optional<UnitFactor> unitFactor(std::string_view word, Quantity quantity);

// A value's text split into its number and its unit word: "450 m2/d" gives "450" and "m2/d",
// "2e-4" gives "2e-4" and "". The word begins at the first letter, "%" or non-ASCII byte that is
// not an exponent's E. "abc" (no digit before it) and "&H1F" have no unit word and are read by the
// number rules as they always were; "12,5 m" has one after no whole number (numberWhole false),
// which unitProblem refuses.
struct NumberAndUnit {
    std::string number;
    std::string unit;
    bool separated = false; // a blank stands between them ("7 S" rather than "7S")
    bool numberWhole = true; // false for "1,5 m3/d": a unit after no whole number, refused
};
[[nodiscard]] NumberAndUnit splitUnit(std::string_view text);

// The unit a number without a word is in: the [units] word for its quantity, else the usual one.
// Empty when that [units] word is not one of the quantity (unitProblem says why).
[[nodiscard]] std::optional<UnitFactor> defaultUnit(const UnitTexts& units, Quantity quantity);
[[nodiscard]] std::string_view defaultUnitWord(const UnitTexts& units, Quantity quantity);
[[nodiscard]] const std::string& unitText(const UnitTexts& units, Quantity quantity);
// The units results are written in: each [units] word that is one of its quantity.
[[nodiscard]] ResultUnits resultUnits(const UnitTexts& units);
// The unit results of a quantity are written in; null for a ratio.
[[nodiscard]] const ShownUnit* resultUnitOf(const ResultUnits& units, Quantity quantity);
[[nodiscard]] ShownUnit* resultUnitOf(ResultUnits& units, Quantity quantity);

// Why a value's unit word cannot be taken for the quantity, as a sentence naming the word and the
// units taken; empty when it can (or the text has none). `what` names the value ("transmissivity").
[[nodiscard]] std::string unitProblem(
    std::string_view text, Quantity quantity, std::string_view what);

} // namespace drawfield
