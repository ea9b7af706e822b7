#include "mapper/gridding.h"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdalgrid.h>

#include "files/atomic_file.h"
#include "files/staged_files.h"
#include "files/user_text.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <memory>
#include <mutex>

namespace drawfield::mapper {
namespace {

    void registerDrivers()
    {
        static std::once_flag once;
        std::call_once(once, [] {
            GDALAllRegister();
            // Errors come back through CPLGetLastErrorMsg into our messages, not onto stderr.
            CPLSetErrorHandler(CPLQuietErrorHandler);
        });
    }

    std::string lastGdalError()
    {
        const char* message = CPLGetLastErrorMsg();
        // GDAL's messages may quote the file's own bytes: pass them on short and escaped.
        return message && *message ? relayedText(message) : "GDAL gave no reason";
    }

    struct DatasetCloser {
        void operator()(void* dataset) const { GDALClose(static_cast<GDALDatasetH>(dataset)); }
    };
    using Dataset = std::unique_ptr<void, DatasetCloser>;

    constexpr int LargestSideRead = 1000;

    int CPL_STDCALL reportProgress(double complete, const char*, void* listener)
    {
        (*static_cast<std::function<void(double)>*>(listener))(complete);
        return TRUE;
    }
    // A point's line is a few dozen bytes; a longer one is read in pieces, each its own line.
    constexpr qint64 LongestLineBytes = 4096;

    // A file name's bytes, for GDAL and for messages.
    std::string pathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

} // namespace

std::optional<std::array<double, 3>> parsePointLine(std::string_view line, bool needZ)
{
    // Numbers separated by commas and blanks; blanks inside a field lead it (" 160").
    std::array<double, 3> numbers {};
    std::size_t count = 0;
    const char* p = line.data();
    const char* end = p + line.size();
    while (p < end && count < 3) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == ','))
            ++p;
        if (p >= end || *p == '\r' || *p == '\n')
            break;
        double value = 0.0;
        auto [stop, error] = std::from_chars(p, end, value);
        if (error != std::errc())
            break;
        numbers[count++] = value;
        p = stop;
    }
    // A point without its numbers, or with a value that is no number (nan, inf, 1e999), has no
    // place on a map.
    if (count < (needZ ? 3u : 2u)
        || !std::all_of(numbers.begin(), numbers.begin() + static_cast<std::ptrdiff_t>(count),
            [](double v) { return std::isfinite(v); }))
        return std::nullopt;
    return numbers;
}

Points readPoints(const QString& path, bool needZ)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw MapperError(
            cannotMessage("read", "point file", pathBytes(path), file.errorString().toStdString()));
    Points points;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(LongestLineBytes);
        if (auto point = parsePointLine(
                std::string_view(line.constData(), static_cast<std::size_t>(line.size())), needZ)) {
            points.x.push_back((*point)[0]);
            points.y.push_back((*point)[1]);
            points.z.push_back((*point)[2]);
        }
    }
    if (file.error() != QFileDevice::NoError)
        throw MapperError(
            cannotMessage("read", "point file", pathBytes(path), file.errorString().toStdString()));
    if (points.size() == 0)
        throw MapperError(cannotMessage("read", "point file", pathBytes(path),
            "it holds no point with finite X, Y" + std::string(needZ ? " and Z" : "")));
    return points;
}

