#pragma once

// The drawdown of every lattice node of a map, superposing the Cooper-Jacob cones of the pumping
// wells (see cooper_jacob.h for the formula and its units).
//
// Sign: the grid holds minus the drawdown, so a cone is negative and the undisturbed level is 0.
// Superposition: each pumping well's contribution is clamped at 0 on its own (beyond its radius of
// influence a well adds nothing) and the contributions are summed in row order 1 to 5, so the
// result does not depend on the row a well was typed in.
// A node on a well, where the formula has no value, takes CarriedDrawdown: the drawdown of the node
// computed just before it in loop order (X outer, Y inner; 0 for the first node), unless an earlier
// row already contributed there, in which case it keeps its own sum; later rows then add on top.
//
// The result is the same bit for bit whatever the number of threads.

#include "compute/drawdown_grid.h"
#include "compute/scenario.h"

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace drawfield {

struct EngineOptions {
    unsigned threads = 0; // 0: one per core
    // Called once per lattice column with its X (m), in ascending order, from the calling thread,
    // as the work advances: a progress bar can grow by one column per call.
    std::function<void(int x)> onColumn;
    std::stop_token stopToken; // a requested stop ends the run without a result
};

// The largest drawdown of a run (m, 0 or more) and the first node in loop order that has it.
struct DrawdownPeak {
    double drawdown = 0.0;
    int x = 0;
    int y = 0;
};

struct DrawdownResult {
    std::shared_ptr<const DrawdownGrid> grid;
    DrawdownPeak largest;
};

// Computes the map of inputs, which readScenario() must have accepted. Empty when a stop was
// requested. Throws GridAllocationError when the map does not fit in memory.
std::optional<DrawdownResult> computeDrawdown(
    const ScenarioInputs& inputs, const EngineOptions& options = {});

// Whether the run deserves "Drawdown > Aquifer thickness !": its largest drawdown exceeds the
// aquifer's thickness.
bool drawdownExceedsThickness(const DrawdownResult& result, const ScenarioInputs& inputs);

} // namespace drawfield
