// GIS files read back through GDAL: where they lie, their coordinate system, no-data and values,
// and contours where the closed form puts them.

#include "compute/engine/drawdown_engine.h"
#include "files/atomic_file.h"
#include "gis/gis_files.h"
#include "scenario/scenario.h"
#include "support/temporary_folder.h"

#include <cpl_minixml.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>

using namespace drawfield;
namespace fs = std::filesystem;

namespace {

class GisFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        GDALAllRegister();
        folder = fs::temp_directory_path()
            / ("gis_test_" + std::to_string(::getpid()) + "_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    fs::path folder;
};

// One bore of 6 m3/h at (50, 50) for a day, placed in UTM zone 32.
ScenarioTexts oneBore()
{
    ScenarioTexts texts;
    texts.bores[0] = { "50", "50", "6" };
    texts.georeference = { "500000", "5700000", "EPSG:25832" };
    return texts;
}

ScenarioInputs inputsOf(const ScenarioTexts& texts)
{
    ScenarioReading reading = readScenario(texts);
    EXPECT_TRUE(reading.accepted());
    return reading.inputs;
}

std::shared_ptr<const DrawdownGrid> gridOf(const ScenarioInputs& inputs)
{
    return computeDrawdown(inputs)->grid;
}

} // namespace

// Cooper-Jacob's distance at which one bore's drawdown is s: s = Q / (4 pi T) ln(2.25 T t / (r^2
// S)).
double closedFormRadius(double drawdownMetres)
{
    const double Q = 6.0 / 3600.0, T = 0.003, S = 0.04, t = 24 * 3600.0;
    return std::sqrt(2.25 * T * t / S * std::exp(-drawdownMetres * 4.0 * std::numbers::pi * T / Q));
}

// A file opened read-only through GDAL, as a raster or as vectors.
struct Opened {
    GDALDatasetH dataset;
    Opened(const fs::path& path, unsigned kind)
        : dataset(GDALOpenEx(path.c_str(), kind | GDAL_OF_READONLY, nullptr, nullptr, nullptr))
    {
    }
    ~Opened()
    {
        if (dataset)
            GDALClose(dataset);
    }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;
};

struct Raster : Opened {
    explicit Raster(const fs::path& path)
        : Opened(path, GDAL_OF_RASTER)
    {
    }
    double at(int column, int line) const
    {
        double value = 0.0;
        EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(dataset, 1), GF_Read, column, line, 1, 1, &value,
                      1, 1, GDT_Float64, 0, 0),
            CE_None);
        return value;
    }
};

std::string epsgOf(OGRSpatialReferenceH srs)
{
    if (!srs)
        return "";
    const char* code = OSRGetAuthorityCode(srs, nullptr);
    return code ? std::string("EPSG:") + code : "?";
}

