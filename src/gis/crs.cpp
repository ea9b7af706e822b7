#include "gis/gdal_support.h"

#include <cpl_conv.h>

#include <cmath>

namespace drawfield {

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

std::string gisFilesProblem(const ScenarioInputs& inputs)
{
    return georeferenceProblem(inputs.Place, inputs.XMin, inputs.YMin, inputs.XMax, inputs.YMax);
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

} // namespace drawfield
