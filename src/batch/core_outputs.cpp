#include "batch/core_outputs.h"

#include "batch/batch_run.h"
#include "files/csv.h"
#include "files/esri_ascii_grid.h"
#include "files/record_file.h"

namespace drawfield {

std::string writeRecordOutput(const std::string& path, const BatchRun& run)
{
    writeRecordFile(path, *run.run.map.grid, RecordLines::DrawdownNodes);
    return {};
}

std::string writeGridOutput(const std::string& path, const BatchRun& run)
{
    writeAsciiGrid(path, *run.run.map.grid, !run.inputs.Boundaries.empty(), run.gridPlace);
    return {};
}

std::string writeValidityOutput(const std::string& path, const BatchRun& run)
{
    if (!run.run.map.validity)
        return "No validity grid was written: it shows where Cooper-Jacob is more than 1 % off "
               "Theis, and this run is Theis.";
    writeValidityGrid(path, *run.run.map.grid, *run.run.map.validity, run.gridPlace);
    return {};
}

std::string writeCurvesOutput(const std::string& path, const BatchRun& run)
{
    if (run.inputs.Observations.empty())
        return "No curves were written: the scenario has no observation point.";
    writeCurvesFile(path, run.run.curves, run.inputs.Units);
    return {};
}

std::string writeProfileOutput(const std::string& path, const BatchRun& run)
{
    if (!run.inputs.ProfileLine)
        return "No profile was written: the scenario has no [profile].";
    writeProfileFile(path, run.run.profile, run.inputs.Units);
    return {};
}

std::string writeFitReportOutput(const std::string& path, const BatchRun& run)
{
    if (!(run.fit && run.fit->succeeded))
        return "No fit report was written: there is no fit.";
    writeFitReport(path, *run.fit);
    return {};
}

} // namespace drawfield