// A site written in its eastings and northings is the same site as in local metres with its
// georeference: the same drawdowns, placed at the same eastings and northings; the origin is the
// georeference's point where given, else the map's minimum corner.
TEST_F(GisFiles, SiteCoordinatesAreTheSameSite)
{
    ScenarioTexts local = oneBore();
    local.yMax = "80";
    local.observations[0] = { "Spring", "75.5", "20.25", "" };
    local.boundaries[0] = { "barrier", "10", "0", "10", "100" };
    local.profile = { "1", "1", "100", "80" };
    ScenarioTexts site;
    site.coordinates = "crs";
    site.xMin = "500001";
    site.yMin = "5700001.4"; // to the metre below
    site.xMax = "500100";
    site.yMax = "5700080";
    site.bores[0] = { "500050", "5700050", "6" };
    site.observations[0] = { "Spring", "500075.5", "5700020.25", "" };
    site.boundaries[0] = { "barrier", "500010", "5700000", "500010", "5700100" };
    site.profile = { "500001", "5700001", "500100", "5700080" };
    ScenarioTexts withOrigin = site;
    site.georeference = { "", "", "EPSG:25832" };
    withOrigin.georeference = { "500000", "5700000", "EPSG:25832" };
    const ScenarioInputs expected = inputsOf(local);
    for (const ScenarioTexts& texts : { site, withOrigin }) {
        const ScenarioInputs inputs = inputsOf(texts);
        EXPECT_TRUE(inputs.SiteCoordinates);
        const double east = inputs.Place->Easting, north = inputs.Place->Northing;
        EXPECT_EQ(inputs.XMin + east, expected.XMin + 500000.0);
        EXPECT_EQ(inputs.YMax + north, expected.YMax + 5700000.0);
        EXPECT_EQ(inputs.Wells[0].X + east, expected.Wells[0].X + 500000.0);
        EXPECT_DOUBLE_EQ(inputs.Observations[0].X + east, 500075.5);
        EXPECT_DOUBLE_EQ(inputs.Observations[0].Y + north, 5700020.25);
        EXPECT_DOUBLE_EQ(inputs.Boundaries[0].X1 + east, 500010.0);
        EXPECT_DOUBLE_EQ(inputs.ProfileLine->Y2 + north, 5700080.0);
        // The same drawdowns, at the same eastings and northings in the GeoTIFF.
        const fs::path mine = folder / "site.tif", theirs = folder / "local.tif";
        writeGeoTiff(mine, *gridOf(inputs), inputs.Place);
        writeGeoTiff(theirs, *gridOf(expected), expected.Place);
        Raster a(mine), b(theirs);
        double ta[6], tb[6];
        ASSERT_EQ(GDALGetGeoTransform(a.dataset, ta), CE_None);
        ASSERT_EQ(GDALGetGeoTransform(b.dataset, tb), CE_None);
        for (int i = 0; i < 6; ++i)
            EXPECT_DOUBLE_EQ(ta[i], tb[i]) << i;
        EXPECT_EQ(GDALGetRasterXSize(a.dataset), 100);
        EXPECT_EQ(GDALGetRasterYSize(a.dataset), 80);
        EXPECT_TRUE(std::isnan(a.at(0, 0))); // beyond the barrier, in both
        for (int line : { 0, 29, 79 })
            for (int column : { 29, 49, 99 })
                EXPECT_EQ(a.at(column, line), b.at(column, line)) << column << ", " << line;
    }

    // A bore off the whole metres is taken to the nearest and said; eastings need a system and a
    // Y maximum of their own; a place beyond the lattice's reach from the origin is refused.
    ScenarioTexts off = site;
    off.bores[0].x = "500050.4";
    const ScenarioReading moved = readScenario(off);
    ASSERT_TRUE(moved.accepted()) << moved.refusals.front();
    EXPECT_EQ(moved.inputs.Wells[0].X + moved.inputs.Place->Easting, 500050.0);
    ASSERT_FALSE(moved.warnings.empty());
    EXPECT_NE(moved.warnings.back().find("\"500050.4\" is taken as 500050"), std::string::npos)
        << moved.warnings.back();
    struct Refused {
        std::function<void(ScenarioTexts&)> change;
        const char* said;
    };
    const Refused refused[] = {
        { [](ScenarioTexts& t) { t.georeference = {}; }, "needs the coordinate system" },
        { [](ScenarioTexts& t) { t.yMax = ""; }, "needs its Y maximum" },
        { [](ScenarioTexts& t) { t.xMax = "600000"; }, "the map reaches at most 32767 m" },
        { [](ScenarioTexts& t) { t.xMax = "499000"; }, "lies west of the minimum" },
        { [](ScenarioTexts& t) { t.bores[0].y = "5,7e6"; }, "must be a number" },
        { [](ScenarioTexts& t) { t.coordinates = "utm"; }, "must be local or crs" },
    };
    for (const Refused& r : refused) {
        ScenarioTexts texts = site;
        r.change(texts);
        const ScenarioReading reading = readScenario(texts);
        ASSERT_FALSE(reading.accepted()) << r.said;
        EXPECT_NE(reading.refusals.front().find(r.said), std::string::npos)
            << reading.refusals.front();
    }
}

