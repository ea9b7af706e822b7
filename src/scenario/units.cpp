#include "scenario/units.h"

#include "compute/ascii_case.h"
#include "files/user_text.h"
#include "scenario/text_rules.h"

#include <udunits2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <utility>

namespace drawfield {
namespace {

    struct QuantityRow {
        Quantity quantity;
        std::string_view name, usual, taken, si;
    };
    constexpr std::array<QuantityRow, 6> Quantities { {
        { Quantity::Length, "length", "m", "m, ft, US survey foot (ftUS), cm, km", "m" },
        { Quantity::Transmissivity, "transmissivity", "m2/s",
            "m2/s, m2/d, m2/h, cm2/s, ft2/d, gpd/ft", "m2/s" },
        { Quantity::Storage, "storage", "%", "%, fraction", "1" },
        { Quantity::Time, "time", "h", "s, min, h, d, week, year", "s" },
        { Quantity::Rate, "rate", "m3/h", "m3/s, m3/h, m3/d, L/s, L/min, gpm, gpd, ft3/s (cfs)",
            "m3/s" },
        { Quantity::Ratio, "ratio", "", "no unit", "1" },
    } };

    const QuantityRow& rowOf(Quantity quantity)
    {
        for (const QuantityRow& row : Quantities)
            if (row.quantity == quantity)
                return row;
        return Quantities.back();
    }

    // Field words UDUNITS lacks or reads as something else ("gal" is its galileo, "year" its
    // tropical year), defined in its system so that they combine as its own units do ("gal/min").
    // US gallons (3.785411784 L exactly); a year of 365.25 days, as hydrogeologists' m3/year.
    void defineFieldWords(ut_system* system)
    {
        auto parse = [system](const char* text) { return ut_parse(system, text, UT_ASCII); };
        auto symbol = [system](const char* word, const ut_unit* unit) {
            ut_unmap_symbol_to_unit(system, word, UT_ASCII);
            (void)ut_map_symbol_to_unit(word, UT_ASCII, unit);
        };
        auto name = [system](const char* word, const ut_unit* unit) {
            ut_unmap_name_to_unit(system, word, UT_ASCII);
            (void)ut_map_name_to_unit(word, UT_ASCII, unit);
        };
        ut_unit* gallon = parse("3.785411784e-3 m3");
        ut_unit* year = parse("365.25 day");
        ut_unit* gpm = parse("3.785411784e-3 m3/min");
        ut_unit* gpd = parse("3.785411784e-3 m3/day");
        ut_unit* cfs = parse("ft3/s");
        ut_unit* surveyFoot = parse("US_survey_foot");
        if (gallon != nullptr)
            for (const char* word : { "gal", "gallon", "gallons", "usgal" })
                symbol(word, gallon), name(word, gallon);
        if (year != nullptr)
            for (const char* word : { "year", "years", "yr", "yrs" })
                symbol(word, year), name(word, year);
        if (gpm != nullptr)
            symbol("gpm", gpm);
        if (gpd != nullptr)
            symbol("gpd", gpd);
        if (cfs != nullptr)
            symbol("cfs", cfs);
        if (surveyFoot != nullptr)
            symbol("ftUS", surveyFoot), symbol("ftus", surveyFoot);
        for (ut_unit* unit : { gallon, year, gpm, gpd, cfs, surveyFoot })
            ut_free(unit);
    }

    // The units database, read once when a unit word is first met (a file without one never
    // reads it). UDUNITS is not thread-safe: every call goes through this lock.
    std::mutex& unitsLock()
    {
        static std::mutex lock;
        return lock;
    }
    ut_system* unitSystem()
    {
        static ut_system* system = [] {
            ut_set_error_message_handler(ut_ignore);
            ut_system* read = ut_read_xml(nullptr);
            if (read != nullptr)
                defineFieldWords(read);
            return read;
        }();
        return system;
    }

