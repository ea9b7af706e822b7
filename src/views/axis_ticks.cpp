#include "views/axis_ticks.h"

#include <cmath>

namespace drawfield {

QString tickLabel(double value)
{
    if (std::fabs(value) < 1e-12)
        return QStringLiteral("0");
    return QString::number(value, 'g', 6);
}

} // namespace drawfield
