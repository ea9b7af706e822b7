#include "views/colour_scale.h"

#include "views/axis_ticks.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace drawfield {
namespace {

    // From pale yellow (no drawdown) through green and blue to deep navy (deepest): a sequential
    // palette whose lightness falls steadily, so the depth order reads even in grey.
    constexpr std::array<QRgb, 9> Palette = { 0xffffd9, 0xedf8b1, 0xc7e9b4, 0x7fcdbb, 0x41b6c4,
        0x1d91c0, 0x225ea8, 0x253494, 0x081d58 };

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

    // Levels m * 10^k within [low, high) for the given mantissas.
    std::vector<double> roundLevels(const std::vector<double>& mantissas, double low, double high)
    {
        std::vector<double> levels;
        int firstDecade = static_cast<int>(std::floor(std::log10(low)));
        int lastDecade = static_cast<int>(std::floor(std::log10(high)));
        for (int decade = firstDecade; decade <= lastDecade; ++decade)
            for (double mantissa : mantissas) {
                // Through a string-free exact route: 10^k for k < 0 is inexact, m / 10^-k is
                // nearer.
                double level = decade >= 0 ? mantissa * std::pow(10.0, decade)
                                           : mantissa / std::pow(10.0, -decade);
                if (level >= low && level < high)
                    levels.push_back(level);
            }
        return levels;
    }

    // Evenly spaced round levels strictly within (low, high).
    std::vector<double> linearLevels(double low, double high, int wanted)
    {
        std::vector<double> levels = axisTicks(low, high, wanted);
        std::erase_if(levels, [&](double level) { return level <= low || level >= high; });
        return levels;
    }

} // namespace

ColourScale::ColourScale(std::vector<double> levels)
    : m_levels(std::move(levels))
{
}

ColourScale ColourScale::forDrawdowns(double shallowest, double deepest)
{
    if (!(deepest > 0.0) || !std::isfinite(deepest))
        return ColourScale();
    double low = std::max(std::max(shallowest, 0.0), deepest / 200.0);
    if (low >= deepest)
        low = deepest / 2.0;

    // Round levels in the order a reader prefers them: a 1-2-5 sequence per decade for a cone
    // that spans decades, denser sequences, then even steps for a cone that spans little; the
    // first that gives FewestLevels to MostLevels levels, else the one nearest that.
    constexpr std::size_t FewestLevels = 7, MostLevels = 11; // 8 to 12 bands
    const std::vector<double> candidates[] = {
        roundLevels({ 1, 2, 5 }, low, deepest),
        roundLevels({ 1, 2, 3, 5 }, low, deepest),
        linearLevels(low, deepest, 10),
        roundLevels({ 1, 1.5, 2, 3, 5, 7 }, low, deepest),
        linearLevels(low, deepest, 8),
    };
    const std::vector<double>* chosen = nullptr;
    auto miss = [&](const std::vector<double>& levels) {
        return levels.size() < FewestLevels ? FewestLevels - levels.size()
            : levels.size() > MostLevels    ? levels.size() - MostLevels
                                            : 0;
    };
    for (const std::vector<double>& levels : candidates)
        if (chosen == nullptr || miss(levels) < miss(*chosen))
            chosen = &levels;
    std::vector<double> levels = *chosen;
    while (levels.size() > MostLevels)
        levels.erase(levels.begin()); // the deep end matters more than the very shallow one
    return ColourScale(std::move(levels));
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
