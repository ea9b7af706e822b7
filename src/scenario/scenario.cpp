#include "scenario/scenario.h"

#include "compute/ascii_case.h"

#include "compute/messages.h"
#include "files/number_text.h"
#include "files/user_text.h"
#include "scenario/fit_record.h"
#include "scenario/plausibility.h"
#include "scenario/site_frame.h"
#include "scenario/text_rules.h"
#include "scenario/value_reading.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace drawfield {
namespace {

    // A field's text as a message quotes it: short, and escaped.
    std::string quoted(const std::string& text) { return quotedExcerpt(text); }

    void requirePositive(const std::optional<double>& value, const std::string& text,
        const std::string& field, std::vector<std::string>& refusals)
    {
        if (value && !(*value > 0.0))
            refusals.push_back(field + " must be greater than 0; " + quoted(text) + " reads as "
                + realText(*value).substr(*value < 0 ? 0 : 1) + ".");
    }

    std::string wellField(int row, const std::string& column)
    {
        return "Bore " + std::to_string(row) + ", " + column;
    }

    // A classic field's label with its unit: the program's own words ("Pumping time (hours)"), or
    // the [units] word chosen for its quantity.
    std::string labelled(
        const char* name, const char* usual, const UnitTexts& units, Quantity quantity)
    {
        // A word [units] cannot take is refused where it stands, and named there alone.
        const std::string& chosen = unitText(units, quantity);
        const bool own = chosen.empty() || !unitFactor(chosen, quantity);
        return std::string(name) + " (" + (own ? std::string(usual) : chosen) + ")";
    }

    // The unit a number without a word is in, for schedules: the program's own when [units]
    // names none or one that is refused (where it stands).
    UnitFactor unitOf(const UnitTexts& units, Quantity quantity)
    {
        if (std::optional<UnitFactor> chosen = defaultUnit(units, quantity))
            return *chosen;
        return *unitFactor(usualUnit(quantity), quantity);
    }

    // A [units] word that is not a unit of its quantity.
    void refuseUnknownUnits(const UnitTexts& units, std::vector<std::string>& refusals)
    {
        for (Quantity quantity : UnitQuantities) {
            const std::string& word = unitText(units, quantity);
            if (!word.empty() && !unitFactor(word, quantity))
                refusals.push_back("Units, " + std::string(quantityName(quantity)) + ": "
                    + quoted(word) + " is not a unit of " + std::string(quantityName(quantity))
                    + "; it takes " + std::string(unitsTaken(quantity)) + ".");
        }
    }

} // namespace

namespace {

    // "12:0, 30:3": the rate changes of a bore, or a refusal naming it.
    std::optional<std::vector<RateChange>> readSchedule(const std::string& text, int bore,
        const UnitFactor& timeUnit, const UnitFactor& rateUnit, std::vector<std::string>& refusals)
    {
        std::vector<RateChange> changes;
        const std::string field = "Bore " + std::to_string(bore) + ", schedule";
        for (const std::string& entry : commaEntries(text)) {
            if (changes.size() == MostRateChanges) {
                refusals.push_back(field + " holds more than " + std::to_string(MostRateChanges)
                    + " rate changes, more than a schedule can hold.");
                return std::nullopt;
            }
            const std::size_t colon = entry.find(':');
            std::optional<double> hour, rate;
            if (colon != std::string::npos && isWholeNumberText(entry.substr(0, colon))
                && isWholeNumberText(entry.substr(colon + 1))) {
                hour = numberOfText(entry.substr(0, colon));
                rate = numberOfText(entry.substr(colon + 1));
            }
            if (!hour || !rate) {
                refusals.push_back(field + " must be hour:rate pairs such as 12:0, 30:3; "
                    + quotedExcerpt(entry) + " is not one.");
                return std::nullopt;
            }
            if (*hour < 0.0 || *rate < 0.0) {
                refusals.push_back(field + ": hours and rates cannot be negative; "
                    + quotedExcerpt(entry) + " has one.");
                return std::nullopt;
            }
            const double seconds = timeUnit.toSI(*hour);
            if (!changes.empty() && !(seconds > changes.back().StartSeconds)) {
                refusals.push_back(field + ": the hours must increase; " + quotedExcerpt(entry)
                    + " comes after a later or equal hour.");
                return std::nullopt;
            }
            changes.push_back({ seconds, rateUnit.toSI(*rate) });
        }
        return changes;
    }