TEST_F(GisFiles, GeoTiffPlacesEveryNodeWithItsDrawdown)
{
    struct Case {
        const char* name;
        ScenarioTexts texts;
        double west, north, step; // the transform expected
        std::string crs;
    };
    ScenarioTexts local = oneBore();
    local.georeference = {};
    ScenarioTexts coarse = oneBore();
    coarse.cellSize = "5";
    ScenarioTexts barrier = oneBore();
    barrier.boundaries[0] = { "barrier", "20", "0", "20", "100" };
    const Case cases[] = {
        { "placed", oneBore(), 500000.5, 5700100.5, 1.0, "EPSG:25832" },
        { "local metres", local, 0.5, 100.5, 1.0, "" },
        // Nodes 1, 6, ..., 96: the last row of nodes is at 96.
        { "5 m nodes", coarse, 499998.5, 5700098.5, 5.0, "EPSG:25832" },
        { "beyond a barrier", barrier, 500000.5, 5700100.5, 1.0, "EPSG:25832" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScenarioInputs inputs = inputsOf(c.texts);
        const auto grid = gridOf(inputs);
        const fs::path path = folder / "drawdown.tif";
        writeGeoTiff(path, *grid, inputs.Place, {}, bandDescription(inputs));

        Raster raster(path);
        ASSERT_NE(raster.dataset, nullptr);
        EXPECT_STREQ(GDALGetDriverShortName(GDALGetDatasetDriver(raster.dataset)), "GTiff");
        ASSERT_EQ(GDALGetRasterCount(raster.dataset), 1);
        EXPECT_EQ(GDALGetRasterXSize(raster.dataset), grid->columnCount());
        EXPECT_EQ(GDALGetRasterYSize(raster.dataset), grid->rowCount());
        GDALRasterBandH band = GDALGetRasterBand(raster.dataset, 1);
        EXPECT_EQ(GDALGetRasterDataType(band), GDT_Float64);
        int hasNoData = 0;
        EXPECT_TRUE(std::isnan(GDALGetRasterNoDataValue(band, &hasNoData)));
        EXPECT_TRUE(hasNoData);
        // What the band holds and when, and its unit, as GIS programs show them.
        EXPECT_STREQ(GDALGetDescription(band), "drawdown at 24 h");
        EXPECT_STREQ(GDALGetRasterUnitType(band), "m");
        EXPECT_STREQ(
            GDALGetMetadataItem(raster.dataset, "COMPRESSION", "IMAGE_STRUCTURE"), "DEFLATE");
        int blockWidth = 0, blockHeight = 0;
        GDALGetBlockSize(band, &blockWidth, &blockHeight);
        EXPECT_EQ(blockWidth, 256); // tiled, not stripped
        EXPECT_EQ(blockHeight, 256);
        double transform[6];
        ASSERT_EQ(GDALGetGeoTransform(raster.dataset, transform), CE_None);
        EXPECT_EQ(transform[0], c.west);
        EXPECT_EQ(transform[1], c.step);
        EXPECT_EQ(transform[3], c.north);
        EXPECT_EQ(transform[5], -c.step);
        EXPECT_EQ(epsgOf(OGRSpatialReferenceH(GDALGetSpatialRef(raster.dataset))), c.crs);

        // Each node's pixel, found from its coordinates as a GIS finds it, holds its drawdown.
        const double east = inputs.Place ? inputs.Place->Easting : 0.0;
        const double north = inputs.Place ? inputs.Place->Northing : 0.0;
        int blanks = 0;
        for (int row = 0; row < grid->rowCount(); ++row)
            for (int column = 0; column < grid->columnCount(); ++column) {
                const int x = grid->nodeX(column), y = grid->nodeY(row);
                const int pixel = int(std::floor((east + x - transform[0]) / transform[1]));
                const int line = int(std::floor((north + y - transform[3]) / transform[5]));
                const double value = raster.at(pixel, line);
                if (std::isnan(grid->at(x, y))) {
                    ++blanks;
                    EXPECT_TRUE(std::isnan(value));
                } else
                    ASSERT_EQ(value, -grid->at(x, y)) << x << ", " << y;
            }
        EXPECT_EQ(blanks, c.texts.boundaries[0].isEmpty() ? 0 : 19 * 100);
        // Positive downward: the bore's pixel is the deepest.
        EXPECT_GT(raster.at(int((east + 50 - transform[0]) / transform[1]),
                      int((north + 50 - transform[3]) / transform[5])),
            0.3);
    }
}

TEST_F(GisFiles, AFailedWriteLeavesThePreviousFile)
{
    struct Case {
        const char* crs;
        const char* said;
    };
    const Case cases[] = {
        { "EPSG:999999", "\"EPSG:999999\" is unknown" },
        { "EPSG:4326", "\"EPSG:4326\" is not a projected coordinate system; the map is in metres" },
        { "EPSG:2263", "\"EPSG:2263\" measures in US survey foot, not in metres" },
        { "WGS84", "\"WGS84\" is not an EPSG code" },
        // Web Mercator at 45.6 degrees north: the map's 100 m would cover 70 m on the ground.
        { "EPSG:3857", "\"EPSG:3857\" changes distances at the map's place by +42.7 %" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.crs);
        ScenarioTexts texts = oneBore();
        texts.georeference.crs = c.crs;
        const ScenarioInputs inputs = inputsOf(texts);
        const auto grid = gridOf(inputs);
        for (const fs::path& path :
            { folder / "map.tif", folder / "map.gpkg", folder / "map.geojson" }) {
            std::ofstream(path) << "before";
            try {
                if (path.extension() == ".tif")
                    writeGeoTiff(path, *grid, inputs.Place);
                else
                    (void)writeContours(path, *grid, { 0.1 }, gisFeaturesOf(inputs), inputs.Place);
                ADD_FAILURE() << "written with " << c.crs;
            } catch (const FileWriteError& error) {
                EXPECT_EQ(std::string(error.what()).rfind("Cannot write the ", 0), 0u)
                    << error.what();
                EXPECT_NE(std::string(error.what()).find(c.said), std::string::npos)
                    << error.what();
            }
            std::ifstream file(path);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "before");
        }
        // Nothing is left of the attempts beside the files.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);
    }
    const auto grid = gridOf(inputsOf(oneBore()));
    EXPECT_THROW(
        (void)writeContours(folder / "map.kml", *grid, { 0.1 }, {}, std::nullopt), FileWriteError);
}

