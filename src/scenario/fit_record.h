#pragma once

// The record a fit leaves in the scenario it writes ([fit]): each value it gave with its 95 %
// interval, read back so that a study taking those values (--parameters-from) reports them as
// fitted, with their intervals, while they are the scenario's own.

#include "compute/inputs.h"
#include "scenario/scenario.h"

#include <string>
#include <vector>

namespace drawfield {

// "T = 0.0053544 (95 %: 0.005096 .. 0.005626); S = ...": each value and its ends written to
// read back to the bit.
[[nodiscard]] std::string intervalsText(
    const std::vector<ScenarioInputs::RecordedInterval>& intervals);

// The intervals of such a text; an entry that is not one is left out.
[[nodiscard]] std::vector<ScenarioInputs::RecordedInterval> intervalsOfText(
    const std::string& text);

// The recorded intervals that still belong to the inputs' values (the same value to 1e-12; a
// value typed since has none), with the symbols of the inputs' well function.
[[nodiscard]] std::vector<ScenarioInputs::RecordedInterval> currentIntervals(
    const ScenarioInputs& inputs);

} // namespace drawfield
