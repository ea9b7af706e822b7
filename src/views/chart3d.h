#pragma once

// Chart3D: the chart component, one widget class used twice, as a contour map (Chart3D1) and as a
// 3D surface (Chart3D2). It is filled through its data grid and display style, turned through its
// view angles, drawn with QPainter, and draws itself into picture files.
//
// Filling: the data grid takes a row and column count, a row- and a column-direction parameter,
// per-row and per-column values (the node spacing, m) and the node values, the whole DrawdownGrid
// in one call, kept by reference, never copied. Where the counts and the grid disagree the grid
// wins: every lattice node is shown at its true coordinate in metres, the spacing taken from the
// first per-row and per-column values (or the grid's own when none is set). Values beyond the
// counts are refused. While batched, nothing repaints; switching batching off repaints once.
//
// Geometry is rebuilt once per fill or view change and painted from there. Before the first fill
// a chart shows its design state: a small sample cone on a 20 x 20 m map.

#include "compute/engine/drawdown_grid.h"
#include "views/chart_geometry.h"

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace drawfield {

class Chart3D;

// Group 1's data grid.
class ChartDataGrid {
public:
    bool setRowCount(std::int32_t count); // refused below 0
    bool setColumnCount(std::int32_t count);
    void setRowOrigin(double value); // the row-direction real parameter
    void setColumnOrigin(double value); // the column-direction real parameter
    bool setRowValue(std::int32_t index, double value); // index 1 .. rowCount(), else refused
    bool setColumnValue(std::int32_t index, double value);
    // Takes the node values from the whole grid; refused (false, nothing changes) without one.
    bool loadValues(std::shared_ptr<const DrawdownGrid> grid);

    [[nodiscard]] std::int32_t rowCount() const
    {
        return static_cast<std::int32_t>(m_rowValues.size());
    }
    [[nodiscard]] std::int32_t columnCount() const
    {
        return static_cast<std::int32_t>(m_columnValues.size());
    }
    [[nodiscard]] double rowOrigin() const { return m_rowOrigin; }
    [[nodiscard]] double columnOrigin() const { return m_columnOrigin; }
    [[nodiscard]] std::optional<double> rowValue(std::int32_t index) const; // empty when never set
    [[nodiscard]] std::optional<double> columnValue(std::int32_t index) const;
    [[nodiscard]] const std::shared_ptr<const DrawdownGrid>& grid() const { return m_grid; }

private:
    friend class Chart3D;
    friend class ChartGroup;
    explicit ChartDataGrid(Chart3D& chart)
        : m_chart(chart)
    {
    }
    Chart3D& m_chart;
    std::vector<std::optional<double>> m_rowValues, m_columnValues;
    double m_rowOrigin = 1.0, m_columnOrigin = 1.0;
    std::shared_ptr<const DrawdownGrid> m_grid;
};

// Group 1's display style: two settings.
class ChartDisplayStyle {
public:
    void setMeshShown(bool shown); // first setting: mesh lines over the surface
    void setZonesFilled(bool filled); // second setting: filled colour zones
    [[nodiscard]] bool meshShown() const { return m_meshShown; }
    [[nodiscard]] bool zonesFilled() const { return m_zonesFilled; }

private:
    friend class Chart3D;
    friend class ChartGroup;
    explicit ChartDisplayStyle(Chart3D& chart)
        : m_chart(chart)
    {
    }
    Chart3D& m_chart;
    bool m_meshShown = false;
    bool m_zonesFilled = true;
};

class ChartGroup {
public:
    ChartDataGrid& dataGrid() { return m_dataGrid; }
    ChartDisplayStyle& displayStyle() { return m_displayStyle; }

private:
    friend class Chart3D;
    explicit ChartGroup(Chart3D& chart)
        : m_dataGrid(chart)
        , m_displayStyle(chart)
    {
    }
    ChartDataGrid m_dataGrid;
    ChartDisplayStyle m_displayStyle;
};

enum class RotationAxis { X, Y, Z };

class Chart3D : public QWidget {
    Q_OBJECT
public:
    using Presentation = ChartKind;

    explicit Chart3D(Presentation presentation, QWidget* parent = nullptr);
    ~Chart3D() override;

    [[nodiscard]] Presentation presentation() const { return m_presentation; }

    // Chart group by its number: 1 is the only group; others are refused (nullptr).
    [[nodiscard]] ChartGroup* chartGroup(std::int16_t index);

    // No repaint while on; switching it off repaints once.
    void setBatched(bool batched);
    [[nodiscard]] bool isBatched() const { return m_batched; }

    // What is drawn over the drawdowns: the wells, the edge of the zone where Cooper-Jacob holds.
    void setOverlays(ChartOverlays overlays);
    [[nodiscard]] const ChartOverlays& overlays() const { return m_overlays; }

    // The map's colour scale held whatever the grid (the pumping time's while an earlier time is
    // shown); empty: the grid's own.
    void setColourScale(std::optional<ColourScale> scale);
    // The unit drawdowns are shown in (the legend, the levels, the read-out): metres by default.
    void setDrawdownUnit(const ShownUnit& unit);
    // The axes and the read-out in the site's eastings and northings: what they add to the local
    // metres; none for local metres.
    void setSiteOrigin(const std::optional<QPointF>& origin);
    [[nodiscard]] const ShownUnit& drawdownUnit() const { return m_length; }
    // Frames that follow the hand are drafts (ChartSource::draft); the next still one is whole.
    void setDraft(bool draft);

    // Dragging the map's markers (overlays().wells): pressing one and moving the mouse reports
    // where it would go (markerMoved, in metres, anywhere the mouse is); releasing drops it there
    // (markerDropped); Escape puts it back (markerDragCancelled). Off until the window allows it.
    void setMarkersDraggable(bool draggable);
    [[nodiscard]] bool isDraggingMarker() const { return m_dragged >= 0; }
    // The marker under a point of the widget, within a few pixels; the nearest when several.
    [[nodiscard]] std::optional<int> markerAt(const QPointF& position) const;
    // A point of the widget in metres of the map, whether on the plot or not; empty before the
    // map can be laid out.
    [[nodiscard]] std::optional<QPointF> metresAt(const QPointF& position) const;
    // Where a marker stands in the widget.
    [[nodiscard]] std::optional<QPointF> markerPosition(int marker) const;
    // A note the read-out shows instead of the position while it is set (why a drag stops).
    void setReadoutNote(const QString& note);
    // Back to the state before any data: the design sample, no overlays, nothing to drag, no
    // read-out (a scenario opened: the last data were of other fields).
    void clear();

    // The view's turn about an axis, degrees.
    void setViewAngle(RotationAxis axis, double degrees);
    [[nodiscard]] ViewAngles viewAngles() const { return m_angles; }

    // The current picture in the given format, or the one the extension names, at the chart's
    // size (960 x 720 when it is too small to read). An empty string when written, else "Cannot
    // write the picture <path>: <Reason>.". Paths are the file system's bytes (writePicture).
    [[nodiscard]] QString writePictureFile(
        const std::filesystem::path& path, std::optional<PictureFormat> format = {}) const;
    // The component's own call: formatCode 0 is a Windows Metafile (then 1 PNG, 2 SVG, 3 PDF).
    // Returns whether the file was written.
    bool drawToFile(const QString& fileName, std::int32_t formatCode) const;

    // The one paint routine: the screen, the files and the tests all draw through it.
    void paintChart(QPainter& painter, const QRectF& target) const;

    // The map's read-out for a point of the widget: "X 34 m   Y 57 m   drawdown 0.253 m" at the
    // nearest node, empty off the map or for the surface.
    [[nodiscard]] QString readoutAt(const QPointF& position) const;
    // What the screen shows now: the note while one is set, else the read-out at the mouse, of
    // the map shown now (after a change under a still mouse, at once).
    [[nodiscard]] QString readout() const;

    QSize sizeHint() const override { return { 640, 480 }; }

signals:
    void markerMoved(int marker, QPointF metres);
    void markerDropped(int marker, QPointF metres);
    void markerDragCancelled(int marker);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    friend class ChartDataGrid;
    friend class ChartDisplayStyle;

    void contentChanged(); // the data or the style: geometry is stale
    void viewChanged(); // the angles: the projection is stale
    void requestRepaint();
    [[nodiscard]] QSize pictureSize() const;
    ChartSource source() const; // what the data grid, the style and the overlays say to show
    void buildGeometry() const;

    Presentation m_presentation;
    ChartGroup m_group;
    bool m_batched = false;
    ViewAngles m_angles;
    std::shared_ptr<const DrawdownGrid> m_designSample;
    ChartOverlays m_overlays;
    QPoint m_dragFrom;
    mutable QString m_readout; // the map's X, Y and drawdown under the mouse
    mutable bool m_readoutStale = false; // the map changed since it was made
    std::optional<QPointF> m_mouseAt; // over the widget, where the read-out is made
    std::optional<QPointF> m_siteOrigin;
    QString m_readoutNote;
    std::optional<ColourScale> m_scale;
    ShownUnit m_length;
    bool m_draft = false;
    bool m_markersDraggable = false;
    int m_dragged = -1; // the marker being dragged
    void endMarkerDrag();

    // Geometry, rebuilt lazily after a change.
    mutable std::optional<MapGeometry> m_map;
    mutable std::optional<SurfaceChart> m_surface;
    mutable std::optional<SurfaceProjection> m_projection;
};

} // namespace drawfield