TEST_F(GisFiles, ProgressRisesAndAStopLeavesThePreviousFile)
{
    ScenarioTexts texts = oneBore();
    texts.xMax = "600"; // more than one band of tiles
    const ScenarioInputs inputs = inputsOf(texts);
    const auto grid = gridOf(inputs);
    for (const char* name : { "map.tif", "map.gpkg" }) {
        SCOPED_TRACE(name);
        const fs::path path = folder / name;
        auto write = [&](const GisProgress& progress) {
            if (path.extension() == ".tif")
                writeGeoTiff(path, *grid, inputs.Place, progress);
            else
                (void)writeContours(path, *grid, { 0.01, 0.1 }, {}, inputs.Place, progress);
        };
        std::vector<double> fractions;
        write([&](double fraction) {
            fractions.push_back(fraction);
            return true;
        });
        ASSERT_GE(fractions.size(), 2u);
        EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
        EXPECT_GE(fractions.front(), 0.0);
        EXPECT_LE(fractions.back(), 1.0);

        std::ofstream(path, std::ios::trunc) << "before";
        int calls = 0;
        try {
            write([&](double) { return ++calls < 2; });
            ADD_FAILURE() << "not stopped";
        } catch (const FileWriteError& error) {
            EXPECT_NE(
                std::string(error.what()).find(": The export was stopped."), std::string::npos)
                << error.what();
        }
        std::ifstream file(path);
        std::string content(
            (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(content, "before");
        fs::remove(path);
    }
    EXPECT_TRUE(fs::is_empty(folder));
}

struct Vector : Opened {
    explicit Vector(const fs::path& path)
        : Opened(path, GDAL_OF_VECTOR)
    {
    }
};

// Every vertex's distance from (x0, y0).
std::vector<double> distancesOf(OGRGeometryH geometry, double x0, double y0)
{
    std::vector<double> distances;
    for (int i = 0; i < OGR_G_GetPointCount(geometry); ++i)
        distances.push_back(std::hypot(OGR_G_GetX(geometry, i) - x0, OGR_G_GetY(geometry, i) - y0));
    return distances;
}

TEST_F(GisFiles, ContoursLieWhereTheClosedFormPutsThem)
{
    ScenarioTexts texts = oneBore();
    texts.observations[0] = { "Farm well", "80", "20" };
    const std::vector<double> levels = { 0.1, 0.2, 0.3 };
    const double east = 500000, north = 5700000;

    for (const char* name : { "site.gpkg", "site.geojson", "site.shp" }) {
        SCOPED_TRACE(name);
        const ScenarioInputs inputs = inputsOf(texts);
        const auto grid = gridOf(inputs);
        const fs::path path = folder / name;
        (void)writeContours(path, *grid, levels, gisFeaturesOf(inputs), inputs.Place);
        std::vector<fs::path> files = contourFilesOf(path);
        if (path.extension() == ".shp") {
            // Each layer's .shp with its .shx, .dbf, .prj, .cpg (the texts are UTF-8) and .qml.
            ASSERT_EQ(files.size(), 24u);
            for (const fs::path& file : files)
                EXPECT_TRUE(fs::exists(file)) << file;
            EXPECT_EQ(readBytes(folder / "site_points.cpg").substr(0, 5), "UTF-8");
            std::erase_if(files, [](const fs::path& file) { return file.extension() != ".shp"; });
        }
        ASSERT_EQ(files.size(), path.extension() == ".gpkg" ? 1u : 4u);

        // The layers, from one file or from four.
        std::vector<std::unique_ptr<Vector>> opened;
        std::vector<OGRLayerH> layers;
        for (const fs::path& file : files) {
            opened.push_back(std::make_unique<Vector>(file));
            ASSERT_NE(opened.back()->dataset, nullptr) << file;
            for (int i = 0; i < GDALDatasetGetLayerCount(opened.back()->dataset); ++i)
                if (OGRLayerH layer = GDALDatasetGetLayer(opened.back()->dataset, i);
                    std::string(OGR_L_GetName(layer)) != "layer_styles")
                    layers.push_back(layer);
        }
        ASSERT_EQ(layers.size(), 4u);
        for (OGRLayerH layer : layers)
            EXPECT_EQ(epsgOf(OGR_L_GetSpatialRef(layer)), "EPSG:25832");

        // Contour lines: one ring per level, every vertex at the closed form's radius about the
        // bore, to what the lattice's straight segments cut off the curve (half a pixel off would
        // be 0.5 m).
        OGRLayerH contours = layers[0];
        int count = 0;
        OGR_L_ResetReading(contours);
        for (OGRFeatureH feature; (feature = OGR_L_GetNextFeature(contours)) != nullptr; ++count) {
            const double level
                = OGR_F_GetFieldAsDouble(feature, OGR_F_GetFieldIndex(feature, "drawdown_m"));
            EXPECT_TRUE(std::find(levels.begin(), levels.end(), level) != levels.end()) << level;
            const double radius = closedFormRadius(level);
            for (double r : distancesOf(OGR_F_GetGeometryRef(feature), east + 50, north + 50))
                EXPECT_NEAR(r, radius, 0.3 / radius + 0.01) << level;
            OGR_F_Destroy(feature);
        }
        EXPECT_EQ(count, 3);

        // Bands: from no drawdown to the deepest, without gaps, covering the map's pixels.
        OGRLayerH bands = layers[1];
        std::vector<std::pair<double, double>> ranges;
        double area = 0.0;
        OGR_L_ResetReading(bands);
        for (OGRFeatureH feature; (feature = OGR_L_GetNextFeature(bands)) != nullptr;) {
            ranges.emplace_back(
                OGR_F_GetFieldAsDouble(feature, OGR_F_GetFieldIndex(feature, "min_m")),
                OGR_F_GetFieldAsDouble(feature, OGR_F_GetFieldIndex(feature, "max_m")));
            area += OGR_G_Area(OGR_F_GetGeometryRef(feature));
            OGR_F_Destroy(feature);
        }
        std::sort(ranges.begin(), ranges.end());
        ASSERT_EQ(ranges.size(), 4u);
        EXPECT_EQ(ranges[0], std::pair(0.0, 0.1));
        EXPECT_EQ(ranges[1], std::pair(0.1, 0.2));
        EXPECT_EQ(ranges[2], std::pair(0.2, 0.3));
        EXPECT_EQ(ranges[3].first, 0.3);
        double deepest = 0.0;
        for (double value : grid->values())
            deepest = std::max(deepest, -value);
        EXPECT_NEAR(ranges[3].second, deepest, 1e-12); // a shapefile keeps 15 digits
        EXPECT_NEAR(area, 100.0 * 100.0, 1e-6);

        // Points: the bore with its rate, the observation point without one.
        OGRLayerH points = layers[2];
        ASSERT_EQ(OGR_L_GetFeatureCount(points, TRUE), 2);
        OGR_L_ResetReading(points);
        OGRFeatureH bore = OGR_L_GetNextFeature(points);
        EXPECT_STREQ(OGR_F_GetFieldAsString(bore, OGR_F_GetFieldIndex(bore, "name")), "Bore 1");
        EXPECT_STREQ(OGR_F_GetFieldAsString(bore, OGR_F_GetFieldIndex(bore, "kind")), "bore");
        EXPECT_NEAR(
            OGR_F_GetFieldAsDouble(bore, OGR_F_GetFieldIndex(bore, "rate_m3h")), 6.0, 1e-12);
        EXPECT_EQ(OGR_G_GetX(OGR_F_GetGeometryRef(bore), 0), east + 50);
        EXPECT_EQ(OGR_G_GetY(OGR_F_GetGeometryRef(bore), 0), north + 50);
        OGR_F_Destroy(bore);
        OGRFeatureH observation = OGR_L_GetNextFeature(points);
        EXPECT_STREQ(OGR_F_GetFieldAsString(observation, OGR_F_GetFieldIndex(observation, "name")),
            "Farm well");
        EXPECT_FALSE(
            OGR_F_IsFieldSetAndNotNull(observation, OGR_F_GetFieldIndex(observation, "rate_m3h")));
        EXPECT_EQ(OGR_G_GetX(OGR_F_GetGeometryRef(observation), 0), east + 80);
        OGR_F_Destroy(observation);

        EXPECT_EQ(OGR_L_GetFeatureCount(layers[3], TRUE), 0); // no boundaries
    }
}

TEST_F(GisFiles, BandsStopAtABoundaryDrawnAcrossTheMap)
{
    ScenarioTexts texts = oneBore();
    texts.boundaries[0] = { "recharge", "95", "0", "95", "1" };
    const ScenarioInputs inputs = inputsOf(texts);
    const auto grid = gridOf(inputs);
    (void)writeContours(
        folder / "site.gpkg", *grid, { 0.05, 0.1 }, gisFeaturesOf(inputs), inputs.Place);
    Vector vector(folder / "site.gpkg");
    ASSERT_NE(vector.dataset, nullptr);

    // The bands stop at the line, as the map does: from the pixels' edge at x = 0.5 to x = 95.
    double area = 0.0;
    OGRLayerH bands = GDALDatasetGetLayerByName(vector.dataset, "bands");
    for (OGRFeatureH feature; (feature = OGR_L_GetNextFeature(bands)) != nullptr;) {
        area += OGR_G_Area(OGR_F_GetGeometryRef(feature));
        OGR_F_Destroy(feature);
    }
    EXPECT_NEAR(area, 94.5 * 100.0, 1e-6);
    // Across a barrier the contour lines run on to the line, as the image wells continue them,
    // and stop there.
    texts.boundaries[0] = { "barrier", "70", "0", "70", "1" };
    const ScenarioInputs walled = inputsOf(texts);
    (void)writeContours(
        folder / "walled.gpkg", *gridOf(walled), { 0.2, 0.3 }, gisFeaturesOf(walled), walled.Place);
    Vector contours(folder / "walled.gpkg");
    double farthest = 0.0;
    OGRLayerH lines = GDALDatasetGetLayerByName(contours.dataset, "contours");
    for (OGRFeatureH feature; (feature = OGR_L_GetNextFeature(lines)) != nullptr;) {
        OGRGeometryH geometry = OGR_F_GetGeometryRef(feature);
        for (int i = 0; i < OGR_G_GetPointCount(geometry); ++i)
            farthest = std::max(farthest, OGR_G_GetX(geometry, i) - 500000.0);
        OGR_F_Destroy(feature);
    }
    EXPECT_NEAR(farthest, 70.0, 1e-6);

    // The line, clipped to the map, from the two points that only name its direction.
    OGRLayerH boundaries = GDALDatasetGetLayerByName(vector.dataset, "boundaries");
    ASSERT_EQ(OGR_L_GetFeatureCount(boundaries, TRUE), 1);
    OGRFeatureH line = OGR_L_GetNextFeature(boundaries);
    EXPECT_STREQ(OGR_F_GetFieldAsString(line, OGR_F_GetFieldIndex(line, "kind")), "recharge");
    OGRGeometryH geometry = OGR_F_GetGeometryRef(line);
    ASSERT_EQ(OGR_G_GetPointCount(geometry), 2);
    EXPECT_EQ(OGR_G_GetX(geometry, 0), 500095.0);
    EXPECT_EQ(OGR_G_GetX(geometry, 1), 500095.0);
    EXPECT_EQ(std::minmax(OGR_G_GetY(geometry, 0), OGR_G_GetY(geometry, 1)),
        std::minmax(5700001.0, 5700100.0));
    OGR_F_Destroy(line);
}

// Two boundaries meet at a corner: each boundary's line stops at the aquifer's edge there.
TEST_F(GisFiles, BoundaryLinesStopAtTheAquifersEdge)
{
    ScenarioTexts texts = oneBore();
    texts.boundaries[0] = { "barrier", "20", "0", "20", "1" };
    texts.boundaries[1] = { "recharge", "0", "80", "1", "80" };
    const GisFeatures features = gisFeaturesOf(inputsOf(texts));
    ASSERT_EQ(features.boundaries.size(), 2u);
    const GisLine& barrier = features.boundaries[0];
    const GisLine& recharge = features.boundaries[1];
    EXPECT_EQ(std::minmax(barrier.y1, barrier.y2), std::minmax(1.0, 80.0));
    EXPECT_EQ(std::minmax(recharge.x1, recharge.x2), std::minmax(20.0, 100.0));
}

// A set of files is replaced as a set: an earlier export's files it no longer has go with it, a
// sibling name held by a file this program did not write is refused (nothing changes), and a
// main file that is a link takes the whole set to where it points.
TEST_F(GisFiles, ASetOfFilesIsReplacedAsASet)
{
    ScenarioTexts texts = oneBore();
    const ScenarioInputs placed = inputsOf(texts);
    texts.georeference = {};
    const ScenarioInputs local = inputsOf(texts);
    const auto grid = gridOf(placed);
    auto write = [&](const fs::path& path, const ScenarioInputs& inputs) {
        (void)writeContours(path, *grid, { 0.1 }, gisFeaturesOf(inputs), inputs.Place);
    };
    write(folder / "c.shp", placed);
    ASSERT_TRUE(fs::exists(folder / "c_points.prj"));
    write(folder / "c.shp", local); // no coordinate system: no .prj is left to claim one
    for (const char* name : { "c.prj", "c_bands.prj", "c_points.prj", "c_boundaries.prj" })
        EXPECT_FALSE(fs::exists(folder / name)) << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 20);

    // Someone's own d_points.geojson is not ours to replace.
    writeBytes(folder / "d_points.geojson", "{\"type\": \"FeatureCollection\", \"features\": []}");
    EXPECT_THROW(write(folder / "d.geojson", placed), FileWriteError);
    EXPECT_FALSE(fs::exists(folder / "d.geojson"));
    write(folder / "e.geojson", placed);
    write(folder / "e.geojson", placed); // an earlier export of its own is

    // Through a link: the set is made beside the file it names.
    fs::create_directories(folder / "real");
    writeBytes(folder / "real" / "r.shp", "before");
    fs::create_symlink("real/r.shp", folder / "link.shp");
    write(folder / "link.shp", placed);
    EXPECT_TRUE(fs::is_symlink(folder / "link.shp"));
    for (const char* name : { "r.dbf", "r_bands.shp", "r_points.cpg", "r_boundaries.shx" })
        EXPECT_TRUE(fs::exists(folder / "real" / name)) << name;
    EXPECT_FALSE(fs::exists(folder / "link_bands.shp"));
}

// Names stay what they were: a shapefile writes UTF-8 and says so, bytes that are not UTF-8
// become U+FFFD in every format, and a name longer than a DBF field holds is cut and said.
TEST_F(GisFiles, NamesAreKeptAndSaid)
{
    ScenarioTexts texts = oneBore();
    texts.observations[0] = { "\xc5\x81\xc4\x85ka", "10", "10" };
    texts.observations[1] = { "bad\xff", "20", "10" };
    texts.observations[2]
        = { std::string(253, 'x') + "\xc3\x9c" + std::string(10, 'z'), "30", "10" };
    const ScenarioInputs inputs = inputsOf(texts);
    const auto grid = gridOf(inputs);
    for (const char* name : { "n.shp", "n.geojson" }) {
        SCOPED_TRACE(name);
        const fs::path path = folder / name;
        const std::vector<std::string> notes
            = writeContours(path, *grid, { 0.1 }, gisFeaturesOf(inputs), inputs.Place);
        Vector vector(siblingOf(path, "points"));
        ASSERT_NE(vector.dataset, nullptr);
        OGRLayerH points = GDALDatasetGetLayer(vector.dataset, 0);
        std::vector<std::string> names;
        for (OGRFeatureH feature; (feature = OGR_L_GetNextFeature(points)) != nullptr;) {
            names.push_back(OGR_F_GetFieldAsString(feature, OGR_F_GetFieldIndex(feature, "name")));
            OGR_F_Destroy(feature);
        }
        ASSERT_EQ(names.size(), 4u);
        EXPECT_EQ(names[1], "\xc5\x81\xc4\x85ka");
        EXPECT_EQ(names[2], "bad\xef\xbf\xbd");
        const bool shapefile = path.extension() == ".shp";
        EXPECT_EQ(names[3].size(), shapefile ? 253u : 265u); // cut before the two-byte letter
        ASSERT_EQ(notes.size(), shapefile ? 1u : 0u);
        if (shapefile) {
            EXPECT_NE(notes[0].find("holds its first 253 bytes"), std::string::npos) << notes[0];
        }
    }
}

// The styles QGIS applies: each layer's QML parses, names its renderer and the layer's own fields,
// the bands take the map's colours, the points their state (a dry bore, a passed limit).
TEST_F(GisFiles, LayersCarryTheirStyles)
{
    ScenarioTexts texts = oneBore();
    texts.bores[0].availableDrawdown = "0.3";
    texts.observations[0] = { "Spring", "80", "50", "" };
    texts.observations[0].limit = "5";
    texts.boundaries[0] = { "recharge", "5", "0", "5", "100" };
    const ScenarioInputs inputs = inputsOf(texts);
    GisFeatures features = gisFeaturesOf(inputs);
    features.bandColours = { 0x010203, 0x040506, 0x070809 };
    const std::vector<double> levels { 0.1, 0.2 };
    struct Expected {
        const char* layer;
        const char* renderer;
        const char* attribute; // the renderer's, or the labels'
        std::vector<std::string> values; // ranges' colours, or categories
    };
    const Expected expected[] = {
        { "contours", "singleSymbol", "drawdown_m", {} },
        { "bands", "graduatedSymbol", "max_m", { "1,2,3,255", "4,5,6,255", "7,8,9,255" } },
        { "points", "categorizedSymbol", "state",
            { "bore", "bore runs dry", "observation", "limit passed" } },
        { "boundaries", "categorizedSymbol", "kind", { "barrier", "recharge" } },
    };
    for (const char* name : { "s.gpkg", "s.shp" }) {
        SCOPED_TRACE(name);
        const fs::path path = folder / name;
        (void)writeContours(path, *gridOf(inputs), levels, features, inputs.Place);
        const bool geoPackage = path.extension() == ".gpkg";
        std::map<std::string, std::string> styles;
        if (geoPackage) {
            Vector vector(path);
            OGRLayerH table = GDALDatasetGetLayerByName(vector.dataset, "layer_styles");
            ASSERT_NE(table, nullptr);
            for (OGRFeatureH row; (row = OGR_L_GetNextFeature(table)) != nullptr;) {
                EXPECT_EQ(
                    OGR_F_GetFieldAsInteger(row, OGR_F_GetFieldIndex(row, "useAsDefault")), 1);
                styles[OGR_F_GetFieldAsString(row, OGR_F_GetFieldIndex(row, "f_table_name"))]
                    = OGR_F_GetFieldAsString(row, OGR_F_GetFieldIndex(row, "styleQML"));
                OGR_F_Destroy(row);
            }
        } else {
            for (const Expected& e : expected) {
                const fs::path layer
                    = std::string(e.layer) == "contours" ? path : siblingOf(path, e.layer);
                std::ifstream in(fs::path(layer).replace_extension(".qml"));
                styles[e.layer] = std::string(std::istreambuf_iterator<char>(in), {});
            }
        }
        for (const Expected& e : expected) {
            SCOPED_TRACE(e.layer);
            CPLXMLNode* root = CPLParseXMLString(styles[e.layer].c_str());
            ASSERT_NE(root, nullptr) << styles[e.layer];
            const CPLXMLNode* qgis = CPLSearchXMLNode(root, "=qgis");
            ASSERT_NE(qgis, nullptr);
            const CPLXMLNode* renderer = CPLGetXMLNode(qgis, "renderer-v2");
            ASSERT_NE(renderer, nullptr);
            EXPECT_STREQ(CPLGetXMLValue(renderer, "type", ""), e.renderer);
            const std::string attribute = CPLGetXMLValue(renderer, "attr", "");
            const std::string labelled
                = CPLGetXMLValue(qgis, "labeling.settings.text-style.fieldName", "");
            EXPECT_TRUE(attribute == e.attribute || labelled == e.attribute);
            std::vector<std::string> values;
            for (const CPLXMLNode* node = CPLGetXMLNode(renderer, "categories.category"); node;
                 node = node->psNext)
                values.push_back(CPLGetXMLValue(node, "value", ""));
            if (std::string(e.renderer) == "graduatedSymbol") {
                EXPECT_EQ(CPLGetXMLNode(renderer, "ranges")->psChild != nullptr, true);
                for (const CPLXMLNode* symbol = CPLGetXMLNode(renderer, "symbols.symbol"); symbol;
                     symbol = symbol->psNext)
                    for (const CPLXMLNode* option = CPLGetXMLNode(symbol, "layer.Option.Option");
                         option; option = option->psNext)
                        if (std::string(CPLGetXMLValue(option, "name", "")) == "color")
                            values.push_back(CPLGetXMLValue(option, "value", ""));
            }
            EXPECT_EQ(values, e.values);
            // The fields the style names are the layer's.
            Vector vector(
                geoPackage || std::string(e.layer) == "contours" ? path : siblingOf(path, e.layer));
            OGRLayerH layer = geoPackage ? GDALDatasetGetLayerByName(vector.dataset, e.layer)
                                         : GDALDatasetGetLayer(vector.dataset, 0);
            ASSERT_NE(layer, nullptr);
            EXPECT_GE(OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(layer), e.attribute), 0);
            CPLDestroyXMLNode(root);
        }
        // The states the points style draws: the bore runs dry, the spring's limit holds.
        Vector vector(geoPackage ? path : siblingOf(path, "points"));
        OGRLayerH points = geoPackage ? GDALDatasetGetLayerByName(vector.dataset, "points")
                                      : GDALDatasetGetLayer(vector.dataset, 0);
        std::vector<std::string> states, verdicts;
        for (OGRFeatureH feature; (feature = OGR_L_GetNextFeature(points)) != nullptr;) {
            states.push_back(
                OGR_F_GetFieldAsString(feature, OGR_F_GetFieldIndex(feature, "state")));
            verdicts.push_back(
                OGR_F_GetFieldAsString(feature, OGR_F_GetFieldIndex(feature, "verdict")));
            OGR_F_Destroy(feature);
        }
        EXPECT_EQ(states, (std::vector<std::string> { "bore runs dry", "observation" }));
        ASSERT_EQ(verdicts.size(), 2u);
        EXPECT_TRUE(verdicts[0].starts_with("runs dry at ")) << verdicts[0];
        EXPECT_EQ(verdicts[1], "not passed");
    }
}

