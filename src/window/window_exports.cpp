// The window's files: the pictures of the map, the surface and the curves, the map for GIS and
// the report, each through one export action (a file asked for, written, the outcome said).

#include "media/animation.h"
#include "window/main1.h"

#include "views/round_values.h"

#include "files/user_text.h"
#include "gis/gis_files.h"
#include "media/report.h"
#include "views/chart3d.h"
#include "views/curves_chart.h"
#include "window/desktop.h"
#include "window/export_action.h"
#include "window/scenario_document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace drawfield {

void main1::Command17_Click() { Plot3D(*Chart3D2, plotSource()); }

void main1::Command2_Click() { savePlot(*Chart3D1, QStringLiteral("my_map.wmf")); }

void main1::Command27_Click() { savePlot(*Chart3D2, QStringLiteral("my_Plot3D.wmf")); }

void main1::savePlot(Chart3D& chart, const QString& defaultName)
{
    const QString dataFolder = m_desktop.dataFolder();
    QDir().mkpath(dataFolder);
    ExportRequest request;
    request.title = QStringLiteral("Select a Windows Meta File name");
    request.filter = QStringLiteral(" *.WMF");
    request.initialPath = dataFolder + QLatin1Char('/') + defaultName;
    request.write = [&chart](const QString& path, std::stop_token, const TaskRunner::Progress&) {
        return WriteOutcome {
            chart.writePictureFile(QFile::encodeName(path).toStdString(), PictureFormat::Wmf), {}
        };
    };
    (void)exportFile(*this, m_desktop, *m_tasks, withFilesRead(request), AppTitle); // says how
}

void main1::saveCurvesPicture()
{
    const QString dataFolder = m_desktop.dataFolder();
    QDir().mkpath(dataFolder);
    ExportRequest request;
    request.title = QStringLiteral("Save the curves as a picture");
    request.filter = QStringLiteral("Pictures (*.wmf *.svg *.pdf *.png)");
    request.initialPath = dataFolder + QStringLiteral("/my_curves.wmf");
    request.extension = QStringLiteral("wmf");
    request.write = [this](const QString& chosen, std::stop_token, const TaskRunner::Progress&) {
        return WriteOutcome {
            curvesChart->writePictureFile(QFile::encodeName(chosen).toStdString()), {}
        };
    };
    (void)exportFile(*this, m_desktop, *m_tasks, withFilesRead(request), AppTitle); // says how
}

void main1::exportGisFile(GisFile kind)
{
    const bool geoTiff = kind == GisFile::GeoTiff;
    ExportRequest request;
    request.title = geoTiff ? QStringLiteral("Save the drawdown as a GeoTIFF")
                            : QStringLiteral("Save the contours for GIS");
    request.filter = geoTiff
        ? QStringLiteral("GeoTIFF (*.tif)")
        : QStringLiteral("GeoPackage (*.gpkg);;GeoJSON (*.geojson);;Shapefile (*.shp)");
    request.initialPath = m_desktop.dataFolder()
        + (geoTiff ? QStringLiteral("/drawdown.tif") : QStringLiteral("/contours.gpkg"));
    request.extension = geoTiff ? QStringLiteral("tif") : QStringLiteral("gpkg");
    request.setOf = [geoTiff](const QString& path) {
        if (geoTiff)
            return QStringList { path };
        QStringList files;
        for (const std::filesystem::path& file :
            contourFilesOf(QFile::encodeName(path).toStdString()))
            files << QFile::decodeName(QByteArray::fromStdString(file.native()));
        return files;
    };
    // The export is of the fields as they are now: they run first when they changed.
    std::shared_ptr<const drawfield::DrawdownGrid> grid;
    ScenarioInputs inputs;
    std::vector<double> levels;
    request.prepare = [&](const QString& path) {
        if (!runIfFieldsChanged())
            return false;
        grid = m_lastRun->grid;
        inputs = m_lastRun->inputs;
        if (const std::string problem = gisFilesProblem(inputs); !problem.empty()) {
            showStop(QString::fromLocal8Bit(
                cannotMessage("write", geoTiff ? "GeoTIFF file" : "contour file",
                    QFile::encodeName(path).toStdString(), problem)));
            return false;
        }
        if (!geoTiff)
            levels = mapLevels(grid);
        return true;
    };
    // Off the interface thread, with the export's panel: a large map takes seconds.
    request.working = QStringLiteral("Exporting for GIS");
    request.write = [&](const QString& path, std::stop_token stop,
                        const TaskRunner::Progress& progress) {
        const std::filesystem::path file = QFile::encodeName(path).toStdString();
        const QString activity = geoTiff ? QStringLiteral("Writing the GeoTIFF")
                                         : QStringLiteral("Tracing the contours");
        const GisProgress report = [&](double fraction) {
            progress(fraction, activity);
            return !stop.stop_requested();
        };
        WriteOutcome outcome;
        if (geoTiff)
            writeGeoTiff(file, *grid, inputs.Place, report, bandDescription(inputs));
        else {
            GisFeatures features = gisFeaturesOf(inputs);
            features.bandColours = bandColoursOf(levels);
            outcome.notes = writeContours(file, *grid, levels, features, inputs.Place, report);
        }
        return outcome;
    };
    (void)exportFile(*this, m_desktop, *m_tasks, withFilesRead(request), AppTitle); // says how
}

