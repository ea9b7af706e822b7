#pragma once

// One computation's inputs in computation units: the bores, their schedules, the boundaries, the
// observation points, the profile and the map's place, as the engine, the curves and the fit take
// them (scenario.h reads them from the fields' texts).

#include "compute/straight_line.h"
#include "compute/units.h"
#include "compute/wells/aquifer.h"
#include "compute/wells/well_function.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drawfield {

// The rows the window's well and observation tables start with; a scenario may hold more, up to
// the most a site needs.
inline constexpr int WellCount = 5;
inline constexpr int BoundaryCount = 2;
inline constexpr int ObservationCount = 10;
inline constexpr int MostBores = 1000;
inline constexpr int MostObservationPoints = 1000;

// One well row in computation units. A row whose Rate is 0 does not pump (unless its schedule
// makes it pump later).
struct WellInput {
    static constexpr double UsualRadiusMetres = 0.1;
    std::int16_t X = 0; // m
    std::int16_t Y = 0; // m
    double Rate = 0.0; // m3/s
    double RadiusMetres = UsualRadiusMetres; // the drawdown in the bore is read this far from X, Y
    std::string Measured; // its measured drawdowns' file as the scenario names it, or empty
    // The well function's Bore-scope parameters (SI), indexed as its table.
    std::vector<double> Values;
    std::string Name = "Bore"; // "Bore 3" unless the scenario names it
    // The water column above its pump intake or screen (m): the bore runs dry when its own
    // drawdown reaches it. Empty when not given.
    std::optional<double> AvailableMetres;
};

// A schedule holds at most this many rate changes per bore: a few hundred describe any real test,
// and the curves' cost grows with them.
inline constexpr std::size_t MostRateChanges = 300;
// And all bores together at most this many: the curves take a time at each.
inline constexpr std::size_t MostRateChangesInAll = 1500;

// From StartSeconds on, a bore pumps Rate.
struct RateChange {
    double StartSeconds = 0.0; // s since the start of pumping
    double Rate = 0.0; // m3/s, 0 or more
    bool operator==(const RateChange&) const = default;
};

enum class BoundaryKind {
    Barrier, // no flow across: its image wells pump like their wells
    Recharge, // constant head: its images inject what their wells pump
};

// The factor of an image's rate: +1 across a barrier, -1 across a recharge line.
[[nodiscard]] constexpr double imageSign(BoundaryKind kind) noexcept
{
    return kind == BoundaryKind::Barrier ? 1.0 : -1.0;
}

// The texts that name a boundary kind ("barrier", "recharge"), and the kind a text names (empty
// when it names none). Letter case does not count.
[[nodiscard]] const char* boundaryKindText(BoundaryKind kind);
// How the window, the charts and the report name a kind ("Barrier") and what it holds ("no
// flow", "constant head").
[[nodiscard]] const char* boundaryKindLabel(BoundaryKind kind);
const char* boundaryKindMeaning(BoundaryKind kind);
inline constexpr BoundaryKind BoundaryKinds[] = { BoundaryKind::Barrier, BoundaryKind::Recharge };
[[nodiscard]] std::optional<BoundaryKind> boundaryKindOfText(std::string_view text);

// A straight line through (X1, Y1) and (X2, Y2), m.
struct Boundary {
    BoundaryKind Kind = BoundaryKind::Barrier;
    double X1 = 0.0, Y1 = 0.0, X2 = 0.0, Y2 = 0.0;
    [[nodiscard]] StraightLine line() const noexcept { return { X1, Y1, X2, Y2 }; }
};

struct ObservationPoint {
    std::string Name;
    double X = 0.0; // m
    double Y = 0.0; // m
    std::string Measured; // its measured drawdowns' file as the scenario names it, or empty
    // The well function's Observation-scope parameters (SI), indexed as its table.
    std::vector<double> Values;
    std::optional<double> LimitMetres; // a drawdown not to pass there, when one is given
};

struct Profile {
    double X1 = 0.0, Y1 = 0.0, X2 = 0.0, Y2 = 0.0; // m
};

// The map's place on the Earth: local (x, y) lies at (Easting + x, Northing + y).
struct Georeference {
    double Easting = 0.0; // m
    double Northing = 0.0; // m
    std::string Crs; // "EPSG:25832", or empty: no coordinate system
};

// A report gives its tables and maps at most at this many times.
inline constexpr std::size_t MostReportTimes = 8;

// The head of a run's report, as the scenario writes it (empty texts: none given).
struct ReportHead {
    std::string Title, Project, Client, Author, Date, Notes;
};

