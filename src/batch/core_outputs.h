#pragma once

// The outputs drawfield-batch writes itself, with nothing loaded beyond it: the record file, the
// ASCII grids, the curves and profile (CSV) and the fit report.

#include <string>

namespace drawfield {

struct BatchRun;

[[nodiscard]] std::string writeRecordOutput(const std::string& path, const BatchRun& run);
[[nodiscard]] std::string writeGridOutput(const std::string& path, const BatchRun& run);
[[nodiscard]] std::string writeValidityOutput(const std::string& path, const BatchRun& run);
[[nodiscard]] std::string writeCurvesOutput(const std::string& path, const BatchRun& run);
[[nodiscard]] std::string writeProfileOutput(const std::string& path, const BatchRun& run);
[[nodiscard]] std::string writeFitReportOutput(const std::string& path, const BatchRun& run);

} // namespace drawfield
