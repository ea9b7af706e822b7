#include "gis/gis_features.h"

#include "compute/aquifer_limits.h"
#include "compute/ascii_case.h"
#include "compute/observations.h"
#include "compute/sources.h"

namespace drawfield {
namespace {

    namespace fs = std::filesystem;

    // .qml: the style QGIS applies when it opens the layer.
    constexpr const char* ShapefileParts[] = { ".shp", ".shx", ".dbf", ".prj", ".cpg", ".qml" };

} // namespace

const std::vector<LayerKind>& contourLayers()
{
    static const std::vector<LayerKind> layers = {
        { "contours", { "drawdown_m", "time" }, { "drawdown_m" } },
        { "bands", { "min_m", "max_m" } },
        { "points", { "name", "kind", "rate_m3h", "drawdown_m", "limit_m", "verdict", "state" },
            { "name", "kind", "rate_m3h" } },
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
    return gisFeaturesOf(inputs, verdictsOf(inputs));
}

GisFeatures gisFeaturesOf(const ScenarioInputs& inputs, const Verdicts& verdicts)
{
    GisFeatures features;
    for (int bore = 0; bore < inputs.boreCount(); ++bore) {
        if (!inputs.pumps(bore))
            continue;
        const WellInput& well = inputs.Wells[static_cast<std::size_t>(bore)];
        GisPoint point { well.Name, "bore", double(well.X), double(well.Y),
            well.Rate * SecondsPerHour };
        point.drawdownMetres = drawdownInBore(inputs, bore);
        for (const BoreVerdict& verdict : verdicts.bores)
            if (verdict.bore == bore) {
                point.thresholdMetres = verdict.availableMetres;
                point.failed = verdict.runsDry();
                point.verdict = verdict.runsDry()
                    ? "runs dry at " + durationText(*verdict.drySeconds, inputs.Units)
                    : "does not run dry";
            }
        features.points.push_back(std::move(point));
    }
    const Aquifer aquifer = inputs.aquifer();
    const SourceList sources = sourceListOf(inputs);
    for (std::size_t p = 0; p < inputs.Observations.size(); ++p) {
        const ObservationPoint& at = inputs.Observations[p];
        GisPoint point { at.Name, "observation", at.X, at.Y, std::nullopt };
        point.drawdownMetres
            = drawdownAt(seenFrom(aquifer, at.Values), sources, at.X, at.Y, inputs.PumpTimeSeconds);
        for (const PointVerdict& verdict : verdicts.points)
            if (verdict.point == p) {
                point.thresholdMetres = verdict.limitMetres;
                point.failed = verdict.passed();
                point.verdict = verdict.passed()
                    ? "passed at " + durationText(*verdict.passedSeconds, inputs.Units)
                    : "not passed";
            }
        features.points.push_back(std::move(point));
    }
    features.time = durationText(inputs.PumpTimeSeconds, inputs.Units);
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
