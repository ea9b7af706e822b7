// The names a fit's parameters go by (--fit T,S,Sy): T, S and every well function's fittable
// ones, read from a list and listed for a message.

#include "analysis/fit.h"
#include "compute/ascii_case.h"
#include "compute/wells/well_function.h"
#include "files/user_text.h"

#include <algorithm>

namespace drawfield {

namespace {

    // The parameters a fit may take: T, S, and every well function's fittable ones, the
    // aquifer's and then a bore's own.
    std::vector<FitParameter> fittable()
    {
        std::vector<FitParameter> all { transmissivityParameter(), storageParameter() };
        for (ParameterScope scope : { ParameterScope::Aquifer, ParameterScope::Bore })
            for (const WellParameter* parameter : parametersOfScope(scope))
                if (parameter->fit != FitScale::NotFitted)
                    all.push_back(parameter);
        return all;
    }

} // namespace

std::string fitSymbols()
{
    const std::vector<FitParameter> all = fittable();
    std::string text;
    for (std::size_t i = 0; i < all.size(); ++i)
        text += (i == 0 ? "" : i + 1 == all.size() ? " and " : ", ") + std::string(all[i]->symbol);
    return text;
}

std::optional<std::vector<FitParameter>> fitParametersOfText(
    std::string_view text, std::string& problem)
{
    const std::vector<FitParameter> all = fittable();
    auto named = [&](std::string_view name) -> FitParameter {
        // The symbol as written first (two may differ in letter case alone), then in any case.
        for (FitParameter parameter : all)
            if (parameter->symbol == name)
                return parameter;
        for (FitParameter parameter : all)
            if (sameIgnoringAsciiCase(parameter->symbol, name))
                return parameter;
        return nullptr;
    };
    std::vector<FitParameter> parameters;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        std::string_view name = text.substr(start, comma - start);
        while (!name.empty() && name.front() == ' ')
            name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ')
            name.remove_suffix(1);
        const FitParameter parameter = named(name);
        if (parameter == nullptr) {
            problem = "the parameters to fit are " + fitSymbols() + ", separated by commas (T,S); "
                + quotedExcerpt(name) + " is none of them";
            return std::nullopt;
        }
        if (std::find(parameters.begin(), parameters.end(), parameter) != parameters.end()) {
            problem = std::string(parameter->symbol) + " is named twice";
            return std::nullopt;
        }
        parameters.push_back(parameter);
        if (comma == std::string_view::npos)
            return parameters;
        start = comma + 1;
    }
}

} // namespace drawfield
