#pragma once

// Every key of a scenario file, in the order the writer writes them: the one list the reader,
// the writer, the round-trip test, the scenario fuzzer and drawfield-batch's usage iterate. The
// keys of the well functions' parameters come from their tables (WellFunction::parameters): those
// of Aquifer scope in [aquifer], of Bore scope in each [boreN], of Observation scope in each
// [observationN], each key once whatever number of rows declare it.
//
//   [map]            x_min, y_min, x_max, y_max, cell_size, coordinates, depth
//   [aquifer]        transmissivity, storage, pumping_time, thickness, method, unconfined, then
//                    the parameters
//   [bore1]..        name, x, y, rate, schedule, radius, available_drawdown, measured, then
//                    the parameters
//   [boundary1], [boundary2]   kind, x1, y1, x2, y2
//   [observation1].. name, x, y, limit, measured, then the parameters
//   [profile]        x1, y1, x2, y2
//   [georeference]   easting, northing, crs
//   [units]          length, transmissivity, storage, time, rate: the unit of a number
//                    written without one
//   [report]         title, project, client, author, date, notes, times

#include "compute/wells/well_function.h"
#include "scenario/scenario.h"

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace drawfield {

// visit(section, key, text) for the well functions' keys of a scope in one section.
template <class Map, class Visit>
void forEachParameterKey(Map& map, ParameterScope scope, const std::string& section, Visit& visit)
{
    for (const WellParameter* parameter : parametersOfScope(scope)) {
        if constexpr (std::is_const_v<Map>) {
            static const std::string none;
            const auto found = map.find(parameter->key);
            visit(section, parameter->key, found == map.end() ? none : found->second);
        } else {
            visit(section, parameter->key, map[std::string(parameter->key)]);
        }
    }
}

// The keys of one bore's section ("bore2").
template <class Bore, class Visit>
void forEachBoreKey(Bore& bore, const std::string& section, Visit& visit)
{
    visit(section, "name", bore.name);
    visit(section, "x", bore.x);
    visit(section, "y", bore.y);
    visit(section, "rate", bore.rate);
    visit(section, "schedule", bore.schedule);
    visit(section, "radius", bore.radius);
    visit(section, "available_drawdown", bore.availableDrawdown);
    visit(section, "measured", bore.measured);
    forEachParameterKey(bore.parameters, ParameterScope::Bore, section, visit);
}

// The keys of one observation point's section ("observation2").
template <class Point, class Visit>
void forEachObservationKey(Point& point, const std::string& section, Visit& visit)
{
    visit(section, "name", point.name);
    visit(section, "x", point.x);
    visit(section, "y", point.y);
    visit(section, "limit", point.limit);
    visit(section, "measured", point.measured);
    forEachParameterKey(point.parameters, ParameterScope::Observation, section, visit);
}

// The keys of [map] and [aquifer], which come first.
template <class Texts, class Visit> void forEachLeadingKey(Texts& texts, Visit& visit)
{
    const std::string map = "map", aquifer = "aquifer";
    visit(map, "x_min", texts.xMin);
    visit(map, "y_min", texts.yMin);
    visit(map, "x_max", texts.xMax);
    visit(map, "y_max", texts.yMax);
    visit(map, "cell_size", texts.cellSize);
    visit(map, "coordinates", texts.coordinates);
    visit(map, "depth", texts.mapDepth);
    visit(aquifer, "transmissivity", texts.transmissivity);
    visit(aquifer, "storage", texts.storage);
    visit(aquifer, "pumping_time", texts.pumpTime);
    visit(aquifer, "thickness", texts.thickness);
    visit(aquifer, "method", texts.method);
    visit(aquifer, "unconfined", texts.unconfined);
    visit(aquifer, "pumping_start", texts.pumpingStart);
    forEachParameterKey(texts.aquiferParameters, ParameterScope::Aquifer, aquifer, visit);
}

// The keys of [boundary1] and [boundary2].
template <class Texts, class Visit> void forEachBoundaryKey(Texts& texts, Visit& visit)
{
    for (std::size_t i = 0; i < texts.boundaries.size(); ++i) {
        const std::string section = "boundary" + std::to_string(i + 1);
        visit(section, "kind", texts.boundaries[i].kind);
        visit(section, "x1", texts.boundaries[i].x1);
        visit(section, "y1", texts.boundaries[i].y1);
        visit(section, "x2", texts.boundaries[i].x2);
        visit(section, "y2", texts.boundaries[i].y2);
    }
}

// The keys of [profile], [georeference] and [units], which come last.
template <class Texts, class Visit> void forEachTrailingKey(Texts& texts, Visit& visit)
{
    const std::string profile = "profile", georeference = "georeference";
    visit(profile, "x1", texts.profile.x1);
    visit(profile, "y1", texts.profile.y1);
    visit(profile, "x2", texts.profile.x2);
    visit(profile, "y2", texts.profile.y2);
    visit(georeference, "easting", texts.georeference.easting);
    visit(georeference, "northing", texts.georeference.northing);
    visit(georeference, "crs", texts.georeference.crs);
    const std::string units = "units";
    visit(units, "length", texts.units.length);
    visit(units, "transmissivity", texts.units.transmissivity);
    visit(units, "storage", texts.units.storage);
    visit(units, "time", texts.units.time);
    visit(units, "rate", texts.units.rate);
    const std::string report = "report";
    visit(report, "title", texts.report.title);
    visit(report, "project", texts.report.project);
    visit(report, "client", texts.report.client);
    visit(report, "author", texts.report.author);
    visit(report, "date", texts.report.date);
    visit(report, "notes", texts.report.notes);
    visit(report, "times", texts.report.times);
    const std::string fit = "fit";
    visit(fit, "source", texts.fit.source);
    visit(fit, "intervals", texts.fit.intervals);
}

// visit(section, key, text) for every key: section a const std::string& ("bore2"), key a
// std::string_view, text a std::string& for texts that may change (a parameter's entry is then
// made, empty, where there was none: dropEmptyParameters tidies them), else a const std::string&.
template <class Texts, class Visit> void forEachKey(Texts& texts, Visit visit)
{
    forEachLeadingKey(texts, visit);
    for (std::size_t i = 0; i < texts.bores.size(); ++i)
        forEachBoreKey(texts.bores[i], "bore" + std::to_string(i + 1), visit);
    forEachBoundaryKey(texts, visit);
    for (std::size_t i = 0; i < texts.observations.size(); ++i)
        forEachObservationKey(texts.observations[i], "observation" + std::to_string(i + 1), visit);
    forEachTrailingKey(texts, visit);
}

// The quantity of a key's value, whose unit words it takes ("450 m2/d"); empty for a key that
// takes none (a name, a method, a schedule, a file, an easting in the CRS's own units). For a key
// of [units], the quantity it names.
[[nodiscard]] std::optional<Quantity> quantityOfKey(std::string_view section, std::string_view key);

// Leaves out the parameters' entries without a text, as texts read from a file or the fields
// hold them.
void dropEmptyParameters(ScenarioTexts& texts);

// The sections by kind and their keys, as a usage text lists them: "[bore1]..[bore5]  x, y, ...".
[[nodiscard]] std::string scenarioKeyList();

} // namespace drawfield
