#include "gis/contouring.h"
#include "gis/gdal_support.h"
#include "gis/gis_features.h"
#include "gis/qgis_styles.h"

#include "compute/ascii_case.h"

#include "compute/aquifer_limits.h"
#include "files/atomic_file.h"
#include "files/staged_files.h"
#include "files/user_text.h"

#include <cpl_error.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>
#include <map>
#include <string_view>

namespace drawfield {
namespace {

    namespace fs = std::filesystem;

    constexpr int LongestDbfText = 254; // bytes in a shapefile's text field

    // A dataset opened read-only, closed with it.
    struct OpenedVectors {
        GDALDatasetH dataset;
        explicit OpenedVectors(const fs::path& path)
            : dataset(GDALOpenEx(
                path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr))
        {
        }
        ~OpenedVectors()
        {
            if (dataset)
                GDALClose(dataset);
        }
        OpenedVectors(const OpenedVectors&) = delete;
        OpenedVectors& operator=(const OpenedVectors&) = delete;
    };

    // Whether the file is one of a contour set this program wrote: its one layer holds exactly
    // the fields of one of ours (a GeoJSON layer without features has none, but keeps our layer's
    // name). A shapefile's part counts by its .shp.
    bool isOurLayerFile(const fs::path& file)
    {
        fs::path main = file;
        const std::string extension = asciiLowerCase(file.extension().string());
        const bool json = extension == ".geojson" || extension == ".json";
        if (!json)
            main.replace_extension(".shp");
        OpenedVectors opened(main);
        if (!opened.dataset || GDALDatasetGetLayerCount(opened.dataset) != 1)
            return false;
        OGRLayerH layer = GDALDatasetGetLayer(opened.dataset, 0);
        OGRFeatureDefnH definition = OGR_L_GetLayerDefn(layer);
        for (const LayerKind& kind : contourLayers()) {
            if (json && std::string(OGR_L_GetName(layer)) != kind.name)
                continue;
            const int fields = OGR_FD_GetFieldCount(definition);
            for (const std::vector<const char*>* names : { &kind.fields, &kind.formerFields }) {
                if (names->empty())
                    continue;
                bool same = fields == static_cast<int>(names->size())
                    || (json && fields == 0 && OGR_L_GetFeatureCount(layer, TRUE) == 0);
                for (int f = 0; same && f < fields; ++f)
                    same = std::string(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(definition, f)))
                        == (*names)[static_cast<std::size_t>(f)];
                if (same)
                    return true;
            }
        }
        return false;
    }

    // An OGR dataset, its layers and their features, released in order.
    class VectorWriter {
    public:
        explicit VectorWriter(const StagedFiles& staging)
            : m_staging(staging)
        {
        }
        ~VectorWriter()
        {
            for (GDALDatasetH dataset : m_datasets)
                GDALClose(dataset);
        }
        VectorWriter(const VectorWriter&) = delete;
        VectorWriter& operator=(const VectorWriter&) = delete;

        GDALDatasetH create(const char* driverName, const fs::path& file)
        {
            GDALDriverH driver = GDALGetDriverByName(driverName);
            if (!driver)
                m_staging.fail(std::string("GDAL has no ") + driverName + " driver");
            const fs::path staged = m_staging.staged(file);
            GDALDatasetH dataset
                = GDALCreate(driver, staged.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
            if (!dataset)
                m_staging.fail(writeFailure(staged.parent_path(), "GDAL cannot create it"));
            m_datasets.push_back(dataset);
            return dataset;
        }

        // Closes every dataset, so their last bytes are written; throws when one fails.
        void finish(const fs::path& folder)
        {
            CPLErrorReset();
            bool closed = true;
            for (GDALDatasetH dataset : m_datasets) {
                GDALClose(dataset);
                closed = closed && CPLGetLastErrorType() < CE_Failure;
            }
            m_datasets.clear();
            if (!closed)
                m_staging.fail(writeFailure(folder, "GDAL could not finish it"));
        }

    private:
        const StagedFiles& m_staging;
        std::vector<GDALDatasetH> m_datasets;
    };

