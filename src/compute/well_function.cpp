#include "compute/well_function.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace drawfield {

// Each row is defined beside its formula.
WellFunction cooperJacobRow();
WellFunction theisRow();
WellFunction hantushRow();

std::span<const WellFunction> wellFunctions()
{
    static const std::array rows = { cooperJacobRow(), theisRow(), hantushRow() };
    return rows;
}

const WellFunction& wellFunction(WellMethod method)
{
    return wellFunctions()[static_cast<std::size_t>(method)];
}

std::optional<WellMethod> methodOfText(std::string_view text)
{
    for (const WellFunction& row : wellFunctions()) {
        const std::string_view name = row.text;
        if (name.size() == text.size()
            && std::equal(name.begin(), name.end(), text.begin(), [](char a, char b) {
                   return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
               }))
            return row.method;
    }
    return std::nullopt;
}

const char* methodText(WellMethod method) { return wellFunction(method).text; }

std::string_view methodTexts()
{
    static const std::string texts = [] {
        std::string all;
        const std::span<const WellFunction> rows = wellFunctions();
        for (std::size_t i = 0; i < rows.size(); ++i)
            all += (i == 0 ? "" : i + 1 == rows.size() ? " or " : ", ") + std::string(rows[i].text);
        return all;
    }();
    return texts;
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
