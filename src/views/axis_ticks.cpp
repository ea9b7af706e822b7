#include "views/axis_ticks.h"

#include <cmath>

namespace drawfield {

std::vector<double> axisTicks(double low, double high, int wanted)
{
    std::vector<double> ticks;
    if (!(high > low) || wanted < 1 || !std::isfinite(low) || !std::isfinite(high))
        return ticks;
    double rough = (high - low) / wanted;
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10.0 * power;
    for (double factor : { 1.0, 2.0, 5.0 })
        if (factor * power >= rough) {
            step = factor * power;
            break;
        }
    // From the index, never by accumulation: k * step stays exact for round steps.
    for (long long k = static_cast<long long>(std::ceil(low / step - 1e-9));
         static_cast<double>(k) * step <= high + step * 1e-9; ++k)
        ticks.push_back(static_cast<double>(k) * step);
    return ticks;
}

QString tickLabel(double value)
{
    if (std::fabs(value) < 1e-12)
        return QStringLiteral("0");
    return QString::number(value, 'g', 6);
}

} // namespace drawfield
