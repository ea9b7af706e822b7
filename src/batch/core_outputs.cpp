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
    if (!run.uncertainty) {
        writeCurvesFile(path, run.run.curves, run.inputs.Units);
        return {};
    }
    // Each point's drawdown, then its 5th, 50th and 95th percentile over the fit's draws.
    ObservationCurves curves;
    curves.seconds = run.run.curves.seconds;
    for (std::size_t p = 0; p < run.run.curves.names.size(); ++p) {
        const std::string& name = run.run.curves.names[p];
        const std::vector<PercentileBand>& bands = run.uncertainty->curves.at(p);
        curves.names.push_back(name);
        curves.drawdowns.push_back(run.run.curves.drawdowns[p]);
        for (auto [tag, member] : { std::pair { " p05", &PercentileBand::low },
                 std::pair { " p50", &PercentileBand::median },
                 std::pair { " p95", &PercentileBand::high } }) {
            curves.names.push_back(name + tag);
            std::vector<double> values;
            for (const PercentileBand& band : bands)
                values.push_back(band.*member);
            curves.drawdowns.push_back(std::move(values));
        }
    }
    writeCurvesFile(path, curves, run.inputs.Units);
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