    // A feature made for layer, written by add().
    class Feature {
    public:
        explicit Feature(OGRLayerH layer)
            : m_layer(layer)
            , m_feature(OGR_F_Create(OGR_L_GetLayerDefn(layer)))
        {
        }
        ~Feature() { OGR_F_Destroy(m_feature); }
        Feature(const Feature&) = delete;
        Feature& operator=(const Feature&) = delete;
        void set(const char* field, double value)
        {
            OGR_F_SetFieldDouble(m_feature, OGR_F_GetFieldIndex(m_feature, field), value);
        }
        void set(const char* field, const std::string& value)
        {
            OGR_F_SetFieldString(m_feature, OGR_F_GetFieldIndex(m_feature, field), value.c_str());
        }
        // A field without a value: written as null, so that a GeoJSON whose features all lack it
        // still has it.
        void setNull(const char* field)
        {
            OGR_F_SetFieldNull(m_feature, OGR_F_GetFieldIndex(m_feature, field));
        }
        void setNow(const char* field)
        {
            const std::time_t now = std::time(nullptr);
            std::tm utc {};
            gmtime_r(&now, &utc);
            OGR_F_SetFieldDateTimeEx(m_feature, OGR_F_GetFieldIndex(m_feature, field),
                utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                static_cast<float>(utc.tm_sec), 100);
        }
        void setGeometry(OGRGeometryH geometry) { OGR_F_SetGeometryDirectly(m_feature, geometry); }
        void add(const StagedFiles& staging, const fs::path& folder)
        {
            if (OGR_L_CreateFeature(m_layer, m_feature) != OGRERR_NONE)
                staging.fail(writeFailure(folder, "GDAL cannot write a feature"));
        }

    private:
        OGRLayerH m_layer;
        OGRFeatureH m_feature;
    };

