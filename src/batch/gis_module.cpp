// What drawfield-batch loads only for GIS files: the GeoTIFF, the contour set and the coordinate
// systems, through GDAL and PROJ.

#include "batch/batch_run.h"
#include "files/number_text.h"
#include "gis/gis_files.h"
#include "views/round_values.h"

#include <iostream>

namespace drawfield {
namespace {

    std::string writeGeoTiffOutput(const std::string& path, const BatchRun& run)
    {
        std::vector<GeoTiffBand> bands;
        // The fit's uncertainty: the percentiles at a map's time, and the chance of passing the
        // level asked.
        auto addUncertainty = [&](const MapUncertainty* uncertainty, double seconds) {
            if (!uncertainty)
                return;
            const std::string at = " at " + durationText(seconds, run.inputs.Units) + " ("
                + std::to_string(uncertainty->draws) + " draws from the fit)";
            bands.push_back({ uncertainty->low.get(), "5th percentile of drawdown" + at });
            bands.push_back({ uncertainty->median.get(), "50th percentile of drawdown" + at });
            bands.push_back({ uncertainty->high.get(), "95th percentile of drawdown" + at });
            if (uncertainty->exceedance)
                bands.push_back({ uncertainty->exceedance.get(),
                    "chance that the drawdown passes "
                        + plainSignificantText(
                            run.inputs.Units.length.of(*uncertainty->exceedanceMetres), 4)
                        + " " + run.inputs.Units.length.word + at,
                    "" });
        };
        if (run.timed.empty()) {
            bands.push_back({ run.run.map.grid.get(), bandDescription(run.inputs) });
            addUncertainty(run.uncertainty, run.read.PumpTimeSeconds);
        }
        // At each time asked, its map and then its percentiles.
        for (const TimedMap& map : run.timed) {
            bands.push_back({ map.run->map.grid.get(), bandDescription(*map.inputs) });
            addUncertainty(map.uncertainty, map.inputs->PumpTimeSeconds);
        }
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
