// What drawfield-batch loads only to draw: the map, the surface, the curves and the fit as
// pictures, the report, the animation, and the export to the mapping program, with Qt's GUI off
// screen.

#include "batch/batch_run.h"
#include "files/atomic_file.h"
#include "files/user_text.h"
#include "media/animation.h"
#include "media/report.h"
#include "surfer/process_automation.h"
#include "surfer/surfer_export.h"
#include "views/chart_geometry.h"
#include "views/curves_chart.h"
#include "views/fit_chart.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <iostream>
#include <memory>

namespace drawfield {
namespace {

    std::unique_ptr<QApplication> qt;

    // A path from the command line as Qt names it: the same bytes, whatever they are.
    QString qtPath(const std::string& path)
    {
        return QFile::decodeName(QByteArray::fromStdString(path));
    }

    // What the window's charts would show of the run.
    ChartSource chartSourceOf(
        const DrawdownResult& result, const ScenarioInputs& inputs, unsigned threads)
    {
        ChartSource source { result.grid, inputs.Step, inputs.Step,
            chartOverlays(inputs, result.validity) };
        source.threads = threads;
        source.length = inputs.Units.length;
        setSiteAxes(source, inputs);
        return source;
    }

    // Draws the run's map or surface as the window's chart would show it, the surface turned by
    // --view. Returns "" when written, else the reason.
    QString drawPicture(ChartKind kind, const std::string& path, const CommandLine& line,
        const DrawdownResult& result, const ScenarioInputs& inputs)
    {
        ChartSource source = chartSourceOf(result, inputs, line.threads);
        // With --title or --time, the map says what it is and when.
        if (kind == ChartKind::ContourMap && (line.title || line.times)) {
            const QString when = QStringLiteral("drawdown after %1")
                                     .arg(QString::fromStdString(
                                         durationText(inputs.PumpTimeSeconds, inputs.Units)));
            source.title = line.title && !line.title->empty()
                ? QString::fromStdString(*line.title) + QStringLiteral(": ") + when
                : when.left(1).toUpper() + when.mid(1);
        }
        return ChartPicture(kind, source, line.view).write(path, pictureSizeOf({}));
    }

    // The fit chart with the smoothing --smoothing asks for.
    FitChartData smoothed(FitChartData chart, const CommandLine& line)
    {
        if (line.smoothing)
            chart.smoothing = *line.smoothing;
        chart.typeCurve = line.typeCurve;
        return chart;
    }

    // Writes the report of the run, with the pumping test when there are readings. Returns "" when
    // written, else the reason.
    QString writeReportOf(const std::string& path, const CommandLine& line, const RunResult& run,
        const ScenarioInputs& inputs, const ScenarioInputs& read,
        const std::vector<MeasuredPoint>& measured, const std::optional<FitResult>& fit,
        const std::vector<std::string>& warnings, const MapUncertainty* uncertainty)
    {
        const QString name = line.scenario ? QFileInfo(qtPath(*line.scenario)).fileName()
                                           : QStringLiteral("the example (no scenario file)");
        ReportContent content = reportContentOf(inputs, run.map.grid, run.map.largest,
            chartOverlays(inputs, run.map.validity), curvesData(inputs, run.curves, run.profile),
            name, line.view);
        for (const std::string& warning : warnings)
            content.warnings << QString::fromStdString(warning);
        if (!measured.empty())
            addPumpingTest(content,
                smoothed(fitChartData(read, measured, fit ? &*fit : nullptr), line),
                fit ? &*fit : nullptr, "drawfield-batch --fit T,S", measured);
        if (uncertainty)
            for (const std::string& text : uncertaintyLines(*uncertainty, inputs))
                content.fitLines << QString::fromStdString(text);
        return writeReport(path, content);
    }

