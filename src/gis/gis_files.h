#pragma once

// The drawdown map as files a GIS places on the Earth: a GeoTIFF of the drawdowns, and vector
// files of the contour lines, the filled bands between them, the bores and observation points,
// and the boundaries. Both are written with GDAL; the contours are GDAL's own.
//
// Coordinates are the map's local metres moved by the scenario's georeference (easting and
// northing of the map's point (0, 0)), in its coordinate system; without one, local metres and no
// coordinate system. Drawdowns are in metres, positive downward.
//
// Every failure throws FileWriteError; a file is put in place only when it is whole, so a failure
// leaves what stood at the path before.

#include "compute/drawdown_grid.h"
#include "compute/scenario.h"

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
    std::optional<double> rateM3h; // a bore's rate in the well table
};

// A boundary of the vector files: its line across the map.
struct GisLine {
    std::string kind; // "barrier" or "recharge"
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0; // local m
};

// What the vector files show beside the contours.
struct GisFeatures {
    std::vector<GisPoint> points;
    std::vector<GisLine> boundaries;
};

// The bores that pump, the observation points and the boundaries of a scenario; each boundary is
// the part of its line that crosses the map (the two points given when it misses the map).
GisFeatures gisFeaturesOf(const ScenarioInputs& inputs);

// Told how far a write has come (0 to 1), from the writing thread; returning false stops it, which
// then throws FileWriteError ("... The export was stopped.") and leaves what was at the path.
using GisProgress = std::function<bool(double fraction)>;

// Writes the lattice nodes of grid as a GeoTIFF: one Float64 band, drawdown in metres positive
// downward, NaN as no-data beyond the boundaries, pixel centres on the nodes, north up,
// DEFLATE-compressed and tiled (BigTIFF when it needs to be).
void writeGeoTiff(const std::filesystem::path& path, const DrawdownGrid& grid,
    const std::optional<Georeference>& place, const GisProgress& progress = {});

// The vector formats, chosen by the file's extension.
enum class VectorFormat { GeoPackage, GeoJson, Shapefile };
std::optional<VectorFormat> vectorFormatOf(const std::filesystem::path& path);

// The files writeContours makes for path: a GeoPackage holds the four layers (contours, bands,
// points, boundaries); a GeoJSON or shapefile holds the contours, and its siblings NAME_bands,
// NAME_points and NAME_boundaries the others.
std::vector<std::filesystem::path> contourFilesOf(const std::filesystem::path& path);

// Writes the contour lines of grid at levels (drawdowns, m, ascending, above 0) with a drawdown_m
// attribute; the bands between them as polygons with min_m and max_m (the shallowest band from
// no drawdown, the deepest to the deepest drawdown); features' points and lines.
void writeContours(const std::filesystem::path& path, const DrawdownGrid& grid,
    const std::vector<double>& levels, const GisFeatures& features,
    const std::optional<Georeference>& place, const GisProgress& progress = {});

} // namespace drawfield
