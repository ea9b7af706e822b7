#include "gis/gis_files.h"

#include "compute/atomic_file.h"
#include "compute/user_text.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <system_error>

#include <stdlib.h>

namespace drawfield {

namespace {

    namespace fs = std::filesystem;

    void registerDrivers()
    {
        static std::once_flag once;
        std::call_once(once, [] { GDALAllRegister(); });
    }

    // GDAL's messages are kept for ours instead of going to standard error.
    class QuietGdal {
    public:
        QuietGdal()
        {
            registerDrivers();
            CPLPushErrorHandler(CPLQuietErrorHandler);
            CPLErrorReset();
        }
        ~QuietGdal() { CPLPopErrorHandler(); }
        QuietGdal(const QuietGdal&) = delete;
        QuietGdal& operator=(const QuietGdal&) = delete;
        static std::string reason(const char* otherwise)
        {
            const char* message = CPLGetLastErrorMsg();
            return message && *message ? relayedText(message) : otherwise;
        }
    };

    // A hidden folder beside the target that GDAL writes into; its files are moved into place
    // when they are whole, and what is left is removed.
    class StagingFolder {
    public:
        StagingFolder(const fs::path& target, std::string what)
            : m_target(target)
            , m_what(std::move(what))
        {
            const fs::path folder
                = target.parent_path().empty() ? fs::path(".") : target.parent_path();
            std::error_code error;
            fs::create_directories(folder, error);
            std::string pattern = (folder / ".drawfield-gis-XXXXXX").string();
            if (error || !::mkdtemp(pattern.data()))
                fail(error ? error.message() : std::strerror(errno));
            m_folder = pattern;
            m_cleanUp.emplace(m_folder);
        }
        ~StagingFolder()
        {
            std::error_code ignored;
            fs::remove_all(m_folder, ignored);
            m_cleanUp.reset();
        }
        StagingFolder(const StagingFolder&) = delete;
        StagingFolder& operator=(const StagingFolder&) = delete;

        // Where GDAL writes the file that becomes `file`.
        fs::path staged(const fs::path& file) const { return m_folder / file.filename(); }

        // Moves every file made here beside the target, under its own name.
        void commit()
        {
            std::error_code error;
            std::vector<fs::path> made;
            for (const fs::directory_entry& entry : fs::directory_iterator(m_folder, error))
                made.push_back(entry.path());
            if (error)
                fail(error.message());
            std::sort(made.begin(), made.end());
            for (const fs::path& file : made)
                moveIntoPlace(file, m_target.parent_path() / file.filename(), m_what);
        }

        [[noreturn]] void fail(const std::string& reason) const
        {
            throw FileWriteError(cannotMessage("write", m_what, m_target.string(), reason));
        }

    private:
        fs::path m_target;
        std::string m_what;
        fs::path m_folder;
        std::optional<CleanUpOnSignal> m_cleanUp; // Ctrl-C removes the folder too
    };

    constexpr const char* StoppedReason = "the export was stopped";

    // GDAL's progress callback, passing on to a GisProgress over [from, to] of the whole.
    struct ProgressSpan {
        const GisProgress* progress;
        double from, to;
    };
    int CPL_STDCALL gdalProgress(double complete, const char*, void* data)
    {
        const ProgressSpan& span = *static_cast<const ProgressSpan*>(data);
        return !*span.progress || (*span.progress)(span.from + complete * (span.to - span.from));
    }

    std::string lowered(std::string text)
    {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }

    // The coordinate system of place, or null for local metres. The caller releases it.
    OGRSpatialReferenceH spatialReference(
        const std::optional<Georeference>& place, const StagingFolder& staging)
    {
        if (!place || place->Crs.empty())
            return nullptr;
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        if (OSRSetFromUserInput(srs, place->Crs.c_str()) != OGRERR_NONE) {
            OSRDestroySpatialReference(srs);
            staging.fail("the coordinate system " + quotedExcerpt(place->Crs)
                + " is unknown: " + QuietGdal::reason("no such EPSG code"));
        }
        // The map's metres are added to the easting and northing: the system must be projected
        // and measure in metres, or the files would land in the wrong place at the wrong scale.
        char* unit = nullptr;
        const double metresPerUnit = OSRIsProjected(srs) ? OSRGetLinearUnits(srs, &unit) : 0.0;
        if (metresPerUnit != 1.0) {
            const std::string why = metresPerUnit == 0.0
                ? " is not a projected coordinate system"
                : " measures in " + std::string(unit ? unit : "another unit") + ", not in metres";
            OSRDestroySpatialReference(srs);
            staging.fail("the coordinate system " + quotedExcerpt(place->Crs) + why
                + "; the map is in metres, so it needs a projected system in metres such as a "
                  "UTM zone (EPSG:25832)");
        }
        OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
        return srs;
    }

