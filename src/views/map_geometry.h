#pragma once

// The contour map of a drawdown field, computed once per fill and painted on any device.

#include "views/chart_overlays.h"
#include "views/colour_scale.h"
#include "views/grid_sampling.h"
#include "views/round_values.h"

#include <QPainterPath>
#include <QRectF>
#include <QTransform>

#include <vector>

class QFontMetricsF;
class QPaintDevice;
class QPainter;

namespace drawfield {

struct MapGeometry {
    QRectF metres; // from the first to the last node, X and Y in metres (Y grows upward)
    ColourScale scale;
    // Per level: the region where the drawdown is at or beyond it (m, odd-even filled), and the
    // level's contour lines (m), which are that region's outline without the map's edge.
    std::vector<QPainterPath> regions;
    std::vector<QPainterPath> lines;
    std::vector<double> sampleXs, sampleYs; // sample lattice, for the mesh lines (m)
    std::vector<double> xTicks, yTicks; // m
    // What the axes' labels add to the local metres: the site's easting and northing of the
    // local (0, 0) where the scenario writes site coordinates, else none.
    QPointF axisOrigin;
    bool siteAxes = false; // titled Easting and Northing
    QString title; // above the plot, in the room kept free at the top; empty for none
    bool meshShown = false; // lattice lines over the map
    bool zonesFilled = true; // colour bands between the levels; contour lines only when false
    bool draft = false; // painted without smoothing, for frames that follow the hand
    bool colourScaleShown = true;
    std::vector<WellMarker> wells; // drawn as labelled markers
    QPainterPath validityEdge; // m: where Cooper-Jacob stops holding, drawn dashed
    // Where the map has drawdowns (m): all of it unless boundaries cut it; blank beyond.
    QPolygonF aquifer;
    std::vector<BoundaryOverlay> boundaries;
};

// The map of field. With boundaries, the bands and contour lines stop at them: the samples
// beyond are continued (continuedBeyondBoundaries) so that the contours meet the lines where the
// drawdowns do, and then cut away. The colour scale is the field's own unless one is given (the
// frames of an animation share the last one's).
[[nodiscard]] MapGeometry buildMapGeometry(const SampledField& field, bool meshShown,
    bool zonesFilled, const std::vector<BoundaryOverlay>& boundaries = {},
    const ColourScale* scale = nullptr);

// Labels the axes in the site's eastings and northings: round values of them, each at its place
// in local metres.
void setAxisOrigin(MapGeometry& map, QPointF origin);

// Where the map goes in a picture: the plot's rectangle and the transform from metres to it.
struct MapLayout {
    QRectF plot;
    QTransform fromMetres;
    bool fits = false; // false when target is too small to hold a plot
};

// The layout paintMap uses on this device (its font sizes depend on it).
[[nodiscard]] MapLayout mapLayout(
    const QPaintDevice* device, const QRectF& target, const MapGeometry& map);

// Where a well's label goes: beside its marker at `at`, on a box (null: no room for it).
struct WellLabel {
    QPointF at;
    QRectF box;
    QString text;
    bool observation = false;
    bool failed = false; // a bore that runs dry, a point whose limit is passed: drawn red
};

// The wells' labels on a plot: each inside it and clear of every marker and of the labels placed
// before it, above right where it can, else another corner or side; a name too long for any
// place is shortened, and one with no room at all is left out (its marker stays).
[[nodiscard]] std::vector<WellLabel> wellLabels(const QRectF& plot, const QTransform& toPlot,
    const std::vector<WellMarker>& wells, const QFontMetricsF& metrics, double radius);

// Paints the map into target: the bands and contour lines at equal scale on both axes, each line
// labelled with its level where there is room, blank beyond the boundaries, the boundaries (a
// barrier hatched on its far side, a recharge line in blue), the wells and the observation points
// as labelled markers and the edge of the zone where Cooper-Jacob holds as a dashed line, X and Y
// axes with ticks in metres, and the colour scale of the levels in metres with an entry for the
// dashed line and each kind of boundary.
void paintMap(QPainter& painter, const QRectF& target, const MapGeometry& map);

} // namespace drawfield
