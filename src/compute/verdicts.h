#pragma once

// Does a bore run dry, is a limit passed? Each bore given an available drawdown is judged on its
// own drawdown (at its radius, with every other bore's and image's share and the aquifer's
// correction, as the bore table reads it); each observation point given a limit on the drawdown
// there. Both over the whole run, from the start of pumping to the map's time or the last time
// the report gives, schedules included: the first time is found to a millionth of it.

#include "compute/inputs.h"

#include <optional>
#include <vector>

namespace drawfield {

struct BoreVerdict {
    int bore = 0; // from 0
    double availableMetres = 0.0;
    double metres = 0.0; // its drawdown at the end (verdictHorizon)
    double largestMetres = 0.0; // the largest over the run
    double largestSeconds = 0.0; // when it was largest
    std::optional<double> drySeconds; // when its drawdown first reaches the available drawdown
    [[nodiscard]] bool runsDry() const { return drySeconds.has_value(); }
    // The share of the available drawdown its largest drawdown uses (1 = all of it).
    [[nodiscard]] double share() const { return largestMetres / availableMetres; }
};

struct PointVerdict {
    std::size_t point = 0; // its place among the observation points
    double limitMetres = 0.0;
    double metres = 0.0; // the drawdown there at the end (verdictHorizon)
    double largestMetres = 0.0;
    double largestSeconds = 0.0;
    std::optional<double> passedSeconds; // when the drawdown first passes the limit
    [[nodiscard]] bool passed() const { return passedSeconds.has_value(); }
};

struct Verdicts {
    std::vector<BoreVerdict> bores; // the pumping bores given an available drawdown, in order
    std::vector<PointVerdict> points; // the observation points given a limit, in order
    [[nodiscard]] bool empty() const { return bores.empty() && points.empty(); }
    // A bore runs dry or a limit is passed.
    [[nodiscard]] bool anyFailed() const;
};

// The run's end for its verdicts (s): the map's time, or the last time the report gives.
[[nodiscard]] double verdictHorizon(const ScenarioInputs& inputs);

[[nodiscard]] Verdicts verdictsOf(const ScenarioInputs& inputs);

} // namespace drawfield
