// What drawfield-batch loads only for GIS files: the GeoTIFF, the contour set and the coordinate
// systems, through GDAL and PROJ.

#include "batch/batch_run.h"
#include "gis/gis_files.h"
#include "views/round_values.h"

#include <iostream>

namespace drawfield {
namespace {

    std::string writeGeoTiffOutput(const std::string& path, const BatchRun& run)
    {
        if (run.timed.empty()) {
            writeGeoTiff(
                path, *run.run.map.grid, run.inputs.Place, {}, bandDescription(run.inputs));
            return {};
        }
        std::vector<GeoTiffBand> bands;
        for (const TimedMap& map : run.timed)
            bands.push_back({ map.run->map.grid.get(), bandDescription(*map.inputs) });
        writeGeoTiff(path, bands, run.inputs.Place);
        return {};
    }

    std::string writeContoursOutput(const std::string& path, const BatchRun& run)
    {
        const std::vector<double> levels = mapLevels(run.run.map.grid, run.line.threads);
        GisFeatures features = gisFeaturesOf(run.inputs, run.run.verdicts);
        features.bandColours = bandColoursOf(levels);
        for (const std::string& note :
            writeContours(path, *run.run.map.grid, levels, features, run.inputs.Place))
            std::cerr << note << '\n';
        return {};
    }

    OutputWriter writerOf(Output output)
    {
        return output == Output::GeoTiff ? writeGeoTiffOutput
            : output == Output::Contours ? writeContoursOutput
                                         : nullptr;
    }

    const BatchModule Gis { writerOf, nullptr, gisFilesProblem, esriProjectionOf, nullptr };

} // namespace
} // namespace drawfield

extern "C" [[gnu::visibility("default")]] const drawfield::BatchModule* drawfieldBatchModule(
    const char*)
{
    return &drawfield::Gis;
}