    struct SrsHolder {
        OGRSpatialReferenceH srs;
        ~SrsHolder()
        {
            if (srs)
                OSRDestroySpatialReference(srs);
        }
    };

    double eastingOf(const std::optional<Georeference>& place)
    {
        return place ? place->Easting : 0.0;
    }
    double northingOf(const std::optional<Georeference>& place)
    {
        return place ? place->Northing : 0.0;
    }

    // Drawdown positive downward from the grid's minus-drawdown; no-data stays NaN, and no
    // drawdown is +0.
    double drawdownOf(double value) { return 0.0 - value; }

    // The part of the line through (x1, y1) and (x2, y2) inside the box, if any.
    std::optional<GisLine> clippedLine(
        const GisLine& line, double xMin, double yMin, double xMax, double yMax)
    {
        const double dx = line.x2 - line.x1, dy = line.y2 - line.y1;
        double low = -std::numeric_limits<double>::infinity();
        double high = std::numeric_limits<double>::infinity();
        auto clip = [&](double p, double q) { // keeps t with p * t <= q
            if (p == 0.0)
                return q >= 0.0;
            const double t = q / p;
            if (p < 0.0)
                low = std::max(low, t);
            else
                high = std::min(high, t);
            return low <= high;
        };
        if (!(clip(-dx, line.x1 - xMin) && clip(dx, xMax - line.x1) && clip(-dy, line.y1 - yMin)
                && clip(dy, yMax - line.y1))
            || !std::isfinite(low) || !std::isfinite(high))
            return std::nullopt;
        GisLine clipped = line;
        clipped.x1 = line.x1 + low * dx;
        clipped.y1 = line.y1 + low * dy;
        clipped.x2 = line.x1 + high * dx;
        clipped.y2 = line.y1 + high * dy;
        return clipped;
    }

} // namespace

GisFeatures gisFeaturesOf(const ScenarioInputs& inputs)
{
    GisFeatures features;
    for (int bore = 0; bore < WellCount; ++bore) {
        if (!inputs.pumps(bore))
            continue;
        const WellInput& well = inputs.Wells[static_cast<std::size_t>(bore)];
        features.points.push_back({ "Bore " + std::to_string(bore + 1), "bore", double(well.X),
            double(well.Y), well.Rate * 3600.0 });
    }
    for (const ObservationPoint& point : inputs.Observations)
        features.points.push_back({ point.Name, "observation", point.X, point.Y, std::nullopt });
    for (const Boundary& boundary : inputs.Boundaries) {
        const GisLine line { boundary.Kind == BoundaryKind::Barrier ? "barrier" : "recharge",
            boundary.X1, boundary.Y1, boundary.X2, boundary.Y2 };
        features.boundaries.push_back(
            clippedLine(line, inputs.XMin, inputs.YMin, inputs.XMax, inputs.YMax).value_or(line));
    }
    return features;
}

void writeGeoTiff(const fs::path& path, const DrawdownGrid& grid,
    const std::optional<Georeference>& place, const GisProgress& progress)
{
    const std::string what = "GeoTIFF file";
    QuietGdal quiet;
    StagingFolder staging(path, what);
    SrsHolder srs { spatialReference(place, staging) };

    const int columns = grid.columnCount(), rows = grid.rowCount();
    const double step = grid.nodeSpacing();
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    if (!driver)
        staging.fail("GDAL has no GeoTIFF driver");
    const char* options[] = { "COMPRESS=DEFLATE", "TILED=YES", "BIGTIFF=IF_SAFER", nullptr };
    const std::string staged = staging.staged(path).string();
    GDALDatasetH dataset = GDALCreate(
        driver, staged.c_str(), columns, rows, 1, GDT_Float64, const_cast<char**>(options));
    if (!dataset)
        staging.fail(QuietGdal::reason("GDAL cannot create it"));
    bool written = true;
    {
        // North up: the first line is the northernmost row of nodes; pixels are centred on them.
        const double west = eastingOf(place) + grid.nodeX(0) - step / 2.0;
        const double north = northingOf(place) + grid.nodeY(rows - 1) + step / 2.0;
        double transform[6] = { west, step, 0.0, north, 0.0, -step };
        written = GDALSetGeoTransform(dataset, transform) == CE_None;
        if (srs.srs)
            written = written && GDALSetSpatialRef(dataset, srs.srs) == CE_None;
        GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
        written = written
            && GDALSetRasterNoDataValue(band, std::numeric_limits<double>::quiet_NaN()) == CE_None;
        constexpr int LinesAtOnce = 256; // one row of tiles
        std::vector<double> lines;
        for (int first = 0; written && first < rows; first += LinesAtOnce) {
            const int count = std::min(LinesAtOnce, rows - first);
            lines.resize(static_cast<std::size_t>(count) * static_cast<std::size_t>(columns));
            for (int line = 0; line < count; ++line) {
                const int y = grid.nodeY(rows - 1 - (first + line));
                double* out = lines.data() + static_cast<std::size_t>(line) * columns;
                for (int column = 0; column < columns; ++column)
                    out[column] = drawdownOf(grid.at(grid.nodeX(column), y));
            }
            // Each row of tiles is compressed and written as it is complete, so progress is true
            // and memory stays one row of tiles.
            written = GDALRasterIO(band, GF_Write, 0, first, columns, count, lines.data(), columns,
                          count, GDT_Float64, 0, 0)
                == CE_None;
            if (written) {
                CPLErrorReset();
                GDALFlushCache(dataset);
                written = CPLGetLastErrorType() < CE_Failure;
            }
            if (written && progress && !progress(double(first + count) / rows)) {
                GDALClose(dataset);
                staging.fail(StoppedReason);
            }
        }
    }
    const std::string reason
        = written ? std::string() : QuietGdal::reason("GDAL could not write it");
    // Closing writes the last tiles: its failure counts too.
    CPLErrorReset();
    GDALClose(dataset);
    const bool closed = CPLGetLastErrorType() < CE_Failure;
    if (!written)
        staging.fail(reason);
    if (!closed)
        staging.fail(QuietGdal::reason("GDAL could not finish it"));
    staging.commit();
}

std::optional<VectorFormat> vectorFormatOf(const fs::path& path)
{
    const std::string extension = lowered(path.extension().string());
    if (extension == ".gpkg")
        return VectorFormat::GeoPackage;
    if (extension == ".geojson" || extension == ".json")
        return VectorFormat::GeoJson;
    if (extension == ".shp")
        return VectorFormat::Shapefile;
    return std::nullopt;
}

namespace {

