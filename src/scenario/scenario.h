#pragma once

// The texts of the window's fields, and what they read as (the inputs of compute/inputs.h).

#include "compute/inputs.h"
#include "scenario/units.h"

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drawfield {

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
    // Shown on the map, the curves and the report; empty for "Bore 3". Last, so that a row
    // written { x, y, rate } stays one.
    std::string name;
    // m, the water column above the pump intake or the top of the screen; empty for none.
    std::string availableDrawdown;
    [[nodiscard]] bool isEmpty() const
    {
        return name.empty() && availableDrawdown.empty() && x.empty() && y.empty() && rate.empty()
            && schedule.empty() && radius.empty() && measured.empty() && parameters.empty();
    }
    bool operator==(const BoreTexts&) const = default;
};

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
    std::string limit; // m, a drawdown not to pass there (a neighbour's well, a spring); or empty
    [[nodiscard]] bool isEmpty() const
    {
        return name.empty() && x.empty() && y.empty() && measured.empty() && parameters.empty()
            && limit.empty();
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

// The [report] section: the head of a report a client is handed, and the times its tables and maps
// give ("1 d, 30 d, 1 year"; empty: the pumping time). All empty when there is none.
struct ReportTexts {
    std::string title, project, client, author, date, notes, times;
    [[nodiscard]] bool isEmpty() const
    {
        return title.empty() && project.empty() && client.empty() && author.empty() && date.empty()
            && notes.empty() && times.empty();
    }
    bool operator==(const ReportTexts&) const = default;
};

// What a fit recorded in the scenario it wrote: the test it came from, and the values it gave
// with their 95 % intervals, "T = 0.0053544 (95 %: 0.005096 .. 0.005626); S = ...", in SI units.
struct FitTexts {
    std::string source, intervals;
    [[nodiscard]] bool isEmpty() const { return source.empty() && intervals.empty(); }
    bool operator==(const FitTexts&) const = default;
};

// The texts of every field a computation reads, as the window holds them. The defaults are the
// window's initial texts; the well table starts empty (see example()).
struct ScenarioTexts {
    std::string xMin = "1"; // X minimum, m
    std::string yMin = "1"; // Y minimum, m
    std::string xMax = "100"; // X and Y maximum, m
    std::string yMax; // Y maximum, m, where the map is not square; empty: X maximum's
    std::string cellSize = "1"; // node spacing, m
    // The depth (m below the aquifer's top) the map is read at, by a function that reads screens;
    // empty: the depth average.
    std::string mapDepth;
    // "crs": the coordinates are the site's eastings and northings (site_frame.h); empty or
    // "local": local metres.
    std::string coordinates;
    std::string transmissivity = "0.003"; // m2/s
    std::string storage = "4"; // storage coefficient, %
    std::string pumpTime = "24"; // hours
    std::string thickness = "20"; // aquifer thickness, m
    std::string method = "cooper-jacob"; // the well function: a text of its row ("theis", ...)
    std::string unconfined = "no"; // Jacob's unconfined correction: "no" or "yes"
    // When pumping began, "2026-03-04 08:00": readings stamped with date-times count from it.
    std::string pumpingStart;
    ParameterTexts aquiferParameters; // the well functions' [aquifer] keys
    // The well table's rows and their sections: WellCount or more, up to MostBores.
    std::vector<BoreTexts> bores = std::vector<BoreTexts>(WellCount);
    std::array<BoundaryTexts, BoundaryCount> boundaries;
    // ObservationCount or more, up to MostObservationPoints.
    std::vector<ObservationTexts> observations = std::vector<ObservationTexts>(ObservationCount);
    ProfileTexts profile;
    GeoreferenceTexts georeference;
    UnitTexts units; // the [units] section: what a number without a unit word is in
    ReportTexts report;
    FitTexts fit; // [fit]: kept as read, written back

    // The window at start-up: the initial texts and the two example wells.
    [[nodiscard]] static ScenarioTexts example();
    bool operator==(const ScenarioTexts&) const = default;
};

// "yes" and "no", in any letter case; empty for anything else.
[[nodiscard]] std::optional<bool> yesNoOfText(std::string_view text);

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
//
// A number may be followed by a unit word of its field's quantity ("450 m2/d"); without one it is
// in the unit [units] names for that quantity, else in the program's own (units.h). A word of
// another quantity is refused, naming the field, the word and the units it takes; coordinates in
// another unit than metres must come to whole metres. Warnings then name values no aquifer has
// (plausibility.h).
[[nodiscard]] ScenarioReading readScenario(const ScenarioTexts& texts);

} // namespace drawfield
