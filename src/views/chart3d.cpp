#include "views/chart3d.h"

#include "compute/engine/drawdown_engine.h"
#include "scenario/scenario.h"
#include "views/axis_ticks.h"
#include "views/grid_sampling.h"

#include "views/chart_style.h"

#include <QFile>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace drawfield {
namespace {

    constexpr double DegreesPerPixel = 0.5; // mouse rotation

    // The design state's sample: two wells on a 20 x 20 m map.
    std::shared_ptr<const DrawdownGrid> designSample()
    {
        ScenarioTexts texts;
        texts.xMax = "20";
        texts.bores[0] = { "8", "9", "3" };
        texts.bores[1] = { "15", "14", "1.5" };
        ScenarioReading reading = readScenario(texts);
        EngineOptions options;
        options.threads = 1;
        std::optional<DrawdownResult> result = computeDrawdown(reading.inputs, options);
        return result->grid;
    }

    // A spacing handed over as a per-row or per-column value: a whole number of metres, 1 or more.
    std::optional<int> spacingOf(const std::optional<double>& value)
    {
        if (!value || !(*value >= 1.0) || *value > 32767.0 || *value != std::floor(*value))
            return std::nullopt;
        return static_cast<int>(*value);
    }

} // namespace

bool ChartDataGrid::setRowCount(std::int32_t count)
{
    if (count < 0)
        return false;
    m_rowValues.assign(static_cast<std::size_t>(count), std::nullopt);
    m_chart.contentChanged();
    return true;
}

bool ChartDataGrid::setColumnCount(std::int32_t count)
{
    if (count < 0)
        return false;
    m_columnValues.assign(static_cast<std::size_t>(count), std::nullopt);
    m_chart.contentChanged();
    return true;
}

void ChartDataGrid::setRowOrigin(double value)
{
    m_rowOrigin = value;
    m_chart.contentChanged();
}

void ChartDataGrid::setColumnOrigin(double value)
{
    m_columnOrigin = value;
    m_chart.contentChanged();
}

bool ChartDataGrid::setRowValue(std::int32_t index, double value)
{
    if (index < 1 || index > rowCount())
        return false;
    m_rowValues[static_cast<std::size_t>(index - 1)] = value;
    m_chart.contentChanged();
    return true;
}

bool ChartDataGrid::setColumnValue(std::int32_t index, double value)
{
    if (index < 1 || index > columnCount())
        return false;
    m_columnValues[static_cast<std::size_t>(index - 1)] = value;
    m_chart.contentChanged();
    return true;
}

std::optional<double> ChartDataGrid::rowValue(std::int32_t index) const
{
    if (index < 1 || index > rowCount())
        return std::nullopt;
    return m_rowValues[static_cast<std::size_t>(index - 1)];
}

std::optional<double> ChartDataGrid::columnValue(std::int32_t index) const
{
    if (index < 1 || index > columnCount())
        return std::nullopt;
    return m_columnValues[static_cast<std::size_t>(index - 1)];
}

bool ChartDataGrid::loadValues(std::shared_ptr<const DrawdownGrid> grid)
{
    if (!grid)
        return false;
    m_grid = std::move(grid);
    m_chart.contentChanged();
    return true;
}

void ChartDisplayStyle::setMeshShown(bool shown)
{
    m_meshShown = shown;
    m_chart.contentChanged();
}

void ChartDisplayStyle::setZonesFilled(bool filled)
{
    m_zonesFilled = filled;
    m_chart.contentChanged();
}

Chart3D::Chart3D(Presentation presentation, QWidget* parent)
    : QWidget(parent)
    , m_presentation(presentation)
    , m_group(*this)
    , m_designSample(designSample())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 90);
    setMouseTracking(presentation == Presentation::ContourMap); // the read-out follows the mouse
}

Chart3D::~Chart3D() = default;

ChartGroup* Chart3D::chartGroup(std::int16_t index) { return index == 1 ? &m_group : nullptr; }

void Chart3D::setBatched(bool batched)
{
    bool wasBatched = m_batched;
    m_batched = batched;
    if (wasBatched && !batched)
        update();
}

