#include "views/time_axis.h"

#include "compute/units.h"

#include <algorithm>
#include <cmath>

namespace drawfield {

double firstShownSeconds(double pumpSeconds)
{
    return pumpSeconds > 60.0 ? 60.0 : pumpSeconds / 10.0;
}

std::vector<double> logTimes(double pumpSeconds, int count)
{
    count = std::max(count, 1);
    const double first = firstShownSeconds(pumpSeconds);
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const double share = count == 1 ? 1.0 : static_cast<double>(i) / (count - 1);
        times.push_back(first * std::pow(pumpSeconds / first, share));
    }
    times.back() = pumpSeconds;
    return times;
}

QString elapsedText(double seconds)
{
    const double minutes = seconds / 60.0;
    if (minutes < 59.5)
        return minutes < 9.95 ? QStringLiteral("%1 min").arg(minutes, 0, 'g', 2)
                              : QStringLiteral("%1 min").arg(std::round(minutes));
    const double hours = seconds / SecondsPerHour;
    if (hours < 47.5)
        return QStringLiteral("%1 h").arg(hours, 0, 'g', hours < 9.95 ? 2 : 3);
    const double days = hours / 24.0;
    return QStringLiteral("%1 d").arg(days, 0, 'g', days < 9.95 ? 2 : 3);
}

} // namespace drawfield