    // "EPSG:" and digits, in any letter case, blanks around; or nothing.
    std::string normalisedCrs(const std::string& text)
    {
        std::string crs;
        for (char c : text)
            if (c != ' ' && c != '\t')
                crs.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
        return crs;
    }

} // namespace

std::optional<bool> yesNoOfText(std::string_view text)
{
    const std::string word = asciiLowerCase(text);
    if (word == "yes")
        return true;
    if (word == "no")
        return false;
    return std::nullopt;
}

ScenarioTexts ScenarioTexts::example()
{
    ScenarioTexts texts;
    texts.bores[0] = { "30", "30", "6" };
    texts.bores[1] = { "60", "60", "4" };
    return texts;
}

ScenarioReading readScenario(const ScenarioTexts& texts)
{
    ScenarioReading reading;
    ScenarioInputs& in = reading.inputs;
    std::vector<std::string>& refusals = reading.refusals;
    refuseUnknownUnits(texts.units, refusals);
    in.Units = resultUnits(texts.units);
    ValueReader reader(texts.units, refusals);
    const bool metresAsTyped = texts.units.length.empty();

    using Axis = SiteFrame::Axis;
    using Rounding = SiteFrame::Rounding;
    std::optional<SiteFrame> site = SiteFrame::of(texts, refusals);
    const bool siteCoordinates = siteCoordinatesOfText(texts.coordinates).value_or(false);
    if (!siteCoordinatesOfText(texts.coordinates))
        refusals.push_back(
            "Coordinates must be local or crs; " + quoted(texts.coordinates) + " is neither.");
    // Site coordinates without their frame are refused above: nothing more is said of them.
    auto siteOnly = [&](auto&& read) { return site ? read(*site) : decltype(read(*site)) {}; };
    std::optional<std::int16_t> xMin = siteCoordinates ? siteOnly([&](SiteFrame& f) {
        return f.lattice(texts.xMin, "X minimum", Axis::X, Rounding::Down);
    })
                                                       : reader.metres(texts.xMin, "X minimum");
    std::optional<std::int16_t> yMin = siteCoordinates ? siteOnly([&](SiteFrame& f) {
        return f.lattice(texts.yMin, "Y minimum", Axis::Y, Rounding::Down);
    })
                                                       : reader.metres(texts.yMin, "Y minimum");
    // Without a Y maximum the maximum bounds both axes, so it is accepted from the larger minimum
    // up: one field, one refusal, naming the range that is really accepted. With one, each
    // maximum bounds its own axis.
    const bool square = texts.yMax.empty();
    auto maximum = [&](const std::string& text, const char* field, int lowest, Axis axis) {
        if (siteCoordinates) {
            std::optional<std::int16_t> value = siteOnly(
                [&](SiteFrame& f) { return f.lattice(text, field, axis, Rounding::Up); });
            if (value && *value < lowest) {
                refusals.push_back(std::string(field) + " " + quoted(text) + " lies "
                    + (axis == Axis::X ? "west" : "south") + " of the minimum.");
                return std::optional<std::int16_t> {};
            }
            return value;
        }
        const bool asTyped = metresAsTyped && splitUnit(text).unit.empty();
        std::optional<std::int16_t> value
            = asTyped ? integerOfText(text) : reader.metres(text, field);
        if ((asTyped && !value) || (value && *value < lowest))
            refusals.push_back(std::string(field) + " must be a whole number of metres from "
                + std::to_string(lowest) + " to 32767; " + quoted(text)
                + (value ? " is below that."
                         : " is outside that range." + siteCoordinateHint(text)));
        return value && *value >= lowest ? value : std::nullopt;
    };
    // Site coordinates have no square map: an easting is no northing.
    if (siteCoordinates && square)
        refusals.push_back("With coordinates = crs the map needs its Y maximum (y_max): X "
                           "maximum is an easting.");
    std::optional<std::int16_t> xMax = maximum(texts.xMax, square ? "X and Y maximum" : "X maximum",
        square ? std::max<int>(xMin.value_or(-32768), yMin.value_or(-32768))
               : xMin.value_or(-32768),
        Axis::X);
    std::optional<std::int16_t> yMax
        = square ? xMax : maximum(texts.yMax, "Y maximum", yMin.value_or(-32768), Axis::Y);
    in.XMin = xMin.value_or(0);
    in.YMin = yMin.value_or(0);
    in.XMax = xMax.value_or(0);
    in.YMax = yMax.value_or(0);
    if (xMax && in.XMax > 500)
        reading.warnings.push_back(messages::LargeXSize);
    if (yMax && in.YMax > 5000)
        reading.warnings.push_back(messages::LargeYSize);

    const bool stepAsTyped = metresAsTyped && splitUnit(texts.cellSize).unit.empty();
    std::optional<std::int16_t> step
        = stepAsTyped ? integerOfText(texts.cellSize) : reader.metres(texts.cellSize, "Cell size");
    if (step && *step == 0)
        step = 1;
    if (step && *step >= 1)
        in.Step = *step;
    else if (stepAsTyped || step) // else refused by the reader, naming its unit
        refusals.push_back("Cell size must be a whole number of metres from 1 to 32767; "
            + quoted(texts.cellSize) + " is not.");

    // Positions are only worth a warning on a map that can be computed.
    bool mapKnown = xMin && yMin && xMax && yMax && in.XMax >= in.XMin && in.YMax >= in.YMin;
    bool positionCheckGoesOn = true;
    const int bores = static_cast<int>(texts.bores.size());
    in.Wells.assign(texts.bores.size(), WellInput {});
    in.Schedules.assign(texts.bores.size(), {});
    for (int i = 0; i < bores; ++i) {
        const std::string& name = texts.bores[static_cast<std::size_t>(i)].name;
        in.Wells[static_cast<std::size_t>(i)].Name
            = name.empty() ? "Bore " + std::to_string(i + 1) : name;
    }
    for (int i = 0; i < bores; ++i)
        if (std::optional<std::vector<RateChange>> schedule
            = readSchedule(texts.bores[static_cast<std::size_t>(i)].schedule, i + 1,
                unitOf(texts.units, Quantity::Time), unitOf(texts.units, Quantity::Rate), refusals))
            in.Schedules[static_cast<std::size_t>(i)] = std::move(*schedule);
    std::size_t changes = 0;
    for (const std::vector<RateChange>& schedule : in.Schedules)
        changes += schedule.size();
    if (changes > MostRateChangesInAll)
        refusals.push_back("The schedules hold " + std::to_string(changes)
            + " rate changes in all, more than the " + std::to_string(MostRateChangesInAll)
            + " a scenario can hold.");
    // A bore's place: local whole metres, or a site coordinate taken to the nearest metre of the
    // lattice, which is said.
    std::vector<std::string> moved;
    auto boreCoordinate = [&](const std::string& text, const std::string& field, Axis axis) {
        if (!siteCoordinates)
            return reader.metres(text, field);
        return siteOnly([&](SiteFrame& f) {
            const std::optional<double> exact = f.local(text, field, axis);
            std::optional<std::int16_t> whole;
            if (exact)
                whole = f.lattice(text, field, axis, Rounding::Nearest);
            if (whole && std::fabs(*whole - *exact) > 1e-6)
                moved.push_back(field + " " + quoted(text) + " is taken as "
                    + plainSignificantText(
                        *whole + (axis == Axis::X ? f.origin().X : f.origin().Y), 12));
            return whole;
        });
    };
    for (int i = 0; i < bores; ++i) {
        const BoreTexts& row = texts.bores[static_cast<std::size_t>(i)];
        WellInput& well = in.Wells[static_cast<std::size_t>(i)];
        const std::string rateField
            = wellField(i + 1, labelled("Pumping rate", "m3/h", texts.units, Quantity::Rate));
        std::optional<double> rate = reader.classic(row.rate, rateField, Quantity::Rate);
        if (!rate) {
            positionCheckGoesOn = false;
            continue;
        }
        if (*rate < 0.0)
            refusals.push_back(rateField + " cannot be negative; " + quoted(row.rate)
                + " would inject water, which is not modelled.");
        well.Rate = *rate;
        if (!in.pumps(i)) {
            // The position check stops at the first row without a rate; later rows still pump.
            positionCheckGoesOn = false;
            // An idle bore with readings is an observation well: its place counts.
            if (const std::string& measured = row.measured; !measured.empty()) {
                well.X = boreCoordinate(row.x, wellField(i + 1, "X well"), Axis::X).value_or(0);
                well.Y = boreCoordinate(row.y, wellField(i + 1, "Y well"), Axis::Y).value_or(0);
                well.Measured = measured;
            }
            continue;
        }
        std::optional<std::int16_t> x = boreCoordinate(row.x, wellField(i + 1, "X well"), Axis::X);
        std::optional<std::int16_t> y = boreCoordinate(row.y, wellField(i + 1, "Y well"), Axis::Y);
        well.X = x.value_or(0);
        well.Y = y.value_or(0);
        well.Measured = row.measured;
        if (const std::string& radiusText = row.radius; !radiusText.empty()) {
            std::optional<double> radius = reader.numberWithin(
                radiusText, wellField(i + 1, "radius"), Quantity::Length, { 0.001, 100.0, "m" });
            well.RadiusMetres = radius.value_or(WellInput::UsualRadiusMetres);
        }
        if (const std::string& available = row.availableDrawdown; !available.empty())
            well.AvailableMetres = reader.numberWithin(available,
                wellField(i + 1, "available drawdown"), Quantity::Length, { 0.01, 10000.0, "m" });
        if (positionCheckGoesOn && mapKnown) {
            if (x && (well.X < in.XMin || well.X > in.XMax))
                reading.warnings.push_back(messages::PumpingOutsideOfMap);
            if (y && (well.Y < in.YMin || well.Y > in.YMax))
                reading.warnings.push_back(messages::PumpingOutsideOfMap);
        }
    }

    const std::string transmissivityField
        = labelled("Transmissivity", "m2/s", texts.units, Quantity::Transmissivity);
    const std::string storageField
        = labelled("S Coefficient of storage", "%", texts.units, Quantity::Storage);
    const std::string pumpTimeField
        = labelled("Pumping time", "hours", texts.units, Quantity::Time);
    const std::string thicknessField
        = labelled("Aquifer thickness", "m", texts.units, Quantity::Length);
    std::optional<double> transmissivity
        = reader.classic(texts.transmissivity, transmissivityField, Quantity::Transmissivity);
    std::optional<double> storage = reader.classic(texts.storage, storageField, Quantity::Storage);
    std::optional<double> pumpTime = reader.classic(texts.pumpTime, pumpTimeField, Quantity::Time);
    std::optional<double> thickness
        = reader.classic(texts.thickness, thicknessField, Quantity::Length);
    in.Transmissivity = transmissivity.value_or(0.0);
    in.Storage = storage.value_or(0.0);
    in.PumpTimeSeconds = pumpTime.value_or(0.0);
    in.Thickness = thickness.value_or(0.0);

    requirePositive(transmissivity, texts.transmissivity, transmissivityField, refusals);
    requirePositive(storage, texts.storage, storageField, refusals);
    requirePositive(pumpTime, texts.pumpTime, pumpTimeField, refusals);

    if (std::optional<WellMethod> method = methodOfText(texts.method))
        in.Method = *method;
    else
        refusals.push_back("Method must be " + std::string(methodTexts()) + "; "
            + quoted(texts.method) + " is none of them.");
    // The chosen well function's own parameters, from its table; the others' texts stay as
    // they are.
    const WellFunction& row = wellFunctionRow(in.Method);
    in.AquiferValues = parameterValues(
        row, ParameterScope::Aquifer, texts.aquiferParameters, "", reader, refusals);
    // Where the aquifer's values hold an observation's (seenFrom), the fallbacks stand for
    // fully penetrating observation until a point gives its own.
    for (std::size_t i = 0; i < row.parameters.size(); ++i)
        if (row.parameters[i].scope == ParameterScope::Observation && row.parameters[i].fallback)
            in.AquiferValues[i] = *row.parameters[i].fallback * row.parameters[i].perShownUnit;
    // The map read at one depth, as by a piezometer there, where the function reads screens.
    if (const std::string depth = trimmedBlanks(texts.mapDepth); !depth.empty()) {
        if (std::none_of(row.parameters.begin(), row.parameters.end(),
                [](const WellParameter& p) { return p.scope == ParameterScope::Observation; }))
            refusals.push_back("Map depth " + quoted(depth) + " is read only by a function "
                + "that reads screens (" + screenReaders() + "); " + row.label
                + " gives one drawdown over the depth.");
        else
            in.MapValues = parameterValues(row, ParameterScope::Observation,
                { { "screen_top", depth }, { "screen_bottom", depth } }, "Map depth, ", reader,
                refusals);
    }
    for (int i = 0; i < bores; ++i)
        if (in.pumps(i) || !in.Wells[static_cast<std::size_t>(i)].Measured.empty())
            in.Wells[static_cast<std::size_t>(i)].Values = parameterValues(row,
                ParameterScope::Bore, texts.bores[static_cast<std::size_t>(i)].parameters,
                wellField(i + 1, ""), reader, refusals);
    if (std::optional<bool> unconfined = yesNoOfText(texts.unconfined))
        in.Unconfined = *unconfined;
    else
        refusals.push_back("Unconfined correction must be yes or no; " + quoted(texts.unconfined)
            + " is neither.");
    if (const std::string start = trimmedBlanks(texts.pumpingStart);
        !start.empty() && !(in.PumpingStartSeconds = dateTimeSecondsOfText(start)))
        refusals.push_back("Pumping start must be a date and time such as 2026-03-04 08:00; "
            + quoted(start) + " is none.");
    // The correction divides by the thickness: it needs one.
    if (in.Unconfined && thickness && !(*thickness > 0.0))
        refusals.push_back(thicknessField
            + " must be greater than 0 for the unconfined "
              "correction; "
            + quoted(texts.thickness) + " reads as "
            + realText(*thickness).substr(*thickness < 0 ? 0 : 1) + ".");
    // A water table that drains needs the depth it drains over.
    if (row.needsThickness && !(in.Thickness > 0.0) && !(in.Unconfined && thickness))
        refusals.push_back(thicknessField + " must be greater than 0 for " + row.label
            + (thickness ? "; " + quoted(texts.thickness) + " reads as "
                        + realText(*thickness).substr(*thickness < 0 ? 0 : 1) + "."
                         : ": the saturated thickness the water table drains over."));

    if (!moved.empty())
        reading.warnings.push_back("The map's bores stand on whole metres: " + moved.front()
            + (moved.size() > 1 ? " (and " + std::to_string(moved.size() - 1) + " more)" : "")
            + ".");
    // A place off the lattice: local metres, or a site coordinate taken into them.
    auto coordinate = [&](const std::string& text, const std::string& field, Axis axis) {
        return siteCoordinates ? siteOnly([&](SiteFrame& f) { return f.local(text, field, axis); })
                               : reader.number(text, field, Quantity::Length);
    };

    // Straight boundaries: one line, or two perpendicular ones; every pumping bore on the side of
    // each where bore 1 stands.
    for (int b = 0; b < BoundaryCount; ++b) {
        const BoundaryTexts& line = texts.boundaries[static_cast<std::size_t>(b)];
        if (line.isEmpty())
            continue;
        const std::string field = "Boundary " + std::to_string(b + 1);
        std::optional<BoundaryKind> kind = boundaryKindOfText(line.kind);
        if (!kind)
            refusals.push_back(field + ", kind must be barrier or recharge; " + quoted(line.kind)
                + " is neither.");
        std::optional<double> x1 = coordinate(line.x1, field + ", x1", Axis::X);
        std::optional<double> y1 = coordinate(line.y1, field + ", y1", Axis::Y);
        std::optional<double> x2 = coordinate(line.x2, field + ", x2", Axis::X);
        std::optional<double> y2 = coordinate(line.y2, field + ", y2", Axis::Y);
        if (!kind || !x1 || !y1 || !x2 || !y2)
            continue;
        if (*x1 == *x2 && *y1 == *y2) {
            refusals.push_back(field
                + " needs two distinct points for its line; (x1, y1) and "
                  "(x2, y2) are the same.");
            continue;
        }
        in.Boundaries.push_back({ *kind, *x1, *y1, *x2, *y2 });
    }
    if (in.Boundaries.size() == 2) {
        const Point a = in.Boundaries[0].line().direction();
        const Point b = in.Boundaries[1].line().direction();
        if (std::fabs(a.X * b.X + a.Y * b.Y) > 1e-9)
            refusals.push_back("Boundary 2 must be perpendicular to boundary 1: parallel lines "
                               "and lines at another angle are not modelled.");
    }
    for (std::size_t b = 0; b < in.Boundaries.size() && in.pumps(0); ++b) {
        const StraightLine line = in.Boundaries[b].line();
        const int aquifer = aquiferSide(in, in.Boundaries[b]);
        for (int i = 0; i < bores; ++i) {
            if (!in.pumps(i))
                continue;
            const WellInput& well = in.Wells[static_cast<std::size_t>(i)];
            const int side = line.side(well.X, well.Y);
            if (side == 0 || side != aquifer) {
                refusals.push_back("Bore " + std::to_string(i + 1) + " stands "
                    + (side == 0 ? "on boundary " : "beyond boundary ") + std::to_string(b + 1)
                    + ": the aquifer is the side of each boundary where bore 1 stands, and every "
                      "pumping bore must be inside it.");
                break;
            }
        }
    }

    for (std::size_t o = 0; o < texts.observations.size(); ++o) {
        const ObservationTexts& point = texts.observations[o];
        if (point.isEmpty())
            continue;
        const std::string field = "Observation point " + std::to_string(o + 1);
        std::optional<double> x = coordinate(point.x, field + ", x", Axis::X);
        std::optional<double> y = coordinate(point.y, field + ", y", Axis::Y);
        std::optional<double> limit;
        if (!point.limit.empty())
            limit = reader.numberWithin(
                point.limit, field + ", limit", Quantity::Length, { 0.001, 10000.0, "m" });
        if (x && y)
            in.Observations.push_back(
                { point.name.empty() ? "Point " + std::to_string(o + 1) : point.name, *x, *y,
                    point.measured,
                    parameterValues(wellFunctionRow(in.Method), ParameterScope::Observation,
                        point.parameters, field + ", ", reader, refusals),
                    limit });
    }
    if (!texts.profile.isEmpty()) {
        // Along the map, whose coordinates are whole metres of 16 bits.
        auto read = [&](const std::string& text, const char* name, Axis axis) {
            const std::string field = std::string("Profile, ") + name;
            if (!siteCoordinates)
                return reader.numberWithin(
                    text, field, Quantity::Length, { -32768.0, 32767.0, "m" });
            std::optional<double> value = coordinate(text, field, axis);
            if (value && !(std::fabs(*value) <= 32767.0)) {
                refusals.push_back(field + " " + quoted(text) + " lies beyond the map's reach.");
                value.reset();
            }
            return value;
        };
        std::optional<double> x1 = read(texts.profile.x1, "x1", Axis::X);
        std::optional<double> y1 = read(texts.profile.y1, "y1", Axis::Y);
        std::optional<double> x2 = read(texts.profile.x2, "x2", Axis::X);
        std::optional<double> y2 = read(texts.profile.y2, "y2", Axis::Y);
        if (x1 && y1 && x2 && y2) {
            if (*x1 == *x2 && *y1 == *y2)
                refusals.push_back("Profile needs two distinct points; (x1, y1) and (x2, y2) are "
                                   "the same.");
            else
                in.ProfileLine = Profile { *x1, *y1, *x2, *y2 };
        }
    }

    if (siteCoordinates) {
        in.SiteCoordinates = true;
        if (site)
            in.Place = Georeference { site->origin().X, site->origin().Y,
                normalisedCrs(texts.georeference.crs) };
    } else if (!texts.georeference.isEmpty()) {
        // Projected coordinates stay within ten thousand kilometres of their origin.
        constexpr double Farthest = 1e7;
        const GeoreferenceTexts& geo = texts.georeference;
        // In the coordinate system's own units, which no [units] word changes.
        std::optional<double> easting = reader.numberWithin(
            geo.easting, "Georeference, easting", Quantity::Ratio, { -Farthest, Farthest, "m" });
        std::optional<double> northing = reader.numberWithin(
            geo.northing, "Georeference, northing", Quantity::Ratio, { -Farthest, Farthest, "m" });
        if (easting && northing)
            in.Place = Georeference { *easting, *northing, normalisedCrs(geo.crs) };
    }

    const ReportTexts& report = texts.report;
    in.Report
        = { report.title, report.project, report.client, report.author, report.date, report.notes };
    for (const std::string& entry : commaEntries(report.times)) {
        if (in.ReportSeconds.size() == MostReportTimes) {
            refusals.push_back("Report, times holds more than " + std::to_string(MostReportTimes)
                + " times; a report gives at most that many.");
            break;
        }
        if (std::optional<double> seconds = reader.numberWithin(entry, "Report, times",
                Quantity::Time, { 0.1, 8766000.0, "h", SecondsPerHour })) // 6 minutes to 1000 years
            in.ReportSeconds.push_back(*seconds);
    }
    in.FitSource = texts.fit.source;
    in.FitIntervals = intervalsOfText(texts.fit.intervals);
    std::sort(in.ReportSeconds.begin(), in.ReportSeconds.end());
    in.ReportSeconds.erase(
        std::unique(in.ReportSeconds.begin(), in.ReportSeconds.end()), in.ReportSeconds.end());

    // Extreme but accepted values can still overflow the formula (a transmissivity of 1E-320).
    if (refusals.empty()) {
        // The drawdown goes with the rate: without values of their own, the bore of the largest
        // rate answers for all (a Laplace-space function costs milliseconds a value).
        const bool ownValues = std::any_of(row.parameters.begin(), row.parameters.end(),
            [](const WellParameter& p) { return p.scope == ParameterScope::Bore; });
        auto largestRate = [&](int i) {
            double rate = in.Wells[static_cast<std::size_t>(i)].Rate;
            for (const RateChange& change : in.Schedules[static_cast<std::size_t>(i)])
                rate = std::max(rate, change.Rate);
            return rate;
        };
        int largest = -1;
        for (int i = 0; i < bores; ++i)
            if (in.pumps(i) && (largest < 0 || largestRate(i) > largestRate(largest)))
                largest = i;
        for (int i = 0; i < bores; ++i) {
            const WellInput& well = in.Wells[static_cast<std::size_t>(i)];
            if (!in.pumps(i) || (!ownValues && i != largest))
                continue;
            const double rate = largestRate(i);
            const Aquifer aquifer = in.aquifer();
            const SourceTerm term { rate, well.Values, well.RadiusMetres, rate };
            const bool finite
                = std::isfinite(aquifer.function->boreTerm(term, in.PumpTimeSeconds, aquifer))
                && std::isfinite(
                    aquifer.function->drawdown(term, 1.0, in.PumpTimeSeconds, aquifer));
            if (!finite) {
                refusals.push_back("Bore " + std::to_string(i + 1)
                    + ": transmissivity, storage coefficient, pumping time and pumping rate give "
                      "no finite drawdown; check their values.");
                break;
            }
        }
    }

    if (in.Wells[0].Rate == 0.0 && numberOfText(texts.bores[0].rate) && !in.pumps(0))
        refusals.push_back(messages::NoPumpingRate);
    if (refusals.empty())
        for (std::string& warning : plausibilityWarnings(texts, in))
            reading.warnings.push_back(std::move(warning));
    return reading;
}

} // namespace drawfield
