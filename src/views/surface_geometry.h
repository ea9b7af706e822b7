#pragma once

// The 3D surface of a drawdown field: a mesh built once per fill (SurfaceModel), and its picture
// from given view angles built once per view change (SurfaceProjection), painted on any device.
//
// Model units: X and Y span [-1, 1] along the longer side, at equal scale; Z is the water level
// change, 0 at the undisturbed level and -depth() at the deepest drawdown, so the cone hangs below
// the zero plane.

#include "views/chart_overlays.h"
#include "views/colour_scale.h"
#include "views/grid_sampling.h"
#include "views/view_angles.h"

#include <QColor>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <array>
#include <vector>

class QPainter;

namespace drawfield {

struct SurfaceModel {
    int columns = 0; // mesh vertices per row
    int rows = 0;
    std::vector<double> xs, ys; // vertex positions, model units
    std::vector<double> drawdowns; // m, rows * columns, X fastest
    double halfWidth = 1.0; // model X from -halfWidth to halfWidth
    double halfHeight = 1.0;
    double depth = 0.6; // model height of the box
    double deepest = 0.0; // m, the drawdown at the box's floor
    QRectF metres; // the map's extent
    ColourScale scale;
    std::vector<double> xTicks, yTicks, zTicks; // m; zTicks are level changes (0 or below)
    bool meshShown = false; // mesh lines over the surface
    bool zonesFilled = true; // faces coloured by depth; white when false
    std::vector<WellMarker> wells; // m; drawn as labelled stems from the surface up
    std::vector<double> wellDrawdowns; // m, the surface's drawdown under each well
    std::vector<BoundaryOverlay> boundaries; // drawn along the surface where it stops

    [[nodiscard]] double z(double drawdownMetres) const
    {
        return deepest > 0.0 ? -depth * drawdownMetres / deepest : 0.0;
    }
};

[[nodiscard]] SurfaceModel buildSurfaceModel(
    const SampledField& field, bool meshShown, bool zonesFilled);

// Puts the wells on the model, each at the drawdown of the sample under it (0 where the sample
// is blank); wells beyond the map are left out.
void placeWells(SurfaceModel& model, const SampledField& field, std::vector<WellMarker> wells);

struct SurfaceProjection {
    struct Face {
        std::array<QPointF, 4> corners; // view units: x right, y down
        QColor fill;
    };
    struct Label {
        QPointF at; // view units
        QPointF outward; // unit vector on the picture, away from the box
        QString text;
        bool isEnd = false; // the first or last tick of its axis: kept before the others
    };
    std::vector<Face> panes; // box walls behind the surface, drawn first
    std::vector<std::array<QPointF, 2>> paneLines; // tick lines on those walls
    std::vector<Face> faces; // the surface, far to near
    std::vector<std::array<QPointF, 2>> tickMarks;
    std::vector<Label> tickLabels;
    std::vector<Label> axisTitles;
    struct Stem {
        QPointF base; // on the surface, view units
        QPointF top; // above the zero plane
        bool observation = false; // an observation point's stem rather than a bore's
    };
    struct BoundaryStroke {
        QPolygonF points; // along the surface's edge at the line, view units
        BoundaryKind kind = BoundaryKind::Barrier;
    };
    std::vector<BoundaryStroke> boundaries;
    std::vector<Stem> wellStems;
    std::vector<Label> wellLabels; // at the stems' tops
    QRectF bounds; // of the projected box, view units
    ColourScale scale;
    ViewAngles angles; // the view it was projected for
    bool meshShown = false;
};

[[nodiscard]] SurfaceProjection projectSurface(const SurfaceModel& model, const ViewAngles& angles);

// Where the surface goes in a picture: the transform from view units, the colour scale's area,
// and the labels that are drawn, with their boxes. A label that would collide with one placed
// before it (axis titles first, then each axis's end ticks, then the others) or with the colour
// scale is left out, so no two drawn labels overlap.
struct SurfaceLayout {
    struct PlacedLabel {
        QString text;
        QRectF box; // the text's box on the picture
        QPointF baseline; // where the text starts
        bool boxed = false; // on a white box, readable over the surface (a well's name)
    };
    QTransform toPicture;
    QRectF legendArea;
    std::vector<PlacedLabel> labels;
    bool fits = false; // false when target is too small to hold the surface
};

// The layout paintSurface uses on this painter (its font sizes depend on the device).
[[nodiscard]] SurfaceLayout surfaceLayout(
    const QPainter& painter, const QRectF& target, const SurfaceProjection& projection);

// Paints the surface into target, fitted and centred, with its box, axes and colour scale.
void paintSurface(QPainter& painter, const QRectF& target, const SurfaceProjection& projection);

} // namespace drawfield
