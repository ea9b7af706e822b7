#pragma once

// A one-page A4 report of a run: the inputs (aquifer, method, options, the bores with their
// schedules, the boundaries, the observation points), the largest drawdown and where, the drawdown
// at each bore and observation point, the map, the surface and the curves, with the scenario's
// name and the date. A PDF whose text is text and whose charts are vector.

#include "compute/drawdown_grid.h"
#include "compute/scenario.h"
#include "views/picture_files.h"

#include <QDateTime>
#include <QString>

#include <filesystem>
#include <memory>

namespace drawfield {

struct ReportContent {
    ScenarioInputs inputs; // what was computed
    std::shared_ptr<const DrawdownGrid> grid; // the run's map
    double largestDrawdown = 0.0; // m, positive downward
    int largestX = 0, largestY = 0; // m, where
    QString scenarioName; // the scenario file's name, or what stands for it
    QDateTime made; // printed as the report's date
    PaintRoutine map; // the contour map
    PaintRoutine surface; // the 3D surface
    PaintRoutine curves; // empty: no curves (no observation point and no profile)
};

// Paints the page into page (A4 portrait at 96 units per inch).
void paintReport(QPainter& painter, const QRectF& page, const ReportContent& content);

// Writes the page as a PDF, whole or not at all as AtomicFile writes ("-" is standard output).
// Returns an empty string when written, else "Cannot write the report <path>: <Reason>."
QString writeReport(const std::filesystem::path& path, const ReportContent& content);

} // namespace drawfield
