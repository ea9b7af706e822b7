#include "views/axis_ticks.h"

#include "files/number_text.h"

#include <cmath>

namespace drawfield {

QString significantNumber(double value, int digits)
{
    return QString::fromStdString(significantText(value, digits));
}

QString tickLabel(double value)
{
    if (std::fabs(value) < 1e-12)
        return QStringLiteral("0");
    return significantNumber(value, 6);
}

} // namespace drawfield
