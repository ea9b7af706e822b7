#pragma once

// The point sources of a run: what the engine superposes. Each pumping bore is one source from
// hour 0 at the table's rate, and one more per rate change, pumping the change's step
// (Q_k - Q_(k-1), negative for a decrease) from its hour on; each source has its images across the
// boundaries, pumping like it across a barrier, injecting across a recharge line (two lines: three
// images, signed by the product of the lines' kinds). The list does not depend on the time asked
// about: a source counts at a time when it started strictly before it.

#include "compute/inputs.h"

#include <array>
#include <vector>

namespace drawfield {

struct PointSource {
    double X = 0.0; // m
    double Y = 0.0; // m
    double Rate = 0.0; // m3/s, negative for a decrease or an injecting image
    double StartSeconds = 0.0; // when it starts pumping, since pumping began
    double ElapsedSeconds = 0.0; // how long it has pumped at the time in question (pointSources)
    int Bore = 0; // the bore it comes from, from 0
    bool Image = false;
    // The first source of its bore: on the bore's own node the rule of a node on a well holds
    // there (the node carries the drawdown of the node before it), and its bore's later steps
    // add nothing.
    bool FirstOfBore = false;
    // Its bore's rate once it has started (m3/s; the image's sign for an image): a term that is
    // not linear in the rate (a well's loss, C Q^2) steps from (RateAfter - Rate) to RateAfter.
    double RateAfter = 0.0;
};

// Every source of the run, whatever the time: bores in row order, each bore's steps in time
// order, each source followed by its images. A bore without schedule and boundaries gives exactly
// one source: its rate, from hour 0.
[[nodiscard]] std::vector<PointSource> allSources(const ScenarioInputs& inputs);

// A run's sources, whatever the time, with what an evaluation at a point needs beside them: the
// aquifer's limits and each bore's rate over time. Made once, it serves any number of points,
// times and aquifers (a fit varies the aquifer and keeps the sources).
struct SourceList {
    std::vector<PointSource> sources; // allSources
    std::vector<Boundary> boundaries; // the aquifer's limits
    Point inside; // a point of the aquifer (bore 1)
    std::vector<double> rates; // each bore's rate in the well table, m3/s
    std::vector<std::vector<RateChange>> schedules; // and its changes
    // Each bore's values of the well function's Bore-scope parameters (WellInput::Values).
    std::vector<std::vector<double>> boreValues;
    std::vector<double> radii; // each bore's radius, m

    // What a source's term sees: its rate and its bore's values.
    [[nodiscard]] SourceTerm termOf(const PointSource& source) const
    {
        const auto bore = static_cast<std::size_t>(source.Bore);
        return { source.Rate, boreValues[bore], radii[bore], source.RateAfter };
    }

    // Whether (x, y) lies in the aquifer (isInAquifer).
    [[nodiscard]] bool contains(double x, double y) const;
    // The rate bore i pumps at timeSeconds (ScenarioInputs::rateAt).
    [[nodiscard]] double rateAt(int bore, double timeSeconds) const;
};
[[nodiscard]] SourceList sourceListOf(const ScenarioInputs& inputs);

// The sources active at timeSeconds (those that started strictly before it), in the same order,
// with their ElapsedSeconds.
[[nodiscard]] std::vector<PointSource> pointSources(
    const ScenarioInputs& inputs, double timeSeconds);

// The mirror image of (x, y) across the boundary's line.
[[nodiscard]] Point imageOf(const Boundary& line, double x, double y);

} // namespace drawfield
