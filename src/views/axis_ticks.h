#pragma once

#include <QString>

#include <vector>

namespace drawfield {

// Round tick values (steps of 1, 2 or 5 times a power of ten) within [low, high], about `wanted` of
// them. One routine for every axis of both charts.
[[nodiscard]] std::vector<double> axisTicks(double low, double high, int wanted);

// A tick or level value as a label: no needless digits ("0.05", "250", "-1.5").
[[nodiscard]] QString tickLabel(double value);

} // namespace drawfield
