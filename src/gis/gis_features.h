#pragma once

// What the GIS files show beside the drawdowns, and the names of the vector files: no GDAL, so
// that a program may name and check them without loading it.

#include "compute/inputs.h"
#include "compute/verdicts.h"

#include <filesystem>
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
    double drawdownMetres = 0.0; // at the map's time: a bore's at its radius
    // A bore's available drawdown or a point's limit (m), and what became of it: "runs dry at
    // 164.6 h", "does not run dry", "passed at 399.5 h", "not passed"; empty when none is given.
    std::optional<double> thresholdMetres;
    std::string verdict;
    bool failed = false; // the bore runs dry or the limit is passed
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
    // The map's colours, one per band between the levels (0xRRGGBB), as the styles draw the
    // bands; empty: the styles take a ramp of their own.
    std::vector<unsigned> bandColours;
    // When the map is: its time since pumping began ("30 d"), each contour's time attribute.
    std::string time;
};

// The bores that pump, the observation points and the boundaries of a scenario; each boundary is
// the stretch of its line that bounds the aquifer on the map (the two points given when it
// bounds nothing there).
// The points carry their drawdown at the map's time and the run's verdicts.
[[nodiscard]] GisFeatures gisFeaturesOf(const ScenarioInputs& inputs);
[[nodiscard]] GisFeatures gisFeaturesOf(const ScenarioInputs& inputs, const Verdicts& verdicts);

// The vector formats, chosen by the file's extension.
enum class VectorFormat { GeoPackage, GeoJson, Shapefile };
[[nodiscard]] std::optional<VectorFormat> vectorFormatOf(const std::filesystem::path& path);

// The files writeContours makes for path: a GeoPackage holds the four layers (contours, bands,
// points, boundaries); a GeoJSON or shapefile holds the contours, and its siblings NAME_bands,
// NAME_points and NAME_boundaries the others; a shapefile is each of these with its .shx, .dbf,
// .prj and .cpg.
[[nodiscard]] std::vector<std::filesystem::path> contourFilesOf(const std::filesystem::path& path);

// The four layers of a contour set, with the fields each holds: a file with one of these layers
// and exactly its fields (or those an earlier version gave it, formerFields) is one this program
// wrote. The first is the contours', which names the
// set.
struct LayerKind {
    const char* name;
    std::vector<const char*> fields;
    std::vector<const char*> formerFields; // empty: the same as fields
};
[[nodiscard]] const std::vector<LayerKind>& contourLayers();
// NAME_layer beside NAME for a layer of a GeoJSON or shapefile set.
[[nodiscard]] std::filesystem::path siblingOf(const std::filesystem::path& path, const char* layer);

} // namespace drawfield
