#pragma once

// What a fit's uncertainty means for the map: parameter sets drawn from the fit's covariance on
// the scale it fitted them (log T, log S, the logit of a bounded parameter), a map and the
// curves computed for each, and at every node, bore and point the 5th, 50th and 95th percentile
// of the drawdowns, and where asked the share of the sets whose drawdown passes a level.
//
// The draws are normal on the fit's scale (the covariance s^2 (J'J)^-1 of the fit, no Student's
// t): the band is the one a linearised (delta-method) band approximates, without the
// linearisation. The generator is seeded alike every run, so a run repeats to the bit.

#include "analysis/fit.h"
#include "compute/engine/drawdown_grid.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <vector>

namespace drawfield {

inline constexpr int LeastUncertaintyDraws = 20;
inline constexpr int MostUncertaintyDraws = 100000;
// The memory the draws of a map may take (4 bytes a node and draw): beyond it the run is refused
// with what it would need.
inline constexpr std::size_t MostUncertaintyBytes = std::size_t(6) << 30;

class UncertaintyRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The 5th, 50th and 95th percentile of a drawdown (m) over the draws, and the Monte Carlo error
// of the band's ends: half the width of the 95 % confidence interval of the 5th and of the 95th
// percentile from the order statistics of the draws, the larger of the two (m).
struct PercentileBand {
    double low = 0.0, median = 0.0, high = 0.0;
    double monteCarloError = 0.0;
};

struct NamedBand {
    std::string name;
    PercentileBand band;
};

struct MapUncertainty {
    int draws = 0;
    // Minus the percentiles of the drawdown at every lattice node, as a map holds drawdowns; NaN
    // where no draw has a value (beyond a boundary).
    std::shared_ptr<const DrawdownGrid> low, median, high;
    // With a level: minus the share of the draws (0 to 1) whose drawdown passes it, negated as
    // the maps are, so that a reader of drawdowns reads the share.
    std::optional<double> exceedanceMetres;
    std::shared_ptr<const DrawdownGrid> exceedance;
    std::vector<NamedBand> bores; // each pumping bore's own drawdown at the map's time
    std::vector<NamedBand> points; // each observation point's at the map's time
    // The curves' band: [point][time] at the curves' times (observationCurves).
    std::vector<std::vector<PercentileBand>> curves;
};

// The percentiles of values (sorted in place; NaNs left out), and the Monte Carlo error of the
// band's ends. NaN throughout when no value is finite.
[[nodiscard]] PercentileBand percentileBand(std::vector<double>& values);

// The uncertainty of the map of a successful fit's scenario, from `draws` parameter sets (the
// same sets every call). With timeSeconds, of the map at that time (a map of --time): its nodes
// only, no bores, points or curves. Throws UncertaintyRefused when the draws of the map would take
// more than MostUncertaintyBytes, or the fit has no covariance. Empty when a stop was asked for.
[[nodiscard]] std::optional<MapUncertainty> mapUncertainty(const FitResult& fit, int draws,
    std::optional<double> exceedanceMetres, unsigned threads = 0, std::stop_token stop = {},
    std::optional<double> timeSeconds = std::nullopt);

// What a person reads: a line per bore and point, "PW-1: 90 % band 2.31 .. 2.87 m (median
// 2.56 m)", headed by the draws and their Monte Carlo error.
[[nodiscard]] std::vector<std::string> uncertaintyLines(
    const MapUncertainty& uncertainty, const ScenarioInputs& inputs);

} // namespace drawfield
