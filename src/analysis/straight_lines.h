#pragma once

// The straight-line estimates a hydrogeologist draws beside a fit: Cooper-Jacob's line through a
// point's late readings while the bores pump (T from its slope, S from where it crosses s = 0),
// and Theis' recovery line of the residual drawdown against ln(t / t') once they have stopped (T
// from its slope). They need no model and check the fit's.

#include "analysis/measurements.h"
#include "scenario/scenario.h"

#include <string>
#include <vector>

namespace drawfield {

// Cooper-Jacob's straight line through the later half (in log time) of a point's readings,
// s = intercept + slope ln t (t in s), and the T and S it gives for the total rate of the bores
// and the point's distance from the nearest one; valid false when the line falls or is not
// determined.
struct CooperJacobLine {
    bool valid = false;
    double intercept = 0.0, slope = 0.0; // m, m per unit of ln t
    double fromSeconds = 0.0; // the first reading it goes through
    double transmissivity = 0.0, storage = 0.0;
};
[[nodiscard]] CooperJacobLine cooperJacobLine(
    const ScenarioInputs& inputs, const MeasuredPoint& point);

// The distance (m) from a point to the nearest pumping bore, 0 for none.
[[nodiscard]] double distanceToNearestBore(
    const ScenarioInputs& inputs, const MeasuredPoint& point);
// When every bore has stopped for good: the last rate change after which the total rate is 0
// (and was not just before), s since pumping began; -1 for none.
[[nodiscard]] double recoveryStartSeconds(const ScenarioInputs& inputs);
// The total rate of the pumping bores at time t (m3/s).
[[nodiscard]] double totalRate(const ScenarioInputs& inputs, double t);

// One straight-line estimate of one reading set. method is "cooper-jacob" or "theis-recovery";
// storage is NaN for the recovery, which gives none.
struct StraightLineEstimate {
    std::string method;
    std::string point;
    double transmissivity = 0.0; // m2/s
    double storage = 0.0;
    double fromSeconds = 0.0, toSeconds = 0.0; // the readings it went through (since pumping began)
    // Cooper-Jacob: from when u = r^2 S / (4 T t) < 0.05 holds with its own T and S; the line is
    // sound where fromSeconds is at least this.
    double uBelowFromSeconds = 0.0;
};

// A step test: a bore's own readings over a schedule of rising rates give the aquifer's and the
// well's losses, s = B Q + C Q^2 (Jacob). The aquifer's share grows with time through the steps:
// Eden and Hazel's s = a H(t) + b Q + C Q^2, H the steps' Cooper-Jacob superposition, fitted to
// every reading of the steps, gives C, T = 1 / (4 pi a), and B at each step's end.
struct StepTestStep {
    double rate = 0.0; // m3/s
    double endSeconds = 0.0; // the step's last reading
    double drawdownMetres = 0.0; // there
    double efficiency = 0.0; // the aquifer's share of the drawdown there, B Q / (B Q + C Q^2)
};
struct StepTest {
    std::string point;
    double aquiferLoss = 0.0; // B at the last step's end, s/m2 (s = B Q with Q in m3/s)
    double wellLoss = 0.0; // C, s2/m5
    double transmissivity = 0.0; // m2/s, from the aquifer's growth; NaN where it does not grow
    std::vector<StepTestStep> steps;
};
// Every pumping bore with its own readings over two steps or more of rising rates.
[[nodiscard]] std::vector<StepTest> stepTests(
    const ScenarioInputs& inputs, const std::vector<MeasuredPoint>& points);

// Every estimate the readings allow: Cooper-Jacob's for each set with two readings or more in
// its later half while pumping, Theis' recovery for each with three or more after every bore has
// stopped.
[[nodiscard]] std::vector<StraightLineEstimate> straightLineEstimates(
    const ScenarioInputs& inputs, const std::vector<MeasuredPoint>& points);

} // namespace drawfield