void Chart3D::setViewAngle(RotationAxis axis, double degrees)
{
    (axis == RotationAxis::X          ? m_angles.x
            : axis == RotationAxis::Y ? m_angles.y
                                      : m_angles.z)
        = degrees;
    viewChanged();
}

void Chart3D::contentChanged()
{
    m_map.reset();
    m_surface.reset();
    m_projection.reset();
    m_readoutStale = true;
    requestRepaint();
}

void Chart3D::clear()
{
    if (m_dragged >= 0)
        endMarkerDrag();
    ChartDataGrid& data = m_group.m_dataGrid;
    data.m_rowValues.clear();
    data.m_columnValues.clear();
    data.m_rowOrigin = data.m_columnOrigin = 1.0;
    data.m_grid.reset();
    m_overlays = {};
    m_scale.reset();
    m_draft = false;
    m_markersDraggable = false;
    m_readoutNote.clear();
    unsetCursor();
    contentChanged();
}

QString Chart3D::readout() const
{
    if (!m_readoutNote.isEmpty())
        return m_readoutNote;
    if (m_readoutStale) {
        m_readout = m_mouseAt ? readoutAt(*m_mouseAt) : QString();
        m_readoutStale = false;
    }
    return m_readout;
}

void Chart3D::viewChanged()
{
    m_projection.reset();
    requestRepaint();
}

void Chart3D::requestRepaint()
{
    if (!m_batched)
        update();
}

ChartSource Chart3D::source() const
{
    const ChartDataGrid& data = m_group.m_dataGrid;
    const ChartDisplayStyle& style = m_group.m_displayStyle;
    const bool filled = data.grid() != nullptr;
    if (!filled) {
        // The design state: a filled surface of its own sample, with its two wells.
        return { m_designSample, m_designSample->nodeSpacing(), m_designSample->nodeSpacing(),
            { { { 8, 9, QStringLiteral("Bore 1") }, { 15, 14, QStringLiteral("Bore 2") } }, {},
                nullptr },
            false, true };
    }
    const int spacing = data.grid()->nodeSpacing();
    ChartSource source { data.grid(), spacingOf(data.columnValue(1)).value_or(spacing),
        spacingOf(data.rowValue(1)).value_or(spacing), m_overlays, style.meshShown(),
        style.zonesFilled(), m_scale, m_draft };
    source.length = m_length;
    if (m_siteOrigin) {
        source.axisOrigin = *m_siteOrigin;
        source.siteAxes = true;
    }
    return source;
}

void Chart3D::buildGeometry() const
{
    if (m_presentation == Presentation::ContourMap) {
        if (!m_map)
            m_map = chartMapGeometry(source());
        return;
    }
    if (!m_surface)
        m_surface = chartSurface(source());
    if (!m_projection)
        m_projection = projectSurface(m_surface->model, m_angles);
}

void Chart3D::paintChart(QPainter& painter, const QRectF& target) const
{
    buildGeometry();
    if (m_presentation == Presentation::ContourMap)
        paintMap(painter, target, *m_map);
    else
        paintSurfaceChart(painter, target, *m_surface, *m_projection);
}

void Chart3D::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintChart(painter, QRectF(rect()));
    // The read-out is the screen's alone: in the band above the plot, at the right, clear of the
    // map and of the save button over the chart's left corner.
    if (const QString shown = readout(); !shown.isEmpty()) {
        painter.setFont(chart_style::font(QRectF(rect())));
        painter.setPen(chart_style::Ink);
        const QFontMetricsF metrics(painter.font(), this);
        painter.drawText(QRectF(0, metrics.height() * 0.4, width() - metrics.height() * 0.5,
                             metrics.height() * 1.2),
            Qt::AlignRight | Qt::AlignVCenter, shown);
    }
}