    constexpr const char* LayerNames[] = { "contours", "bands", "points", "boundaries" };

    fs::path siblingOf(const fs::path& path, const char* layer)
    {
        fs::path sibling = path;
        sibling.replace_filename(path.stem().string() + "_" + layer + path.extension().string());
        return sibling;
    }

    // An OGR dataset, its layers and their features, released in order.
    class VectorWriter {
    public:
        VectorWriter(const StagingFolder& staging)
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
            GDALDatasetH dataset = GDALCreate(
                driver, m_staging.staged(file).string().c_str(), 0, 0, 0, GDT_Unknown, nullptr);
            if (!dataset)
                m_staging.fail(QuietGdal::reason("GDAL cannot create it"));
            m_datasets.push_back(dataset);
            return dataset;
        }

        // Closes every dataset, so their last bytes are written; throws when one fails.
        void finish()
        {
            CPLErrorReset();
            bool closed = true;
            for (GDALDatasetH dataset : m_datasets) {
                GDALClose(dataset);
                closed = closed && CPLGetLastErrorType() < CE_Failure;
            }
            m_datasets.clear();
            if (!closed)
                m_staging.fail(QuietGdal::reason("GDAL could not finish it"));
        }

    private:
        const StagingFolder& m_staging;
        std::vector<GDALDatasetH> m_datasets;
    };

    OGRLayerH createLayer(const StagingFolder& staging, GDALDatasetH dataset, const char* name,
        OGRwkbGeometryType type, OGRSpatialReferenceH srs,
        std::initializer_list<std::pair<const char*, OGRFieldType>> fields)
    {
        OGRLayerH layer = GDALDatasetCreateLayer(dataset, name, srs, type, nullptr);
        if (!layer)
            staging.fail(QuietGdal::reason("GDAL cannot make its layers"));
        for (auto [fieldName, fieldType] : fields) {
            OGRFieldDefnH field = OGR_Fld_Create(fieldName, fieldType);
            const OGRErr error = OGR_L_CreateField(layer, field, TRUE);
            OGR_Fld_Destroy(field);
            if (error != OGRERR_NONE)
                staging.fail(QuietGdal::reason("GDAL cannot make its fields"));
        }
        return layer;
    }

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
        void setGeometry(OGRGeometryH geometry) { OGR_F_SetGeometryDirectly(m_feature, geometry); }
        void add(const StagingFolder& staging)
        {
            if (OGR_L_CreateFeature(m_layer, m_feature) != OGRERR_NONE)
                staging.fail(QuietGdal::reason("GDAL cannot write a feature"));
        }

