#include "views/round_values.h"

#include "views/grid_sampling.h"

#include <algorithm>
#include <cmath>

namespace drawfield {
namespace {

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

std::vector<double> axisTicks(double low, double high, int wanted)
{
    std::vector<double> ticks;
    if (!(high > low) || wanted < 1 || !std::isfinite(low) || !std::isfinite(high))
        return ticks;
    // The step is mantissa * 10^exponent with a mantissa of 1, 2, 5 or 10. Ticks come from their
    // index, never by accumulation, and divide by a power of ten rather than multiply by an
    // inexact 0.1, so -3 * 0.1 m comes out as -0.3.
    const double rough = (high - low) / wanted;
    int exponent = static_cast<int>(std::floor(std::log10(rough)));
    auto power = [](int e) { return std::pow(10.0, std::abs(e)); };
    auto scaled = [&](double value, int e) { return e >= 0 ? value * power(e) : value / power(e); };
    // The step whose tick count comes nearest the wish; on a tie, the larger step.
    double mantissa = 1.0;
    double bestMiss = 1e300;
    for (double candidate : { 1.0, 2.0, 5.0, 10.0 }) {
        double count = (high - low) / scaled(candidate, exponent);
        double miss = std::abs(count - wanted);
        if (miss <= bestMiss) {
            bestMiss = miss;
            mantissa = candidate;
        }
    }
    const double step = scaled(mantissa, exponent);
    for (long long k = static_cast<long long>(std::ceil(low / step - 1e-9));; ++k) {
        double tick = scaled(static_cast<double>(k) * mantissa, exponent);
        if (tick > high + step * 1e-9)
            break;
        ticks.push_back(tick);
    }
    return ticks;
}

std::vector<double> contourLevels(double shallowest, double deepest)
{
    if (!(deepest > 0.0) || !std::isfinite(deepest))
        return {};
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
    return levels;
}

std::vector<double> mapLevels(
    const std::shared_ptr<const DrawdownGrid>& grid, unsigned threads, const UnitFactor& length)
{
    const std::shared_ptr<const ChartSamples> samples
        = chartSamples(grid, grid->nodeSpacing(), grid->nodeSpacing(), threads, length);
    return contourLevels(samples->map.shallowest, samples->map.deepest);
}

std::vector<unsigned> bandColoursOf(const std::vector<double>& levels)
{
    const std::size_t last = levels.size(); // bands - 1
    std::vector<unsigned> colours;
    for (std::size_t band = 0; band <= last; ++band) {
        const double t = last == 0 ? 0.0
                                   : static_cast<double>(band) / static_cast<double>(last)
                * static_cast<double>(MapPalette.size() - 1);
        const auto low = static_cast<std::size_t>(std::floor(t));
        const std::size_t high = std::min(low + 1, MapPalette.size() - 1);
        const double f = t - static_cast<double>(low);
        unsigned colour = 0;
        for (int shift : { 16, 8, 0 }) {
            const double a = (MapPalette[low] >> shift) & 0xFF,
                         b = (MapPalette[high] >> shift) & 0xFF;
            colour |= static_cast<unsigned>(std::lround(a + (b - a) * f)) << shift;
        }
        colours.push_back(colour);
    }
    return colours;
}

} // namespace drawfield
