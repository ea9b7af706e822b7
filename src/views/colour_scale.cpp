#include "views/colour_scale.h"

#include "views/round_values.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace drawfield {
namespace {

    constexpr const std::array<unsigned, 9>& Palette = MapPalette;

    QColor paletteAt(double t)
    {
        t = std::clamp(t, 0.0, 1.0) * (Palette.size() - 1);
        auto low = static_cast<std::size_t>(std::floor(t));
        std::size_t high = std::min(low + 1, Palette.size() - 1);
        double f = t - static_cast<double>(low);
        QColor a(Palette[low]), b(Palette[high]);
        return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * f),
            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * f),
            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * f));
    }

} // namespace

ColourScale::ColourScale(std::vector<double> levels)
    : m_levels(std::move(levels))
{
}

ColourScale ColourScale::forDrawdowns(double shallowest, double deepest)
{
    return ColourScale(contourLevels(shallowest, deepest));
}

int ColourScale::bandOf(double drawdownMetres) const
{
    if (std::isnan(drawdownMetres))
        return 0;
    return static_cast<int>(
        std::upper_bound(m_levels.begin(), m_levels.end(), drawdownMetres) - m_levels.begin());
}

QColor ColourScale::bandColour(int band) const
{
    int last = bandCount() - 1;
    band = std::clamp(band, 0, last);
    return paletteAt(last == 0 ? 0.0 : static_cast<double>(band) / last);
}

QColor ColourScale::smoothColourFor(double drawdownMetres) const
{
    int band = bandOf(drawdownMetres);
    int last = bandCount() - 1;
    if (band >= last || last == 0)
        return bandColour(band);
    double low = band == 0 ? 0.0 : m_levels[static_cast<std::size_t>(band - 1)];
    double high = m_levels[static_cast<std::size_t>(band)];
    double within = std::clamp((drawdownMetres - low) / (high - low), 0.0, 1.0);
    return paletteAt((band + within) / last);
}

} // namespace drawfield
