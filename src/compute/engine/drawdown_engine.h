#pragma once

// The drawdown of every lattice node of a map, superposing the terms of the run's point sources
// by the aquifer's well function (wells/well_function.h), and, when asked, corrected for an
// unconfined aquifer (aquiferDrawdown, wells/aquifer.h).
//
// Sign: the grid holds minus the drawdown, so a cone is negative and the undisturbed level is 0.
// Sources (sources.h): each bore's rate and the steps of its schedule, each followed by its
// images across the boundaries; their terms are summed in row order 1 to 5, so the result does
// not depend on the row a well was typed in. A term reaches the nodes where its well function
// gives more than nothing (Cooper-Jacob's is clamped at 0 beyond its radius of influence).
// Pumping never raises the level: a step down of a schedule or a recharge line's injecting image
// subtracts, and where that leaves a node above 0 (rounding, the clamp), the node is set to 0.
// A node on a bore, where the formula has no value, is settled apart (bore_nodes.h). Beyond a
// boundary there is no aquifer: those lattice nodes hold NaN (aquifer_edge.h).
//
// The result is the same bit for bit whatever the number of threads and whether a workspace is
// given. The parts, in the order computeDrawdown runs them: the sources on the lattice
// (lattice_sources.h), their quadrant tables (quadrant_tables.h), the row fill (row_fill.h), the
// bores' nodes, the aquifer's edge, the validity zone (validity_zone.h), the unconfined
// correction and the peaks (peaks.h); every part spreads its work with parallelFor (parallel.h).

#include "compute/engine/drawdown_grid.h"
#include "compute/engine/engine_workspace.h"
#include "compute/inputs.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace drawfield {

struct EngineOptions {
    unsigned threads = 0; // 0: one per core
    // For a Cooper-Jacob run, also mark where it is more than 1 % off Theis (ValidityZone), on
    // every validityStride-th node of each axis: 1 for a file of every node, a chart's dashed line
    // needs no more than picture resolution (pictureValidityStride). Only where Theis can reach
    // the least judged drawdown is evaluated.
    bool validity = false;
    int validityStride = 1;
    // Called once per lattice column with its X (m), in ascending order, from the calling thread,
    // as the work advances: a progress bar can grow by one column per call.
    std::function<void(int x)> onColumn;
    std::stop_token stopToken; // a requested stop ends the run without a result
    // The map's time since pumping began (s): the scenario's pumping time when empty.
    std::optional<double> timeSeconds;
    // Memory kept from run to run (EngineWorkspace): with it, a source's terms are made once for
    // the nodes that share them where it covers much of a 1 m map, the same bits with fewer
    // logarithms. Without, every row computes its own, which a single run does faster.
    EngineWorkspace* workspace = nullptr;
};

// The largest drawdown of a run (m, 0 or more) and the first node in loop order that has it.
struct DrawdownPeak {
    double drawdown = 0.0;
    int x = 0;
    int y = 0;
};

// Where Cooper-Jacob holds: one byte per node of a lattice of every stride-th lattice node of the
// map, X fastest (column k, row m at m * columns + k, the map's lattice node (k stride, m stride)):
// Holds where Cooper-Jacob is within 1 % of the Theis drawdown, Off where it differs by more, and
// NotJudged where there is too little drawdown to judge (less than 1 mm of Theis drawdown), no
// drawdown (beyond a boundary) or a carried value (a node on a well). The drawdowns compared are
// the confined ones. One definition for the map's dashed edge (around Holds) and the --validity
// grid (1 where Off).
struct ValidityZone {
    enum State : std::uint8_t { Holds = 0, Off = 1, NotJudged = 2 };
    static constexpr double Tolerance = 0.01; // of the Theis drawdown
    static constexpr double LeastJudgedMetres = 0.001;
    static constexpr int PictureNodesPerSide = 400; // what a chart's dashed line needs
    int stride = 1; // map lattice nodes per zone node, along each axis
    int columns = 0;
    int rows = 0;
    std::vector<std::uint8_t> off; // a State per node
    [[nodiscard]] State at(int column, int row) const
    {
        return static_cast<State>(
            off[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns)
                + static_cast<std::size_t>(column)]);
    }
    [[nodiscard]] bool isOff(int column, int row) const { return at(column, row) == Off; }
    [[nodiscard]] bool holds(int column, int row) const { return at(column, row) == Holds; }
};

// The stride that gives a zone of at most ValidityZone::PictureNodesPerSide nodes a side for a
// map of columns x rows lattice nodes.
[[nodiscard]] constexpr int pictureValidityStride(int columns, int rows)
{
    const int most = columns > rows ? columns : rows;
    return most <= ValidityZone::PictureNodesPerSide
        ? 1
        : (most - 1) / (ValidityZone::PictureNodesPerSide - 1) + 1;
}

struct DrawdownResult {
    std::shared_ptr<const DrawdownGrid> grid;
    DrawdownPeak largest;
    std::shared_ptr<const ValidityZone> validity; // when asked for, for a Cooper-Jacob run
    bool dewatered = false; // the unconfined correction found no solution somewhere
};

// Computes the map of inputs, which readScenario() must have accepted. Empty when a stop was
// requested. Throws GridAllocationError when the map does not fit in memory.
[[nodiscard]] std::optional<DrawdownResult> computeDrawdown(
    const ScenarioInputs& inputs, const EngineOptions& options = {});

// Whether the run deserves "Drawdown > Aquifer thickness !": its largest drawdown exceeds the
// aquifer's thickness.
[[nodiscard]] bool drawdownExceedsThickness(
    const DrawdownResult& result, const ScenarioInputs& inputs);

// The messages a completed run shows, in order, each once: the thickness exceeded, the aquifer
// dewatered under the unconfined correction; judged on the map and on what the run's curves and
// profile reached (elsewhere).
struct ThicknessReached;
[[nodiscard]] std::vector<std::string> messagesAfterRun(
    const DrawdownResult& result, const ScenarioInputs& inputs, const ThicknessReached& elsewhere);

} // namespace drawfield
