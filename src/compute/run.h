#pragma once

// A run after its scenario was read and accepted: the map, the curves at the observation points,
// the profile, and the messages the run then shows, judged on every value it reports. The window
// and drawfield-batch both run this way, so a value a curve reports counts as one on the map does.

#include "compute/engine/drawdown_engine.h"
#include "compute/observations.h"
#include "compute/verdicts.h"

#include <optional>
#include <string>
#include <vector>

namespace drawfield {

struct RunResult {
    DrawdownResult map;
    ObservationCurves curves; // empty when the scenario has no observation point
    std::vector<ProfilePoint> profile; // empty when it has no profile
    Verdicts verdicts; // of the bores given an available drawdown and the points given a limit
    std::vector<std::string> messages; // in order, each once: see messagesAfterRun
};

// Computes the map of inputs (accepted by readScenario), then the curves and the profile. Empty
// when a stop was requested; throws GridAllocationError as computeDrawdown does.
[[nodiscard]] std::optional<RunResult> computeRun(
    const ScenarioInputs& inputs, const EngineOptions& options);

} // namespace drawfield
