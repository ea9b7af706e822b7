#pragma once

// A completed run of drawfield-batch as its outputs read it, and the modules that write the
// outputs the program does not write itself.

#include "analysis/fit.h"
#include "analysis/measurements.h"
#include "analysis/uncertainty.h"
#include "batch/command_line.h"
#include "compute/run.h"
#include "files/esri_ascii_grid.h"

#include <optional>
#include <string>
#include <vector>

namespace drawfield {

// A map of --time: the scenario at that time (its pumping time the time asked) and its run.
struct TimedMap {
    const ScenarioInputs* inputs;
    const RunResult* run;
    // With --uncertainty, the percentiles of the map at its time; else null.
    const MapUncertainty* uncertainty = nullptr;
};

struct BatchRun {
    const CommandLine& line;
    const RunResult& run;
    const ScenarioInputs& inputs; // as computed: the fitted values after --fit
    const ScenarioInputs& read; // as the scenario gave them
    const std::vector<MeasuredPoint>& measured;
    const std::optional<FitResult>& fit;
    GridPlace gridPlace; // where the ASCII grids are placed (a projected georeference)
    const std::vector<std::string>& warnings; // the scenario's, as standard error said them
    // With --time, the maps at every time asked (the GeoTIFF takes a band each); else empty.
    std::vector<TimedMap> timed = {};
    // With --uncertainty, what the fit's uncertainty means for the map; else null.
    const MapUncertainty* uncertainty = nullptr;
};

// What a module gives the program: loaded on demand (dlopen) from beside the program or from
// ../lib/drawfield/, built with it, so its functions take the program's own types.
struct BatchModule {
    // The writer of an output the module writes; null for the others.
    OutputWriter (*writerOf)(Output output) = nullptr;
    // Pictures: hands the record file to the mapping program; "" when the export completed.
    std::string (*exportToMapper)(const std::string& recordFile) = nullptr;
    // GIS: why the scenario's georeference cannot place its map, "" when it can; the ESRI
    // projection text of a place.
    std::string (*gisFilesProblem)(const ScenarioInputs& inputs) = nullptr;
    std::string (*esriProjectionOf)(const std::optional<Georeference>& place) = nullptr;
    // Ends what the module started (Qt) before the program ends.
    void (*finish)() = nullptr;
};

// Each module's one exported function: its table, given the program's argv[0].
using BatchModuleEntry = const BatchModule* (*)(const char* program);
inline constexpr const char* BatchModuleEntryName = "drawfieldBatchModule";

// The module an output needs, loaded the first time it is asked for; throws ModuleMissing when it
// cannot be loaded.
class ModuleMissing : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
[[nodiscard]] const BatchModule& batchModule(Needs needs, const char* program);
// Ends every module loaded.
void finishModules();

} // namespace drawfield
