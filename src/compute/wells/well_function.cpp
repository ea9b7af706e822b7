#include "compute/wells/well_function.h"

#include "compute/ascii_case.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace drawfield {

// Each row is defined beside its formula.
WellFunction cooperJacobRow();
WellFunction theisRow();
WellFunction hantushRow();
WellFunction neumanRow();
WellFunction papadopulosCooperRow();
WellFunction partialPenetrationRow();

namespace {

    constexpr std::size_t MostRows = 64;

    // Room for every row from the start: a row's address never changes (an Aquifer points at it).
    std::vector<WellFunction>& rows()
    {
        static std::vector<WellFunction> table = [] {
            std::vector<WellFunction> built;
            built.reserve(MostRows);
            built.push_back(cooperJacobRow());
            built.push_back(theisRow());
            built.push_back(hantushRow());
            built.push_back(neumanRow());
            built.push_back(papadopulosCooperRow());
            built.push_back(partialPenetrationRow());
            return built;
        }();
        return table;
    }

    // T, S and b: the fit's ranges are a real aquifer's (a runaway to S = 1e-151 is no fit).
    constexpr WellParameter Base[] = {
        { "transmissivity", "T", "Transmissivity", "m2/s", "m2/s", Quantity::Transmissivity,
            ParameterScope::Aquifer, 1e-12, 100.0, 1.0, std::nullopt, FitScale::Log,
            "How much water the aquifer passes: its permeability times its thickness." },
        { "storage", "S", "Storage coefficient", "%", "", Quantity::Storage,
            ParameterScope::Aquifer, 1e-10, 100.0, 0.01, std::nullopt, FitScale::Log,
            "The water released per unit area and unit fall of the head." },
        { "thickness", "b", "Aquifer thickness", "m", "m", Quantity::Length,
            ParameterScope::Aquifer, 0.0, 1e5, 1.0, std::nullopt, FitScale::NotFitted,
            "The saturated thickness, for the unconfined correction." },
    };

} // namespace

std::span<const WellParameter> baseParameters() { return Base; }

std::span<const WellFunction> wellFunctions() { return rows(); }

WellMethod addWellFunction(WellFunction row)
{
    std::vector<WellFunction>& table = rows();
    if (table.size() == MostRows)
        throw std::length_error("no room for another well function");
    row.method = static_cast<WellMethod>(table.size());
    table.push_back(row);
    return row.method;
}

const WellFunction& wellFunctionRow(WellMethod method)
{
    return wellFunctions()[static_cast<std::size_t>(method)];
}

const WellParameter* parameterOfSymbol(std::string_view symbol)
{
    // As written first (two may differ in letter case alone), then in any letter case.
    for (const bool exact : { true, false }) {
        auto same = [&](std::string_view other) {
            return exact ? other == symbol : sameIgnoringAsciiCase(other, symbol);
        };
        for (const WellParameter& parameter : Base)
            if (same(parameter.symbol))
                return &parameter;
        for (const WellFunction& row : wellFunctions())
            for (const WellParameter& parameter : row.parameters)
                if (same(parameter.symbol))
                    return &parameter;
    }
    return nullptr;
}

std::vector<const WellParameter*> parametersOfScope(ParameterScope scope)
{
    std::vector<const WellParameter*> found;
    for (const WellFunction& row : wellFunctions())
        for (const WellParameter& parameter : row.parameters)
            if (parameter.scope == scope
                && std::none_of(found.begin(), found.end(),
                    [&](const WellParameter* p) { return p->key == parameter.key; }))
                found.push_back(&parameter);
    return found;
}

std::optional<WellMethod> methodOfText(std::string_view text)
{
    for (const WellFunction& row : wellFunctions())
        if (sameIgnoringAsciiCase(row.text, text))
            return row.method;
    return std::nullopt;
}

const char* methodText(WellMethod method) { return wellFunctionRow(method).text; }

std::string methodTexts()
{
    std::string all;
    const std::span<const WellFunction> table = wellFunctions();
    for (std::size_t i = 0; i < table.size(); ++i)
        all += (i == 0 ? "" : i + 1 == table.size() ? " or " : ", ") + std::string(table[i].text);
    return all;
}

std::string reportNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

double jacobUnconfined(double confinedDrawdownMetres, double thicknessMetres)
{
    // b - sqrt(b^2 - 2 b s') written as 2 s' / (1 + sqrt(1 - 2 s' / b)): the same value, but b^2
    // cannot overflow for a huge b, and no digits cancel where s' is small against b.
    const double s = confinedDrawdownMetres;
    return 2.0 * s / (1.0 + std::sqrt(1.0 - 2.0 * (s / thicknessMetres)));
}

double aquiferDrawdown(const Aquifer& aquifer, double confinedMetres, bool& dewatered)
{
    const double s = std::max(confinedMetres, 0.0);
    if (!aquifer.unconfined || !(s > 0.0))
        return s;
    if (2.0 * s > aquifer.thicknessMetres) {
        dewatered = true;
        return aquifer.thicknessMetres;
    }
    return jacobUnconfined(s, aquifer.thicknessMetres);
}

} // namespace drawfield
