#pragma once

// The aquifer a run's sources pump from, apart from the sources themselves: what a fit of T and S
// varies while the bores, their schedules and the boundaries stay.

#include <vector>

namespace drawfield {

struct WellFunction;

struct Aquifer {
    double transmissivity = 0.0; // T, m2/s
    double storage = 0.0; // S, a fraction
    double thicknessMetres = 0.0; // b
    const WellFunction* function = nullptr; // how a source's drawdown goes with r and t
    bool unconfined = false; // Jacob's correction of the drawdown for the thickness
    // The well function's own Aquifer-scope parameters in SI units, indexed as its table
    // (WellFunction::parameters).
    std::vector<double> values;
};

// Jacob's correction of a confined drawdown s' (m) for an unconfined aquifer of thickness b (m):
// s = b - sqrt(b^2 - 2 b s'), defined while 2 s' <= b; evaluated in a form that neither overflows
// nor cancels.
[[nodiscard]] double jacobUnconfined(double confinedDrawdownMetres, double thicknessMetres);

// The drawdown (m) an aquifer shows for a confined one: the confined drawdown itself, or Jacob's
// correction of it where the aquifer is unconfined, which takes the whole thickness where the
// aquifer is dewatered (2 s' > b: the correction has no solution), and says so in dewatered.
// Pumping never raises the level: a value below 0 (the rounding of cancelling terms) is 0.
[[nodiscard]] double aquiferDrawdown(
    const Aquifer& aquifer, double confinedMetres, bool& dewatered);

} // namespace drawfield
