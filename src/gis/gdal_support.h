#pragma once

// What the GIS writers share of GDAL: its drivers registered once, its messages kept for ours,
// its progress passed on, a full disk said as every other output says it.

#include "compute/engine/drawdown_grid.h"
#include "compute/inputs.h"
#include "gis/gis_files.h"

#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>

namespace drawfield {

class StagedFiles;

// GDAL's messages are kept for ours instead of going to standard error while it lives.
class QuietGdal {
public:
    QuietGdal();
    ~QuietGdal();
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;
    // GDAL's last message, or `otherwise` when it said none.
    [[nodiscard]] static std::string reason(const char* otherwise);
};

// Why a write into folder failed: a full disk said as every other output says it (GDAL's own
// words there are a TIFF tag or a page of SQL), else GDAL's reason.
[[nodiscard]] std::string writeFailure(const std::filesystem::path& folder, const char* otherwise);

inline constexpr const char* StoppedReason = "the export was stopped";

// GDAL's progress callback, passing on to a GisProgress over [from, to] of the whole.
struct ProgressSpan {
    const GisProgress* progress;
    double from, to;
};
int CPL_STDCALL gdalProgress(double complete, const char*, void* data);

// A spatial reference, destroyed with it.
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

// The coordinate system of place, checked for a map of the box; null for local metres, and null
// with `problem` said when it cannot place the map.
[[nodiscard]] OGRSpatialReferenceH spatialReference(
    const std::optional<Georeference>& place, const MetreBox& box, std::string& problem);

[[nodiscard]] inline MetreBox boxOf(const DrawdownGrid& grid)
{
    return { grid.xMin(), grid.yMin(), grid.xMax(), grid.yMax() };
}
[[nodiscard]] inline double eastingOf(const std::optional<Georeference>& place)
{
    return place ? place->Easting : 0.0;
}
[[nodiscard]] inline double northingOf(const std::optional<Georeference>& place)
{
    return place ? place->Northing : 0.0;
}
// Drawdown positive downward from the grid's minus-drawdown; no-data stays NaN, and no drawdown
// is +0.
[[nodiscard]] inline double drawdownOf(double value) { return 0.0 - value; }

// A layer of dataset with the given fields (texts textWidth wide where given); fails through
// staging.
OGRLayerH createLayer(const StagedFiles& staging, GDALDatasetH dataset, const char* name,
    OGRwkbGeometryType type, OGRSpatialReferenceH srs,
    std::initializer_list<std::pair<const char*, OGRFieldType>> fields,
    const char* const* options = nullptr, int textWidth = 0);

} // namespace drawfield