    // Phrases people write with blanks, as UDUNITS names them.
    std::string udunitsSpelling(const std::string& word)
    {
        const std::string lower = asciiLowerCase(word);
        for (std::string_view phrase :
            { "us survey foot", "us survey feet", "survey foot", "survey feet", "us ft" })
            if (lower == phrase)
                return "US_survey_foot";
        // The field words as people write them, in either case: GPM, GPD/ft, CFS.
        for (std::string_view field : { "gpm", "gpd", "gpd/ft", "cfs", "gal/min", "gal/d" })
            if (lower == field)
                return lower;
        return word;
    }

    // The factor of a word UDUNITS reads, as a ratio where it is one of the exact ratios the
    // program has always used (so that m3/h divides by 3600 as before).
    // What a unit is written with: letters, digits, blanks, / ^ . * - ( ) _ and the UTF-8 of
    // ² ³ µ. Anything else is no unit, and never reaches UDUNITS' parser.
    bool isUnitSpelling(const std::string& word)
    {
        return std::all_of(word.begin(), word.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || std::string_view(" /^.*-()_").find(c) != std::string_view::npos
                || static_cast<unsigned char>(c) >= 0x80;
        });
    }

    std::optional<UnitFactor> udunitsFactor(const std::string& word, Quantity quantity)
    {
        if (!isUnitSpelling(word))
            return std::nullopt;
        std::lock_guard<std::mutex> guard(unitsLock());
        ut_system* system = unitSystem();
        if (system == nullptr)
            return std::nullopt;
        ut_unit* unit = ut_parse(system, udunitsSpelling(word).c_str(), UT_UTF8);
        ut_unit* si = ut_parse(system, std::string(rowOf(quantity).si).c_str(), UT_ASCII);
        std::optional<UnitFactor> factor;
        if (unit != nullptr && si != nullptr && ut_are_convertible(unit, si) != 0) {
            if (cv_converter* converter = ut_get_converter(unit, si)) {
                const double one = cv_convert_double(converter, 1.0);
                // A unit with an offset (a time since a date) is no factor.
                if (cv_convert_double(converter, 0.0) == 0.0 && std::isfinite(one) && one > 0.0)
                    factor = UnitFactor { one, 1.0 };
                cv_free(converter);
            }
        }
        ut_free(unit);
        ut_free(si);
        if (!factor)
            return factor;
        for (double ratio : { 60.0, 3600.0, 86400.0, 100.0 }) {
            if (factor->times == ratio)
                return UnitFactor { ratio, 1.0 };
            if (factor->times == 1.0 / ratio)
                return UnitFactor { 1.0, ratio };
        }
        return factor;
    }

    bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::string_view usualUnit(Quantity quantity) { return rowOf(quantity).usual; }
std::string_view quantityName(Quantity quantity) { return rowOf(quantity).name; }
std::string_view unitsTaken(Quantity quantity) { return rowOf(quantity).taken; }

std::optional<UnitFactor> unitFactor(std::string_view text, Quantity quantity)
{
    const std::string word = trimmedBlanks(text);
    if (word.empty() || word.size() > 64 || quantity == Quantity::Ratio)
        return std::nullopt;
    if (quantity == Quantity::Storage) {
        const std::string lower = asciiLowerCase(word);
        if (lower == "%" || lower == "percent")
            return UnitFactor { 1.0, 100.0 };
        if (lower == "fraction" || lower == "-" || lower == "1")
            return UnitFactor {};
        return std::nullopt;
    }
    // The program's own units, exactly as they always converted.
    if (word == usualUnit(quantity))
        return quantity == Quantity::Time ? UnitFactor { 3600.0, 1.0 }
            : quantity == Quantity::Rate  ? UnitFactor { 1.0, 3600.0 }
                                          : UnitFactor {};
    return udunitsFactor(word, quantity);
}

NumberAndUnit splitUnit(std::string_view text)
{
    const std::string whole = trimmedBlanks(text);
    if (whole.size() >= 2 && whole[0] == '&')
        return { whole, {} };
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const char c = whole[i];
        const bool wordStart
            = isAsciiLetter(c) || c == '%' || static_cast<unsigned char>(c) >= 0x80;
        if (!wordStart)
            continue;
        // An exponent's E: after a digit or a point, before a digit or a signed digit.
        if ((c == 'e' || c == 'E') && i > 0 && (isDigit(whole[i - 1]) || whole[i - 1] == '.')) {
            std::size_t next = i + 1;
            if (next < whole.size() && (whole[next] == '+' || whole[next] == '-'))
                ++next;
            if (next < whole.size() && isDigit(whole[next]))
                continue;
        }
        NumberAndUnit split { trimmedBlanks(whole.substr(0, i)), trimmedBlanks(whole.substr(i)),
            i > 0 && (whole[i - 1] == ' ' || whole[i - 1] == '\t') };
        // "1,5 m3/d": a unit after what is no whole number is not read in silence as 1 m3/h.
        split.numberWhole = isWholeNumberText(split.number);
        const bool numberLike = split.number.find_first_of("0123456789") != std::string::npos
            && split.number.find_first_not_of("0123456789+-.,eE \t") == std::string::npos;
        if (!split.numberWhole && !numberLike)
            break; // "abc", "0\0x": no number written, read by the number rules
        return split;
    }
    return { whole, {} };
}

