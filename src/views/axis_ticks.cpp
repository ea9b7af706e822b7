#include "views/axis_ticks.h"

#include <cmath>

namespace drawfield {

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

QString tickLabel(double value)
{
    if (std::fabs(value) < 1e-12)
        return QStringLiteral("0");
    return QString::number(value, 'g', 6);
}

} // namespace drawfield
