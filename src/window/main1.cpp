#include "window/main1.h"

#include "compute/messages.h"
#include "compute/run.h"
#include "files/atomic_file.h"
#include "files/record_file.h"
#include "scenario/scenario.h"
#include "scenario/unit_conversion.h"
#include "surfer/process_automation.h"
#include "surfer/surfer_export.h"
#include "views/chart3d.h"
#include "views/curves_chart.h"
#include "views/map_geometry.h"
#include "window/boundaries_tab.h"
#include "window/controls.h"
#include "window/desktop.h"
#include "window/module1.h"
#include "window/options_tab.h"
#include "window/pumping_test_tab.h"
#include "window/scenario_document.h"
#include "window/task_runner.h"
#include "window/time_bar.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>
#include <QUndoStack>

#include <algorithm>
#include <cmath>
#include <exception>

namespace drawfield {
namespace {

    // The allowed characters of each filtered field.
    const QString DigitsAndE = QStringLiteral("0123456789E");
    const QString Transmissivity = QStringLiteral("0123456789E.-");
    const QString PointAndDigits = QStringLiteral(".0123456789");
    const QString Digits = QStringLiteral("0123456789");

    const QString WebAddress
        = QStringLiteral("http://www.karsto-software.example/Software/default2.html");

} // namespace

main1::main1(Desktop& desktop, AutomationFactory automation, QWidget* parent)
    : QWidget(parent)
    , m_desktop(desktop)
    , m_automation(std::move(automation))
{
    if (!m_automation)
        m_automation = [this] {
            return std::make_unique<ProcessAutomationClient>(
                ProcessAutomationClient::mapperIn(m_desktop.programFolder()));
        };
    setObjectName(QStringLiteral("main1"));
    setWindowTitle(QStringLiteral("Drawfield 2.0"));
    setWindowIcon(drawfieldIcon());
    setFont(sansSerif(8.25));

    // The menu bar sits above the client area; the controls keep their places in the latter.
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    clientArea = new QWidget(this);
    clientArea->setObjectName(QStringLiteral("clientArea"));
    buildTabs();
    exportPanel = new ExportPanel(this);
    m_tasks = new TaskRunner(
        *this, *exportPanel, [this](bool enabled) { setCommandsEnabled(enabled); });

    buildMenus();
    buildLiveMap();
    setAcceptDrops(true);

    resize(twips(9510), twips(6585) + menuBarHeight());
    Form_Load();
    // What the fields hold now is the untitled scenario's saved state.
    m_document = new ScenarioDocument(*this, m_desktop,
        { [this] { return fieldTexts(); },
            [this](const ScenarioTexts& texts) { setFieldTexts(texts); } },
        *recentMenu);
    connect(m_document, &ScenarioDocument::titleChanged, this, &main1::updateTitle);
    connect(m_document, &ScenarioDocument::opened, this, &main1::clearResults);
    // A square map's Y maximum shows the X maximum it follows.
    connect(Text2, &QLineEdit::textChanged, options, &OptionsTab::followXMax);
    options->followXMax(Text2->text());
    // Any change of a field may make the fields differ from the open file.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::textChanged, this, &main1::updateTitle);
    for (QAbstractButton* button : findChildren<QAbstractButton*>())
        connect(button, &QAbstractButton::toggled, this, &main1::updateTitle);
    for (QComboBox* box : findChildren<QComboBox*>())
        connect(box, &QComboBox::currentIndexChanged, this, &main1::updateTitle);
    for (QTableWidget* table : findChildren<QTableWidget*>())
        connect(table, &QTableWidget::itemChanged, this, &main1::updateTitle);
}

main1::~main1() = default;

void main1::buildMenus()
{
    QMenu* file = menuBar->addMenu(QStringLiteral("&File"));
    openScenarioAction = file->addAction(
        QStringLiteral("&Open Scenario..."), this, [this] { m_document->chooseAndOpen(); });
    openScenarioAction->setShortcut(QKeySequence::Open);
    saveScenarioAction
        = file->addAction(QStringLiteral("&Save Scenario"), this, [this] { saveScenario(); });
    saveScenarioAction->setShortcut(QKeySequence::Save);
    saveScenarioAsAction = file->addAction(
        QStringLiteral("Save Scenario &As..."), this, [this] { saveScenarioAs(); });
    recentMenu = file->addMenu(QStringLiteral("&Recent Scenarios"));
    file->addSeparator();
    exportMenu = file->addMenu(QStringLiteral("&Export"));
    exportGeoTiffAction = exportMenu->addAction(QStringLiteral("Drawdown as &GeoTIFF..."), this,
        [this] { exportGisFile(GisFile::GeoTiff); });
    exportContoursAction = exportMenu->addAction(
        QStringLiteral("&Contours for GIS..."), this, [this] { exportGisFile(GisFile::Contours); });
    exportReportAction = exportMenu->addAction(
        QStringLiteral("&Report (PDF)..."), this, [this] { exportReport(); });
    file->addSeparator();
    quitAction = file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* help = menuBar->addMenu(QStringLiteral("&Help"));
    infosAction
        = help->addAction(QStringLiteral("&Infos"), this, [this] { SSTab1->setCurrentIndex(3); });
    aboutAction = help->addAction(QStringLiteral("&About Drawfield"), this, [this] {
        m_desktop.showMessage(this,
            QStringLiteral("Drawfield 2.0\n\nThe drawdown of the water level around pumping "
                           "wells: the Cooper-Jacob approximation or the exact Theis solution, "
                           "with pumping schedules, straight boundaries and observation points."),
            MessageIcon::Information, QStringLiteral("About Drawfield"));
    });
}

std::int16_t main1::GridXMax() const
{
    return m_lastRun ? static_cast<std::int16_t>(m_lastRun->inputs.XMax) : std::int16_t(0);
}
std::int16_t main1::GridYMax() const
{
    return m_lastRun ? static_cast<std::int16_t>(m_lastRun->inputs.YMax) : std::int16_t(0);
}
std::int16_t main1::GridStep() const
{
    return m_lastRun ? static_cast<std::int16_t>(m_lastRun->inputs.Step) : std::int16_t(0);
}
std::shared_ptr<const drawfield::DrawdownGrid> main1::DrawdownGrid() const
{
    return m_lastRun ? m_lastRun->grid : nullptr;
}

// The scenario document holds the file; the window shows its title.
bool main1::hasUnsavedChanges() const { return m_document->hasUnsavedChanges(); }

void main1::updateTitle()
{
    setWindowTitle(m_document->title());
    const ScenarioTexts texts = fieldTexts();
    // The rows of the Pumping test tab follow the points' names as they are typed.
    pumpingTest->setPointNames(texts);
    pumpingTest->useValues->setEnabled(fitBelongsToFields(texts));
    pumpingTest->useElsewhere->setEnabled(fitBelongsToFields(texts));
}

QRect startGeometry(QSize size, QSize minimum, const QRect& available, QMargins frame)
{
    const QSize room(available.width() - frame.left() - frame.right(),
        available.height() - frame.top() - frame.bottom());
    size = size.boundedTo(room).expandedTo(minimum);
    QRect client(QPoint(0, 0), size);
    client.moveCenter(available.center());
    // The frame's top-left corner stays on the screen even where the window does not fit.
    client.moveLeft(std::max(client.left(), available.left() + frame.left()));
    client.moveTop(std::max(client.top(), available.top() + frame.top()));
    return client;
}

void main1::clearResults()
{
    m_settle->stop();
    timeBar->stop();
    {
        const QSignalBlocker quiet(timeBar);
        timeBar->setPosition(TimeBar::Steps); // the pumping time
    }
    m_lastRun.reset();
    m_shownSeconds.reset();
    m_shownGrid.reset();
    m_runScale.reset();
    m_lastPlace.reset();
    Chart3D1->clear();
    Chart3D2->clear();
    curvesChart->setShownTime(std::nullopt);
    curvesChart->setData({});
    m_lastFit.reset();
    m_lastFitTexts = {};
    m_lastFitPoints.clear();
    pumpingTest->clearFit();
}

bool main1::fitBelongsToFields(const ScenarioTexts& texts) const
{
    if (!m_lastFit || !m_lastFit->succeeded)
        return false;
    // The readings (which files, at which points) and the well function the fit was made with;
    // the fitted values themselves may differ (after "Use these values").
    const ScenarioTexts& fitted = m_lastFitTexts;
    if (texts.method != fitted.method)
        return false;
    for (std::size_t i = 0; i < texts.observations.size(); ++i) {
        const ObservationTexts &now = texts.observations[i], &then = fitted.observations[i];
        if (now.measured != then.measured
            || (!now.measured.empty() && (now.x != then.x || now.y != then.y)))
            return false;
    }
    for (std::size_t i = 0; i < texts.bores.size(); ++i) {
        const BoreTexts &now = texts.bores[i], &then = fitted.bores[i];
        if (now.measured != then.measured
            || (!now.measured.empty()
                && (now.x != then.x || now.y != then.y || now.rate != then.rate
                    || now.schedule != then.schedule || now.radius != then.radius)))
            return false;
    }
    return true;
}

const QString& main1::scenarioPath() const { return m_document->path(); }

bool main1::openScenario(const QString& path)
{
    return m_document->open(QFile::encodeName(path).toStdString());
}

bool main1::openScenarioFile(const std::filesystem::path& file) { return m_document->open(file); }

bool main1::saveScenario() { return m_document->save(); }

bool main1::saveScenarioAs() { return m_document->saveAs(); }

void main1::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()
        && urls.front().path().endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive))
        event->acceptProposedAction();
}

