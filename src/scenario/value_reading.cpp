#include "scenario/value_reading.h"

#include "files/number_text.h"
#include "files/user_text.h"
#include "scenario/text_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace drawfield {
namespace {

    std::string plain(double bound)
    {
        char digits[32];
        auto end = std::to_chars(digits, digits + sizeof digits, bound, std::chars_format::fixed);
        return std::string(digits, end.ptr);
    }

    std::string notANumber(const std::string& field, const std::string& text)
    {
        return field + " must be a number such as 75.5 or -1.5E3; " + quotedExcerpt(text)
            + " is not one.";
    }

} // namespace

std::optional<UnitFactor> ValueReader::chosenFactor(Quantity quantity) const
{
    if (unitText(m_units, quantity).empty())
        return std::nullopt;
    return defaultUnit(m_units, quantity);
}

std::optional<UnitFactor> ValueReader::factorOf(
    const NumberAndUnit& split, const std::string& field, Quantity quantity)
{
    if (split.unit.empty()) {
        if (std::optional<UnitFactor> chosen = chosenFactor(quantity))
            return chosen;
        if (!unitText(m_units, quantity).empty())
            return std::nullopt; // the [units] word is refused where it stands
        return unitFactor(usualUnit(quantity), quantity).value_or(UnitFactor {});
    }
    std::string problem = unitProblem(split.number + " " + split.unit, quantity, field);
    if (!problem.empty()) {
        m_refusals.push_back(std::move(problem));
        return std::nullopt;
    }
    return unitFactor(split.unit, quantity);
}

std::optional<std::int16_t> ValueReader::metres(const std::string& text, const std::string& field)
{
    const NumberAndUnit split = splitUnit(text);
    const std::string outside = field + " must be a whole number of metres from -32768 to 32767; "
        + quotedExcerpt(text) + " is outside that range." + siteCoordinateHint(text);
    if (split.unit.empty() && m_units.length.empty()) {
        std::optional<std::int16_t> value = integerOfText(text);
        if (!value)
            m_refusals.push_back(outside);
        return value;
    }
    const std::optional<UnitFactor> factor = factorOf(split, field, Quantity::Length);
    if (!factor)
        return std::nullopt;
    if (*factor == UnitFactor {}) { // metres, as without a unit
        std::optional<std::int16_t> value = integerOfText(split.number);
        if (!value)
            m_refusals.push_back(outside);
        return value;
    }
    const std::optional<double> number = numberOfText(split.number);
    const double metres = number ? factor->toSI(*number) : HUGE_VAL;
    const double whole = roundHalfEven(metres);
    if (!(std::fabs(whole) <= 32767.0)) {
        m_refusals.push_back(outside);
        return std::nullopt;
    }
    if (std::fabs(metres - whole) > 1e-6 * std::max(1.0, std::fabs(whole))) {
        m_refusals.push_back(field + " " + quotedExcerpt(text) + " is " + significantText(metres, 6)
            + " m; the map's nodes lie on whole metres: give it as a whole number of metres "
              "(such as "
            + plain(whole) + " m).");
        return std::nullopt;
    }
    return static_cast<std::int16_t>(whole);
}

std::optional<double> ValueReader::classic(
    const std::string& text, const std::string& field, Quantity quantity)
{
    const NumberAndUnit split = splitUnit(text);
    const std::optional<UnitFactor> factor = factorOf(split, field, quantity);
    if (!factor)
        return std::nullopt;
    std::optional<double> value = numberOfText(split.unit.empty() ? text : split.number);
    if (!value || !std::isfinite(factor->toSI(*value))) {
        m_refusals.push_back(
            field + " " + quotedExcerpt(text) + " is too large a number to compute with.");
        return std::nullopt;
    }
    return factor->toSI(*value);
}