QString Chart3D::readoutAt(const QPointF& position) const
{
    if (m_presentation != Presentation::ContourMap)
        return {};
    buildGeometry();
    const MapLayout layout = mapLayout(this, QRectF(rect()), *m_map);
    if (!layout.fits || !layout.plot.contains(position))
        return {};
    const QPointF metres = layout.fromMetres.inverted().map(position);
    const ChartDataGrid& data = m_group.m_dataGrid;
    const DrawdownGrid& grid = data.grid() ? *data.grid() : *m_designSample;
    // The nearest lattice node, within the map.
    const int step = grid.nodeSpacing();
    const int column = std::clamp(static_cast<int>(std::lround((metres.x() - grid.xMin()) / step)),
        0, grid.columnCount() - 1);
    const int row = std::clamp(
        static_cast<int>(std::lround((metres.y() - grid.yMin()) / step)), 0, grid.rowCount() - 1);
    const int x = grid.nodeX(column), y = grid.nodeY(row);
    const double value = grid.at(x, y);
    // In the site's eastings and northings where the scenario writes them.
    const QString place = m_siteOrigin ? QStringLiteral("E %1 m   N %2 m")
                                             .arg(significantNumber(x + m_siteOrigin->x(), 12),
                                                 significantNumber(y + m_siteOrigin->y(), 12))
                                       : QStringLiteral("X %1 m   Y %2 m").arg(x).arg(y);
    // The bore or point under the mouse, by its name.
    QString named;
    double nearest = fontMetrics().height() * 0.6;
    for (const WellMarker& well : m_overlays.wells) {
        const QPointF at = layout.fromMetres.map(QPointF(well.xMetres, well.yMetres));
        const double distance = std::hypot(at.x() - position.x(), at.y() - position.y());
        if (distance <= nearest) {
            nearest = distance;
            named = QStringLiteral("   ") + well.label;
        }
    }
    if (std::isnan(value))
        return place + QStringLiteral("   beyond a boundary") + named;
    return QStringLiteral("%1   drawdown %2 %3%4")
        .arg(place, significantNumber(m_length.of(-value + 0.0), 4),
            QString::fromStdString(m_length.word), named);
}

void Chart3D::leaveEvent(QEvent*)
{
    m_mouseAt.reset();
    m_readoutStale = false;
    if (!m_readout.isEmpty()) {
        m_readout.clear();
        update();
    }
}

void Chart3D::setOverlays(ChartOverlays overlays)
{
    m_overlays = std::move(overlays);
    contentChanged();
}

void Chart3D::setColourScale(std::optional<ColourScale> scale)
{
    m_scale = std::move(scale);
    contentChanged();
}

void Chart3D::setDrawdownUnit(const ShownUnit& unit)
{
    if (unit == m_length)
        return;
    m_length = unit;
    contentChanged();
}

void Chart3D::setSiteOrigin(const std::optional<QPointF>& origin)
{
    if (origin == m_siteOrigin)
        return;
    m_siteOrigin = origin;
    contentChanged();
}

void Chart3D::setDraft(bool draft)
{
    if (draft == m_draft)
        return;
    m_draft = draft;
    contentChanged();
}

void Chart3D::setMarkersDraggable(bool draggable)
{
    m_markersDraggable = draggable;
    if (!draggable && m_dragged >= 0) {
        const int marker = m_dragged;
        endMarkerDrag();
        emit markerDragCancelled(marker);
    }
}

std::optional<QPointF> Chart3D::metresAt(const QPointF& position) const
{
    if (m_presentation != Presentation::ContourMap)
        return std::nullopt;
    buildGeometry();
    const MapLayout layout = mapLayout(this, QRectF(rect()), *m_map);
    if (!layout.fits)
        return std::nullopt;
    return layout.fromMetres.inverted().map(position);
}

std::optional<QPointF> Chart3D::markerPosition(int marker) const
{
    if (m_presentation != Presentation::ContourMap || marker < 0
        || marker >= static_cast<int>(m_overlays.wells.size()))
        return std::nullopt;
    buildGeometry();
    const MapLayout layout = mapLayout(this, QRectF(rect()), *m_map);
    if (!layout.fits)
        return std::nullopt;
    const WellMarker& well = m_overlays.wells[static_cast<std::size_t>(marker)];
    return layout.fromMetres.map(QPointF(well.xMetres, well.yMetres));
}

