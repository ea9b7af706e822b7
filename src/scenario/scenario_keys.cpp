#include "scenario/scenario_keys.h"

#include <vector>

namespace drawfield {

void dropEmptyParameters(ScenarioTexts& texts)
{
    auto tidy = [](ParameterTexts& map) {
        std::erase_if(map, [](const auto& entry) { return entry.second.empty(); });
    };
    tidy(texts.aquiferParameters);
    for (BoreTexts& bore : texts.bores)
        tidy(bore.parameters);
    for (ObservationTexts& point : texts.observations)
        tidy(point.parameters);
}

namespace {

    // What a key of the file's own sections holds, for the usage text; the well functions'
    // parameters describe themselves from their tables.
    std::string describedKey(const std::string& section, std::string_view key)
    {
        static const std::pair<std::string_view, std::string_view> Base[] = {
            { "x_max", "m, the X and Y maximum" },
            { "y_max", "m, the Y maximum where it differs: a rectangular map" },
            { "x_min", "m" },
            { "y_min", "m" },
            { "cell_size", "m" },
            { "depth",
                "m below the aquifer's top: the map read there, as by a piezometer, by a "
                "function that reads screens (unless given, the depth average)" },
            { "transmissivity", "m2/s" },
            { "storage", "%" },
            { "pumping_time", "hours" },
            { "thickness", "m" },
            { "method", "" },
            { "unconfined", "no or yes: Jacob's correction for the thickness" },
            { "pumping_start",
                "when pumping began, 2026-03-04 08:00: readings stamped with date and time count "
                "from it" },
            { "rate", "m3/h" },
            { "schedule",
                "\"hour:rate, ...\": from each hour on the bore pumps that rate, m3/h; "
                "0 stops it; at most 300" },
            { "radius", "m, where the report reads the drawdown in the bore; 0.1" },
            { "available_drawdown",
                "m, the water column above the pump or the screen: the bore runs dry beyond it" },
            { "limit", "m, a drawdown not to pass there" },
            { "coordinates",
                "local or crs: crs takes the map, bores, points, boundaries and profile as "
                "eastings and northings of [georeference] crs" },
            { "date", "as written; empty: the day the report is made" },
            { "times",
                "\"1 d, 30 d, 1 year\": the times the report gives (default the pumping "
                "time)" },
            { "kind", "barrier or recharge; two boundaries must be perpendicular" },
            { "source", "written by a fit: the scenario and readings its values came from" },
            { "intervals",
                "written by a fit: \"T = 0.0053 (95 %: 0.0051 .. 0.0056); S = ...\", SI units; "
                "the report gives an interval while its value is the scenario's" },
            { "easting", "m: where the map's point (0, 0) lies" },
            { "northing", "m" },
            { "crs",
                "an EPSG code such as EPSG:25832; without [georeference], GIS files are in "
                "local metres" },
        };
        if (key == "method")
            return "method (" + methodTexts() + ")";
        if (key == "measured")
            return section.starts_with("bore")
                ? "measured (the bore's own readings, at its radius)"
                : "measured (a CSV file of readings: a header naming the units, "
                  "time_min,drawdown_m, then one reading a line; found from the scenario's "
                  "folder)";
        if ((key == "x" || key == "y") && !section.starts_with("profile"))
            return std::string(key) + " (m)";
        for (const auto& [name, what] : Base)
            if (name == key && !what.empty())
                return std::string(key) + " (" + std::string(what) + ")";
        for (const WellParameter* parameter :
            parametersOfScope(section == "aquifer" ? ParameterScope::Aquifer
                    : section == "bore1"           ? ParameterScope::Bore
                                                   : ParameterScope::Observation))
            if (parameter->key == key) {
                std::string owners;
                for (const WellFunction& row : wellFunctions())
                    for (const WellParameter& own : row.parameters)
                        if (own.key == key)
                            owners += std::string(owners.empty() ? "" : " or ") + row.text;
                return std::string(key) + " (" + std::string(parameter->unit) + ", "
                    + std::string(parameter->label) + " " + std::string(parameter->symbol)
                    + ", for " + owners + ")";
            }
        return std::string(key);
    }

} // namespace

std::optional<Quantity> quantityOfKey(std::string_view section, std::string_view key)
{
    if (section == "units") {
        for (Quantity quantity : UnitQuantities)
            if (key == quantityName(quantity))
                return quantity;
        return std::nullopt;
    }
    if (section == "map" || section == "profile" || section.starts_with("boundary"))
        return key == "kind" || key == "coordinates" ? std::nullopt
                                                     : std::optional(Quantity::Length);
    if (section == "aquifer") {
        if (key == "transmissivity")
            return Quantity::Transmissivity;
        if (key == "storage")
            return Quantity::Storage;
        if (key == "pumping_time")
            return Quantity::Time;
        if (key == "thickness")
            return Quantity::Length;
    }
    if (section.starts_with("bore")) {
        if (key == "x" || key == "y" || key == "radius" || key == "available_drawdown")
            return Quantity::Length;
        if (key == "rate")
            return Quantity::Rate;
    }
    if (section.starts_with("observation") && (key == "x" || key == "y" || key == "limit"))
        return Quantity::Length;
    const ParameterScope scope = section == "aquifer" ? ParameterScope::Aquifer
        : section.starts_with("bore")                 ? ParameterScope::Bore
                                                      : ParameterScope::Observation;
    if (section == "aquifer" || section.starts_with("bore") || section.starts_with("observation"))
        for (const WellParameter* parameter : parametersOfScope(scope))
            if (parameter->key == key)
                return parameter->quantity;
    return std::nullopt;
}

std::string scenarioKeyList()
{
    // A section per kind: bore1 stands for [bore1]..[bore5], and so on.
    std::vector<std::pair<std::string, std::vector<std::string>>> sections;
    const ScenarioTexts texts;
    forEachKey(texts, [&](const std::string& section, std::string_view key, const std::string&) {
        std::string kind;
        if (section == "bore1")
            kind = "[bore1]..[bore" + std::to_string(MostBores) + "]";
        else if (section == "boundary1")
            kind = "[boundary1], [boundary" + std::to_string(BoundaryCount) + "]";
        else if (section == "observation1")
            kind = "[observation1]..[observation" + std::to_string(MostObservationPoints) + "]";
        else if (section.back() >= '0' && section.back() <= '9')
            return; // the other sections of a kind
        else
            kind = "[" + section + "]";
        if (sections.empty() || sections.back().first != kind)
            sections.emplace_back(kind, std::vector<std::string> {});
        sections.back().second.push_back(describedKey(section, key));
    });
    // Each kind on its lines, the keys wrapped at 92 columns under the first.
    constexpr std::size_t Indent = 19, Width = 92;
    std::string out;
    for (const auto& [kind, keys] : sections) {
        std::string all;
        for (std::size_t k = 0; k < keys.size(); ++k)
            all += keys[k] + (k + 1 < keys.size() ? ", " : "");
        std::string line = "  " + kind;
        line += std::string(line.size() < Indent ? Indent - line.size() : 1, ' ');
        bool fresh = true; // nothing on the line yet but its indent
        std::size_t start = 0;
        while (start < all.size()) {
            const std::size_t space = all.find(' ', start);
            const std::string word = all.substr(start, space - start);
            if (!fresh && line.size() + 1 + word.size() > Width) {
                out += line + "\n";
                line = std::string(Indent, ' ');
            } else if (!fresh) {
                line += ' ';
            }
            line += word;
            fresh = false;
            start = space == std::string::npos ? all.size() : space + 1;
        }
        out += line + "\n";
    }
    return out;
}

} // namespace drawfield
