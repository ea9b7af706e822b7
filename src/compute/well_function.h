#pragma once

// The well functions: how the drawdown of one point source goes with distance and time. Each is a
// row of one table. The scenario reader, the Options tab, the report and drawfield-batch take
// their choices from the table; the engine and drawdownAt evaluate every source through its row.
//
// Adding a well function (src/compute/README.md says it step by step): a file with its formula
// and its row, the row's name in WellMethod and its place in wellFunctions(), and a test against
// its closed form. Nothing else changes.

#include "compute/aquifer.h"

#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace drawfield {

// The rows of the table, by name; the first is the default.
enum class WellMethod { CooperJacob, Theis, Hantush };

// The engine's fast fills of a lattice row, for the rows that have one; the others are evaluated
// node by node through their drawdown(), or, where that costs much (a quadrature), through a
// profile along r made once per source time (Profile).
enum class LatticePath { NodeByNode, CooperJacob, Theis, Profile };

// What a source of unit rate (1 m3/s) adds to the drawdown (m) at squared distances along r, at
// one time, to a stated tolerance of the row's drawdown: a map evaluates it at every node.
class RadialProfile {
public:
    virtual ~RadialProfile() = default;
    virtual void unitDrawdowns(const double* n, double* out, int count) const = 0;
};

// What a source of unit rate adds to the drawdown (m) at one squared distance over the time since
// it began, to a stated tolerance of the row's drawdown: curves and fits read a point at many
// times.
class TimeProfile {
public:
    virtual ~TimeProfile() = default;
    virtual void unitDrawdowns(const double* elapsedSeconds, double* out, int count) const = 0;
};

struct WellFunction {
    WellMethod method;
    const char* text; // as a scenario file names it: "cooper-jacob"
    const char* label; // as a person reads it: "Cooper-Jacob"
    const char* description; // a sentence for the Options tab
    // What a source pumping `rate` (m3/s; negative for a step down or an injecting image) for
    // elapsedSeconds adds to the drawdown (m, positive downward) at squared distance n (m2, > 0).
    double (*drawdown)(double rate, double n, double elapsedSeconds, const Aquifer& aquifer);
    // The part of the source's drawdown at its own position (r -> 0) that changes with time, m:
    // on a bore that has stopped, the sum over its steps is the residual drawdown (the parts in
    // ln r cancel, the rates summing to 0). Q ln(t) / (4 pi T) for Theis and Cooper-Jacob.
    double (*boreTerm)(double rate, double elapsedSeconds, const Aquifer& aquifer);
    // A squared distance (m2) beyond which the source adds no more than leastMetres (nothing at
    // all for 0); it may reach a little beyond the last such distance, never short of it.
    double (*reachSquared)(
        double rate, double elapsedSeconds, const Aquifer& aquifer, double leastMetres);
    LatticePath latticePath;
    // For LatticePath::Profile: the unit drawdown along r at elapsedSeconds for squared distances
    // from nMin to nMax (m2); null for the other paths.
    std::shared_ptr<const RadialProfile> (*radialProfile)(
        double elapsedSeconds, const Aquifer& aquifer, double nMin, double nMax)
        = nullptr;
    // For a row whose drawdown costs much (a quadrature): the unit drawdown at squared distance n
    // (m2, > 0) for elapsed times from elapsedMin to elapsedMax (s); null where drawdown() is
    // cheap enough to call at every time.
    std::shared_ptr<const TimeProfile> (*timeProfile)(
        double n, const Aquifer& aquifer, double elapsedMin, double elapsedMax)
        = nullptr;
};

// Every row, in the order of WellMethod.
[[nodiscard]] std::span<const WellFunction> wellFunctions();
[[nodiscard]] const WellFunction& wellFunction(WellMethod method);
// The row a text names, in any letter case; empty when it names none.
[[nodiscard]] std::optional<WellMethod> methodOfText(std::string_view text);
[[nodiscard]] const char* methodText(WellMethod method);
// "cooper-jacob, theis or hantush": the texts of every row, for messages and usage.
[[nodiscard]] std::string_view methodTexts();

} // namespace drawfield
