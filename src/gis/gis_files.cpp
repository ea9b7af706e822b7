#include "gis/gis_files.h"

#include "compute/aquifer_limits.h"
#include "files/atomic_file.h"
#include "files/staged_files.h"
#include "files/number_text.h"
#include "scenario/text_rules.h"
#include "files/user_text.h"
#include "platform/file_system.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <geodesic.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>


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

    // Why a write into folder failed: a full disk said as every other output says it (GDAL's own
    // words there are a TIFF tag or a page of SQL), else GDAL's reason.
    std::string writeFailure(const fs::path& folder, const char* otherwise)
    {
        const int error = errno;
        if (diskIsFull(folder))
            return std::strerror(ENOSPC);
        if (error == ENOSPC || error == EFBIG || error == EDQUOT || error == EIO)
            return std::strerror(error);
        return QuietGdal::reason(otherwise);
    }

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

    struct SrsHolder {
        OGRSpatialReferenceH srs = nullptr;
        SrsHolder() = default;
        explicit SrsHolder(OGRSpatialReferenceH held)
            : srs(held)
        {
        }
        ~SrsHolder()
        {
            if (srs)
                OSRDestroySpatialReference(srs);
        }
        SrsHolder(const SrsHolder&) = delete;
        SrsHolder& operator=(const SrsHolder&) = delete;
    };

    // How much the system stretches distances around (east, north): its length of a diagonal
    // there against the geodesic length between the same two places. Empty when PROJ cannot
    // take the places to longitude and latitude.
    std::optional<double> distortionAt(
        OGRSpatialReferenceH srs, double east, double north, double halfSide)
    {
        SrsHolder geographic(OSRCloneGeogCS(srs));
        if (!geographic.srs)
            return std::nullopt;
        OSRSetAxisMappingStrategy(geographic.srs, OAMS_TRADITIONAL_GIS_ORDER);
        OGRCoordinateTransformationH toDegrees
            = OCTNewCoordinateTransformation(srs, geographic.srs);
        if (!toDegrees)
            return std::nullopt;
        double x[2] = { east - halfSide, east + halfSide };
        double y[2] = { north - halfSide, north + halfSide };
        int done[2] = { 0, 0 };
        const bool moved = OCTTransformEx(toDegrees, 2, x, y, nullptr, done) && done[0] && done[1];
        OCTDestroyCoordinateTransformation(toDegrees);
        if (!moved || !std::isfinite(x[0] + x[1] + y[0] + y[1]))
            return std::nullopt;
        OGRErr error = OGRERR_NONE;
        const double semiMajor = OSRGetSemiMajor(geographic.srs, &error);
        const double inverseFlattening = OSRGetInvFlattening(geographic.srs, &error);
        geod_geodesic ellipsoid {};
        geod_init(&ellipsoid, semiMajor, inverseFlattening > 0.0 ? 1.0 / inverseFlattening : 0.0);
        double metres = 0.0;
        geod_inverse(&ellipsoid, y[0], x[0], y[1], x[1], &metres, nullptr, nullptr);
        if (!(metres > 0.0))
            return std::nullopt;
        return 2.0 * std::sqrt(2.0) * halfSide / metres;
    }

    // The coordinate system of place, checked for a map of the box; null for local metres.
    // Throws FileWriteError through staging when it cannot place the map.
    OGRSpatialReferenceH spatialReference(
        const std::optional<Georeference>& place, const MetreBox& box, std::string& problem)
    {
        problem.clear();
        if (!place || place->Crs.empty())
            return nullptr;
        const std::string& crs = place->Crs;
        const std::string named = "the coordinate system " + quotedExcerpt(crs);
        const std::string wanted = "; the map is in metres, so it needs a projected system in "
                                   "metres such as a UTM zone (EPSG:25832)";
        if (!crs.starts_with("EPSG:") || crs.size() == 5 || crs.size() > 15
            || crs.find_first_not_of("0123456789", 5) != std::string::npos) {
            problem = named + " is not an EPSG code such as EPSG:25832";
            return nullptr;
        }
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        if (OSRSetFromUserInput(srs, crs.c_str()) != OGRERR_NONE) {
            OSRDestroySpatialReference(srs);
            problem = named + " is unknown: " + QuietGdal::reason("no such EPSG code");
            return nullptr;
        }
        // The map's metres are added to the easting and northing: the system must be projected
        // and measure in metres, or the files would land in the wrong place at the wrong scale.
        char* unit = nullptr;
        const double metresPerUnit = OSRIsProjected(srs) ? OSRGetLinearUnits(srs, &unit) : 0.0;
        if (metresPerUnit != 1.0) {
            problem = named
                + (metresPerUnit == 0.0 ? " is not a projected coordinate system"
                                        : " measures in "
                            + std::string(unit ? unit : "another unit") + ", not in metres")
                + wanted;
            OSRDestroySpatialReference(srs);
            return nullptr;
        }
        OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
        // A system that stretches distances there (Web Mercator away from the equator) would
        // put the map's metres at another scale on the ground.
        const double halfSide
            = std::max(50.0, std::max(box.xMax - box.xMin, box.yMax - box.yMin) / 2.0);
        const double east = place->Easting + (box.xMin + box.xMax) / 2.0;
        const double north = place->Northing + (box.yMin + box.yMax) / 2.0;
        const std::optional<double> stretch = distortionAt(srs, east, north, halfSide);
        if (!stretch) {
            problem = named + " cannot place the map at easting "
                + realText(place->Easting).substr(place->Easting < 0 ? 0 : 1) + ", northing "
                + realText(place->Northing).substr(place->Northing < 0 ? 0 : 1)
                + ": the place lies outside the area where the system is defined";
        } else if (std::fabs(*stretch - 1.0) > 0.01) {
            char text[160];
            std::snprintf(text, sizeof text,
                " changes distances at the map's place by %+.1f %%: the map's %.0f m would "
                "cover %.1f m on the ground",
                (*stretch - 1.0) * 100.0, 2.0 * halfSide, 2.0 * halfSide / *stretch);
            problem = named + text
                + "; choose a system that keeps them within 1 %, such as the UTM zone of the "
                  "place";
        }
        if (!problem.empty()) {
            OSRDestroySpatialReference(srs);
            return nullptr;
        }
        return srs;
    }

    MetreBox boxOf(const DrawdownGrid& grid)
    {
        return { grid.xMin(), grid.yMin(), grid.xMax(), grid.yMax() };
    }

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

} // namespace

