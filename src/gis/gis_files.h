#pragma once

// The drawdown map as files a GIS places on the Earth: a GeoTIFF of the drawdowns, and vector
// files of the contour lines, the filled bands between them, the bores and observation points,
// and the boundaries. Both are written with GDAL; the contours are GDAL's own, cut at the
// boundaries as the map is.
//
// Coordinates are the map's local metres moved by the scenario's georeference (easting and
// northing of the map's point (0, 0)), in its coordinate system; without one, local metres and no
// coordinate system. Drawdowns are in metres, positive downward. Texts are UTF-8 (a shapefile
// says so in its .cpg); bytes of a name that are not UTF-8 become U+FFFD.
//
// Every file is made beside its place and put there as a set when whole (StagedFiles): a failure
// leaves what stood there before. Every failure throws FileWriteError.

#include "compute/engine/drawdown_grid.h"
#include "compute/inputs.h"
#include "gis/gis_features.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace drawfield {

// Why place cannot georeference a map of the box (local m), or "" when it can: the coordinate
// system is not an EPSG code GDAL knows, is not projected, does not measure in metres, or
// stretches distances at the map's place by more than 1 % (its length of the map's diagonal
// against the geodesic one, through PROJ), as EPSG:3857 does away from the equator.
[[nodiscard]] std::string georeferenceProblem(
    const std::optional<Georeference>& place, double xMin, double yMin, double xMax, double yMax);

// The gate before any georeferenced file of a scenario's map: georeferenceProblem for its place
// and its box.
[[nodiscard]] std::string gisFilesProblem(const ScenarioInputs& inputs);

// The coordinate system of place as an ESRI .prj file holds it; "" without one.
[[nodiscard]] std::string esriProjectionOf(const std::optional<Georeference>& place);

// Told how far a write has come (0 to 1), from the writing thread; returning false stops it, which
// then throws FileWriteError ("... The export was stopped.") and leaves what was at the path.
using GisProgress = std::function<bool(double fraction)>;

// Writes the lattice nodes of grid as a GeoTIFF (.tif or .tiff; or a device, or "-"): one
// Float64 band, drawdown in metres positive downward (its unit type "m"), NaN as no-data beyond
// the boundaries, pixel centres on the nodes, north up, DEFLATE-compressed and tiled (BigTIFF
// when it needs to be). The band carries `description`: what it holds and when.
void writeGeoTiff(const std::filesystem::path& path, const DrawdownGrid& grid,
    const std::optional<Georeference>& place, const GisProgress& progress = {},
    const std::string& description = "drawdown");

// One band of a GeoTIFF: a map (all of one lattice) and what it holds ("drawdown at 30 d").
struct GeoTiffBand {
    const DrawdownGrid* grid;
    std::string description;
    std::string unit = "m"; // its unit type: "" for a share (a chance), held negated as drawdowns
};
// The same with a band per map, in order (the maps of one scenario at several times).
void writeGeoTiff(const std::filesystem::path& path, const std::vector<GeoTiffBand>& bands,
    const std::optional<Georeference>& place, const GisProgress& progress = {});

// "drawdown at 30 d": the band of a run's map, its time as durationText says it.
[[nodiscard]] std::string bandDescription(const ScenarioInputs& inputs);

// Writes the contour lines of grid at levels (drawdowns, m, ascending, above 0) with a drawdown_m
// attribute; the bands between them as polygons with min_m and max_m (the shallowest band from
// no drawdown, the deepest to the deepest drawdown); features' points and lines. The set of files
// replaces an earlier export's as a whole; a sibling name held by a file this program did not
// write is refused. Returns notes for the user (a name cut to a shapefile's field width).
[[nodiscard]] std::vector<std::string> writeContours(const std::filesystem::path& path,
    const DrawdownGrid& grid, const std::vector<double>& levels, const GisFeatures& features,
    const std::optional<Georeference>& place, const GisProgress& progress = {});

} // namespace drawfield
