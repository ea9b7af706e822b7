// The window's pumping test: the fit of the fields' measured drawdowns, its values into the
// fields, the files chosen, the chart as a picture, and the test in the report.

#include "window/main1.h"

#include "analysis/measurements.h"
#include "media/report.h"
#include "window/desktop.h"
#include "window/export_action.h"
#include "window/pumping_test_tab.h"
#include "window/scenario_document.h"
#include "window/task_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace drawfield {

std::vector<std::filesystem::path> main1::filesRead() const
{
    std::vector<std::filesystem::path> files;
    if (!m_document->path().isEmpty())
        files.push_back(m_document->file());
    const ScenarioTexts texts = fieldTexts();
    const std::filesystem::path folder = measuredFolder();
    auto add = [&](const std::string& name) {
        if (!name.empty())
            files.push_back(std::filesystem::path(name).is_absolute() ? std::filesystem::path(name)
                                                                      : folder / name);
    };
    for (const ObservationTexts& point : texts.observations)
        add(point.measured);
    for (const BoreTexts& bore : texts.bores)
        add(bore.measured);
    return files;
}

ExportRequest main1::withFilesRead(ExportRequest request) const
{
    request.read = filesRead();
    return request;
}

std::filesystem::path main1::measuredFolder() const { return m_document->folder(); }

void main1::fitMeasuredDrawdowns()
{
    if (m_tasks->isRunning())
        return;
    const ScenarioTexts texts = fieldTexts();
    const ScenarioReading reading = readScenario(texts);
    // The map's warnings are the run's to say; what stops a computation stops a fit too.
    for (const std::string& refusal : reading.refusals)
        showStop(QString::fromStdString(refusal));
    if (!reading.accepted())
        return;
    const std::vector<FitParameter> parameters = pumpingTest->chosenParameters();
    if (parameters.empty()) {
        showStop(QStringLiteral("Tick the parameters to fit: T, S, or B for a leaky aquifer."));
        return;
    }
    // The readings are read with the fit, off the interface thread: a file that is slow to read
    // (a network share) must not freeze the window.
    std::vector<MeasuredPoint> points;
    std::optional<FitResult> result;
    QString problem;
    const std::filesystem::path folder = measuredFolder();
    const TaskEnd end = m_tasks->run(QStringLiteral("Fitting the pumping test"),
        [&](std::stop_token stop, const TaskRunner::Progress& progress) {
            progress(0.0, QStringLiteral("reading the measured drawdowns"));
            try {
                points = measuredPoints(reading.inputs, folder);
            } catch (const MeasurementFileError& error) {
                problem = QString::fromLocal8Bit(error.what());
                return;
            }
            std::size_t readings = 0;
            for (const MeasuredPoint& point : points)
                readings += point.Readings.size();
            if (points.empty() || stop.stop_requested())
                return;
            // How long a fit takes is not known before it ends: the bar runs without a
            // share, the evaluations counted beside it.
            const QString fitting = QStringLiteral("fitting %1 readings").arg(readings);
            progress(-1.0, fitting);
            result = fitPumpingTest(
                reading.inputs, points, parameters, stop, 0, [&progress, &fitting](int evaluation) {
                    progress(-1.0, fitting + QStringLiteral(", evaluation %1").arg(evaluation));
                });
        });
    if (end == TaskEnd::Closing)
        return;
    if (!problem.isEmpty()) {
        showStop(problem);
        return;
    }
    if (points.empty()) {
        showStop(QStringLiteral("There are no measured drawdowns to fit: name a file of "
                                "readings for a bore or an observation point."));
        return;
    }
    if (!result) {
        result = FitResult {};
        result->problem = "The fit was stopped.";
    }
    m_lastFit = result;
    m_lastFitTexts = texts;
    m_lastFitPoints = points;
    for (MeasuredPoint& point : m_lastFitPoints)
        point.Readings.clear();
    pumpingTest->showFit(&*result, fitChartData(reading.inputs, points, &*result));
}

void main1::useFittedValues()
{
    if (!fitBelongsToFields(fieldTexts()))
        return;
    ScenarioTexts texts = fieldTexts();
    showFitted(*m_lastFit, texts);
    recordFit(*m_lastFit, lastFitSource(), texts);
    setFieldTexts(texts);
}

