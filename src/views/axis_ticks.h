#pragma once

#include "views/round_values.h"

#include <QString>

#include <vector>

namespace drawfield {

// A tick or level value as a label: no needless digits ("0.05", "250", "-1.5").
[[nodiscard]] QString tickLabel(double value);

} // namespace drawfield
