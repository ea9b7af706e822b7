#include "scenario/plausibility.h"

#include "files/number_text.h"
#include "scenario/text_rules.h"

namespace drawfield {
namespace {

    // A number as typed, without the blanks its rules ignore; a text that is not wholly one
    // (its number read by the lenient rules) as the number it reads as.
    std::string readable(const std::string& text)
    {
        std::string packed;
        for (char c : text)
            if (c != ' ' && c != '\t' && c != '\n')
                packed.push_back(c);
        if (isWholeNumberText(packed))
            return packed;
        return plainSignificantText(numberOfText(text).value_or(0.0), 15);
    }

    // One value's text and what it reads as in another unit.
    class Typed {
    public:
        Typed(const std::string& text, const UnitTexts& units, Quantity quantity)
            : m_quantity(quantity)
            , m_shown(defaultUnitWord(units, quantity))
        {
            const NumberAndUnit split = splitUnit(text);
            m_number = readable(split.unit.empty() ? text : split.number);
            m_unit = split.unit.empty() ? std::string(m_shown) : split.unit;
        }
        // "450 m2/s": the value as typed, with the unit it was read in.
        [[nodiscard]] std::string asTyped() const { return m_number + " " + m_unit; }
        [[nodiscard]] bool typedIn(std::string_view word) const
        {
            return unitFactor(m_unit, m_quantity) == unitFactor(word, m_quantity);
        }
        // "; 450 m2/d would be 0.0052 m2/s": the number read in the first of the words that
        // makes it a value aquifers have (low..high, SI), in the field's unit. Empty where none
        // does but the unit it was read in.
        [[nodiscard]] std::string otherwise(
            std::initializer_list<std::string_view> words, double low, double high) const
        {
            for (std::string_view word : words) {
                const std::optional<UnitFactor> other = unitFactor(word, m_quantity);
                const std::optional<double> number = numberOfText(m_number);
                if (other && number && !typedIn(word) && other->toSI(*number) >= low
                    && other->toSI(*number) <= high)
                    return otherwise(word);
            }
            return {};
        }

    private:
        [[nodiscard]] std::string otherwise(std::string_view word) const
        {
            const std::optional<UnitFactor> other = unitFactor(word, m_quantity);
            const std::optional<UnitFactor> shown = unitFactor(m_shown, m_quantity);
            const std::optional<double> number = numberOfText(m_number);
            if (!other || !shown || !number)
                return {};
            if (*other == *shown)
                return "; perhaps " + m_number + " " + std::string(word) + " was meant";
            const std::string unit = m_shown.empty() ? "" : " " + std::string(m_shown);
            return "; " + m_number + " " + std::string(word) + " would be "
                + plainSignificantText(shown->fromSI(other->toSI(*number)), 2) + unit;
        }

        Quantity m_quantity;
        std::string_view m_shown;
        std::string m_number, m_unit;
    };

} // namespace

std::vector<std::string> plausibilityWarnings(const ScenarioTexts& texts, const ScenarioInputs& in)
{
    std::vector<std::string> warnings;
    const UnitTexts& units = texts.units;

    const Typed transmissivity(texts.transmissivity, units, Quantity::Transmissivity);
    if (in.Transmissivity > MostTransmissivity)
        warnings.push_back("Transmissivity " + transmissivity.asTyped()
            + " is more than any aquifer transmits (above 1 m2/s)"
            + transmissivity.otherwise(
                { "m2/d", "gpd/ft", "m2/h", "cm2/s" }, LeastTransmissivity, MostTransmissivity)
            + ".");
    else if (in.Transmissivity < LeastTransmissivity)
        warnings.push_back("Transmissivity " + transmissivity.asTyped()
            + " is less than any aquifer transmits (below 1e-7 m2/s)"
            + transmissivity.otherwise(
                { "m2/s", "m2/h", "m2/d" }, LeastTransmissivity, MostTransmissivity)
            + ".");

    const Typed storage(texts.storage, units, Quantity::Storage);
    const bool storageUnitWritten
        = !units.storage.empty() || !splitUnit(texts.storage).unit.empty();
    if (in.Storage > MostStorage)
        warnings.push_back("Storage coefficient " + storage.asTyped()
            + " is more than any aquifer stores (above 0.35)"
            + storage.otherwise({ "%" }, LeastStorage, MostStorage) + ".");
    else if (in.Storage < LeastStorage)
        warnings.push_back("Storage coefficient " + storage.asTyped()
            + " is less than any aquifer stores (below 1e-6)"
            + storage.otherwise({ "fraction" }, LeastStorage, MostStorage) + ".");
    else if (in.Storage > MostConfinedStorage && !in.Unconfined && storageUnitWritten)
        warnings.push_back("Storage coefficient " + storage.asTyped()
            + " looks like the specific yield of an unconfined aquifer (above 0.01), but "
            + wellFunctionRow(in.Method).label + " is for a confined one.");

    for (std::size_t i = 0; i < in.Wells.size(); ++i) {
        double most = in.Wells[i].Rate;
        for (const RateChange& change : in.Schedules[i])
            most = std::max(most, change.Rate);
        if (most > MostRate) {
            const Typed rate(texts.bores[i].rate, units, Quantity::Rate);
            warnings.push_back("Bore " + std::to_string(i + 1) + ", pumping rate "
                + (in.Wells[i].Rate > MostRate ? rate.asTyped() + " is" : "its schedule is")
                + " more than a bore pumps (above 5000 m3/h)"
                + (in.Wells[i].Rate > MostRate
                        ? rate.otherwise({ "m3/d", "L/min", "gpd" }, 0.0, MostRate)
                        : "")
                + ".");
        }
    }

    if (in.PumpTimeSeconds > MostPumpingSeconds) {
        const Typed time(texts.pumpTime, units, Quantity::Time);
        warnings.push_back("Pumping time " + time.asTyped() + " is more than 50 years"
            + time.otherwise({ "min", "s", "h" }, 0.0, MostPumpingSeconds) + ".");
    }
    return warnings;
}

} // namespace drawfield
