#pragma once

// One computation's inputs: the texts of the window's fields, and what they read as.

#include "compute/aquifer.h"
#include "compute/straight_line.h"
#include "compute/well_function.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drawfield {

inline constexpr int WellCount = 5;

inline constexpr double SecondsPerHour = 3600.0;
inline constexpr double SecondsPerDay = 86400.0;
inline constexpr double PercentPerFraction = 100.0;

// The texts of a well function's parameters in one section, by key; a key
// without a text is left out.
using ParameterTexts = std::map<std::string, std::string, std::less<>>;

// The texts of one bore: its row of the well table and what its section adds.
struct BoreTexts {
    std::string x; // X well, m
    std::string y; // Y well, m
    std::string rate; // pumping rate, m3/h
    std::string schedule; // its rate changes, "hour:rate, hour:rate" (h, m3/h); empty for none
    std::string radius; // m, where the drawdown in the bore is read; empty for the usual 0.1 m
    std::string measured; // its measured drawdowns (a CSV file, read at its radius), or empty
    ParameterTexts parameters; // the well functions' Bore-scope keys
    bool operator==(const BoreTexts&) const = default;
};

inline constexpr int BoundaryCount = 2;
inline constexpr int ObservationCount = 10;

// A straight boundary: "barrier" or "recharge", and two points of its line (m). All empty when
// there is none.
struct BoundaryTexts {
    std::string kind, x1, y1, x2, y2;
    [[nodiscard]] bool isEmpty() const
    {
        return kind.empty() && x1.empty() && y1.empty() && x2.empty() && y2.empty();
    }
    bool operator==(const BoundaryTexts&) const = default;
};

// A point whose drawdown is followed over time: a name and X, Y (m, anywhere, not only on the
// lattice). All empty when there is none.
struct ObservationTexts {
    std::string name, x, y;
    std::string measured; // a CSV file of drawdowns measured there (from the scenario's folder)
    ParameterTexts parameters; // the well functions' Observation-scope keys
    [[nodiscard]] bool isEmpty() const
    {
        return name.empty() && x.empty() && y.empty() && measured.empty() && parameters.empty();
    }
    bool operator==(const ObservationTexts&) const = default;
};

// A straight profile from (x1, y1) to (x2, y2), m. All empty when there is none.
struct ProfileTexts {
    std::string x1, y1, x2, y2;
    [[nodiscard]] bool isEmpty() const
    {
        return x1.empty() && y1.empty() && x2.empty() && y2.empty();
    }
    bool operator==(const ProfileTexts&) const = default;
};

// Where the map lies on the Earth: the easting and northing (m) of the map's point (0, 0) in a
// projected coordinate system, and that system ("EPSG:25832"). All empty when the map is in local
// metres only.
struct GeoreferenceTexts {
    std::string easting, northing, crs;
    [[nodiscard]] bool isEmpty() const
    {
        return easting.empty() && northing.empty() && crs.empty();
    }
    bool operator==(const GeoreferenceTexts&) const = default;
};

// The texts of every field a computation reads, as the window holds them. The defaults are the
// window's initial texts; the well table starts empty (see example()).
struct ScenarioTexts {
    std::string xMin = "1"; // X minimum, m
    std::string yMin = "1"; // Y minimum, m
    std::string xMax = "100"; // X and Y maximum, m
    std::string cellSize = "1"; // node spacing, m
    std::string transmissivity = "0.003"; // m2/s
    std::string storage = "4"; // storage coefficient, %
    std::string pumpTime = "24"; // hours
    std::string thickness = "20"; // aquifer thickness, m
    std::string method = "cooper-jacob"; // the well function: a text of its row ("theis", ...)
    std::string unconfined = "no"; // Jacob's unconfined correction: "no" or "yes"
    ParameterTexts aquiferParameters; // the well functions' [aquifer] keys
    std::array<BoreTexts, WellCount> bores; // the well table's rows and their sections
    std::array<BoundaryTexts, BoundaryCount> boundaries;
    std::array<ObservationTexts, ObservationCount> observations;
    ProfileTexts profile;
    GeoreferenceTexts georeference;

    // The window at start-up: the initial texts and the two example wells.
    [[nodiscard]] static ScenarioTexts example();
    bool operator==(const ScenarioTexts&) const = default;
};

// "yes" and "no", in any letter case; empty for anything else.
[[nodiscard]] std::optional<bool> yesNoOfText(std::string_view text);

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
};

// A schedule holds at most this many rate changes per bore: a few hundred describe any real test,
// and the curves' cost grows with them.
inline constexpr std::size_t MostRateChanges = 300;

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

// One computation's inputs in computation units. The map is square: YMax always equals XMax.
struct ScenarioInputs {
    std::int16_t XMin = 0; // m
    std::int16_t YMin = 0; // m
    std::int16_t XMax = 0; // m
    std::int16_t YMax = 0; // m
    std::int16_t Step = 1; // node spacing, m, at least 1
    double Transmissivity = 0.0; // m2/s
    double Storage = 0.0; // storage coefficient, a fraction
    double PumpTime = 0.0; // s
    double Thickness = 0.0; // m
    WellMethod Method = WellMethod::CooperJacob; // the well function
    bool Unconfined = false; // Jacob's correction of the drawdown for a thickness b
    // The well function's Aquifer-scope parameters (SI), indexed as its table.
    std::vector<double> AquiferValues;
    std::array<WellInput, WellCount> Wells;
    std::array<std::vector<RateChange>, WellCount> Schedules; // after hour 0, in time order
    std::vector<Boundary> Boundaries; // none, one, or two perpendicular lines
    std::vector<ObservationPoint> Observations;
    std::optional<Profile> ProfileLine;
    std::optional<Georeference> Place; // empty: local metres, no coordinate system

    // The aquifer apart from the wells: T, S, the thickness, the well function and its values,
    // the correction.
    [[nodiscard]] Aquifer aquifer() const;
    // Whether bore i (0 to 4) pumps at any time: its rate or a scheduled rate is above 0.
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

// What reading the texts gave: the inputs, the warnings to show in order, and the reasons not to
// compute at all. A run goes ahead only when refusals is empty.
struct ScenarioReading {
    ScenarioInputs inputs;
    std::vector<std::string> warnings;
    std::vector<std::string> refusals;
    [[nodiscard]] bool accepted() const { return refusals.empty(); }
};

// Reads the texts by the program's number rules, in the fields' order. Warnings: the map size
// ("Large X size...", "Large Y size..."), then "Pumping outside of map" for each coordinate of each
// pumping row up to the first row without a rate. Refusals: a field that does not fit its range, a
// map maximum below its minimum, a cell size below 1, a negative rate, a transmissivity, storage
// coefficient or pumping time of 0 or less, values that give no finite drawdown, a method or a
// correction named by no known text, a thickness of 0 or less with the unconfined correction,
// and last "No pumping rate " when the first row does not pump.
//
// The fields that came with schedules, boundaries, observation points, the profile, the bore
// radius and the georeference take a number only when their whole text is one ("7S.5" and an
// empty text are refused, naming the field); the coordinate system is judged by the GIS files.
[[nodiscard]] ScenarioReading readScenario(const ScenarioTexts& texts);

} // namespace drawfield