// A GeoPackage, which GDAL writes by seeking, still goes down a pipe whole.
TEST_F(GisFiles, AGeoPackageGoesDownAPipe)
{
    const ScenarioInputs inputs = inputsOf(oneBore());
    const auto grid = gridOf(inputs);
    const fs::path pipe = folder / "c.gpkg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string bytes;
    std::thread reader([&] { bytes = readBytes(pipe); });
    (void)writeContours(pipe, *grid, { 0.1 }, gisFeaturesOf(inputs), inputs.Place);
    reader.join();
    EXPECT_TRUE(bytes.starts_with("SQLite format 3")) << bytes.size();
}

TEST_F(GisFiles, NoLevelsNoContoursAndLocalMetresNoCode)
{
    ScenarioTexts texts = oneBore();
    texts.georeference = {};
    const ScenarioInputs inputs = inputsOf(texts);
    const auto grid = gridOf(inputs);
    (void)writeContours(folder / "flat.gpkg", *grid, {}, gisFeaturesOf(inputs), inputs.Place);
    Vector vector(folder / "flat.gpkg");
    ASSERT_NE(vector.dataset, nullptr);
    EXPECT_EQ(
        OGR_L_GetFeatureCount(GDALDatasetGetLayerByName(vector.dataset, "contours"), TRUE), 0);
    EXPECT_EQ(OGR_L_GetFeatureCount(GDALDatasetGetLayerByName(vector.dataset, "bands"), TRUE), 0);
    OGRLayerH points = GDALDatasetGetLayerByName(vector.dataset, "points");
    EXPECT_EQ(OGR_L_GetFeatureCount(points, TRUE), 1);
    const std::string crs = epsgOf(OGR_L_GetSpatialRef(points));
    EXPECT_FALSE(crs.starts_with("EPSG:")) << crs; // GeoPackage's "undefined Cartesian"
}