    // The styles QGIS applies when it opens the layers: a GeoPackage's layer_styles table (as
    // QGIS itself writes it), a .qml beside each shapefile.
    void writeStyles(VectorFormat format, GDALDatasetH geoPackage,
        const std::vector<fs::path>& layerFiles, const std::vector<double>& levels,
        const GisFeatures& features, const StagedFiles& staging, const fs::path& folder)
    {
        const std::string styles[] = { contoursStyle(), bandsStyle(levels, features.bandColours),
            pointsStyle(), boundariesStyle() };
        const std::vector<LayerKind>& layers = contourLayers();
        if (format == VectorFormat::Shapefile) {
            for (std::size_t layer = 0; layer < layers.size(); ++layer) {
                const fs::path file
                    = staging.staged(fs::path(layerFiles[layer]).replace_extension(".qml"));
                std::ofstream out(file, std::ios::binary);
                out << styles[layer];
                out.close();
                if (!out)
                    staging.fail(writeFailure(folder, "its style could not be written"));
            }
            return;
        }
        if (format != VectorFormat::GeoPackage)
            return;
        OGRLayerH table = createLayer(staging, geoPackage, "layer_styles", wkbNone, nullptr,
            { { "f_table_catalog", OFTString }, { "f_table_schema", OFTString },
                { "f_table_name", OFTString }, { "f_geometry_column", OFTString },
                { "styleName", OFTString }, { "styleQML", OFTString }, { "styleSLD", OFTString },
                { "useAsDefault", OFTInteger }, { "description", OFTString },
                { "owner", OFTString }, { "ui", OFTString }, { "update_time", OFTDateTime } });
        for (std::size_t layer = 0; layer < layers.size(); ++layer) {
            Feature row(table);
            row.set("f_table_catalog", std::string());
            row.set("f_table_schema", std::string());
            row.set("f_table_name", std::string(layers[layer].name));
            row.set("f_geometry_column", std::string("geom"));
            row.set("styleName", std::string(layers[layer].name));
            row.set("styleQML", styles[layer]);
            row.set("styleSLD", std::string());
            row.set("useAsDefault", 1.0);
            row.set("description", std::string("Drawfield's style"));
            row.setNow("update_time");
            row.add(staging, folder);
        }
    }

} // namespace

std::vector<std::string> writeContours(const fs::path& path, const DrawdownGrid& grid,
    const std::vector<double>& levels, const GisFeatures& features,
    const std::optional<Georeference>& place, const GisProgress& progress)
{
    const std::string what = "contour file";
    const std::optional<VectorFormat> format = vectorFormatOf(path);
    if (!format)
        throw FileWriteError(cannotMessage(
            "write", what, path.string(), "the name must end in .gpkg, .geojson or .shp"));
    QuietGdal quiet;
    StagedFiles staging(path, what);
    if (staging.isDevice() && *format != VectorFormat::GeoPackage)
        staging.fail("a GeoJSON or shapefile is a set of files, which cannot go into a device or "
                     "a pipe; name a file");
    std::string problem;
    SrsHolder srs(spatialReference(place, boxOf(grid), problem));
    if (!problem.empty())
        staging.fail(problem);
    const double east = eastingOf(place), north = northingOf(place);
    const fs::path target = staging.isDevice() ? fs::path("contours.gpkg") : staging.target();
    const fs::path stagingFolder = staging.staged(target).parent_path();
    std::vector<std::string> notes;

    // GDAL traces minus the drawdown, as the grid holds it: the levels turn over.
    std::vector<double> minusLevels;
    for (auto level = levels.rbegin(); level != levels.rend(); ++level)
        minusLevels.push_back(0.0 - *level);
    double deepest = 0.0;
    for (int row = 0; row < grid.rowCount(); ++row)
        for (int column = 0; column < grid.columnCount(); ++column) {
            const double drawdown = drawdownOf(grid.at(grid.nodeX(column), grid.nodeY(row)));
            if (drawdown > deepest)
                deepest = drawdown;
        }

    // The aquifer within the map's pixels, in the files' coordinates: lines and bands are cut
    // to it, as the map cuts them at the boundaries.
    OGRGeometryH aquifer = nullptr;
    if (!features.limits.empty()) {
        const double half = grid.nodeSpacing() / 2.0;
        const std::vector<Point> corners = AquiferLimits(features.limits, features.inside)
                                               .within(grid.xMin() - half, grid.yMin() - half,
                                                   grid.nodeX(grid.columnCount() - 1) + half,
                                                   grid.nodeY(grid.rowCount() - 1) + half);
        aquifer = OGR_G_CreateGeometry(wkbPolygon);
        OGRGeometryH ring = OGR_G_CreateGeometry(wkbLinearRing);
        for (const Point& corner : corners)
            OGR_G_AddPoint_2D(ring, east + corner.X, north + corner.Y);
        if (!corners.empty())
            OGR_G_AddPoint_2D(ring, east + corners.front().X, north + corners.front().Y);
        OGR_G_AddGeometryDirectly(aquifer, ring);
    }
    struct GeometryHolder {
        OGRGeometryH geometry;
        ~GeometryHolder()
        {
            if (geometry)
                OGR_G_DestroyGeometry(geometry);
        }
    } aquiferHolder { aquifer };

    // No levels (no drawdown anywhere): no contours and no bands.
    LatticeRaster raster(grid, place, features, staging);
    VectorWriter memory(staging);
    GDALDatasetH scratch = memory.create("Memory", "scratch");
    OGRLayerH lines = levels.empty()
        ? createLayer(staging, scratch, "lines", wkbLineString, nullptr, { { "ID", OFTInteger } })
        : contourInMemory(
            raster, scratch, "lines", minusLevels, false, staging, { &progress, 0.0, 0.45 });
    OGRLayerH bands = levels.empty()
        ? createLayer(staging, scratch, "bands", wkbMultiPolygon, nullptr, { { "ID", OFTInteger } })
        : contourInMemory(
            raster, scratch, "bands", minusLevels, true, staging, { &progress, 0.45, 0.9 });

    VectorWriter writer(staging);
    const char* driver = *format == VectorFormat::GeoPackage ? "GPKG"
        : *format == VectorFormat::GeoJson                   ? "GeoJSON"
                                                             : "ESRI Shapefile";
    const std::vector<LayerKind>& Layers = contourLayers();
    std::vector<fs::path> layerFiles { target };
    for (const LayerKind& kind : Layers)
        if (kind.name != Layers[0].name)
            layerFiles.push_back(siblingOf(target, kind.name));
    auto datasetFor = [&, single = GDALDatasetH(nullptr)](int layer) mutable {
        if (*format != VectorFormat::GeoPackage)
            return writer.create(driver, layerFiles[static_cast<std::size_t>(layer)]);
        if (!single)
            single = writer.create(driver, target);
        return single;
    };
    // Shapefiles say their texts are UTF-8 in a .cpg; DBF text fields hold at most 254 bytes.
    const bool shapefile = *format == VectorFormat::Shapefile;
    const char* utf8[] = { "ENCODING=UTF-8", nullptr };
    const char* const* layerOptions = shapefile ? utf8 : nullptr;
    std::map<std::string, long long> written; // features per layer name

    OGRLayerH contourLayer = createLayer(staging, datasetFor(0), Layers[0].name, wkbLineString,
        srs.srs, { { "drawdown_m", OFTReal }, { "time", OFTString } }, layerOptions);
    OGR_L_ResetReading(lines);
    for (OGRFeatureH source; (source = OGR_L_GetNextFeature(lines)) != nullptr;) {
        const double drawdown = 0.0 - OGR_F_GetFieldAsDouble(source, 1);
        for (OGRGeometryH part :
            clippedParts(OGR_F_GetGeometryRef(source), aquifer, wkbLineString)) {
            Feature feature(contourLayer);
            feature.set("drawdown_m", drawdown);
            feature.set("time", features.time);
            feature.setGeometry(part);
            feature.add(staging, stagingFolder);
            ++written[Layers[0].name];
        }
        OGR_F_Destroy(source);
    }

    OGRLayerH bandLayer = createLayer(staging, datasetFor(1), Layers[1].name, wkbMultiPolygon,
        srs.srs, { { "min_m", OFTReal }, { "max_m", OFTReal } }, layerOptions);
    OGR_L_ResetReading(bands);
    for (OGRFeatureH source; (source = OGR_L_GetNextFeature(bands)) != nullptr;) {
        OGRGeometryH geometry = OGR_F_GetGeometryRef(source);
        std::vector<OGRGeometryH> parts;
        if (geometry && !OGR_G_IsEmpty(geometry))
            parts = clippedParts(geometry, aquifer, wkbPolygon);
        if (!parts.empty()) {
            // A band lies between two levels; GDAL closes the outer two with placeholders: the
            // shallowest band runs from no drawdown, the deepest to the deepest drawdown.
            const double elevMin = OGR_F_GetFieldAsDouble(source, 1);
            const double elevMax = OGR_F_GetFieldAsDouble(source, 2);
            const bool deepestBand = elevMax == minusLevels.front();
            const bool shallowestBand = elevMin == minusLevels.back();
            OGRGeometryH band = OGR_G_CreateGeometry(wkbMultiPolygon);
            for (OGRGeometryH part : parts)
                OGR_G_AddGeometryDirectly(band, part);
            Feature feature(bandLayer);
            feature.set("min_m", shallowestBand ? 0.0 : 0.0 - elevMax);
            feature.set("max_m", deepestBand ? deepest : 0.0 - elevMin);
            feature.setGeometry(band);
            feature.add(staging, stagingFolder);
            ++written[Layers[1].name];
        }
        OGR_F_Destroy(source);
    }

    std::vector<std::string> names;
    std::size_t longestName = std::string_view("observation").size(); // the kinds fit too
    for (const GisPoint& point : features.points) {
        names.push_back(validUtf8(point.name));
        longestName = std::max({ longestName, names.back().size(), point.verdict.size() });
    }
    const int textWidth
        = shapefile ? static_cast<int>(std::min<std::size_t>(longestName, LongestDbfText)) : 0;
    OGRLayerH pointLayer = createLayer(staging, datasetFor(2), Layers[2].name, wkbPoint, srs.srs,
        { { "name", OFTString }, { "kind", OFTString }, { "rate_m3h", OFTReal },
            { "drawdown_m", OFTReal }, { "limit_m", OFTReal }, { "verdict", OFTString },
            { "state", OFTString } },
        layerOptions, textWidth);
    for (std::size_t i = 0; i < features.points.size(); ++i) {
        const GisPoint& point = features.points[i];
        std::string name = names[i];
        if (shapefile && name.size() > static_cast<std::size_t>(LongestDbfText)) {
            name = std::string(utf8Prefix(name, LongestDbfText));
            notes.push_back("The name " + quotedExcerpt(names[i])
                + " is longer than a shapefile's text field holds (254 bytes): "
                + printablePath(layerFiles[2].filename().replace_extension(".dbf").native())
                + " holds its first " + std::to_string(name.size()) + " bytes.");
        }
        Feature feature(pointLayer);
        feature.set("name", name);
        feature.set("kind", point.kind);
        if (point.rateCubicMetresPerHour)
            feature.set("rate_m3h", *point.rateCubicMetresPerHour);
        else
            feature.setNull("rate_m3h");
        if (std::isfinite(point.drawdownMetres))
            feature.set("drawdown_m", point.drawdownMetres);
        else
            feature.setNull("drawdown_m");
        if (point.thresholdMetres)
            feature.set("limit_m", *point.thresholdMetres);
        else
            feature.setNull("limit_m");
        feature.set("verdict", point.verdict);
        feature.set("state", pointState(point));
        OGRGeometryH geometry = OGR_G_CreateGeometry(wkbPoint);
        OGR_G_SetPoint_2D(geometry, 0, east + point.x, north + point.y);
        feature.setGeometry(geometry);
        feature.add(staging, stagingFolder);
        ++written[Layers[2].name];
    }

    OGRLayerH lineLayer = createLayer(staging, datasetFor(3), Layers[3].name, wkbLineString,
        srs.srs, { { "kind", OFTString } }, layerOptions, shapefile ? 8 : 0);
    for (const GisLine& line : features.boundaries) {
        Feature feature(lineLayer);
        feature.set("kind", line.kind);
        OGRGeometryH geometry = OGR_G_CreateGeometry(wkbLineString);
        OGR_G_AddPoint_2D(geometry, east + line.x1, north + line.y1);
        OGR_G_AddPoint_2D(geometry, east + line.x2, north + line.y2);
        feature.setGeometry(geometry);
        feature.add(staging, stagingFolder);
        ++written[Layers[3].name];
    }
    writeStyles(*format, *format == VectorFormat::GeoPackage ? datasetFor(0) : nullptr, layerFiles,
        levels, features, staging, stagingFolder);
    writer.finish(stagingFolder);

    // Some of GDAL's writers (GeoJSON) do not report a failed write: every file is read back and
    // must hold every feature written.
    for (std::size_t layer = 0; layer < Layers.size(); ++layer) {
        const fs::path file
            = staging.staged(*format == VectorFormat::GeoPackage ? target : layerFiles[layer]);
        OpenedVectors opened(file);
        OGRLayerH read = opened.dataset ? (*format == VectorFormat::GeoPackage
                                 ? GDALDatasetGetLayerByName(opened.dataset, Layers[layer].name)
                                 : GDALDatasetGetLayer(opened.dataset, 0))
                                        : nullptr;
        if (!read || OGR_L_GetFeatureCount(read, TRUE) != written[Layers[layer].name])
            staging.fail(writeFailure(stagingFolder, "the file written cannot be read back whole"));
    }

    std::vector<fs::path> members = contourFilesOf(target);
    staging.commit(members, [](const fs::path& file) { return isOurLayerFile(file); });
    return notes;
}

} // namespace drawfield