void main1::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    // The address's escapes keep the name's bytes, whatever they are.
    const std::filesystem::path file
        = QByteArray::fromPercentEncoding(urls.front().path(QUrl::FullyEncoded).toLatin1())
              .toStdString();
    // Opened once the drop has ended: a question asked inside it would hold the dragging program.
    QMetaObject::invokeMethod(
        this, [this, file] { m_document->open(file); }, Qt::QueuedConnection);
}

PlotSource main1::plotSource() const
{
    if (!m_lastRun)
        return {};
    const ScenarioInputs& in = m_lastRun->inputs;
    std::optional<QPointF> origin;
    if (in.SiteCoordinates && in.Place)
        origin = QPointF(in.Place->Easting, in.Place->Northing);
    return { m_lastRun->grid, GridXMax(), GridYMax(), GridStep(), m_lastRun->overlays,
        in.Units.length, origin };
}

QString main1::recordFilePath() const
{
    return m_desktop.dataFolder() + QStringLiteral("/drawfield.dat");
}

void main1::showStop(const QString& text)
{
    m_desktop.showMessage(this, text, MessageIcon::Critical, AppTitle);
}

void main1::setCommandsEnabled(bool enabled)
{
    // Shortcuts reach their actions before any widget sees the key: the actions themselves are
    // turned off while a task runs.
    for (QAction* action : menuBar->findChildren<QAction*>())
        action->setEnabled(enabled);
    for (QMenu* menu : menuBar->findChildren<QMenu*>())
        menu->setEnabled(enabled);
    if (enabled) {
        m_document->fillRecentMenu();
        undoMoveAction->setEnabled(moves->canUndo());
        redoMoveAction->setEnabled(moves->canRedo());
    } else {
        timeBar->stop();
    }
    timeBar->setEnabled(enabled);
    Chart3D1->setMarkersDraggable(enabled && m_lastRun.has_value());
}

