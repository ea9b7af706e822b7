#pragma once

// The drawdown at any point and time, off the lattice: observation points followed over time,
// the drawdown in a bore at its radius, and a profile along a straight line at the map's time. The
// method, the schedules, the boundaries and the unconfined correction apply as they do to the map.

#include "compute/inputs.h"
#include "compute/sources.h"

#include <string>
#include <vector>

namespace drawfield {

// What the values of curves and profiles reached, for the messages of the run that reports them.
struct ThicknessReached {
    bool exceeded = false; // a drawdown deeper than the aquifer's thickness
    bool dewatered = false; // the unconfined correction had no solution (2 s' > b)
};

// The aquifer as an observation point reads it: the point's own values of the well function's
// Observation-scope parameters (its screen) where the aquifer's values hold them (the whole
// thickness, the depth average, until a point says otherwise).
[[nodiscard]] Aquifer seenFrom(Aquifer aquifer, const std::vector<double>& pointValues);

// The drawdown (m, positive downward) at (x, y) at timeSeconds since pumping began, of the
// sources in the aquifer, each through the aquifer's well function, the sum corrected as the
// aquifer says (aquiferDrawdown); NaN beyond a boundary and on a bore that pumps at that time. On
// a bore that has stopped the value is the limit of its terms as r -> 0, the residual drawdown
// sum_k dQ_k ln(t - t_k) / (4 pi T), finite because its steps dQ_k add up to 0. When reached is
// given, it records whether the value exceeded the thickness or dewatered the aquifer. The map's
// nodes and drawdownAt agree to the bit (the same rows, the same order of the sources).
[[nodiscard]] double drawdownAt(const Aquifer& aquifer, const SourceList& sources, double x,
    double y, double timeSeconds, ThicknessReached* reached = nullptr);
// drawdownAt at count times (s) at one point: out[i] for times[i]. Where the well function costs a
// quadrature (Hantush), the sources at one distance share a table of it along time
// (WellFunction::timeProfile, relative 1e-9 of the integral) once that costs less than integrating
// at every time; otherwise the values are drawdownAt's, to the bit. Curves and fits read a point
// at many times through this.
void drawdownsOverTime(const Aquifer& aquifer, const SourceList& sources, double x, double y,
    const double* times, double* out, std::size_t count, ThicknessReached* reached = nullptr);
// The same for a scenario, its sources made for this one call.
[[nodiscard]] double drawdownAt(
    const ScenarioInputs& inputs, double x, double y, double timeSeconds);

// The drawdown in bore i (0 to 4) at the map's time: at its radius from its centre, to the east.
[[nodiscard]] double drawdownInBore(const ScenarioInputs& inputs, int bore);

// The largest drawdown of a run, as its summary and its report head it: the largest drawdown in a
// pumping bore, read at the bore's radius as the bore table reads it (the drawdown its pump
// sees). One definition for both, where the largest node of the map would depend on where the
// lattice falls. bore -1 when no bore pumps.
struct LargestBoreDrawdown {
    int bore = -1; // 0 to 4
    double metres = 0.0;
    double radiusMetres = 0.0;
};
[[nodiscard]] LargestBoreDrawdown largestBoreDrawdown(const ScenarioInputs& inputs);

// The times of the curves (s), ascending: 20 per tenfold of time from one minute to the map's
// time (at most MostBaseTimes: fewer per tenfold beyond 20 tenfolds); every schedule hour, and
// after each one 20 per tenfold of the time since it, so recovery is drawn as a curve; the map's
// time itself. However many changes, at most MostRefinedTimes are added after them (the density
// thins out evenly beyond), so the curves cost what their sources cost, once per time: at most
// MostCurveTimes in all.
inline constexpr int MostBaseTimes = 400;
inline constexpr int MostRefinedTimes = 2000;
inline constexpr std::size_t MostCurveTimes
    = MostBaseTimes + 1 + MostRateChangesInAll + MostRefinedTimes + 1;
[[nodiscard]] std::vector<double> curveTimes(const ScenarioInputs& inputs);

struct ObservationCurves {
    std::vector<double> seconds; // the times, ascending
    std::vector<std::string> names; // one per point
    std::vector<std::vector<double>> drawdowns; // [point][time], m; NaN where there is none
    ThicknessReached reached; // over every value
};

[[nodiscard]] ObservationCurves observationCurves(const ScenarioInputs& inputs);

struct ProfilePoint {
    double distanceMetres = 0.0; // from the profile's first point
    double xMetres = 0.0;
    double yMetres = 0.0;
    double drawdownMetres = 0.0; // NaN where there is none
};

// count points evenly spaced from the profile's first point to its last, both included.
[[nodiscard]] std::vector<ProfilePoint> profileAlong(
    const ScenarioInputs& inputs, int count = 201, ThicknessReached* reached = nullptr);

} // namespace drawfield