std::string main1::lastFitSource() const
{
    const QString scenario = m_document->path();
    return fitSource(scenario.isEmpty()
            ? std::string("a scenario not saved")
            : QFile::encodeName(QFileInfo(scenario).fileName()).toStdString(),
        m_lastFitPoints);
}

void main1::useFitInAnotherScenario()
{
    if (!fitBelongsToFields(fieldTexts()))
        return;
    // Kept before Open, which leaves no result of this scenario behind.
    const FitResult fit = *m_lastFit;
    const std::string source = lastFitSource();
    if (!m_document->chooseAndOpen())
        return;
    // The fitted aquifer in the study's own units: the method, T, S and every parameter of its
    // row, fitted or held.
    ScenarioTexts study = fieldTexts();
    study.method = methodText(fit.fitted.Method);
    FitResult aquifer = fit;
    aquifer.estimates.clear();
    aquifer.estimates.push_back({ transmissivityParameter(), fit.fitted.Transmissivity });
    aquifer.estimates.push_back({ storageParameter(), fit.fitted.Storage });
    const WellFunction& row = wellFunctionRow(fit.fitted.Method);
    for (std::size_t i = 0; i < row.parameters.size(); ++i)
        if (row.parameters[i].scope == ParameterScope::Aquifer)
            aquifer.estimates.push_back({ &row.parameters[i], fit.fitted.AquiferValues.at(i) });
    showFitted(aquifer, study);
    recordFit(fit, source, study);
    setFieldTexts(study);
}

void main1::chooseMeasuredFile(int row)
{
    const QString folder = QFile::decodeName(QByteArray::fromStdString(measuredFolder().native()));
    const std::optional<QString> chosen
        = m_desktop.askOpenFileName(this, QStringLiteral("Choose the measured drawdowns"),
            QStringLiteral("CSV files (*.csv *.txt);;All files (*)"), folder);
    if (!chosen)
        return;
    // A file beside the scenario or below it is named from there, so the two move together.
    const QString relative = QDir(folder).relativeFilePath(*chosen);
    pumpingTest->setFileName(row,
        relative.startsWith(QStringLiteral("..")) ? QFileInfo(*chosen).absoluteFilePath()
                                                  : relative);
}

void main1::saveFitPicture()
{
    const QString dataFolder = m_desktop.dataFolder();
    QDir().mkpath(dataFolder);
    ExportRequest request;
    request.title = QStringLiteral("Save the pumping test as a picture");
    request.filter = QStringLiteral("Pictures (*.wmf *.svg *.pdf *.png)");
    request.initialPath = dataFolder + QStringLiteral("/my_pumping_test.svg");
    request.extension = QStringLiteral("svg");
    request.write = [this](const QString& chosen, std::stop_token, const TaskRunner::Progress&) {
        return WriteOutcome {
            pumpingTest->chart->writePictureFile(QFile::encodeName(chosen).toStdString()), {}
        };
    };
    (void)exportFile(*this, m_desktop, *m_tasks, withFilesRead(request), AppTitle);
}

bool main1::addPumpingTestTo(ReportContent& content) const
{
    const ScenarioTexts texts = fieldTexts();
    const ScenarioReading reading = readScenario(texts);
    std::vector<MeasuredPoint> points;
    try {
        points = measuredPoints(reading.inputs, measuredFolder());
    } catch (const MeasurementFileError&) {
        return false;
    }
    if (points.empty())
        return false;
    bool current = false;
    if (m_lastFit) {
        // The fit's own record ([fit]) aside: "Use these values" writes it.
        ScenarioTexts fitted = m_lastFitTexts, used = m_lastFitTexts;
        showFitted(*m_lastFit, used);
        fitted.fit = used.fit = texts.fit;
        current = texts == fitted || texts == used;
    }
    const FitResult* fit = current ? &*m_lastFit : nullptr;
    addPumpingTest(content, fitChartData(reading.inputs, points, fit), fit,
        "Fit on the Pumping test tab", points);
    return true;
}

} // namespace drawfield
