#pragma once

// The well functions: how the drawdown of one point source goes with distance and time. Each is a
// row of one table. The scenario reader, the Options tab, the report and drawfield-batch take
// their choices from the table; the engine and drawdownAt evaluate every source through its row.
//
// Adding a well function (src/compute/README.md says it step by step): a file with its formula
// and its row, the row's name in WellMethod and its place in wellFunctions(), and a test against
// its closed form. Nothing else changes.

#include "compute/wells/aquifer.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace drawfield {

// The rows of the table, by name; the first is the default. A row added at run time
// (addWellFunction) takes the next number.
enum class WellMethod : int {
    CooperJacob,
    Theis,
    Hantush,
    Neuman,
    PapadopulosCooper,
    PartialPenetration
};

// What a parameter measures: the unit it is shown and typed in follows from it.
enum class Quantity { Length, Transmissivity, Storage, Time, Rate, Ratio };
// Where its key stands: [aquifer], [boreN], [observationN] or [map].
enum class ParameterScope { Aquifer, Bore, Observation, Map };
// How a fit keeps it in its range: on the logarithm (positive values), on the logit of its place
// between low and high, or not at all (a fit never varies it).
enum class FitScale { NotFitted, Log, Logit };

// A parameter of a well function, declared once in its row: the scenario's reader and writer,
// the window's fields, the fit, the report and drawfield-batch all take it from here.
struct WellParameter {
    std::string_view key; // its key in its scope's section, lower case with underscores
    std::string_view symbol; // as --fit, the fit report and the estimates name it: "T"
    std::string_view label; // as fields, refusals and the report name it: "Transmissivity"
    std::string_view unit; // as shown and typed: "m", "%"
    std::string_view siUnit; // of its value inside (a fit's estimate): "m", "" for a fraction
    Quantity quantity = Quantity::Ratio;
    ParameterScope scope = ParameterScope::Aquifer;
    double low = 0.0, high = 0.0; // the accepted range, in the unit shown
    double perShownUnit = 1.0; // its value in SI units for 1 unit shown
    std::optional<double> fallback; // in the unit shown; empty: required when the row is chosen
    FitScale fit = FitScale::Log;
    std::string_view help; // a sentence under its field
};

// T, S and the thickness, declared as the rows' parameters are, so that the fit and the report
// take every parameter alike. They are read by the number rules of their classic fields; the range
// here is the one a fit keeps to (a real aquifer's).
enum BaseParameter : std::size_t { TransmissivityParameter, StorageParameter, ThicknessParameter };
[[nodiscard]] std::span<const WellParameter> baseParameters();

// A point source as a well function's term sees it: its rate and its bore's own values.
struct SourceTerm {
    double rate = 0.0; // m3/s, negative for a step down or an injecting image
    // The values of its bore's Bore-scope parameters (SI), indexed as the row's table; empty for a
    // row without such parameters.
    std::span<const double> bore;
    double boreRadiusMetres = 0.0; // its bore's radius: a distance within it is in the bore
    // Its bore's rate once it has started (m3/s): a loss in C Q^2 steps by
    // C (rateAfter^2 - (rateAfter - rate)^2), so that a bore's steps sum to C Q(t)^2.
    double rateAfter = 0.0;
};

// Lines a row adds to a report beyond its parameters: derived values (c = B^2 / T).
struct ReportLine {
    std::string label, value, unit;
};
// A derived value as a report line gives it: four significant digits ("1.25e-05").
[[nodiscard]] std::string reportNumber(double value);

// A source's terms on a map's lattice, made fast by the row that knows how: the engine asks for a
// lattice row of terms at a time. A row without them is evaluated node by node through its
// drawdown(). At the source's own node (squared distance 0) any value may come: the engine settles
// that node apart.
class LatticeTerms {
public:
    virtual ~LatticeTerms() = default;
    // The terms at squared distances j^2 + d2 (m2) for j = first .. first + count - 1, into out,
    // which has room for 2 count values (the second half is the row's scratch).
    virtual void alongRow(long long first, int count, double d2, double* out) const = 0;
    // The terms at the squared distances n (m2), into out.
    virtual void atSquaredDistances(const double* n, int count, double* out) const = 0;
    // The term at one squared distance, for a source off the whole metres.
    [[nodiscard]] virtual double at(double n) const = 0;
};