void gridPoints(
    const Points& points, const QString& gridPath, const std::function<void(double)>& progress)
{
    registerDrivers();
    auto refusal = [&](const std::string& reason) {
        return MapperError(cannotMessage("grid", "points into", pathBytes(gridPath), reason));
    };
    if (points.size() == 0)
        throw refusal("there is no point");
    auto [xLow, xHigh] = std::minmax_element(points.x.begin(), points.x.end());
    auto [yLow, yHigh] = std::minmax_element(points.y.begin(), points.y.end());
    const double width = *xHigh - *xLow, height = *yHigh - *yLow;
    const double longer = std::max(width, height);
    // About 100 nodes on the longer side, nodes on the data's corners. Points in a line or on one
    // spot still get a lattice of at least 2 x 2 nodes around them, one spacing wide, so that
    // the grid has an extent that readers accept.
    const double spacing = longer > 0 ? longer / 99.0 : 1.0;
    if (!std::isfinite(width) || !std::isfinite(height) || !std::isnormal(spacing))
        throw refusal("the points spread too far or too little to grid");
    const double xCentre = *xLow + width / 2, yCentre = *yLow + height / 2;
    if (xCentre + spacing == xCentre || yCentre + spacing == yCentre)
        throw refusal("the points lie too close together for their coordinates' precision");
    const int columns = std::max(2, static_cast<int>(std::lround(width / spacing)) + 1);
    const int rows = std::max(2, static_cast<int>(std::lround(height / spacing)) + 1);
    // GDAL grids cells: their edges lie half a spacing outside the nodes.
    const double xMin = xCentre - columns * spacing / 2, xMax = xCentre + columns * spacing / 2;
    const double yMin = yCentre - rows * spacing / 2, yMax = yCentre + rows * spacing / 2;
    if (!std::isfinite(xMin) || !std::isfinite(xMax) || !std::isfinite(yMin)
        || !std::isfinite(yMax))
        throw refusal("the points spread too far to grid");

    GDALGridAlgorithm algorithm;
    void* options = nullptr;
    // The radius in full precision: a fixed six decimals would read 0 for a small map.
    std::array<char, 32> radius;
    auto radiusEnd = std::to_chars(radius.data(), radius.data() + radius.size(), 2.5 * spacing).ptr;
    std::string recipe
        = "invdistnn:power=2.0:smoothing=0.0:max_points=12:min_points=1:nodata=0.0:radius="
        + std::string(radius.data(), radiusEnd);
    if (ParseAlgorithmAndOptions(recipe.c_str(), &algorithm, &options) != CE_None)
        throw refusal(lastGdalError());
    std::vector<double> values(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    CPLErr gridded = GDALGridCreate(algorithm, options, static_cast<GUInt32>(points.size()),
        points.x.data(), points.y.data(), points.z.data(), xMin, xMax, yMin, yMax,
        static_cast<GUInt32>(columns), static_cast<GUInt32>(rows), GDT_Float64, values.data(),
        progress ? reportProgress : nullptr, const_cast<std::function<void(double)>*>(&progress));
    CPLFree(options);
    if (gridded != CE_None)
        throw refusal(lastGdalError());

    // The grid is staged beside its place and moved in whole.
    auto writeFailure = [&](const std::string& reason) {
        return MapperError(cannotMessage("write", "grid", pathBytes(gridPath), reason));
    };
    GDALDriverH driver = GDALGetDriverByName("GS7BG");
    if (driver == nullptr)
        throw writeFailure("GDAL has no Golden Software grid driver");
    try {
        StagedFiles staging(pathBytes(gridPath), "grid");
        const std::filesystem::path staged = staging.staged(staging.target());
        Dataset dataset(GDALCreate(driver, staged.c_str(), columns, rows, 1, GDT_Float64, nullptr));
        if (!dataset)
            throw writeFailure(lastGdalError());
        double transform[6] = { xMin, spacing, 0.0, yMax, 0.0, -spacing };
        GDALSetGeoTransform(dataset.get(), transform);
        // The gridding gives the southernmost row first; the file wants the northernmost first.
        GDALRasterBandH band = GDALGetRasterBand(dataset.get(), 1);
        bool written = true;
        for (int row = 0; row < rows && written; ++row)
            written = GDALRasterIO(band, GF_Write, 0, row, columns, 1,
                          values.data()
                              + static_cast<std::size_t>(rows - 1 - row)
                                  * static_cast<std::size_t>(columns),
                          columns, 1, GDT_Float64, 0, 0)
                == CE_None;
        if (written)
            GDALFlushCache(dataset.get());
        if (!written || CPLGetLastErrorType() == CE_Failure)
            throw writeFailure(lastGdalError());
        dataset.reset();
        staging.commit();
    } catch (const FileWriteError& error) {
        throw MapperError(error.what());
    }
}

SampledField readDrawdownGrid(const QString& gridPath)
{
    registerDrivers();
    const std::string path = pathBytes(gridPath);
    auto failure = [&](const std::string& reason) {
        return MapperError(cannotMessage("read", "grid", path, reason));
    };
    CPLErrorReset();
    // Grid formats only: the mapper reads grids, and every other driver is code it need not run
    // on what it is given.
    static const char* const GridDrivers[] = { "GS7BG", "GSBG", "GSAG", "AAIGrid", nullptr };
    Dataset dataset(GDALOpenEx(path.c_str(),
        GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, GridDrivers, nullptr, nullptr));
    if (!dataset)
        throw failure(lastGdalError());
    const int columns = GDALGetRasterXSize(dataset.get()), rows = GDALGetRasterYSize(dataset.get());
    double transform[6];
    if (GDALGetGeoTransform(dataset.get(), transform) != CE_None || columns < 1 || rows < 1
        || GDALGetRasterCount(dataset.get()) < 1 || !std::isnormal(transform[1])
        || !std::isnormal(transform[5]) || !std::isfinite(transform[0])
        || !std::isfinite(transform[3]))
        throw failure("it has no extent");

    // A header may declare more nodes than its file holds: believe it only as far as the file's
    // size allows for the formats whose every node takes room, before anything is allocated.
    const std::string driver = GDALGetDriverShortName(GDALGetDatasetDriver(dataset.get()));
    const long long bytesPerNode = driver == "GS7BG" ? 8
        : driver == "GSBG"                           ? 4
        : driver == "GSAG" || driver == "AAIGrid"    ? 2
                                                     : 0;
    VSIStatBufL status {};
    const bool sized = VSIStatL(path.c_str(), &status) == 0;
    const auto fileBytes = static_cast<long long>(status.st_size);
    const long long nodes = static_cast<long long>(columns) * rows;
    if (bytesPerNode > 0 && sized && nodes > fileBytes / bytesPerNode + 1)
        throw failure("its header declares " + std::to_string(columns) + " x "
            + std::to_string(rows) + " nodes, more than its " + std::to_string(fileBytes)
            + " bytes can hold");

    // A picture shows at most about a thousand nodes a side: larger grids are read thinned.
    const int readColumns = std::min(columns, LargestSideRead);
    const int readRows = std::min(rows, LargestSideRead);
    GDALRasterBandH band = GDALGetRasterBand(dataset.get(), 1);
    int hasBlank = 0;
    const double blank = GDALGetRasterNoDataValue(band, &hasBlank);
    std::vector<double> values(
        static_cast<std::size_t>(readColumns) * static_cast<std::size_t>(readRows));
    if (GDALRasterIO(band, GF_Read, 0, 0, columns, rows, values.data(), readColumns, readRows,
            GDT_Float64, 0, 0)
        != CE_None)
        throw failure(lastGdalError());

    SampledField field;
    field.columns = readColumns;
    field.rows = readRows;
    // Node positions: the first and last nodes stay where they are.
    auto spacing = [](double cell, int nodes, int read) {
        return read > 1 ? cell * (nodes - 1) / (read - 1) : cell;
    };
    field.xSpacing = spacing(transform[1], columns, readColumns);
    field.ySpacing = spacing(-transform[5], rows, readRows);
    field.xFirst = transform[0] + transform[1] / 2;
    field.yFirst = transform[3] + transform[5] * (rows - 0.5); // the southern row's nodes
    field.drawdowns.resize(values.size());
    for (int row = 0; row < readRows; ++row) {
        // Field rows go south to north.
        const double* in
            = values.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(readColumns);
        double* out = field.drawdowns.data()
            + static_cast<std::size_t>(readRows - 1 - row) * static_cast<std::size_t>(readColumns);
        for (int column = 0; column < readColumns; ++column) {
            double z = in[column];
            bool isBlank = (hasBlank && z == blank) || !std::isfinite(z) || std::abs(z) >= 1e38;
            out[column] = isBlank ? 0.0 : std::max(0.0, -z);
        }
    }
    auto [low, high] = std::minmax_element(field.drawdowns.begin(), field.drawdowns.end());
    field.shallowest = *low;
    field.deepest = *high;
    return field;
}

} // namespace drawfield::mapper
