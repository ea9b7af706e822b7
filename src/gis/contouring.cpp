#include "gis/contouring.h"

#include "compute/aquifer_limits.h"
#include "files/staged_files.h"

#include <cpl_string.h>
#include <gdal_alg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace drawfield {

LatticeRaster::LatticeRaster(const DrawdownGrid& grid, const std::optional<Georeference>& place,
    const GisFeatures& features, const StagedFiles& staging)
{
    GDALDriverH memory = GDALGetDriverByName("MEM");
    m_dataset = memory
        ? GDALCreate(memory, "", grid.columnCount(), grid.rowCount(), 0, GDT_Float64, nullptr)
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
        line = std::to_string(
            step * static_cast<long long>(grid.width()) * static_cast<long long>(sizeof(double)));
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

LatticeRaster::~LatticeRaster()
{
    if (m_dataset)
        GDALClose(m_dataset);
}

// The lattice as one value per node, the nodes within two spacings beyond a boundary
// continued from their mirror images.
std::vector<double> LatticeRaster::continued(const DrawdownGrid& grid, const GisFeatures& features)
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
                const int k = std::min(k0 + dk, columns - 1), m = std::min(m0 + dm, rows - 1);
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
            const AquiferLimits::Image image = limits.imageInside(grid.nodeX(k), grid.nodeY(m));
            if (image.farthestBeyond <= 2.0 * step)
                at(k, m) = image.sign * interpolated(image.at.X, image.at.Y);
        }
    return values;
}

OGRLayerH contourInMemory(const LatticeRaster& raster, GDALDatasetH memory, const char* name,
    const std::vector<double>& levels, bool polygons, const StagedFiles& staging, ProgressSpan span)
{
    OGRLayerH layer = createLayer(staging, memory, name, polygons ? wkbMultiPolygon : wkbLineString,
        nullptr,
        polygons
            ? std::initializer_list<std::pair<const char*, OGRFieldType>> { { "ID", OFTInteger },
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

std::vector<OGRGeometryH> clippedParts(
    OGRGeometryH geometry, OGRGeometryH aquifer, OGRwkbGeometryType kind)
{
    std::vector<OGRGeometryH> parts;
    OGRGeometryH clipped = aquifer ? OGR_G_Intersection(geometry, aquifer) : OGR_G_Clone(geometry);
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

} // namespace drawfield