    private:
        OGRLayerH m_layer;
        OGRFeatureH m_feature;
    };

    // A view of the grid's lattice for GDAL's contouring, the grid's own memory: rows of nodes
    // from the south, pixels centred on the nodes, minus the drawdown as the grid holds it.
    class LatticeRaster {
    public:
        LatticeRaster(const DrawdownGrid& grid, const std::optional<Georeference>& place,
            const StagingFolder& staging)
        {
            GDALDriverH memory = GDALGetDriverByName("MEM");
            m_dataset = memory ? GDALCreate(memory, "", grid.columnCount(), grid.rowCount(), 0,
                            GDT_Float64, nullptr)
                               : nullptr;
            if (!m_dataset)
                staging.fail(QuietGdal::reason("GDAL has no memory raster"));
            const long long step = grid.nodeSpacing();
            const std::string pointer = "DATAPOINTER="
                + std::to_string(reinterpret_cast<std::uintptr_t>(grid.row(grid.yMin())));
            const std::string pixel = "PIXELOFFSET=" + std::to_string(step * sizeof(double));
            const std::string line = "LINEOFFSET="
                + std::to_string(step * static_cast<long long>(grid.width()) * sizeof(double));
            const char* options[] = { pointer.c_str(), pixel.c_str(), line.c_str(), nullptr };
            if (GDALAddBand(m_dataset, GDT_Float64, const_cast<char**>(options)) != CE_None)
                staging.fail(QuietGdal::reason("GDAL cannot read the map"));
            const double s = double(step);
            double transform[6] = { eastingOf(place) + grid.nodeX(0) - s / 2.0, s, 0.0,
                northingOf(place) + grid.nodeY(0) - s / 2.0, 0.0, s };
            GDALSetGeoTransform(m_dataset, transform);
        }
        ~LatticeRaster()
        {
            if (m_dataset)
                GDALClose(m_dataset);
        }
        LatticeRaster(const LatticeRaster&) = delete;
        LatticeRaster& operator=(const LatticeRaster&) = delete;
        GDALRasterBandH band() const { return GDALGetRasterBand(m_dataset, 1); }

    private:
        GDALDatasetH m_dataset = nullptr;
    };

    // Runs GDAL's contouring of the lattice at the levels (minus drawdowns) into a layer of
    // the memory driver with fields ID and ELEV, or ELEV_MIN and ELEV_MAX when polygonised.
    OGRLayerH contourInMemory(const LatticeRaster& raster, GDALDatasetH memory, const char* name,
        const std::vector<double>& levels, bool polygons, const StagingFolder& staging,
        ProgressSpan span)
    {
        OGRLayerH layer = createLayer(staging, memory, name,
            polygons ? wkbMultiPolygon : wkbLineString, nullptr,
            polygons
                ? std::initializer_list<std::pair<const char*, OGRFieldType>> { { "ID",
                                                                                    OFTInteger },
                    { "ELEV_MIN", OFTReal }, { "ELEV_MAX", OFTReal } }
                : std::initializer_list<std::pair<const char*, OGRFieldType>> {
                    { "ID", OFTInteger }, { "ELEV", OFTReal } });
        std::string fixed = "FIXED_LEVELS=";
        for (std::size_t i = 0; i < levels.size(); ++i) {
            char number[40];
            std::snprintf(number, sizeof number, "%.17g", levels[i]);
            if (i > 0)
                fixed += ',';
            fixed += number;
        }
        CPLStringList options;
        options.AddString(fixed.c_str());
        options.AddString("ID_FIELD=0");
        options.AddString("NODATA=nan");
        if (polygons) {
            options.AddString("POLYGONIZE=YES");
            options.AddString("ELEV_FIELD_MIN=1");
            options.AddString("ELEV_FIELD_MAX=2");
        } else
            options.AddString("ELEV_FIELD=1");
        if (GDALContourGenerateEx(raster.band(), layer, options.List(), gdalProgress, &span)
            != CE_None) {
            if (*span.progress && !(*span.progress)(span.from))
                staging.fail(StoppedReason);
            staging.fail(QuietGdal::reason("GDAL cannot trace the contours"));
        }
        return layer;
    }

} // namespace

std::vector<fs::path> contourFilesOf(const fs::path& path)
{
    if (vectorFormatOf(path) == VectorFormat::GeoPackage)
        return { path };
    std::vector<fs::path> files { path };
    for (const char* layer : { LayerNames[1], LayerNames[2], LayerNames[3] })
        files.push_back(siblingOf(path, layer));
    return files;
}