void main1::Command1_Click()
{
    if (!m_tasks->isRunning())
        (void)runFields(RunShows::AsPressed); // says its own refusals
}

bool main1::runFields(RunShows shows)
{
    const ScenarioTexts texts = fieldTexts();
    ScenarioReading reading = readScenario(texts);
    for (const std::string& warning : reading.warnings)
        showStop(QString::fromStdString(warning));
    // A refused run changes nothing: the last map, its files and the charts stay.
    for (const std::string& refusal : reading.refusals)
        showStop(QString::fromStdString(refusal));
    if (!reading.accepted())
        return false;
    const ScenarioInputs inputs = reading.inputs;

    // The button gives way to the progress box while the computation runs on all cores.
    Progressbarx->setVisible(true);
    Command1->setVisible(false);
    Progressbarx->clear(std::abs(inputs.XMin - inputs.XMax));
    EngineOptions engine;
    engine.workspace = m_workspace.get();
    // The map shows where Cooper-Jacob holds, as far as a picture can show it.
    engine.validity = true;
    engine.validityStride = pictureValidityStride((inputs.XMax - inputs.XMin) / inputs.Step + 1,
        (inputs.YMax - inputs.YMin) / inputs.Step + 1);
    engine.onColumn = [this, xMin = int(inputs.XMin)](int x) {
        QMetaObject::invokeMethod(
            Progressbarx, [this, p = std::abs(x - xMin)] { Progressbarx->drawBox(p); },
            Qt::QueuedConnection);
    };
    std::optional<RunResult> result;
    QString failure;
    const TaskEnd end = m_tasks->compute(
        true,
        [&](std::stop_token stop) {
            engine.stopToken = std::move(stop);
            result = computeRun(inputs, engine);
        },
        failure);
    if (end == TaskEnd::Closing)
        return false;
    if (!result) {
        Progressbarx->setVisible(false);
        Command1->setVisible(true);
        if (!failure.isEmpty())
            showStop(failure);
        return false;
    }

    m_lastRun = LastRun { inputs, texts, result->map.grid,
        chartOverlays(inputs, result->map.validity), result->map.largest };
    for (const std::string& message : result->messages)
        // The thickness exceeded is the classic run's stop; the aquifer dewatered, a warning.
        m_desktop.showMessage(this, QString::fromStdString(message),
            message == messages::AquiferDewatered ? MessageIcon::Warning : MessageIcon::Critical,
            AppTitle);

    const QString record = recordFilePath();
    try {
        writeRecordFile(QFile::encodeName(record).toStdString(), *m_lastRun->grid,
            Check1->isChecked() ? RecordLines::DrawdownNodes : RecordLines::None);
    } catch (const FileWriteError& error) {
        showStop(QString::fromLocal8Bit(error.what()));
    }
    const bool pressed = shows == RunShows::AsPressed;
    // Without a program that shows text files the record is still written: that is said.
    if (pressed && (Check1->isChecked() || Check2->isChecked()) && !m_desktop.openTextFile(record))
        m_desktop.showMessage(this,
            QStringLiteral("The record file %1 is written, but no program to show text files "
                           "could be started to open it.")
                .arg(record),
            MessageIcon::Warning, AppTitle);
    Progressbarx->setVisible(false);
    Command1->setVisible(true);

    PlotMap(*Chart3D1, plotSource());
    if (pressed)
        SSTab1->setCurrentIndex(1);
    Plot3D(*Chart3D2, plotSource());
    curvesChart->setData(curvesData(inputs, std::move(result->curves), std::move(result->profile)));
    liveMapAfterRun();
    if (pressed && Check2->isChecked())
        SURFER_Export(record);
    return !m_tasks->closing();
}