std::string georeferenceProblem(
    const std::optional<Georeference>& place, double xMin, double yMin, double xMax, double yMax)
{
    QuietGdal quiet;
    std::string problem;
    SrsHolder srs(spatialReference(place,
        { static_cast<int>(std::floor(xMin)), static_cast<int>(std::floor(yMin)),
            static_cast<int>(std::ceil(xMax)), static_cast<int>(std::ceil(yMax)) },
        problem));
    return problem;
}

std::string esriProjectionOf(const std::optional<Georeference>& place)
{
    if (!place || place->Crs.empty())
        return {};
    QuietGdal quiet;
    SrsHolder srs(OSRNewSpatialReference(nullptr));
    if (OSRSetFromUserInput(srs.srs, place->Crs.c_str()) != OGRERR_NONE)
        return {};
    const char* options[] = { "FORMAT=WKT1_ESRI", nullptr };
    char* wkt = nullptr;
    std::string text;
    if (OSRExportToWktEx(srs.srs, &wkt, options) == OGRERR_NONE && wkt)
        text = wkt;
    CPLFree(wkt);
    return text;
}

GisFeatures gisFeaturesOf(const ScenarioInputs& inputs)
{
    GisFeatures features;
    for (int bore = 0; bore < WellCount; ++bore) {
        if (!inputs.pumps(bore))
            continue;
        const WellInput& well = inputs.Wells[static_cast<std::size_t>(bore)];
        features.points.push_back({ "Bore " + std::to_string(bore + 1), "bore", double(well.X),
            double(well.Y), well.Rate * SecondsPerHour });
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

void writeGeoTiff(const fs::path& path, const DrawdownGrid& grid,
    const std::optional<Georeference>& place, const GisProgress& progress)
{
    const std::string what = "GeoTIFF file";
    const std::string extension = lowered(path.extension().string());
    QuietGdal quiet;
    StagedFiles staging(path, what);
    if (!staging.isDevice() && extension != ".tif" && extension != ".tiff")
        staging.fail("the name must end in .tif or .tiff");
    std::string problem;
    SrsHolder srs(spatialReference(place, boxOf(grid), problem));
    if (!problem.empty())
        staging.fail(problem);

    const int columns = grid.columnCount(), rows = grid.rowCount();
    const double step = grid.nodeSpacing();
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    if (!driver)
        staging.fail("GDAL has no GeoTIFF driver");
    const char* options[] = { "COMPRESS=DEFLATE", "TILED=YES", "BIGTIFF=IF_SAFER", nullptr };
    const fs::path staged = staging.staged(staging.isDevice() ? "drawdown.tif" : staging.target());
    GDALDatasetH dataset = GDALCreate(
        driver, staged.c_str(), columns, rows, 1, GDT_Float64, const_cast<char**>(options));
    if (!dataset)
        staging.fail(writeFailure(staged.parent_path(), "GDAL cannot create it"));
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
                double* out = lines.data()
                    + static_cast<std::size_t>(line) * static_cast<std::size_t>(columns);
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
        = written ? std::string() : writeFailure(staged.parent_path(), "GDAL could not write it");
    // Closing writes the last tiles: its failure counts too.
    CPLErrorReset();
    GDALClose(dataset);
    const bool closed = CPLGetLastErrorType() < CE_Failure;
    if (!written)
        staging.fail(reason);
    if (!closed)
        staging.fail(writeFailure(staged.parent_path(), "GDAL could not finish it"));
    staging.commit({ staging.target() });
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

    // The four layers, with the fields each holds: a file with one of these layers and exactly
    // its fields is one this program wrote.
    struct LayerKind {
        const char* name;
        std::vector<const char*> fields;
    };
    const LayerKind Layers[] = {
        { "contours", { "drawdown_m" } },
        { "bands", { "min_m", "max_m" } },
        { "points", { "name", "kind", "rate_m3h" } },
        { "boundaries", { "kind" } },
    };
    constexpr const char* ShapefileParts[] = { ".shp", ".shx", ".dbf", ".prj", ".cpg" };
    constexpr int LongestDbfText = 254; // bytes in a shapefile's text field

    fs::path siblingOf(const fs::path& path, const char* layer)
    {
        fs::path sibling = path;
        sibling.replace_filename(path.stem().string() + "_" + layer + path.extension().string());
        return sibling;
    }

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
        const std::string extension = lowered(file.extension().string());
        const bool json = extension == ".geojson" || extension == ".json";
        if (!json)
            main.replace_extension(".shp");
        OpenedVectors opened(main);
        if (!opened.dataset || GDALDatasetGetLayerCount(opened.dataset) != 1)
            return false;
        OGRLayerH layer = GDALDatasetGetLayer(opened.dataset, 0);
        OGRFeatureDefnH definition = OGR_L_GetLayerDefn(layer);
        for (const LayerKind& kind : Layers) {
            if (json && std::string(OGR_L_GetName(layer)) != kind.name)
                continue;
            const int fields = OGR_FD_GetFieldCount(definition);
            bool same = fields == static_cast<int>(kind.fields.size())
                || (json && fields == 0 && OGR_L_GetFeatureCount(layer, TRUE) == 0);
            for (int f = 0; same && f < fields; ++f)
                same = std::string(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(definition, f)))
                    == kind.fields[static_cast<std::size_t>(f)];
            if (same)
                return true;
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

    OGRLayerH createLayer(const StagedFiles& staging, GDALDatasetH dataset, const char* name,
        OGRwkbGeometryType type, OGRSpatialReferenceH srs,
        std::initializer_list<std::pair<const char*, OGRFieldType>> fields,
        const char* const* options = nullptr, int textWidth = 0)
    {
        OGRLayerH layer
            = GDALDatasetCreateLayer(dataset, name, srs, type, const_cast<char**>(options));
        if (!layer)
            staging.fail(QuietGdal::reason("GDAL cannot make its layers"));
        for (auto [fieldName, fieldType] : fields) {
            OGRFieldDefnH field = OGR_Fld_Create(fieldName, fieldType);
            if (fieldType == OFTString && textWidth > 0)
                OGR_Fld_SetWidth(field, textWidth);
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
        void add(const StagedFiles& staging, const fs::path& folder)
        {
            if (OGR_L_CreateFeature(m_layer, m_feature) != OGRERR_NONE)
                staging.fail(writeFailure(folder, "GDAL cannot write a feature"));
        }

    private:
        OGRLayerH m_layer;
        OGRFeatureH m_feature;
    };

    // The grid's lattice for GDAL's contouring: rows of nodes from the south, pixels centred on
    // the nodes, minus the drawdown as the grid holds it. Without boundaries it is the grid's own
    // memory. With them, nodes just beyond a line take the value their mirror image in the
    // aquifer has, as the image wells continue the cone (the same across a barrier, the opposite
    // across a recharge line), so that contours run on to the line, where they are cut as the map
    // cuts them; that needs a copy, made for maps up to MostContinuedNodes.
    class LatticeRaster {
    public:
        static constexpr long long MostContinuedNodes = 1LL << 26; // half a gigabyte

        LatticeRaster(const DrawdownGrid& grid, const std::optional<Georeference>& place,
            const GisFeatures& features, const StagedFiles& staging)
        {
            GDALDriverH memory = GDALGetDriverByName("MEM");
            m_dataset = memory ? GDALCreate(memory, "", grid.columnCount(), grid.rowCount(), 0,
                            GDT_Float64, nullptr)
                               : nullptr;
            if (!m_dataset)
                staging.fail(QuietGdal::reason("GDAL has no memory raster"));
            const long long columns = grid.columnCount(), rows = grid.rowCount();
            const long long step = grid.nodeSpacing();
            std::string pointer, pixel, line;
            if (!features.limits.empty() && columns * rows <= MostContinuedNodes) {
                m_copy = continued(grid, features);
                pointer = std::to_string(reinterpret_cast<std::uintptr_t>(m_copy.data()));
                pixel = std::to_string(sizeof(double));
                line = std::to_string(columns * static_cast<long long>(sizeof(double)));
            } else {
                pointer = std::to_string(reinterpret_cast<std::uintptr_t>(grid.row(grid.yMin())));
                pixel = std::to_string(step * static_cast<long long>(sizeof(double)));
                line = std::to_string(step * static_cast<long long>(grid.width())
                    * static_cast<long long>(sizeof(double)));
            }
            pointer = "DATAPOINTER=" + pointer;
            pixel = "PIXELOFFSET=" + pixel;
            line = "LINEOFFSET=" + line;
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
        // The lattice as one value per node, the nodes within two spacings beyond a boundary
        // continued from their mirror images.
        static std::vector<double> continued(const DrawdownGrid& grid, const GisFeatures& features)
        {
            const int columns = grid.columnCount(), rows = grid.rowCount();
            const double step = grid.nodeSpacing();
            auto index = [columns](int k, int m) {
                return static_cast<std::size_t>(m) * static_cast<std::size_t>(columns)
                    + static_cast<std::size_t>(k);
            };
            std::vector<double> values(index(0, rows));
            auto at = [&](int k, int m) -> double& { return values[index(k, m)]; };
            for (int m = 0; m < rows; ++m)
                for (int k = 0; k < columns; ++k)
                    at(k, m) = grid.at(grid.nodeX(k), grid.nodeY(m));
            // The grid's value at any place in the aquifer: its nodes around, weighted by
            // nearness, those without a value left out.
            auto interpolated = [&](double x, double y) {
                const double fk = (x - grid.xMin()) / step, fm = (y - grid.yMin()) / step;
                if (!(fk >= 0 && fm >= 0 && fk <= columns - 1 && fm <= rows - 1))
                    return std::numeric_limits<double>::quiet_NaN();
                const int k0 = std::min(static_cast<int>(fk), columns - 1);
                const int m0 = std::min(static_cast<int>(fm), rows - 1);
                double sum = 0.0, weights = 0.0;
                for (int dk = 0; dk <= 1; ++dk)
                    for (int dm = 0; dm <= 1; ++dm) {
                        const int k = std::min(k0 + dk, columns - 1),
                                  m = std::min(m0 + dm, rows - 1);
                        const double w = (1.0 - std::fabs(fk - k)) * (1.0 - std::fabs(fm - m));
                        const double v = at(k, m);
                        if (w > 0.0 && std::isfinite(v)) {
                            sum += w * v;
                            weights += w;
                        }
                    }
                return weights > 0.0 ? sum / weights : std::numeric_limits<double>::quiet_NaN();
            };
            const AquiferLimits limits(features.limits, features.inside);
            std::vector<double> source = values;
            for (int m = 0; m < rows; ++m)
                for (int k = 0; k < columns; ++k) {
                    if (!std::isnan(source[index(k, m)]))
                        continue;
                    const AquiferLimits::Image image
                        = limits.imageInside(grid.nodeX(k), grid.nodeY(m));
                    if (image.farthestBeyond <= 2.0 * step)
                        at(k, m) = image.sign * interpolated(image.at.X, image.at.Y);
                }
            return values;
        }

        GDALDatasetH m_dataset = nullptr;
        std::vector<double> m_copy;
    };

    // Runs GDAL's contouring of the lattice at the levels (minus drawdowns) into a layer of
    // the memory driver with fields ID and ELEV, or ELEV_MIN and ELEV_MAX when polygonised.
    OGRLayerH contourInMemory(const LatticeRaster& raster, GDALDatasetH memory, const char* name,
        const std::vector<double>& levels, bool polygons, const StagedFiles& staging,
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

    // The parts of geometry of the given kind (lines or polygons) inside the aquifer; the
    // geometry itself, cloned, without boundaries.
    std::vector<OGRGeometryH> clippedParts(
        OGRGeometryH geometry, OGRGeometryH aquifer, OGRwkbGeometryType kind)
    {
        std::vector<OGRGeometryH> parts;
        OGRGeometryH clipped
            = aquifer ? OGR_G_Intersection(geometry, aquifer) : OGR_G_Clone(geometry);
        if (!clipped)
            return parts;
        auto collect = [&](auto& self, OGRGeometryH part) -> void {
            const OGRwkbGeometryType type = wkbFlatten(OGR_G_GetGeometryType(part));
            if (type == kind && !OGR_G_IsEmpty(part)) {
                parts.push_back(OGR_G_Clone(part));
                return;
            }
            for (int i = 0; i < OGR_G_GetGeometryCount(part); ++i)
                if (type != wkbPolygon && type != wkbLineString)
                    self(self, OGR_G_GetGeometryRef(part, i));
        };
        collect(collect, clipped);
        OGR_G_DestroyGeometry(clipped);
        return parts;
    }

} // namespace

std::vector<fs::path> contourFilesOf(const fs::path& path)
{
    const std::optional<VectorFormat> format = vectorFormatOf(path);
    if (format == VectorFormat::GeoPackage)
        return { path };
    std::vector<fs::path> layers { path };
    for (const LayerKind& kind : Layers)
        if (kind.name != Layers[0].name)
            layers.push_back(siblingOf(path, kind.name));
    if (format != VectorFormat::Shapefile)
        return layers;
    std::vector<fs::path> files;
    for (const fs::path& layer : layers)
        for (const char* part : ShapefileParts)
            files.push_back(fs::path(layer).replace_extension(part));
    return files;
}

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
        srs.srs, { { "drawdown_m", OFTReal } }, layerOptions);
    OGR_L_ResetReading(lines);
    for (OGRFeatureH source; (source = OGR_L_GetNextFeature(lines)) != nullptr;) {
        const double drawdown = 0.0 - OGR_F_GetFieldAsDouble(source, 1);
        for (OGRGeometryH part :
            clippedParts(OGR_F_GetGeometryRef(source), aquifer, wkbLineString)) {
            Feature feature(contourLayer);
            feature.set("drawdown_m", drawdown);
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
        longestName = std::max(longestName, names.back().size());
    }
    const int textWidth
        = shapefile ? static_cast<int>(std::min<std::size_t>(longestName, LongestDbfText)) : 0;
    OGRLayerH pointLayer = createLayer(staging, datasetFor(2), Layers[2].name, wkbPoint, srs.srs,
        { { "name", OFTString }, { "kind", OFTString }, { "rate_m3h", OFTReal } }, layerOptions,
        textWidth);
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
    writer.finish(stagingFolder);

    // Some of GDAL's writers (GeoJSON) do not report a failed write: every file is read back and
    // must hold every feature written.
    for (std::size_t layer = 0; layer < std::size(Layers); ++layer) {
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
