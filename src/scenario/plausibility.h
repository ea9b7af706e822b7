#pragma once

// Values no aquifer has, which are almost always a unit slip (450 m2/d typed as 450 m2/s): a
// warning each, with the value as typed and the likely intended reading. The run goes on.

#include "scenario/scenario.h"

#include <string>
#include <vector>

namespace drawfield {

// The limits beyond which a value is taken for a slip, in SI units.
inline constexpr double LeastTransmissivity = 1e-7, MostTransmissivity = 1.0; // m2/s
inline constexpr double LeastStorage = 1e-6, MostStorage = 0.35;
inline constexpr double MostConfinedStorage = 0.01; // above it, a specific yield
inline constexpr double MostRate = 5000.0 / 3600.0; // m3/s: 5000 m3/h
inline constexpr double MostPumpingSeconds = 50.0 * 365.25 * 86400.0; // 50 years

// The warnings for accepted inputs read from texts. The storage coefficient is judged against a
// confined method only where its unit is written (a unit word or [units]): in the program's own
// percent, the 4 % of its example is what it always was.
[[nodiscard]] std::vector<std::string> plausibilityWarnings(
    const ScenarioTexts& texts, const ScenarioInputs& in);

} // namespace drawfield
