#include "gis/gdal_support.h"

#include "compute/ascii_case.h"
#include "files/number_text.h"
#include "files/staged_files.h"

#include <cpl_error.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace drawfield {

namespace fs = std::filesystem;

std::string bandDescription(const ScenarioInputs& inputs)
{
    // Read at one depth, where the scenario says so (the depth average unless).
    std::string depth;
    const std::span<const WellParameter> own = wellFunctionRow(inputs.Method).parameters;
    for (std::size_t i = 0; i < own.size() && i < inputs.MapValues.size() && depth.empty(); ++i)
        if (own[i].scope == ParameterScope::Observation)
            depth = ", read at "
                + plainSignificantText(inputs.Units.length.of(inputs.MapValues[i]), 6) + " "
                + inputs.Units.length.word + " depth";
    return "drawdown at " + durationText(inputs.PumpTimeSeconds, inputs.Units) + depth;
}

void writeGeoTiff(const fs::path& path, const DrawdownGrid& grid,
    const std::optional<Georeference>& place, const GisProgress& progress,
    const std::string& description)
{
    writeGeoTiff(path, { { &grid, description } }, place, progress);
}

void writeGeoTiff(const fs::path& path, const std::vector<GeoTiffBand>& bands,
    const std::optional<Georeference>& place, const GisProgress& progress)
{
    const DrawdownGrid& grid = *bands.front().grid;
    const std::string what = "GeoTIFF file";
    const std::string extension = asciiLowerCase(path.extension().string());
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
    GDALDatasetH dataset = GDALCreate(driver, staged.c_str(), columns, rows,
        static_cast<int>(bands.size()), GDT_Float64, const_cast<char**>(options));
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
        constexpr int LinesAtOnce = 256; // one row of tiles
        std::vector<double> lines;
        for (std::size_t b = 0; written && b < bands.size(); ++b) {
            const DrawdownGrid& map = *bands[b].grid;
            GDALRasterBandH band = GDALGetRasterBand(dataset, static_cast<int>(b) + 1);
            written = written
                && GDALSetRasterNoDataValue(band, std::numeric_limits<double>::quiet_NaN())
                    == CE_None
                && GDALSetRasterUnitType(band, bands[b].unit.c_str()) == CE_None;
            GDALSetDescription(band, bands[b].description.c_str());
            for (int first = 0; written && first < rows; first += LinesAtOnce) {
                const int count = std::min(LinesAtOnce, rows - first);
                lines.resize(static_cast<std::size_t>(count) * static_cast<std::size_t>(columns));
                for (int line = 0; line < count; ++line) {
                    const int y = map.nodeY(rows - 1 - (first + line));
                    double* out = lines.data()
                        + static_cast<std::size_t>(line) * static_cast<std::size_t>(columns);
                    for (int column = 0; column < columns; ++column)
                        out[column] = drawdownOf(map.at(map.nodeX(column), y));
                }
                // Each row of tiles is compressed and written as it is complete, so progress is
                // true and memory stays one row of tiles.
                written = GDALRasterIO(band, GF_Write, 0, first, columns, count, lines.data(),
                              columns, count, GDT_Float64, 0, 0)
                    == CE_None;
                if (written) {
                    CPLErrorReset();
                    GDALFlushCache(dataset);
                    written = CPLGetLastErrorType() < CE_Failure;
                }
                if (written && progress
                    && !progress((static_cast<double>(b) + double(first + count) / rows)
                        / static_cast<double>(bands.size()))) {
                    GDALClose(dataset);
                    staging.fail(StoppedReason);
                }
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

} // namespace drawfield
