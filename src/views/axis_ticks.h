#pragma once

#include "views/round_values.h"

#include <QString>

#include <vector>

namespace drawfield {

// value with `digits` significant digits, as every label and report of the program writes its
// numbers (significantText, number_text.h).
[[nodiscard]] QString significantNumber(double value, int digits);

// A tick or level value as a label: no needless digits ("0.05", "250", "-1.5").
[[nodiscard]] QString tickLabel(double value);

} // namespace drawfield