void main1::exportReport()
{
    const QString& scenario = m_document->path();
    ExportRequest request;
    request.title = QStringLiteral("Save the report");
    request.filter = QStringLiteral("PDF (*.pdf)");
    request.initialPath = m_desktop.dataFolder() + QLatin1Char('/')
        + (scenario.isEmpty() ? QStringLiteral("report.pdf")
                              : QFileInfo(scenario).completeBaseName() + QStringLiteral(".pdf"));
    request.extension = QStringLiteral("pdf");
    // The report is of the fields as they are now, under the name they are saved to.
    request.prepare = [this](const QString&) { return runIfFieldsChanged(); };
    request.write = [&](const QString& path, std::stop_token, const TaskRunner::Progress&) {
        const QString name = scenario.isEmpty() ? QStringLiteral("not saved to a file")
                                                : QFileInfo(scenario).fileName()
                + (hasUnsavedChanges() ? QStringLiteral(" (with changes not saved)") : QString());
        ReportContent content = reportContentOf(m_lastRun->inputs, m_lastRun->grid, m_lastRun->peak,
            m_lastRun->overlays, curvesChart->data(), name, Chart3D2->viewAngles());
        for (const std::string& warning : readScenario(m_lastRun->texts).warnings)
            content.warnings << QString::fromStdString(warning);
        (void)addPumpingTestTo(content);
        return WriteOutcome { writeReport(QFile::encodeName(path).toStdString(), content), {} };
    };
    (void)exportFile(*this, m_desktop, *m_tasks, withFilesRead(request), AppTitle); // says how
}

void main1::exportAnimation()
{
    const QString& scenario = m_document->path();
    ExportRequest request;
    request.title = QStringLiteral("Save the animation");
    request.filter = QStringLiteral("Animated GIF (*.gif)");
    request.initialPath = m_desktop.dataFolder() + QLatin1Char('/')
        + (scenario.isEmpty() ? QStringLiteral("drawdown.gif")
                              : QFileInfo(scenario).completeBaseName() + QStringLiteral(".gif"));
    request.extension = QStringLiteral("gif");
    // The animation is of the fields as they are now.
    request.prepare = [this](const QString&) { return runIfFieldsChanged(); };
    request.working = QStringLiteral("Writing the animation");
    request.write
        = [&](const QString& path, std::stop_token stop, const TaskRunner::Progress& progress) {
              const bool written = writeAnimation(
                  QFile::encodeName(path).toStdString(), m_lastRun->inputs, DefaultAnimationFrames,
                  AnimationPixels,
                  [&](int done, int of) {
                      progress(static_cast<double>(done) / of,
                          QStringLiteral("Frame %1 of %2").arg(done).arg(of));
                  },
                  stop);
              return WriteOutcome { written ? QString() : QStringLiteral("stopped"), {} };
          };
    (void)exportFile(*this, m_desktop, *m_tasks, withFilesRead(request), AppTitle); // says how
}

} // namespace drawfield