std::optional<int> Chart3D::markerAt(const QPointF& position) const
{
    constexpr double ReachPixels = 8.0;
    std::optional<int> nearest;
    double best = ReachPixels * ReachPixels;
    for (int marker = 0; marker < static_cast<int>(m_overlays.wells.size()); ++marker) {
        const std::optional<QPointF> at = markerPosition(marker);
        if (!at)
            return std::nullopt;
        const QPointF d = *at - position;
        const double distance = QPointF::dotProduct(d, d);
        if (distance <= best) {
            best = distance;
            nearest = marker;
        }
    }
    return nearest;
}

void Chart3D::setReadoutNote(const QString& note)
{
    if (note != m_readoutNote) {
        m_readoutNote = note;
        update();
    }
}

void Chart3D::endMarkerDrag()
{
    m_dragged = -1;
    releaseKeyboard();
    unsetCursor();
}

void Chart3D::mousePressEvent(QMouseEvent* event)
{
    m_dragFrom = event->position().toPoint();
    if (m_markersDraggable && event->button() == Qt::LeftButton) {
        if (const std::optional<int> marker = markerAt(event->position())) {
            m_dragged = *marker;
            setCursor(Qt::ClosedHandCursor);
            grabKeyboard(); // Escape puts the marker back, wherever the focus is
        }
    }
}

void Chart3D::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragged < 0 || event->button() != Qt::LeftButton)
        return;
    const int marker = m_dragged;
    endMarkerDrag();
    if (const std::optional<QPointF> metres = metresAt(event->position()))
        emit markerDropped(marker, *metres);
    else
        emit markerDragCancelled(marker);
}

void Chart3D::keyPressEvent(QKeyEvent* event)
{
    if (m_dragged >= 0 && event->key() == Qt::Key_Escape) {
        const int marker = m_dragged;
        endMarkerDrag();
        emit markerDragCancelled(marker);
        return;
    }
    QWidget::keyPressEvent(event);
}

void Chart3D::mouseMoveEvent(QMouseEvent* event)
{
    if (m_presentation == Presentation::ContourMap) {
        if (m_dragged >= 0) {
            if (const std::optional<QPointF> metres = metresAt(event->position()))
                emit markerMoved(m_dragged, *metres);
        } else if (m_markersDraggable) {
            if (markerAt(event->position()))
                setCursor(Qt::OpenHandCursor);
            else
                unsetCursor();
        }
        m_mouseAt = event->position();
        QString readout = readoutAt(event->position());
        m_readoutStale = false;
        if (readout != m_readout) {
            m_readout = readout;
            update();
        }
        return;
    }
    // Dragging with both buttons, or the left one alone, turns the surface: across about its
    // vertical axis, up and down about its X axis.
    if (m_presentation != Presentation::Surface || !(event->buttons() & Qt::LeftButton))
        return;
    QPoint now = event->position().toPoint();
    QPoint moved = now - m_dragFrom;
    m_dragFrom = now;
    m_angles.z += moved.x() * DegreesPerPixel;
    m_angles.x += moved.y() * DegreesPerPixel;
    viewChanged();
}

QSize Chart3D::pictureSize() const { return pictureSizeOf(size()); }

QString Chart3D::writePictureFile(
    const std::filesystem::path& path, std::optional<PictureFormat> format) const
{
    const PaintRoutine paint
        = [this](QPainter& painter, const QRectF& target) { paintChart(painter, target); };
    return format ? writePicture(path, *format, pictureSize(), paint)
                  : writePicture(path, pictureSize(), paint);
}

bool Chart3D::drawToFile(const QString& fileName, std::int32_t formatCode) const
{
    if (formatCode < 0 || formatCode > 3 || fileName.isEmpty())
        return false;
    return writePictureFile(
        QFile::encodeName(fileName).toStdString(), static_cast<PictureFormat>(formatCode))
        .isEmpty();
}

} // namespace drawfield
