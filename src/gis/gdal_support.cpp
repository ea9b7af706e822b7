#include "gis/gdal_support.h"

#include "files/number_text.h"
#include "files/staged_files.h"
#include "files/user_text.h"
#include "platform/file_system.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <geodesic.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace drawfield {
namespace {

    void registerDrivers()
    {
        static std::once_flag once;
        std::call_once(once, [] { GDALAllRegister(); });
    }

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

} // namespace

QuietGdal::QuietGdal()
{
    registerDrivers();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

QuietGdal::~QuietGdal() { CPLPopErrorHandler(); }

std::string QuietGdal::reason(const char* otherwise)
{
    const char* message = CPLGetLastErrorMsg();
    return message && *message ? relayedText(message) : otherwise;
}

std::string writeFailure(const std::filesystem::path& folder, const char* otherwise)
{
    const int error = errno;
    if (diskIsFull(folder))
        return std::strerror(ENOSPC);
    if (error == ENOSPC || error == EFBIG || error == EDQUOT || error == EIO)
        return std::strerror(error);
    return QuietGdal::reason(otherwise);
}

int CPL_STDCALL gdalProgress(double complete, const char*, void* data)
{
    const ProgressSpan& span = *static_cast<const ProgressSpan*>(data);
    return !*span.progress || (*span.progress)(span.from + complete * (span.to - span.from));
}

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
                                    : " measures in " + std::string(unit ? unit : "another unit")
                        + ", not in metres")
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
            (*stretch - 1.0) * PercentPerFraction, 2.0 * halfSide, 2.0 * halfSide / *stretch);
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

OGRLayerH createLayer(const StagedFiles& staging, GDALDatasetH dataset, const char* name,
    OGRwkbGeometryType type, OGRSpatialReferenceH srs,
    std::initializer_list<std::pair<const char*, OGRFieldType>> fields, const char* const* options,
    int textWidth)
{
    OGRLayerH layer = GDALDatasetCreateLayer(dataset, name, srs, type, const_cast<char**>(options));
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

} // namespace drawfield