const std::string& unitText(const UnitTexts& units, Quantity quantity)
{
    static const std::string none;
    switch (quantity) {
    case Quantity::Length:
        return units.length;
    case Quantity::Transmissivity:
        return units.transmissivity;
    case Quantity::Storage:
        return units.storage;
    case Quantity::Time:
        return units.time;
    case Quantity::Rate:
        return units.rate;
    case Quantity::Ratio:
        break;
    }
    return none;
}

std::string_view defaultUnitWord(const UnitTexts& units, Quantity quantity)
{
    const std::string& chosen = unitText(units, quantity);
    return chosen.empty() ? usualUnit(quantity) : std::string_view(chosen);
}

std::optional<UnitFactor> defaultUnit(const UnitTexts& units, Quantity quantity)
{
    if (quantity == Quantity::Ratio)
        return UnitFactor {};
    return unitFactor(defaultUnitWord(units, quantity), quantity);
}

const ShownUnit* resultUnitOf(const ResultUnits& units, Quantity quantity)
{
    switch (quantity) {
    case Quantity::Length:
        return &units.length;
    case Quantity::Transmissivity:
        return &units.transmissivity;
    case Quantity::Storage:
        return &units.storage;
    case Quantity::Time:
        return &units.time;
    case Quantity::Rate:
        return &units.rate;
    case Quantity::Ratio:
        break;
    }
    return nullptr;
}

ShownUnit* resultUnitOf(ResultUnits& units, Quantity quantity)
{
    return const_cast<ShownUnit*>(resultUnitOf(std::as_const(units), quantity));
}

ResultUnits resultUnits(const UnitTexts& units)
{
    ResultUnits shown;
    for (Quantity quantity : UnitQuantities) {
        const std::string& word = unitText(units, quantity);
        if (word.empty())
            continue;
        if (const std::optional<UnitFactor> factor = unitFactor(word, quantity)) {
            *resultUnitOf(shown, quantity) = { word, *factor };
            shown.chosen = true;
        }
    }
    return shown;
}

std::string unitProblem(std::string_view text, Quantity quantity, std::string_view what)
{
    const NumberAndUnit split = splitUnit(text);
    if (split.unit.empty())
        return {};
    const std::string word = quotedExcerpt(split.unit, 20);
    if (!split.numberWhole)
        return std::string(what) + " must be a number such as 12.5 followed by its unit; "
            + quotedExcerpt(text, 20) + " is not.";
    if (quantity == Quantity::Ratio)
        return std::string(what) + " takes no unit; " + word + " was given.";
    if (!unitFactor(split.unit, quantity))
        return std::string(what) + ": " + word + " is not a unit of "
            + std::string(quantityName(quantity)) + "; it takes "
            + std::string(unitsTaken(quantity)) + ".";
    return {};
}

} // namespace drawfield
