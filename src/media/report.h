#pragma once

// An A4 report of a run: the inputs (aquifer, method, options, the bores with their schedules,
// the boundaries, the observation points), the largest drawdown and where, the drawdown in each
// bore at its radius and at each observation point, the map, the surface and the curves, with the
// scenario's name and the date. Every input is on it whole (long texts wrap), and what does not
// fit the first page goes on to a second, the pages numbered. A PDF whose text is text, whose
// charts are vector, with its title, subject and creator set.

#include "compute/engine/drawdown_engine.h"
#include "compute/inputs.h"
#include "compute/verdicts.h"
#include "views/chart_geometry.h"
#include "views/curves_chart.h"
#include "views/fit_chart.h"
#include "views/picture_files.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
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
    // The pumping test, where the scenario has readings: the fit's lines (or why there is
    // none) and its chart.
    QStringList fitLines;
    PaintRoutine fitChart; // empty: no readings
    QString mapNote; // why the map is of another time than the scenario's, or empty
    QStringList warnings; // what reading the scenario warned of (a value no aquifer has)
    ViewAngles view; // the surface's turns
    Verdicts verdicts; // the bores given an available drawdown, the points given a limit
    // The map at each time [report] names, when it names any, in one colour scale.
    struct TimeMap {
        QString title; // "After 30 d"
        PaintRoutine paint;
    };
    std::vector<TimeMap> timeMaps;
    // The values a fit gave (its estimates), said as fitted beside them; empty: all as typed.
    std::vector<FitEstimate> fitted;
    // Where values fitted elsewhere came from ([fit] source, taken by --parameters-from); empty
    // when none were.
    QString fitSource;
};

// The report of a run, as both programs make it: its inputs and results, the map and the surface
// drawn as the window's charts draw them (the surface turned by view, the overlays the run's),
// and the curves when there are observation points or a profile.
[[nodiscard]] ReportContent reportContentOf(const ScenarioInputs& inputs,
    const std::shared_ptr<const DrawdownGrid>& grid, const DrawdownPeak& largest,
    const ChartOverlays& overlays, const CurvesData& curves, const QString& scenarioName,
    const ViewAngles& view);

// The maps at the times [report] names (none when it names none), each computed at that time at
// a picture's resolution and drawn in one colour scale.
void addTimeMaps(ReportContent& content);

// Adds the pumping test to a report: the readings and, with a fit, the fit (fitSummary's lines);
// without, "The readings, not fitted (<howToFit> fits them).". Where every bore has stopped before
// the scenario's time (the test's recovery read after), the map, the surface and the drawdowns of
// the report are those of the end of pumping, where the test's drawdown is, and the page says so:
// after the recovery they would mean nothing.
// The readings' files are named beside their points.
void addPumpingTest(ReportContent& content, const FitChartData& chart, const FitResult* fit,
    const std::string& howToFit, const std::vector<MeasuredPoint>& points = {});

// When the last bore stops pumping (s): the scenario's time while any bore still pumps then.
[[nodiscard]] double endOfPumpingSeconds(const ScenarioInputs& inputs);

// Paints the pages into page (A4 portrait at 96 units per inch), calling newPage between them.
void paintReport(QPainter& painter, const QRectF& page, const ReportContent& content,
    const std::function<bool()>& newPage);

// What the report is about, in a sentence: its PDF's subject.
[[nodiscard]] QString reportSubject(const ReportContent& content);

// Writes the page as a PDF, whole or not at all as AtomicFile writes ("-" is standard output).
// Returns an empty string when written, else "Cannot write the report <path>: <Reason>."
[[nodiscard]] QString writeReport(const std::filesystem::path& path, const ReportContent& content);

} // namespace drawfield
