#pragma once

#include "compute/engine/drawdown_engine.h"

#include <memory>
#include <stop_token>

namespace drawfield {

// Where Cooper-Jacob is more than 1 % off Theis, on every stride-th node of each axis, judged
// against the map's (confined) rows: `grid` holds the Cooper-Jacob map before any unconfined
// correction.
[[nodiscard]] std::shared_ptr<const ValidityZone> validityOf(const DrawdownGrid& grid,
    const ScenarioInputs& in, double timeSeconds, int stride, unsigned threads,
    const std::stop_token& stop);

} // namespace drawfield
