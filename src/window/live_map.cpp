// The live map: the time bar under the map and the surface, and the bores and observation points
// dragged on the map, each move one that can be undone.

#include "scenario/units.h"
#include "window/main1.h"
#include "window/options_tab.h"

#include "compute/aquifer_limits.h"
#include "media/animation.h"
#include "views/chart3d.h"
#include "views/curves_chart.h"
#include "views/grid_sampling.h"
#include "views/map_geometry.h"
#include "window/boundaries_tab.h"
#include "window/controls.h"
#include "window/task_runner.h"
#include "window/time_bar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTimer>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <cmath>

namespace drawfield {

// A bore or an observation point moved on the map: its X and Y texts before and after.
class MarkerMove : public QUndoCommand {
public:
    MarkerMove(main1& window, bool observation, int row, QString label, QStringList before,
        QStringList after)
        : QUndoCommand(label)
        , m_window(window)
        , m_observation(observation)
        , m_row(row)
        , m_before(std::move(before))
        , m_after(std::move(after))
    {
    }
    void redo() override { apply(m_after); }
    void undo() override { apply(m_before); }

private:
    void apply(const QStringList& place)
    {
        m_window.placeInFields(m_observation, m_row, place[0], place[1]);
        // The run follows once the undo stack has settled.
        QTimer::singleShot(0, &m_window, [window = &m_window] {
            if (!window->m_tasks->isRunning())
                (void)window->runFields(main1::RunShows::Quietly); // says its own refusals
        });
    }
    main1& m_window;
    bool m_observation;
    int m_row;
    QStringList m_before, m_after;
};

void main1::buildLiveMap()
{
    timeBar = new TimeBar(Chart3D1->parentWidget());
    timeBar->hide();
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(250);
    connect(m_settle, &QTimer::timeout, this, &main1::settleTime);
    connect(timeBar, &TimeBar::timeChanged, this, &main1::timeMoved);
    connect(timeBar, &TimeBar::timeSettled, this, [this](double) { settleTime(); });
    connect(SSTab1->tabBar(), &QTabBar::currentChanged, this, &main1::placeTimeBar);

    connect(Chart3D1, &Chart3D::markerMoved, this, &main1::markerMoved);
    connect(Chart3D1, &Chart3D::markerDragCancelled, this, &main1::markerDragCancelled);
    connect(Chart3D1, &Chart3D::markerDropped, this, [this](int marker, QPointF metres) {
        const MarkerPlace place = m_lastPlace.value_or(markerPlace(marker, metres));
        m_lastPlace.reset();
        Chart3D1->setReadoutNote({});
        if (!dropMarker(marker, place.x, place.y))
            markerDragCancelled(marker);
    });

    moves = new QUndoStack(this);
    moves->setUndoLimit(100);
    QAction* help = menuBar->actions().constLast();
    auto* edit = new QMenu(QStringLiteral("&Edit"), menuBar);
    menuBar->insertMenu(help, edit);
    // Undo covers the moves on the map, and says so: typing is undone by each field's own undo
    // (Ctrl+Z while it has the focus), "Use these values" and Open are not undone.
    undoMoveAction = moves->createUndoAction(edit, QStringLiteral("&Undo Move"));
    undoMoveAction->setShortcut(QKeySequence::Undo);
    redoMoveAction = moves->createRedoAction(edit, QStringLiteral("&Redo Move"));
    redoMoveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    edit->addAction(undoMoveAction);
    edit->addAction(redoMoveAction);
    auto* view = new QMenu(QStringLiteral("&View"), menuBar);
    menuBar->insertMenu(help, view);
    timeSliderAction = view->addAction(QStringLiteral("&Time Slider"));
    timeSliderAction->setCheckable(true);
    timeSliderAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    timeSliderAction->setToolTip(
        QStringLiteral("The map and the surface at any time from one minute to the pumping time"));
    connect(timeSliderAction, &QAction::toggled, this, [this](bool shown) {
        if (!shown) {
            timeBar->stop();
            timeBar->setPosition(TimeBar::Steps); // back to the pumping time
        }
        Form_Resize();
    });
    exportAnimationAction = exportMenu->addAction(
        QStringLiteral("&Animation (GIF)..."), this, [this] { exportAnimation(); });
}

void main1::placeTimeBar()
{
    const int index = SSTab1->currentIndex();
    Chart3D* chart = index == 1 ? Chart3D1 : index == 2 ? Chart3D2 : nullptr;
    if (!timeSliderAction->isChecked() || chart == nullptr) {
        timeBar->hide();
        return;
    }
    if (timeBar->parentWidget() != chart->parentWidget())
        timeBar->setParent(chart->parentWidget());
    timeBar->setGeometry(
        chart->x(), chart->y() + chart->height(), chart->width(), timeBar->sizeHint().height());
    timeBar->show();
    timeBar->raise();
}

double main1::shownSeconds() const
{
    return m_shownSeconds.value_or(m_lastRun ? m_lastRun->inputs.PumpTimeSeconds : 0.0);
}

std::shared_ptr<const DrawdownGrid> main1::shownGrid() const
{
    return m_shownSeconds ? m_shownGrid : DrawdownGrid();
}

void main1::liveMapAfterRun()
{
    // The run is at the pumping time: the bar's range follows it, at the time it stood at.
    const double before = timeBar->seconds();
    const bool wasAtEnd = !m_shownSeconds;
    std::vector<double> marks;
    for (const auto& schedule : m_lastRun->inputs.Schedules)
        for (const RateChange& change : schedule)
            marks.push_back(change.StartSeconds);
    {
        const QSignalBlocker quiet(timeBar);
        timeBar->setRange(m_lastRun->inputs.PumpTimeSeconds, std::move(marks));
        if (!wasAtEnd)
            timeBar->setPosition(timeBar->positionOf(before));
    }
    // In the unit the charts show drawdowns in, as their own levels are.
    const ShownUnit& length = m_lastRun->inputs.Units.length;
    m_runScale = ColourScale(mapLevels(m_lastRun->grid, 0, length.factor));
    m_runScale->setUnit(QString::fromStdString(length.word));
    Chart3D1->setMarkersDraggable(true);
    m_shownSeconds.reset();
    m_shownGrid.reset();
    Chart3D1->setColourScale(std::nullopt);
    Chart3D1->setDraft(false);
    Chart3D2->setDraft(false);
    curvesChart->setShownTime(std::nullopt);
    if (!wasAtEnd && !timeBar->atPumpingTime())
        settleTime();
}

void main1::showMapAt(const ScenarioInputs& inputs, double seconds, bool coarse)
{
    const ScenarioInputs computed
        = coarse ? atPictureResolution(inputs, ChartSamples::MapSamplesPerSide) : inputs;
    EngineOptions engine;
    engine.workspace = m_workspace.get();
    engine.timeSeconds = seconds;
    // The edge where Cooper-Jacob holds moves with the bores and the time too: judged on a
    // coarser lattice while the hand moves, at picture resolution once it rests.
    const int columns = (computed.XMax - computed.XMin) / computed.Step + 1;
    const int rows = (computed.YMax - computed.YMin) / computed.Step + 1;
    constexpr int DraftValidityNodes = 60;
    engine.validity = true;
    engine.validityStride = coarse ? (std::max(columns, rows) - 1) / (DraftValidityNodes - 1) + 1
                                   : pictureValidityStride(columns, rows);
    std::optional<DrawdownResult> result;
    QString failure; // the map stays as it was
    // A map of picture resolution takes milliseconds; a large lattice goes off the interface
    // thread, the window painting meanwhile.
    constexpr double LargeLattice = 4e6;
    const TaskEnd end = m_tasks->compute(
        static_cast<double>(columns) * rows > LargeLattice,
        [&](std::stop_token stop) {
            engine.stopToken = std::move(stop);
            result = computeDrawdown(computed, engine);
        },
        failure);
    if (end == TaskEnd::Closing || !result)
        return;
    const bool atPumpingTime = seconds == inputs.PumpTimeSeconds;
    m_shownGrid = result->grid;
    // At another time the colours keep the meaning they have at the pumping time.
    Chart3D1->setColourScale(atPumpingTime ? std::nullopt : m_runScale);
    Chart3D1->setDraft(coarse);
    Chart3D2->setDraft(coarse);
    const PlotSource source { result->grid, computed.XMax, computed.YMax, computed.Step,
        chartOverlays(inputs, result->validity), inputs.Units.length };
    PlotMap(*Chart3D1, source);
    Plot3D(*Chart3D2, source);
}

void main1::timeMoved(double seconds, bool moving)
{
    if (!m_lastRun)
        return;
    if (timeBar->atPumpingTime()) {
        // The run's own map, as it was made.
        m_settle->stop();
        m_shownSeconds.reset();
        m_shownGrid.reset();
        Chart3D1->setColourScale(std::nullopt);
        Chart3D1->setDraft(false);
        Chart3D2->setDraft(false);
        PlotMap(*Chart3D1, plotSource());
        Plot3D(*Chart3D2, plotSource());
        curvesChart->setShownTime(std::nullopt);
        return;
    }
    m_shownSeconds = seconds;
    curvesChart->setShownTime(seconds);
    showMapAt(m_lastRun->inputs, seconds, true);
    if (moving)
        m_settle->stop();
    else
        m_settle->start();
}

void main1::settleTime()
{
    m_settle->stop();
    if (!m_lastRun || timeBar->atPumpingTime() || Chart3D1->isDraggingMarker())
        return;
    m_shownSeconds = timeBar->seconds();
    curvesChart->setShownTime(m_shownSeconds);
    showMapAt(m_lastRun->inputs, *m_shownSeconds, false);
}

main1::MarkerPlace main1::markerPlace(int marker, QPointF metres) const
{
    MarkerPlace place;
    const ScenarioInputs& in = m_lastRun->inputs;
    const WellMarker& well = Chart3D1->overlays().wells.at(static_cast<std::size_t>(marker));
    const int x = static_cast<int>(std::lround(std::clamp(metres.x(), -40000.0, 40000.0)));
    const int y = static_cast<int>(std::lround(std::clamp(metres.y(), -40000.0, 40000.0)));
    place.x = std::clamp(x, static_cast<int>(in.XMin), static_cast<int>(in.XMax));
    place.y = std::clamp(y, static_cast<int>(in.YMin), static_cast<int>(in.YMax));
    if (place.x != x || place.y != y)
        place.heldBack = QStringLiteral("%1 stays on the map").arg(well.label);
    if (!in.Boundaries.empty() && !AquiferLimits(in).contains(place.x, place.y)) {
        // The drag stops at the boundary: the last place in the aquifer holds.
        if (m_lastPlace) {
            place.x = m_lastPlace->x;
            place.y = m_lastPlace->y;
        } else {
            place.x = static_cast<int>(std::lround(well.xMetres));
            place.y = static_cast<int>(std::lround(well.yMetres));
        }
        place.heldBack
            = QStringLiteral("%1 stays in the aquifer: a boundary runs there").arg(well.label);
    }
    return place;
}

ScenarioInputs main1::withMarkerAt(int marker, int x, int y) const
{
    ScenarioInputs moved = m_lastRun->inputs;
    const WellMarker& well = Chart3D1->overlays().wells.at(static_cast<std::size_t>(marker));
    if (well.observation) {
        ObservationPoint& point = moved.Observations.at(static_cast<std::size_t>(well.row));
        point.X = x;
        point.Y = y;
    } else {
        WellInput& bore = moved.Wells.at(static_cast<std::size_t>(well.row));
        bore.X = static_cast<std::int16_t>(x);
        bore.Y = static_cast<std::int16_t>(y);
    }
    return moved;
}

void main1::markerMoved(int marker, QPointF metres)
{
    if (!m_lastRun || m_tasks->isRunning())
        return;
    timeBar->stop();
    const MarkerPlace place = markerPlace(marker, metres);
    m_lastPlace = place;
    const WellMarker& well = Chart3D1->overlays().wells.at(static_cast<std::size_t>(marker));
    Chart3D1->setReadoutNote(place.heldBack.isEmpty()
            ? QStringLiteral("%1 to X %2 m   Y %3 m").arg(well.label).arg(place.x).arg(place.y)
            : place.heldBack);
    const ScenarioInputs moved = withMarkerAt(marker, place.x, place.y);
    if (well.observation) {
        // The map stays; only the point moves over it.
        ChartOverlays overlays = Chart3D1->overlays();
        overlays.wells[static_cast<std::size_t>(marker)].xMetres = place.x;
        overlays.wells[static_cast<std::size_t>(marker)].yMetres = place.y;
        Chart3D1->setOverlays(std::move(overlays));
        return;
    }
    showMapAt(moved, m_shownSeconds.value_or(moved.PumpTimeSeconds), true);
}

void main1::markerDragCancelled(int)
{
    m_lastPlace.reset();
    Chart3D1->setReadoutNote({});
    if (!m_lastRun)
        return;
    // Back to the map as it was before the drag.
    Chart3D1->setOverlays(m_lastRun->overlays);
    if (m_shownSeconds) {
        settleTime();
    } else {
        Chart3D1->setColourScale(std::nullopt);
        Chart3D1->setDraft(false);
        Chart3D2->setDraft(false);
        PlotMap(*Chart3D1, plotSource());
        Plot3D(*Chart3D2, plotSource());
    }
}

bool main1::dropMarker(int marker, int x, int y)
{
    if (!m_lastRun || m_tasks->isRunning() || marker < 0
        || marker >= static_cast<int>(Chart3D1->overlays().wells.size()))
        return false;
    const WellMarker well = Chart3D1->overlays().wells[static_cast<std::size_t>(marker)];
    const MarkerPlace place = markerPlace(marker, QPointF(x, y));
    if (place.x != x || place.y != y)
        return false;
    // The table row the marker came from: a bore's own, or the point's among the filled rows.
    int row = well.row;
    if (well.observation) {
        row = -1;
        for (int r = 0, found = 0; r < ObservationCount; ++r)
            if (!m_lastRun->texts.observations[static_cast<std::size_t>(r)].isEmpty()
                && found++ == well.row) {
                row = r;
                break;
            }
        if (row < 0)
            return false;
    }
    const QStringList before = well.observation
        ? QStringList { timeBoundaries->observationText(row, 1),
              timeBoundaries->observationText(row, 2) }
        : QStringList { Grid1->TextMatrix(row + 1, 1), Grid1->TextMatrix(row + 1, 2) };
    // The place in metres; where the fields' lengths are in another unit, said with its word.
    const std::string& length = options->unitTexts().length;
    const bool inMetres = length.empty() || unitFactor(length, Quantity::Length) == UnitFactor {};
    const QString metresWord = inMetres ? QString() : QStringLiteral(" m");
    const QStringList after { QString::number(x) + metresWord, QString::number(y) + metresWord };
    if (before == after) {
        markerDragCancelled(marker);
        return true;
    }
    moves->push(new MarkerMove(*this, well.observation, row, well.label, before, after));
    return true;
}

void main1::placeInFields(bool observation, int row, const QString& x, const QString& y)
{
    if (observation) {
        timeBoundaries->setObservationPlace(row, x, y);
    } else {
        Grid1->setTextMatrix(row + 1, 1, x);
        Grid1->setTextMatrix(row + 1, 2, y);
    }
    updateTitle();
}

} // namespace drawfield