    // Hands the record file to the mapping program as the window does. Returns "" when the export
    // completed, else what to say; refusals of single steps are no failure.
    std::string exportToMapper(const std::string& recordFile)
    {
        // Names travel to the mapping program as text: one that is not valid text would name
        // another file there.
        const QString record = qtPath(recordFile);
        if (QFile::encodeName(record).toStdString() != recordFile)
            return "The record file's name " + quotedExcerpt(recordFile, 200)
                + " is not valid text (UTF-8), so the mapping program cannot be given it; the "
                  "export "
                  "was not made.";
        ProcessAutomationClient client(
            ProcessAutomationClient::mapperIn(QCoreApplication::applicationDirPath()));
        ExportOutcome outcome = SURFER_Export(client, record);
        if (outcome.end == ExportOutcome::End::Completed)
            return {};
        return exportMessage(outcome, record).toLocal8Bit().toStdString();
    }

    std::string said(const QString& error) { return error.toLocal8Bit().toStdString(); }

    std::string drawMap(const std::string& path, const BatchRun& run)
    {
        return said(drawPicture(ChartKind::ContourMap, path, run.line, run.run.map, run.inputs));
    }

    std::string drawSurface(const std::string& path, const BatchRun& run)
    {
        return said(drawPicture(ChartKind::Surface, path, run.line, run.run.map, run.inputs));
    }

    std::string drawCurves(const std::string& path, const BatchRun& run)
    {
        if (run.inputs.Observations.empty() && !run.inputs.ProfileLine)
            return "No curves picture was drawn: the scenario has no observation point and no "
                   "[profile].";
        const CurvesData curves = curvesData(run.inputs, run.run.curves, run.run.profile);
        return said(
            writePicture(path, pictureSizeOf({}), [&](QPainter& painter, const QRectF& target) {
                paintCurves(painter, target, curves);
            }));
    }

    std::string drawFit(const std::string& path, const BatchRun& run)
    {
        if (run.measured.empty())
            return "No fit picture was drawn: there are no readings.";
        const FitChartData chart = smoothed(
            fitChartData(run.read, run.measured, run.fit ? &*run.fit : nullptr), run.line);
        return said(
            writePicture(path, FitPicturePixels, [&](QPainter& painter, const QRectF& target) {
                paintFitChart(painter, target, chart);
            }));
    }

    std::string writeReportOutput(const std::string& path, const BatchRun& run)
    {
        return said(writeReportOf(path, run.line, run.run, run.inputs, run.read, run.measured,
            run.fit, run.warnings, run.uncertainty));
    }

    std::string writeAnimationOutput(const std::string& path, const BatchRun& run)
    {
        (void)writeAnimation(path, run.inputs, run.line.frames.value_or(DefaultAnimationFrames),
            AnimationPixels, {}, {}, run.line.threads);
        return {};
    }

    OutputWriter writerOf(Output output)
    {
        switch (output) {
        case Output::Map:
            return drawMap;
        case Output::Surface:
            return drawSurface;
        case Output::CurvesPicture:
            return drawCurves;
        case Output::FitPicture:
            return drawFit;
        case Output::Report:
            return writeReportOutput;
        case Output::Animation:
            return writeAnimationOutput;
        default:
            return nullptr;
        }
    }

    // Qt, off screen, for the pictures and the export: no window is ever shown. Qt's own notes
    // (such as a missing runtime folder) are not the program's messages; only its errors are passed
    // on.
    std::unique_ptr<QApplication> startQt(const char* program)
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& message) {
                if (type == QtCriticalMsg || type == QtFatalMsg)
                    std::cerr << "drawfield-batch: " << message.toStdString() << '\n';
            });
        static int argc = 1;
        static char* argv[] = { const_cast<char*>(program), nullptr };
        return std::make_unique<QApplication>(argc, argv);
    }

    const BatchModule Pictures { writerOf, exportToMapper, nullptr, nullptr, [] { qt.reset(); } };

} // namespace
} // namespace drawfield

extern "C" [[gnu::visibility("default")]] const drawfield::BatchModule* drawfieldBatchModule(
    const char* program)
{
    using namespace drawfield;
    if (!qt)
        qt = startQt(program);
    return &Pictures;
}