void writeContours(const fs::path& path, const DrawdownGrid& grid,
    const std::vector<double>& levels, const GisFeatures& features,
    const std::optional<Georeference>& place, const GisProgress& progress)
{
    const std::string what = "contour file";
    const std::optional<VectorFormat> format = vectorFormatOf(path);
    if (!format)
        throw FileWriteError(cannotMessage(
            "write", what, path.string(), "the name must end in .gpkg, .geojson or .shp"));
    QuietGdal quiet;
    StagingFolder staging(path, what);
    SrsHolder srs { spatialReference(place, staging) };
    const double east = eastingOf(place), north = northingOf(place);

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

    // No levels (no drawdown anywhere): no contours and no bands.
    LatticeRaster raster(grid, place, staging);
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
    std::vector<fs::path> files = contourFilesOf(path);
    auto datasetFor = [&, single = GDALDatasetH(nullptr)](int layer) mutable {
        if (*format != VectorFormat::GeoPackage)
            return writer.create(driver, files[static_cast<std::size_t>(layer)]);
        if (!single)
            single = writer.create(driver, path);
        return single;
    };

    OGRLayerH contourLayer = createLayer(staging, datasetFor(0), LayerNames[0], wkbLineString,
        srs.srs, { { "drawdown_m", OFTReal } });
    OGR_L_ResetReading(lines);
    for (OGRFeatureH source; (source = OGR_L_GetNextFeature(lines)) != nullptr;) {
        Feature feature(contourLayer);
        feature.set("drawdown_m", 0.0 - OGR_F_GetFieldAsDouble(source, 1));
        feature.setGeometry(OGR_G_Clone(OGR_F_GetGeometryRef(source)));
        OGR_F_Destroy(source);
        feature.add(staging);
    }

    OGRLayerH bandLayer = createLayer(staging, datasetFor(1), LayerNames[1], wkbMultiPolygon,
        srs.srs, { { "min_m", OFTReal }, { "max_m", OFTReal } });
    OGR_L_ResetReading(bands);
    for (OGRFeatureH source; (source = OGR_L_GetNextFeature(bands)) != nullptr;) {
        OGRGeometryH geometry = OGR_F_GetGeometryRef(source);
        if (geometry && !OGR_G_IsEmpty(geometry)) {
            // A band lies between two levels; GDAL closes the outer two with placeholders: the
            // shallowest band runs from no drawdown, the deepest to the deepest drawdown.
            const double elevMin = OGR_F_GetFieldAsDouble(source, 1);
            const double elevMax = OGR_F_GetFieldAsDouble(source, 2);
            const bool deepestBand = elevMax == minusLevels.front();
            const bool shallowestBand = elevMin == minusLevels.back();
            Feature feature(bandLayer);
            feature.set("min_m", shallowestBand ? 0.0 : 0.0 - elevMax);
            feature.set("max_m", deepestBand ? deepest : 0.0 - elevMin);
            feature.setGeometry(OGR_G_Clone(geometry));
            feature.add(staging);
        }
        OGR_F_Destroy(source);
    }

    OGRLayerH pointLayer = createLayer(staging, datasetFor(2), LayerNames[2], wkbPoint, srs.srs,
        { { "name", OFTString }, { "kind", OFTString }, { "rate_m3h", OFTReal } });
    for (const GisPoint& point : features.points) {
        Feature feature(pointLayer);
        feature.set("name", point.name);
        feature.set("kind", point.kind);
        if (point.rateM3h)
            feature.set("rate_m3h", *point.rateM3h);
        OGRGeometryH geometry = OGR_G_CreateGeometry(wkbPoint);
        OGR_G_SetPoint_2D(geometry, 0, east + point.x, north + point.y);
        feature.setGeometry(geometry);
        feature.add(staging);
    }

    OGRLayerH lineLayer = createLayer(
        staging, datasetFor(3), LayerNames[3], wkbLineString, srs.srs, { { "kind", OFTString } });
    for (const GisLine& line : features.boundaries) {
        Feature feature(lineLayer);
        feature.set("kind", line.kind);
        OGRGeometryH geometry = OGR_G_CreateGeometry(wkbLineString);
        OGR_G_AddPoint_2D(geometry, east + line.x1, north + line.y1);
        OGR_G_AddPoint_2D(geometry, east + line.x2, north + line.y2);
        feature.setGeometry(geometry);
        feature.add(staging);
    }

    writer.finish();
    staging.commit();
}

} // namespace drawfield
