#pragma once

// The drawdown at any point and time, off the lattice: observation points followed over time,
// and a profile along a straight line at the map's time. The method, the schedules, the
// boundaries and the unconfined correction apply as they do to the map.

#include "compute/scenario.h"

#include <filesystem>
#include <string>
#include <vector>

namespace drawfield {

// The drawdown (m, positive downward) at (x, y) at timeSeconds since pumping began; NaN where
// there is none to give: beyond a boundary, or on a bore.
double drawdownAt(const ScenarioInputs& inputs, double x, double y, double timeSeconds);

// The times of the curves (s): at least 20 per tenfold of time from one minute to the map's time,
// every schedule hour in between, and the map's time itself; ascending.
std::vector<double> curveTimes(const ScenarioInputs& inputs);

struct ObservationCurves {
    std::vector<double> seconds; // the times, ascending
    std::vector<std::string> names; // one per point
    std::vector<std::vector<double>> drawdowns; // [point][time], m; NaN where there is none
};

ObservationCurves observationCurves(const ScenarioInputs& inputs);

struct ProfilePoint {
    double distanceMetres = 0.0; // from the profile's first point
    double xMetres = 0.0;
    double yMetres = 0.0;
    double drawdownMetres = 0.0; // NaN where there is none
};

// count points evenly spaced from the profile's first point to its last, both included.
std::vector<ProfilePoint> profileAlong(const ScenarioInputs& inputs, int count = 201);

// CSV files: "hours,<name 1>,..." then a row per time; "distance_m,x_m,y_m,drawdown_m" then a
// row per point. Drawdowns with 17 significant digits, an empty cell where there is none; names
// quoted when they hold a comma or a quote. Written as AtomicFile writes; throw FileWriteError.
void writeCurvesFile(const std::filesystem::path& path, const ObservationCurves& curves);
void writeProfileFile(const std::filesystem::path& path, const std::vector<ProfilePoint>& profile);

} // namespace drawfield
