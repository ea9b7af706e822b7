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

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace drawfield {

// A bore or an observation point of a vector file's point layer.
struct GisPoint {
    std::string name; // "Bore 1", or the observation point's name
    std::string kind; // "bore" or "observation"
    double x = 0.0, y = 0.0; // local m
    std::optional<double> rateCubicMetresPerHour; // a bore's rate in the well table
};

// A boundary of the vector files: where its line bounds the aquifer on the map.
struct GisLine {
    std::string kind; // "barrier" or "recharge"
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0; // local m
};

// What the vector files show beside the contours, and the aquifer the contours are cut to.
struct GisFeatures {
    std::vector<GisPoint> points;
    std::vector<GisLine> boundaries;
    std::vector<Boundary> limits; // the boundaries of the aquifer
    Point inside; // a point of the aquifer (bore 1)
};

// The bores that pump, the observation points and the boundaries of a scenario; each boundary is
// the stretch of its line that bounds the aquifer on the map (the two points given when it
// bounds nothing there).
[[nodiscard]] GisFeatures gisFeaturesOf(const ScenarioInputs& inputs);

// Why place cannot georeference a map of the box (local m), or "" when it can: the coordinate
// system is not an EPSG code GDAL knows, is not projected, does not measure in metres, or
// stretches distances at the map's place by more than 1 % (its length of the map's diagonal
// against the geodesic one, through PROJ), as EPSG:3857 does away from the equator.
[[nodiscard]] std::string georeferenceProblem(
    const std::optional<Georeference>& place, double xMin, double yMin, double xMax, double yMax);

// The coordinate system of place as an ESRI .prj file holds it; "" without one.
[[nodiscard]] std::string esriProjectionOf(const std::optional<Georeference>& place);

// Told how far a write has come (0 to 1), from the writing thread; returning false stops it, which
// then throws FileWriteError ("... The export was stopped.") and leaves what was at the path.
using GisProgress = std::function<bool(double fraction)>;

// Writes the lattice nodes of grid as a GeoTIFF (.tif or .tiff; or a device, or "-"): one
// Float64 band, drawdown in metres positive downward, NaN as no-data beyond the boundaries, pixel
// centres on the nodes, north up, DEFLATE-compressed and tiled (BigTIFF when it needs to be).
void writeGeoTiff(const std::filesystem::path& path, const DrawdownGrid& grid,
    const std::optional<Georeference>& place, const GisProgress& progress = {});

// The vector formats, chosen by the file's extension.
enum class VectorFormat { GeoPackage, GeoJson, Shapefile };
[[nodiscard]] std::optional<VectorFormat> vectorFormatOf(const std::filesystem::path& path);

// The files writeContours makes for path: a GeoPackage holds the four layers (contours, bands,
// points, boundaries); a GeoJSON or shapefile holds the contours, and its siblings NAME_bands,
// NAME_points and NAME_boundaries the others; a shapefile is each of these with its .shx, .dbf,
// .prj and .cpg.
[[nodiscard]] std::vector<std::filesystem::path> contourFilesOf(const std::filesystem::path& path);

// Writes the contour lines of grid at levels (drawdowns, m, ascending, above 0) with a drawdown_m
// attribute; the bands between them as polygons with min_m and max_m (the shallowest band from
// no drawdown, the deepest to the deepest drawdown); features' points and lines. The set of files
// replaces an earlier export's as a whole; a sibling name held by a file this program did not
// write is refused. Returns notes for the user (a name cut to a shapefile's field width).
[[nodiscard]] std::vector<std::string> writeContours(const std::filesystem::path& path,
    const DrawdownGrid& grid, const std::vector<double>& levels, const GisFeatures& features,
    const std::optional<Georeference>& place, const GisProgress& progress = {});

} // namespace drawfield