// A source whose lattice terms a row is asked to make: its term, the time since it began, and the
// squared distances (m2) the map asks for, from nMin (> 0, the nearest node but its own) to nMax.
struct LatticeSource {
    SourceTerm term;
    double elapsedSeconds = 0.0;
    double nMin = 1.0;
    double nMax = 1.0;
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
    // Its parameters beyond T, S and the thickness; Aquifer::values (Aquifer scope) and
    // SourceTerm::bore (Bore scope) hold their SI values in this order while the row is chosen.
    std::span<const WellParameter> parameters;
    // What a source pumping term.rate (m3/s) for elapsedSeconds adds to the drawdown (m, positive
    // downward) at squared distance n (m2, > 0).
    double (*drawdown)(
        const SourceTerm& term, double n, double elapsedSeconds, const Aquifer& aquifer);
    // The part of the source's drawdown at its own position (r -> 0) that changes with time, m:
    // on a bore that has stopped, the sum over its steps is the residual drawdown (the parts in
    // ln r cancel, the rates summing to 0). Q ln(t) / (4 pi T) for Theis and Cooper-Jacob.
    double (*boreTerm)(const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer);
    // A squared distance (m2) beyond which the source adds no more than leastMetres (nothing at
    // all for 0); it may reach a little beyond the last such distance, never short of it.
    double (*reachSquared)(
        const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer, double leastMetres);
    // The fast lattice terms of each of the sources (one each, in their order; sources alike may
    // share one, as a table along r made once per time); null where drawdown() serves node by
    // node.
    std::vector<std::shared_ptr<const LatticeTerms>> (*latticeTerms)(
        std::span<const LatticeSource> sources, const Aquifer& aquifer)
        = nullptr;
    // For a row whose drawdown costs much (a quadrature): the unit drawdown at squared distance n
    // (m2, > 0) for elapsed times from elapsedMin to elapsedMax (s); null where drawdown() is
    // cheap enough to call at every time.
    std::shared_ptr<const TimeProfile> (*timeProfile)(const SourceTerm& unit, double n,
        const Aquifer& aquifer, double elapsedMin, double elapsedMax)
        = nullptr;
    // Derived values for the report (the aquitard's resistance from B and T); null for none.
    std::vector<ReportLine> (*reportLines)(const Aquifer& aquifer) = nullptr;
    // Whether its formula takes the aquifer's thickness (the drainage of a water table does).
    bool needsThickness = false;
    // What a timeProfile's table costs, in calls of drawdown() per doubling of the times it
    // covers (13 per slot of a quarter of a doubling, for a quadrature): a point's times get a
    // table where one by one they would cost more than twice as much.
    double profileCostPerOctave = 52.0;
};

// Every row, in the order of WellMethod.
[[nodiscard]] std::span<const WellFunction> wellFunctions();
// Adds a row (a well function declared elsewhere: a plug-in, a test) and returns its method; the
// rows already there keep their places. Up to 64 rows in all.
WellMethod addWellFunction(WellFunction row);
// The parameter of a row (or of the base table) whose symbol is given, in any letter case.
[[nodiscard]] const WellParameter* parameterOfSymbol(std::string_view symbol);
// The parameters a scope's section takes from every row, each key once, in the rows' order.
[[nodiscard]] std::vector<const WellParameter*> parametersOfScope(ParameterScope scope);
[[nodiscard]] const WellFunction& wellFunctionRow(WellMethod method);
// The row a text names, in any letter case; empty when it names none.
[[nodiscard]] std::optional<WellMethod> methodOfText(std::string_view text);
[[nodiscard]] const char* methodText(WellMethod method);
// "cooper-jacob, theis or hantush": the texts of every row, for messages and usage.
[[nodiscard]] std::string methodTexts();

} // namespace drawfield