std::optional<double> ValueReader::number(
    const std::string& text, const std::string& field, Quantity quantity)
{
    const NumberAndUnit split = splitUnit(text);
    // "7S.5": a number with a stray letter rather than a unit.
    const bool strayLetters
        = !split.unit.empty() && !split.separated && !unitFactor(split.unit, quantity);
    if ((split.unit.empty() && !isWholeNumberText(text)) || strayLetters) {
        m_refusals.push_back(notANumber(field, text));
        return std::nullopt;
    }
    const std::optional<UnitFactor> factor = factorOf(split, field, quantity);
    if (!factor)
        return std::nullopt;
    std::optional<double> value = numberOfText(split.number);
    if (!value || !std::isfinite(factor->toSI(*value))) {
        m_refusals.push_back(
            field + " " + quotedExcerpt(text) + " is too large a number to compute with.");
        return std::nullopt;
    }
    return factor->toSI(*value);
}

std::optional<double> ValueReader::numberWithin(
    const std::string& text, const std::string& field, Quantity quantity, const Range& range)
{
    const bool asShown = splitUnit(text).unit.empty() && unitText(m_units, quantity).empty();
    std::optional<double> value = number(text, field, quantity);
    if (!value)
        return std::nullopt;
    // In the unit shown the value is the number typed, as it always was.
    const double shown = asShown ? *numberOfText(text) : *value / range.perShownUnit;
    if (!(shown >= range.low && shown <= range.high)) {
        m_refusals.push_back(field + " must lie from " + plain(range.low) + " to "
            + plain(range.high) + " " + std::string(range.shownUnit) + "; " + quotedExcerpt(text)
            + " does not.");
        return std::nullopt;
    }
    return asShown ? shown * range.perShownUnit : *value;
}

std::string siteCoordinateHint(const std::string& text)
{
    const std::optional<double> value = numberOfText(splitUnit(text).number);
    if (!value || !(std::fabs(*value) >= 100000.0))
        return {};
    return " A site's easting or northing? Write [map] coordinates = crs, or place the local "
           "map's point (0, 0) with [georeference].";
}

std::optional<double> plainNumber(
    const std::string& text, const std::string& field, std::vector<std::string>& refusals)
{
    if (!isWholeNumberText(text)) {
        refusals.push_back(notANumber(field, text));
        return std::nullopt;
    }
    std::optional<double> value = numberOfText(text);
    if (!value)
        refusals.push_back(
            field + " " + quotedExcerpt(text) + " is too large a number to compute with.");
    return value;
}

// The values of the chosen well function's parameters of one scope, from their texts, in SI
// units, indexed as its table (other scopes' places hold 0): each read as a whole number
// within its range, its fallback where its text is empty, refused where it has none.
// `where` names the section in refusals ("Bore 2, ").
std::vector<double> parameterValues(const WellFunction& row, ParameterScope scope,
    const ParameterTexts& texts, const std::string& where, ValueReader& reader,
    std::vector<std::string>& refusals)
{
    std::vector<double> values(row.parameters.size(), 0.0);
    for (std::size_t i = 0; i < row.parameters.size(); ++i) {
        const WellParameter& parameter = row.parameters[i];
        if (parameter.scope != scope)
            continue;
        const auto text = texts.find(parameter.key);
        const std::string field = where + std::string(parameter.label);
        if (text == texts.end() || text->second.empty()) {
            if (parameter.fallback)
                values[i] = *parameter.fallback * parameter.perShownUnit;
            else
                refusals.push_back(
                    field + " must be given for " + row.label + ": " + std::string(parameter.help));
            continue;
        }
        values[i]
            = reader
                  .numberWithin(text->second, field, parameter.quantity,
                      { parameter.low, parameter.high, parameter.unit, parameter.perShownUnit })
                  .value_or(0.0);
    }
    return values;
}

std::string screenReaders()
{
    std::string owners;
    for (const WellFunction& row : wellFunctions())
        if (std::any_of(row.parameters.begin(), row.parameters.end(),
                [](const WellParameter& p) { return p.scope == ParameterScope::Observation; }))
            owners += std::string(owners.empty() ? "" : ", ") + row.text;
    return owners;
}

} // namespace drawfield
