#include "mapper/gridding.h"

#include <QFile>

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdalgrid.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <mutex>

namespace drawfield::mapper {
namespace {

    void registerDrivers()
    {
        static std::once_flag once;
        std::call_once(once, [] { GDALAllRegister(); });
    }

    std::string lastGdalError()
    {
        const char* message = CPLGetLastErrorMsg();
        return message && *message ? message : "GDAL gave no reason";
    }

    struct DatasetCloser {
        void operator()(void* dataset) const { GDALClose(static_cast<GDALDatasetH>(dataset)); }
    };
    using Dataset = std::unique_ptr<void, DatasetCloser>;

} // namespace

Points readPoints(const QString& path, bool needZ)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw MapperError("cannot read point file " + path.toStdString() + ": "
            + file.errorString().toStdString());
    Points points;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        // Numbers separated by commas and blanks; blanks inside a field lead it (" 160").
        std::vector<double> numbers;
        const char* p = line.constData();
        const char* end = p + line.size();
        while (p < end && numbers.size() < 3) {
            while (p < end && (*p == ' ' || *p == '\t' || *p == ','))
                ++p;
            if (p >= end || *p == '\r' || *p == '\n')
                break;
            double value = 0.0;
            auto [stop, error] = std::from_chars(p, end, value);
            if (error != std::errc())
                break;
            numbers.push_back(value);
            p = stop;
        }
        if (numbers.size() < (needZ ? 3u : 2u))
            continue;
        points.x.push_back(numbers[0]);
        points.y.push_back(numbers[1]);
        points.z.push_back(numbers.size() > 2 ? numbers[2] : 0.0);
    }
    if (file.error() != QFileDevice::NoError)
        throw MapperError("cannot read point file " + path.toStdString() + ": "
            + file.errorString().toStdString());
    if (points.size() == 0)
        throw MapperError("point file " + path.toStdString() + " holds no point");
    return points;
}

void gridPoints(const Points& points, const QString& gridPath)
{
    registerDrivers();
    auto [xLow, xHigh] = std::minmax_element(points.x.begin(), points.x.end());
    auto [yLow, yHigh] = std::minmax_element(points.y.begin(), points.y.end());
    const double width = *xHigh - *xLow, height = *yHigh - *yLow;
    const double longer = std::max(width, height);
    // About 100 nodes on the longer side, nodes on the data's corners.
    const double spacing = longer > 0 ? longer / 99.0 : 1.0;
    const int columns = static_cast<int>(std::lround(width / spacing)) + 1;
    const int rows = static_cast<int>(std::lround(height / spacing)) + 1;
    // GDAL grids cells: their edges lie half a spacing outside the nodes.
    const double xMin = *xLow - spacing / 2, xMax = *xLow + (columns - 0.5) * spacing;
    const double yMin = *yLow - spacing / 2, yMax = *yLow + (rows - 0.5) * spacing;

    GDALGridAlgorithm algorithm;
    void* options = nullptr;
    std::string recipe
        = "invdistnn:power=2.0:smoothing=0.0:max_points=12:min_points=1:nodata=0.0:radius="
        + std::to_string(2.5 * spacing);
    if (ParseAlgorithmAndOptions(recipe.c_str(), &algorithm, &options) != CE_None)
        throw MapperError("cannot grid: " + lastGdalError());
    std::vector<double> values(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    CPLErr gridded
        = GDALGridCreate(algorithm, options, static_cast<GUInt32>(points.size()), points.x.data(),
            points.y.data(), points.z.data(), xMin, xMax, yMin, yMax, static_cast<GUInt32>(columns),
            static_cast<GUInt32>(rows), GDT_Float64, values.data(), nullptr, nullptr);
    CPLFree(options);
    if (gridded != CE_None)
        throw MapperError("cannot grid " + gridPath.toStdString() + ": " + lastGdalError());

    GDALDriverH driver = GDALGetDriverByName("GS7BG");
    if (driver == nullptr)
        throw MapperError("cannot write grid " + gridPath.toStdString()
            + ": GDAL has no Golden Software grid driver");
    QFile::remove(gridPath);
    Dataset dataset(
        GDALCreate(driver, gridPath.toUtf8().constData(), columns, rows, 1, GDT_Float64, nullptr));
    if (!dataset)
        throw MapperError("cannot write grid " + gridPath.toStdString() + ": " + lastGdalError());
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
    if (!written) {
        dataset.reset();
        QFile::remove(gridPath);
        throw MapperError("cannot write grid " + gridPath.toStdString() + ": " + lastGdalError());
    }
}

SampledField readDrawdownGrid(const QString& gridPath)
{
    registerDrivers();
    Dataset dataset(GDALOpen(gridPath.toUtf8().constData(), GA_ReadOnly));
    if (!dataset)
        throw MapperError("cannot read grid " + gridPath.toStdString() + ": " + lastGdalError());
    const int columns = GDALGetRasterXSize(dataset.get()), rows = GDALGetRasterYSize(dataset.get());
    double transform[6];
    if (GDALGetGeoTransform(dataset.get(), transform) != CE_None || columns < 1 || rows < 1)
        throw MapperError("cannot read grid " + gridPath.toStdString() + ": it has no extent");
    GDALRasterBandH band = GDALGetRasterBand(dataset.get(), 1);
    int hasBlank = 0;
    const double blank = GDALGetRasterNoDataValue(band, &hasBlank);
    std::vector<double> rowValues(static_cast<std::size_t>(columns));

    SampledField field;
    field.columns = columns;
    field.rows = rows;
    field.xSpacing = transform[1];
    field.ySpacing = -transform[5];
    field.xFirst = transform[0] + transform[1] / 2;
    field.yFirst = transform[3] + transform[5] * (rows - 0.5); // the southern row's nodes
    field.drawdowns.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        if (GDALRasterIO(
                band, GF_Read, 0, row, columns, 1, rowValues.data(), columns, 1, GDT_Float64, 0, 0)
            != CE_None)
            throw MapperError(
                "cannot read grid " + gridPath.toStdString() + ": " + lastGdalError());
        // Field rows go south to north.
        double* out = field.drawdowns.data()
            + static_cast<std::size_t>(rows - 1 - row) * static_cast<std::size_t>(columns);
        for (int column = 0; column < columns; ++column) {
            double z = rowValues[static_cast<std::size_t>(column)];
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
