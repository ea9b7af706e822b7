#pragma once

// Reading one field's text as a value in SI units, with the refusal that names the field when it
// cannot be: a number, optionally followed by a unit word of the field's quantity; without one,
// in the [units] section's unit for that quantity, else in the program's own (units.h).

#include "compute/wells/well_function.h"
#include "scenario/scenario.h"
#include "scenario/units.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drawfield {

class ValueReader {
public:
    ValueReader(const UnitTexts& units, std::vector<std::string>& refusals)
        : m_units(units)
        , m_refusals(refusals)
    {
    }

    // A whole number of metres of 16 bits: the map's coordinates and cell size, a bore's place.
    // In another unit the value must still come to whole metres (the map's nodes lie on them).
    [[nodiscard]] std::optional<std::int16_t> metres(
        const std::string& text, const std::string& field);
    // The value of one of the classic fields (transmissivity, storage, pumping time, thickness,
    // rate): a number by their lenient rules (numberOfText), or a strict one followed by a unit.
    [[nodiscard]] std::optional<double> classic(
        const std::string& text, const std::string& field, Quantity quantity);
    // A strict number (the whole text, or the text before its unit word), in SI; with
    // lowSI..highSI given, refused outside it, the range said in shownUnit (perShownUnit SI each).
    [[nodiscard]] std::optional<double> number(
        const std::string& text, const std::string& field, Quantity quantity);
    struct Range {
        double low, high; // in the unit shown
        std::string_view shownUnit;
        double perShownUnit = 1.0;
    };
    [[nodiscard]] std::optional<double> numberWithin(
        const std::string& text, const std::string& field, Quantity quantity, const Range& range);

    // The factor a number without a unit word is read with; empty when [units] names none for the
    // quantity and the program's own factor applies.
    [[nodiscard]] std::optional<UnitFactor> chosenFactor(Quantity quantity) const;
    [[nodiscard]] const UnitTexts& units() const { return m_units; }

private:
    // The factor for a text's unit word, or for a number without one; empty (with a refusal) when
    // the word is not one of the quantity.
    [[nodiscard]] std::optional<UnitFactor> factorOf(
        const NumberAndUnit& split, const std::string& field, Quantity quantity);

    const UnitTexts& m_units;
    std::vector<std::string>& m_refusals;
};

// For a coordinate out of the map's range that looks like a site's (six digits and more): a
// sentence saying where site coordinates go; else empty.
[[nodiscard]] std::string siteCoordinateHint(const std::string& text);

// A strict number without a unit (an easting in the CRS's own units), or a refusal naming it.
[[nodiscard]] std::optional<double> plainNumber(
    const std::string& text, const std::string& field, std::vector<std::string>& refusals);

// The values of the chosen well function's parameters of one scope, from their texts, in SI
// units, indexed as its table (other scopes' places hold 0): each read as a number within its
// range, its fallback where its text is empty, refused where it has none. `where` names the
// section in refusals ("Bore 2, ").
[[nodiscard]] std::vector<double> parameterValues(const WellFunction& row, ParameterScope scope,
    const ParameterTexts& texts, const std::string& where, ValueReader& reader,
    std::vector<std::string>& refusals);

// The methods whose functions read a point's screen ("partial-penetration, neuman").
[[nodiscard]] std::string screenReaders();

} // namespace drawfield