// One computation's inputs in computation units. The map is square unless the scenario gives its
// Y maximum.
struct ScenarioInputs {
    ResultUnits Units; // what results are written in; the inputs below are SI
    std::int16_t XMin = 0; // m
    std::int16_t YMin = 0; // m
    std::int16_t XMax = 0; // m
    std::int16_t YMax = 0; // m
    std::int16_t Step = 1; // node spacing, m, at least 1
    double Transmissivity = 0.0; // m2/s
    double Storage = 0.0; // storage coefficient, a fraction
    double PumpTimeSeconds = 0.0; // s
    double Thickness = 0.0; // m
    // When pumping began, as dateTimeSecondsOfText gives it; empty unless the scenario says.
    std::optional<double> PumpingStartSeconds;
    WellMethod Method = WellMethod::CooperJacob; // the well function
    bool Unconfined = false; // Jacob's correction of the drawdown for a thickness b
    // The well function's Aquifer-scope parameters (SI), indexed as its table.
    std::vector<double> AquiferValues;
    // The map's values of the function's Observation-scope parameters (SI, indexed as its table):
    // the map read at one depth; empty: the depth average.
    std::vector<double> MapValues;
    std::vector<WellInput> Wells = std::vector<WellInput>(WellCount); // one per row
    // Each bore's rate changes after hour 0, in time order; as many as Wells.
    std::vector<std::vector<RateChange>> Schedules
        = std::vector<std::vector<RateChange>>(WellCount);
    std::vector<Boundary> Boundaries; // none, one, or two perpendicular lines
    std::vector<ObservationPoint> Observations;
    std::optional<Profile> ProfileLine;
    std::optional<Georeference> Place; // empty: local metres, no coordinate system
    // The scenario wrote its coordinates as the site's eastings and northings (Place then holds
    // the local frame's origin): what it shows is in them too.
    bool SiteCoordinates = false;
    ReportHead Report;
    // The times (s, ascending) the report's tables and maps give, beside or instead of the
    // pumping time; empty: the pumping time alone.
    std::vector<double> ReportSeconds;
    // What a fit recorded of the values it gave ([fit]): where they came from and their 95 %
    // intervals, each with the value it belongs to. Empty for a scenario no fit wrote.
    struct RecordedInterval {
        std::string Symbol; // "T", "S" or a well function's ("B")
        double Value = 0.0, Low = 0.0, High = 0.0; // in its SI unit
    };
    std::string FitSource;
    std::vector<RecordedInterval> FitIntervals;

    // The aquifer apart from the wells: T, S, the thickness, the well function and its values,
    // the correction.
    [[nodiscard]] Aquifer aquifer() const;
    // The aquifer as the map reads it: at MapValues' depth, where they are given.
    [[nodiscard]] Aquifer mapAquifer() const;
    // A local place as the scenario wrote it: the site's easting and northing with site
    // coordinates, else the local metres themselves.
    [[nodiscard]] double shownX(double x) const noexcept
    {
        return SiteCoordinates && Place ? x + Place->Easting : x;
    }
    [[nodiscard]] double shownY(double y) const noexcept
    {
        return SiteCoordinates && Place ? y + Place->Northing : y;
    }
    [[nodiscard]] int boreCount() const noexcept { return static_cast<int>(Wells.size()); }
    // Whether bore i (from 0) pumps at any time: its rate or a scheduled rate is above 0.
    [[nodiscard]] bool pumps(int bore) const;
    // The rate bore i pumps at timeSeconds (m3/s): the table's, or that of the last change before
    // that time.
    [[nodiscard]] double rateAt(int bore, double timeSeconds) const;
};

// Whether (x, y) lies in the aquifer: on the side of every boundary where bore 1 lies (inside), or
// on the line itself (within rounding).
[[nodiscard]] bool isInAquifer(const ScenarioInputs& inputs, double x, double y);
bool isInAquifer(const std::vector<Boundary>& boundaries, Point inside, double x, double y);

// The rate a bore pumps at timeSeconds (m3/s): the table's rate, or that of the last change
// before that time (a change at hour 0 replaces the table's rate from the start).
[[nodiscard]] double rateOfSchedule(
    double tableRate, const std::vector<RateChange>& changes, double timeSeconds);
// The side of the boundary's line where the aquifer lies (StraightLine::side of bore 1).
[[nodiscard]] int aquiferSide(const ScenarioInputs& inputs, const Boundary& boundary);

} // namespace drawfield
