#include "gis/gis_features.h"

#include "compute/aquifer_limits.h"
#include "compute/ascii_case.h"

namespace drawfield {
namespace {

    namespace fs = std::filesystem;

    constexpr const char* ShapefileParts[] = { ".shp", ".shx", ".dbf", ".prj", ".cpg" };

} // namespace

const std::vector<LayerKind>& contourLayers()
{
    static const std::vector<LayerKind> layers = {
        { "contours", { "drawdown_m" } },
        { "bands", { "min_m", "max_m" } },
        { "points", { "name", "kind", "rate_m3h" } },
        { "boundaries", { "kind" } },
    };
    return layers;
}

fs::path siblingOf(const fs::path& path, const char* layer)
{
    fs::path sibling = path;
    sibling.replace_filename(path.stem().string() + "_" + layer + path.extension().string());
    return sibling;
}

GisFeatures gisFeaturesOf(const ScenarioInputs& inputs)
{
    GisFeatures features;
    for (int bore = 0; bore < inputs.boreCount(); ++bore) {
        if (!inputs.pumps(bore))
            continue;
        const WellInput& well = inputs.Wells[static_cast<std::size_t>(bore)];
        features.points.push_back(
            { well.Name, "bore", double(well.X), double(well.Y), well.Rate * SecondsPerHour });
    }
    for (const ObservationPoint& point : inputs.Observations)
        features.points.push_back({ point.Name, "observation", point.X, point.Y, std::nullopt });
    features.limits = inputs.Boundaries;
    features.inside = { double(inputs.Wells[0].X), double(inputs.Wells[0].Y) };
    const AquiferLimits limits(inputs);
    for (std::size_t b = 0; b < inputs.Boundaries.size(); ++b) {
        const Boundary& boundary = inputs.Boundaries[b];
        GisLine line { boundaryKindText(boundary.Kind), boundary.X1, boundary.Y1, boundary.X2,
            boundary.Y2 };
        // The stretch across the map, then cut where it passes beyond the other boundary.
        const std::optional<StraightLine::Segment> across
            = limits.edge(b, inputs.XMin, inputs.YMin, inputs.XMax, inputs.YMax);
        if (across)
            line = { line.kind, across->from.X, across->from.Y, across->to.X, across->to.Y };
        features.boundaries.push_back(line);
    }
    return features;
}

std::optional<VectorFormat> vectorFormatOf(const fs::path& path)
{
    const std::string extension = asciiLowerCase(path.extension().string());
    if (extension == ".gpkg")
        return VectorFormat::GeoPackage;
    if (extension == ".geojson" || extension == ".json")
        return VectorFormat::GeoJson;
    if (extension == ".shp")
        return VectorFormat::Shapefile;
    return std::nullopt;
}

std::vector<fs::path> contourFilesOf(const fs::path& path)
{
    const std::optional<VectorFormat> format = vectorFormatOf(path);
    if (format == VectorFormat::GeoPackage)
        return { path };
    std::vector<fs::path> layers { path };
    for (const LayerKind& kind : contourLayers())
        if (kind.name != contourLayers()[0].name)
            layers.push_back(siblingOf(path, kind.name));
    if (format != VectorFormat::Shapefile)
        return layers;
    std::vector<fs::path> files;
    for (const fs::path& layer : layers)
        for (const char* part : ShapefileParts)
            files.push_back(fs::path(layer).replace_extension(part));
    return files;
}

} // namespace drawfield