bool main1::runIfFieldsChanged()
{
    if (m_lastRun && m_lastRun->texts == fieldTexts())
        return true;
    return runFields(RunShows::Quietly);
}

void main1::SURFER_Export(const QString& Surfer_fichier)
{
    std::unique_ptr<AutomationClient> client = m_automation();
    ExportOutcome outcome;
    // The client lives and dies in the task's thread, where its calls wait.
    // Its end is said even when the window closes meanwhile: the previous files are as they were.
    (void)m_tasks->run(QStringLiteral("Exporting to the mapping program"),
        [&](std::stop_token stop, const TaskRunner::Progress& progress) {
            ExportControl control;
            control.stop = stop;
            control.progress = progress;
            try {
                outcome = drawfield::SURFER_Export(*client, Surfer_fichier, control);
            } catch (const std::exception& error) {
                outcome = { ExportOutcome::End::Lost, QString::fromLocal8Bit(error.what()) };
            }
            client.reset();
        });

    // The mapping program missing is said once; its later refusals stay silent. A stopped
    // export is said as what it is, not as an error; a failed one says why.
    const QString message = exportMessage(outcome, Surfer_fichier);
    if (!message.isEmpty())
        m_desktop.showMessage(this, message,
            outcome.end == ExportOutcome::End::Stopped ? MessageIcon::Information
                                                       : MessageIcon::Critical,
            AppTitle);
}

void main1::Text10_MouseDown()
{
    if (!m_desktop.openWebAddress(this, WebAddress))
        m_desktop.showMessage(
            this, QStringLiteral("Unable to launch Explorer"), MessageIcon::None, std::nullopt);
}

void main1::closeEvent(QCloseEvent* event)
{
    // Unsaved changes are settled once, before a run or an export is asked to end.
    if (!m_closeConfirmed && !m_document->settleUnsavedChanges()) {
        event->ignore();
        return;
    }
    m_closeConfirmed = true;
    // Closing during a run or an export ends it first; the window closes when it has.
    if (m_tasks->isRunning()) {
        m_tasks->requestClose();
        event->ignore();
        return;
    }
    event->accept();
}

bool main1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Text10 && event->type() == QEvent::MouseButtonPress) {
        Text10_MouseDown();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);

    const QString* allowed = nullptr;
    // Transmissivity also takes "." and "-" (0.005, 5E-3), storage and thickness "." (0.01 %):
    // without them a decimal turned into another number as it was typed. A storage coefficient
    // in another unit than % takes what a fraction needs (2E-4).
    if (watched == Text5 || (watched == Text6 && !options->unitTexts().storage.empty()))
        allowed = &Transmissivity;
    else if (watched == Combo1->lineEdit())
        allowed = &DigitsAndE;
    else if (watched == Text7 || watched == Text6 || watched == Text8)
        allowed = &PointAndDigits;
    else if (watched == Text2 || watched == Text13)
        allowed = &Digits;
    if (allowed == nullptr)
        return QWidget::eventFilter(watched, event);

    // Only typed characters are filtered: arrows, Home, End, Delete and Tab are no characters.
    auto* key = static_cast<QKeyEvent*>(event);
    QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Tab
        || key->key() == Qt::Key_Backtab)
        return false;
    // After a number, the classic fields take a unit word (450 m2/d): a letter is never dropped
    // to leave digits that make another number.
    if (auto* line = qobject_cast<QLineEdit*>(watched); line != nullptr
        && line != Combo1->lineEdit() && line != Text2 && line != Text13
        && std::all_of(text.begin(), text.end(), isUnitCharacter)
        && line->text()
               .left(line->cursorPosition())
               .contains(QRegularExpression(QStringLiteral("[0-9]"))))
        return false;
    for (QChar c : text) {
        int code = c.unicode() <= 255 ? c.unicode() : -1;
        if (Module1::FilterKey(static_cast<std::int16_t>(code), *allowed, -1, m_desktop) == 0)
            return true; // cancelled
    }
    return false;
}

} // namespace drawfield
