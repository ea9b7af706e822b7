#pragma once

// Pumping-test analysis: the aquifer parameters (T, S, and B for a leaky aquifer) that make the
// scenario's well function, bores, schedules and boundaries reproduce measured drawdowns best, by
// least squares on the drawdown (MINPACK's Levenberg-Marquardt, through cminpack). Parameters are
// fitted as logarithms, so they stay positive; the start is Cooper-Jacob's straight line through
// the late readings of the point nearest a bore, not the scenario's values. The intervals come
// from the Jacobian at the optimum: a standard error of the logarithm, s^2 (J'J)^-1 with
// s^2 = SSE / (m - n), and a 95 % interval exp(ln p -+ t(0.975, m - n) se), Student's t.

#include "analysis/measurements.h"
#include "analysis/straight_lines.h"
#include "compute/wells/well_function.h"
#include "scenario/scenario.h"

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace drawfield {

// A parameter a fit varies: T or S (baseParameters), or a parameter of the scenario's well
// function, as its table declares it (its symbol, units, range and fit scale): the aquifer's, or
// a bore's own (skin, C) for the one pumping bore whose own readings are given.
using FitParameter = const WellParameter*;
[[nodiscard]] FitParameter transmissivityParameter();
[[nodiscard]] FitParameter storageParameter();

// The range a fitted value must lie in, or the fit fails, naming the parameter: the range its
// table declares (in SI units), the values a scenario accepts and a real aquifer can have, so
// that a fit that runs away (S to 1e-151 with T held two decades off) is never reported, written
// or used: T from 1e-12 to 100 m2/s, S from 1e-12 to 1 (a fraction).
struct FitRange {
    double low = 0.0, high = 0.0; // in the unit of FitEstimate::value
};
[[nodiscard]] FitRange fitRangeOf(FitParameter parameter);

// "T,S" or "T,S,B" or any subset, by the symbols of the parameters a fit takes (T, S and those
// of the well functions' tables), in any order and letter case; empty with a reason on error.
[[nodiscard]] std::optional<std::vector<FitParameter>> fitParametersOfText(
    std::string_view text, std::string& problem);
// "T, S or B": the symbols a fit takes, for messages and usage.
[[nodiscard]] std::string fitSymbols();

struct FitEstimate {
    FitParameter parameter;
    double value = 0.0; // in its parameter's SI unit (siUnit): m2/s for T, a fraction for S
    double standardError = 0.0; // of the value: its derivative times the error of the fitted scale
    double low = 0.0, high = 0.0; // the 95 % interval
    // On the scale the fit moved it (the logarithm, or the logit of its place in its range): the
    // number at the optimum and its standard error.
    double number = 0.0, numberError = 0.0;
};

struct FittedPoint {
    std::string name;
    std::vector<double> timesSeconds, measuredMetres, computedMetres;
};

struct FitResult {
    // False when the fit did not converge, the parameters are not determined by the data, or the
    // readings cannot be fitted; problem then says why, and the rest is empty.
    bool succeeded = false;
    std::string problem;
    std::vector<FitEstimate> estimates; // in the order asked for
    std::vector<std::vector<double>> correlation; // of the estimates' logarithms
    double rmseMetres = 0.0; // sqrt of the mean squared residual, measured - computed
    std::size_t readings = 0;
    std::vector<FittedPoint> points; // the readings and the fitted drawdowns
    ScenarioInputs fitted; // the scenario with the fitted values
    // The bore whose own parameters (skin, C) were fitted, from 0; -1 when none were.
    int bore = -1;
    int evaluations = 0; // of the drawdown at every reading
    // The straight-line estimates beside the fit: Cooper-Jacob's per reading set, Theis'
    // recovery where readings follow a stop.
    std::vector<StraightLineEstimate> straightLines;
    std::vector<StepTest> stepTests; // a bore's own readings over rising rates
};

// Fits `parameters` of `inputs` to the readings at `points`, in at most mostEvaluations
// evaluations of the drawdowns (0: 600 per parameter and one). A stop asked for ends it;
// `evaluated`, where given, is told each evaluation's number as it begins (from the fit's thread).
[[nodiscard]] FitResult fitPumpingTest(const ScenarioInputs& inputs,
    const std::vector<MeasuredPoint>& points, const std::vector<FitParameter>& parameters,
    std::stop_token stop = {}, int mostEvaluations = 0, std::function<void(int)> evaluated = {});

// The fitted scenario with its estimates moved to `numbers`, one per estimate on its fit's scale
// (FitEstimate::number): a parameter set drawn around the optimum.
[[nodiscard]] ScenarioInputs fittedWithNumbers(
    const FitResult& result, const std::vector<double>& numbers);

// The texts of the fitted values as the fields take them (T in m2/s, S in %, the well function's
// in their shown units); each the shortest text that the scenario reader reads back to the
// fitted value, to the bit.
void showFitted(const FitResult& result, ScenarioTexts& texts);
// The fit's record in a scenario ([fit]): `source` (the scenario and its readings) and each
// aquifer value the fit gave with its 95 % interval.
void recordFit(const FitResult& result, const std::string& source, ScenarioTexts& texts);
// "oude-korendijk.ini (obs_r30m.csv, obs_r90m.csv)": a fit's source as its record names it.
[[nodiscard]] std::string fitSource(
    const std::string& scenarioName, const std::vector<MeasuredPoint>& points);

// What a person reads of a result: the estimates with their errors and intervals, the
// correlations, the RMSE and the readings; or why it failed.
[[nodiscard]] std::string fitSummary(const FitResult& result);

// The fit report, CSV: the estimates, then after a blank line every reading with its residual.
void writeFitReport(const std::filesystem::path& path, const FitResult& result);

} // namespace drawfield
