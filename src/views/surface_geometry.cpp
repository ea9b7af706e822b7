#include "views/surface_geometry.h"

#include "views/axis_ticks.h"
#include "views/chart_style.h"
#include "views/colour_legend.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QVector3D>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace drawfield {
namespace {

    // Rotation matrices on plain doubles: the 3D work is small and exactness does not matter here.
    struct Matrix {
        std::array<std::array<double, 3>, 3> m {};
        static Matrix identity()
        {
            Matrix r;
            for (std::size_t i = 0; i < 3; ++i)
                r.m[i][i] = 1.0;
            return r;
        }
        // Turn by degrees about axis 0 (X), 1 (Y) or 2 (Z).
        static Matrix rotation(std::size_t axis, double degrees)
        {
            double a = degrees * std::numbers::pi / 180.0, c = std::cos(a), s = std::sin(a);
            Matrix r = identity();
            const std::size_t i = (axis + 1) % 3, j = (axis + 2) % 3;
            r.m[i][i] = c;
            r.m[i][j] = -s;
            r.m[j][i] = s;
            r.m[j][j] = c;
            return r;
        }
        Matrix operator*(const Matrix& o) const
        {
            Matrix r;
            for (std::size_t i = 0; i < 3; ++i)
                for (std::size_t j = 0; j < 3; ++j)
                    for (std::size_t k = 0; k < 3; ++k)
                        r.m[i][j] += m[i][k] * o.m[k][j];
            return r;
        }
        [[nodiscard]] QVector3D apply(double x, double y, double z) const
        {
            return QVector3D(static_cast<float>(m[0][0] * x + m[0][1] * y + m[0][2] * z),
                static_cast<float>(m[1][0] * x + m[1][1] * y + m[1][2] * z),
                static_cast<float>(m[2][0] * x + m[2][1] * y + m[2][2] * z));
        }
    };

    // Camera space: x right, y up, z towards the viewer. The fixed oblique view turns the map by
    // -35 degrees about its vertical, then tilts it back by 60 degrees.
    Matrix viewMatrix(const ViewAngles& angles)
    {
        Matrix camera = Matrix::rotation(0, -60.0) * Matrix::rotation(2, -35.0);
        return camera * Matrix::rotation(2, angles.z) * Matrix::rotation(1, angles.y)
            * Matrix::rotation(0, angles.x);
    }

    // View units put y downward, as pictures do.
    QPointF onPicture(const QVector3D& p) { return QPointF(p.x(), -p.y()); }

    QColor shaded(const QColor& colour, double light)
    {
        return QColor::fromRgbF(static_cast<float>(colour.redF() * light),
            static_cast<float>(colour.greenF() * light),
            static_cast<float>(colour.blueF() * light));
    }

    // Maps a value in metres along one axis to model units.
    double toModel(double metres, double first, double last, double half)
    {
        return last > first ? -half + 2.0 * half * (metres - first) / (last - first) : 0.0;
    }

} // namespace

SurfaceModel buildSurfaceModel(const SampledField& sampled, bool meshShown, bool zonesFilled)
{
    SurfaceModel model;
    const SampledField field = withArea(sampled); // a map of one node is a face, not nothing
    model.columns = field.columns;
    model.rows = field.rows;
    model.metres = QRectF(QPointF(field.xFirst, field.yFirst),
        QPointF(field.x(field.columns - 1), field.y(field.rows - 1)));
    double width = model.metres.width(), height = model.metres.height();
    double longer = std::max({ width, height, 1e-9 });
    model.halfWidth = std::max(width / longer, 0.05);
    model.halfHeight = std::max(height / longer, 0.05);
    for (int i = 0; i < field.columns; ++i)
        model.xs.push_back(
            toModel(field.x(i), model.metres.left(), model.metres.right(), model.halfWidth));
    for (int j = 0; j < field.rows; ++j)
        model.ys.push_back(
            toModel(field.y(j), model.metres.top(), model.metres.bottom(), model.halfHeight));
    model.drawdowns = field.drawdowns;
    model.deepest = field.deepest;
    model.scale = ColourScale::forDrawdowns(field.shallowest, field.deepest);
    model.xTicks = axisTicks(model.metres.left(), model.metres.right(), 5);
    model.yTicks = axisTicks(model.metres.top(), model.metres.bottom(), 5);
    // A map without drawdown still has its level: the zero plane, marked 0.
    model.zTicks
        = field.deepest > 0.0 ? axisTicks(-field.deepest, 0.0, 4) : std::vector<double> { 0.0 };
    model.meshShown = meshShown;
    model.zonesFilled = zonesFilled;
    return model;
}

void placeWells(SurfaceModel& model, const SampledField& field, std::vector<WellMarker> wells)
{
    const SampledField shown = withArea(field);
    model.wells.clear();
    model.wellDrawdowns.clear();
    for (WellMarker& well : wells) {
        if (!model.metres.adjusted(-1e-9, -1e-9, 1e-9, 1e-9)
                 .contains(QPointF(well.xMetres, well.yMetres)))
            continue; // beyond the map
        const int i = std::clamp(
            static_cast<int>(std::lround((well.xMetres - shown.xFirst) / shown.xSpacing)), 0,
            shown.columns - 1);
        const int j = std::clamp(
            static_cast<int>(std::lround((well.yMetres - shown.yFirst) / shown.ySpacing)), 0,
            shown.rows - 1);
        const double drawdown = shown.at(i, j);
        model.wellDrawdowns.push_back(std::isnan(drawdown) ? 0.0 : drawdown);
        model.wells.push_back(std::move(well));
    }
}

SurfaceProjection projectSurface(const SurfaceModel& model, const ViewAngles& angles)
{
    SurfaceProjection projection;
    projection.angles = angles;
    projection.scale = model.scale;
    projection.meshShown = model.meshShown;
    const Matrix view = viewMatrix(angles);
    const double hx = model.halfWidth, hy = model.halfHeight, floor = -model.depth;

    // The box: its corners, then its walls; a wall whose outward normal points away from the
    // viewer is drawn behind the surface. The top (the zero plane) is the surface's own.
    std::array<QVector3D, 8> corners;
    for (int c = 0; c < 8; ++c)
        corners[static_cast<std::size_t>(c)]
            = view.apply(c & 1 ? hx : -hx, c & 2 ? hy : -hy, c & 4 ? 0.0 : floor);
    QRectF bounds;
    for (const QVector3D& corner : corners)
        bounds |= QRectF(onPicture(corner), QSizeF(1e-9, 1e-9));
    projection.bounds = bounds;
    const QVector3D centre = view.apply(0.0, 0.0, floor / 2.0);

    struct Wall {
        int axis; // normal along X (0), Y (1) or Z (2)
        double side; // -1 or +1
        std::array<int, 4> corners;
    };
    const std::array<Wall, 6> walls
        = { Wall { 0, -1, { 0, 2, 6, 4 } }, Wall { 0, 1, { 1, 3, 7, 5 } },
              Wall { 1, -1, { 0, 1, 5, 4 } }, Wall { 1, 1, { 2, 3, 7, 6 } },
              Wall { 2, -1, { 0, 1, 3, 2 } }, Wall { 2, 1, { 4, 5, 7, 6 } } };
    std::array<bool, 6> isBack {};
    for (std::size_t w = 0; w < walls.size(); ++w) {
        const Wall& wall = walls[w];
        QVector3D normal = view.apply(wall.axis == 0 ? wall.side : 0.0,
            wall.axis == 1 ? wall.side : 0.0, wall.axis == 2 ? wall.side : 0.0);
        isBack[w] = normal.z() < 0.0f;
        if (!isBack[w] || (wall.axis == 2 && wall.side > 0))
            continue;
        SurfaceProjection::Face pane;
        for (std::size_t k = 0; k < 4; ++k)
            pane.corners[k] = onPicture(corners[static_cast<std::size_t>(wall.corners[k])]);
        pane.fill = QColor(0xf3, 0xf3, 0xf3);
        projection.panes.push_back(pane);
    }

    // Ticks go on the box's outline: per axis, on the edge between a wall behind and a wall in
    // front that lies lowest (X, Y) or leftmost (Z) on the picture.
    struct Edge {
        int axis; // direction of the edge
        std::array<double, 2> fixed; // the other two coordinates' sides (-1 or +1)
        std::array<int, 2> walls; // the two walls that meet there
    };
    auto wallIndex = [](int axis, double side) { return axis * 2 + (side > 0 ? 1 : 0); };
    auto modelPoint = [&](int axis, double along, const std::array<double, 2>& fixed) {
        // along is in model units on the edge's axis; fixed sides pick the other coordinates.
        std::array<double, 3> p {};
        std::array<double, 3> half = { hx, hy, 0.0 };
        p[static_cast<std::size_t>(axis)] = along;
        int o1 = (axis + 1) % 3, o2 = (axis + 2) % 3;
        for (auto [o, side] : { std::pair { o1, fixed[0] }, std::pair { o2, fixed[1] } })
            p[static_cast<std::size_t>(o)]
                = o == 2 ? (side > 0 ? 0.0 : floor) : side * half[static_cast<std::size_t>(o)];
        return view.apply(p[0], p[1], p[2]);
    };
    for (int axis = 0; axis < 3; ++axis) {
        int o1 = (axis + 1) % 3, o2 = (axis + 2) % 3;
        bool found = false;
        double bestScore = 0.0;
        std::array<double, 2> best {};
        for (double s1 : { -1.0, 1.0 })
            for (double s2 : { -1.0, 1.0 }) {
                bool back1 = isBack[static_cast<std::size_t>(wallIndex(o1, s1))];
                bool back2 = isBack[static_cast<std::size_t>(wallIndex(o2, s2))];
                if (back1 == back2)
                    continue; // not on the outline
                QPointF middle = onPicture(modelPoint(axis, 0.0, { s1, s2 }));
                double score = axis == 2 ? -middle.x() : middle.y();
                if (!found || score > bestScore) {
                    found = true;
                    bestScore = score;
                    best = { s1, s2 };
                }
            }
        if (!found)
            continue;
        const std::vector<double>& ticks = axis == 0 ? model.xTicks
            : axis == 1                              ? model.yTicks
                                                     : model.zTicks;
        QPointF middle = onPicture(modelPoint(axis, 0.0, best));
        QPointF away = middle - onPicture(centre);
        double length = std::hypot(away.x(), away.y());
        QPointF outward = length > 1e-9 ? away / length : QPointF(0, 1);
        for (std::size_t t = 0; t < ticks.size(); ++t) {
            const double tick = ticks[t];
            double along = axis == 0 ? toModel(tick, model.metres.left(), model.metres.right(), hx)
                : axis == 1          ? toModel(tick, model.metres.top(), model.metres.bottom(), hy)
                                     : model.z(-tick);
            QPointF at = onPicture(modelPoint(axis, along, best));
            projection.tickMarks.push_back({ at, at + outward * 0.03 });
            projection.tickLabels.push_back(
                { at + outward * 0.05, outward, tickLabel(tick), t == 0 || t + 1 == ticks.size() });
            // The same tick across the walls behind, as a light line.
            for (int w = 0; w < 6; ++w) {
                const Wall& wall = walls[static_cast<std::size_t>(w)];
                if (!isBack[static_cast<std::size_t>(w)] || wall.axis == axis
                    || (wall.axis == 2 && wall.side > 0))
                    continue;
                int other = 3 - axis - wall.axis;
                std::array<double, 3> a {}, b {};
                a[static_cast<std::size_t>(axis)] = b[static_cast<std::size_t>(axis)] = along;
                a[static_cast<std::size_t>(wall.axis)] = b[static_cast<std::size_t>(wall.axis)]
                    = wall.axis == 2 ? floor : wall.side * (wall.axis == 0 ? hx : hy);
                a[static_cast<std::size_t>(other)] = other == 2 ? floor : -(other == 0 ? hx : hy);
                b[static_cast<std::size_t>(other)] = other == 2 ? 0.0 : (other == 0 ? hx : hy);
                projection.paneLines.push_back({ onPicture(view.apply(a[0], a[1], a[2])),
                    onPicture(view.apply(b[0], b[1], b[2])) });
            }
        }
        const QString titles[] = { QStringLiteral("X (m)"), QStringLiteral("Y (m)"),
            QStringLiteral("Z (%1)").arg(model.scale.unit()) };
        projection.axisTitles.push_back({ middle + outward * 0.16, outward, titles[axis] });
    }
    // The wells: a stem from the surface under each up past the zero plane, labelled at its top.
    for (std::size_t w = 0; w < model.wells.size(); ++w) {
        const WellMarker& well = model.wells[w];
        const double x = toModel(well.xMetres, model.metres.left(), model.metres.right(), hx);
        const double y
            = toModel(well.yMetres, model.metres.top(), model.metres.bottom(), model.halfHeight);
        const QPointF base = onPicture(view.apply(x, y, model.z(model.wellDrawdowns[w])));
        const QPointF top = onPicture(view.apply(x, y, model.depth * 0.18));
        projection.wellStems.push_back({ base, top, well.observation });
        projection.wellLabels.push_back({ top, QPointF(0, -1), well.label });
    }
    // The boundaries: their stretches across the map, along the surface's edge there.
    auto drawdownNear = [&](const QPointF& metres) {
        const double u = model.columns > 1
            ? (metres.x() - model.metres.left()) / model.metres.width() * (model.columns - 1)
            : 0.0;
        const double v = model.rows > 1
            ? (metres.y() - model.metres.top()) / model.metres.height() * (model.rows - 1)
            : 0.0;
        // The valued sample nearest the point among the four around it.
        double best = 0.0, nearest = std::numeric_limits<double>::infinity();
        for (int dj = 0; dj < 2; ++dj)
            for (int di = 0; di < 2; ++di) {
                const int i
                    = std::clamp(static_cast<int>(std::floor(u)) + di, 0, model.columns - 1);
                const int j = std::clamp(static_cast<int>(std::floor(v)) + dj, 0, model.rows - 1);
                const double value = model.drawdowns[static_cast<std::size_t>(j)
                        * static_cast<std::size_t>(model.columns)
                    + static_cast<std::size_t>(i)];
                const double distance = std::hypot(u - i, v - j);
                if (!std::isnan(value) && distance < nearest) {
                    nearest = distance;
                    best = value;
                }
            }
        return best;
    };
    for (std::size_t b = 0; b < model.boundaries.size(); ++b) {
        const QLineF stretch = edgeOfAquifer(model.metres, model.boundaries, b);
        if (stretch.isNull())
            continue;
        SurfaceProjection::BoundaryStroke stroke;
        stroke.kind = model.boundaries[b].kind;
        constexpr int Steps = 160;
        for (int k = 0; k <= Steps; ++k) {
            const QPointF at = stretch.pointAt(static_cast<double>(k) / Steps);
            stroke.points << onPicture(
                view.apply(toModel(at.x(), model.metres.left(), model.metres.right(), hx),
                    toModel(at.y(), model.metres.top(), model.metres.bottom(), model.halfHeight),
                    model.z(drawdownNear(at))));
        }
        projection.boundaries.push_back(std::move(stroke));
    }
    for (const auto* labels :
        { &projection.tickLabels, &projection.axisTitles, &projection.wellLabels })
        for (const SurfaceProjection::Label& label : *labels)
            projection.bounds |= QRectF(label.at, QSizeF(1e-9, 1e-9));

    // The surface: one face per mesh cell, coloured by its mean drawdown, lit from the upper left.
    const QVector3D light = QVector3D(-0.35f, 0.8f, 0.55f).normalized();
    std::vector<QVector3D> vertices(
        static_cast<std::size_t>(model.columns) * static_cast<std::size_t>(model.rows));
    for (int j = 0; j < model.rows; ++j)
        for (int i = 0; i < model.columns; ++i) {
            std::size_t index
                = static_cast<std::size_t>(j) * static_cast<std::size_t>(model.columns)
                + static_cast<std::size_t>(i);
            vertices[index] = view.apply(model.xs[static_cast<std::size_t>(i)],
                model.ys[static_cast<std::size_t>(j)], model.z(model.drawdowns[index]));
        }
    struct Ordered {
        float depth;
        SurfaceProjection::Face face;
    };
    std::vector<Ordered> ordered;
    ordered.reserve(static_cast<std::size_t>(std::max(0, model.columns - 1))
        * static_cast<std::size_t>(std::max(0, model.rows - 1)));
    for (int j = 0; j + 1 < model.rows; ++j)
        for (int i = 0; i + 1 < model.columns; ++i) {
            const std::size_t c = static_cast<std::size_t>(model.columns);
            const std::size_t i00 = static_cast<std::size_t>(j) * c + static_cast<std::size_t>(i);
            const std::size_t indices[4] = { i00, i00 + 1, i00 + 1 + c, i00 + c };
            // No face where a corner is blank: beyond a boundary the surface stops.
            if (std::any_of(std::begin(indices), std::end(indices),
                    [&](std::size_t k) { return std::isnan(model.drawdowns[k]); }))
                continue;
            Ordered item;
            double drawdown = 0.0;
            item.depth = 0.0f;
            for (std::size_t k = 0; k < 4; ++k) {
                item.face.corners[k] = onPicture(vertices[indices[k]]);
                item.depth += vertices[indices[k]].z();
                drawdown += model.drawdowns[indices[k]];
            }
            QVector3D normal = QVector3D::crossProduct(vertices[indices[1]] - vertices[indices[0]],
                vertices[indices[3]] - vertices[indices[0]]);
            float brightness = normal.lengthSquared() > 0.0f
                ? std::abs(QVector3D::dotProduct(normal.normalized(), light))
                : 1.0f;
            QColor base = model.zonesFilled ? model.scale.smoothColourFor(drawdown / 4.0)
                                            : QColor(Qt::white);
            item.face.fill = shaded(base, 0.45 + 0.55 * brightness);
            ordered.push_back(item);
        }
    std::sort(ordered.begin(), ordered.end(),
        [](const Ordered& a, const Ordered& b) { return a.depth < b.depth; });
    projection.faces.reserve(ordered.size());
    for (Ordered& item : ordered)
        projection.faces.push_back(item.face);
    return projection;
}

SurfaceLayout surfaceLayout(
    const QPainter& painter, const QRectF& target, const SurfaceProjection& projection)
{
    SurfaceLayout layout;
    const QFontMetricsF metrics(chart_style::font(target), painter.device());
    const double line = metrics.height();
    const double legendWidth = colourLegendWidth(metrics, projection.scale);

    // Fit the box, with room around it for the labels, and keep its proportions.
    // The bounds hold the labels' anchors; the text itself runs outward from them.
    QRectF room = target.adjusted(line * 3.5, line * 1.5, -(legendWidth + line * 3.5), -line * 1.5);
    if (room.width() < 10 || room.height() < 10 || projection.bounds.isEmpty())
        return layout;
    double unit = std::min(
        room.width() / projection.bounds.width(), room.height() / projection.bounds.height());
    layout.toPicture = QTransform::fromTranslate(
                           -projection.bounds.center().x(), -projection.bounds.center().y())
        * QTransform::fromScale(unit, unit)
        * QTransform::fromTranslate(room.center().x(), room.center().y());
    layout.legendArea
        = QRectF(QPointF(target.right() - legendWidth - line * 0.5, target.top() + line),
            QPointF(target.right(), target.bottom() - line));

    // Labels are anchored on their side facing the box, so they never run into it; each stays
    // inside the picture and clear of the labels placed before it. A well's name too long for
    // its place is shortened, down to a few letters.
    std::vector<QRectF> taken = { layout.legendArea };
    auto place = [&](const SurfaceProjection::Label& label, bool boxed = false) {
        QPointF at = layout.toPicture.map(label.at);
        const double full = metrics.horizontalAdvance(label.text);
        for (double room = full; room >= std::min(full, line * 3.0); room *= 0.75) {
            const QString text
                = room >= full ? label.text : metrics.elidedText(label.text, Qt::ElideRight, room);
            const double width = metrics.horizontalAdvance(text);
            QPointF topLeft(at.x() - width / 2.0 * (1.0 - label.outward.x()),
                at.y() - metrics.height() / 2.0 * (1.0 - label.outward.y()));
            const QRectF box(topLeft, QSizeF(width, metrics.height()));
            const QRectF clear = box.adjusted(-line * 0.15, -line * 0.05, line * 0.15, line * 0.05);
            const bool free = target.contains(box)
                && std::none_of(taken.begin(), taken.end(),
                    [&](const QRectF& other) { return other.intersects(clear); });
            if (free) {
                taken.push_back(clear);
                layout.labels.push_back(
                    { text, box, QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), boxed });
                return;
            }
            if (!boxed)
                return;
        }
    };
    for (const SurfaceProjection::Label& label : projection.axisTitles)
        place(label);
    for (const SurfaceProjection::Label& label : projection.wellLabels)
        place(label, true);
    for (bool ends : { true, false })
        for (const SurfaceProjection::Label& label : projection.tickLabels)
            if (label.isEnd == ends)
                place(label);
    layout.fits = true;
    return layout;
}

void paintSurface(QPainter& painter, const QRectF& target, const SurfaceProjection& projection)
{
    painter.save();
    painter.fillRect(target, chart_style::Background);
    painter.setFont(chart_style::font(target));
    const SurfaceLayout layout = surfaceLayout(painter, target, projection);
    if (!layout.fits) {
        painter.restore();
        return;
    }
    const QTransform& toPicture = layout.toPicture;
    auto map = [&](const QPointF& p) { return toPicture.map(p); };

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 1.0));
    for (const SurfaceProjection::Face& pane : projection.panes) {
        painter.setBrush(pane.fill);
        QPointF points[4] = { map(pane.corners[0]), map(pane.corners[1]), map(pane.corners[2]),
            map(pane.corners[3]) };
        painter.drawPolygon(points, 4);
    }
    painter.setPen(QPen(QColor(0xd0, 0xd0, 0xd0), 1.0));
    for (const auto& segment : projection.paneLines)
        painter.drawLine(map(segment[0]), map(segment[1]));

    // Faces share their edges. Readers that antialias each polygon (vector files) would leave a
    // hairline seam between neighbours, so each face grows by a fraction of a pixel and overlaps
    // them; nearer faces are painted later and cover the overlap.
    constexpr double Overlap = 0.4; // px
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(projection.meshShown ? QPen(chart_style::Mesh, 0) : QPen(Qt::NoPen));
    for (const SurfaceProjection::Face& face : projection.faces) {
        painter.setBrush(face.fill);
        QPointF points[4];
        QPointF centre;
        for (std::size_t k = 0; k < 4; ++k) {
            points[k] = map(face.corners[k]);
            centre += points[k] / 4.0;
        }
        for (QPointF& point : points) {
            QPointF out = point - centre;
            double length = std::hypot(out.x(), out.y());
            if (length > 1e-9)
                point += out * (Overlap / length);
        }
        painter.drawPolygon(points, 4);
    }
    painter.setRenderHint(QPainter::Antialiasing, true);

    painter.setPen(QPen(chart_style::Ink, 1.0));
    for (const auto& mark : projection.tickMarks)
        painter.drawLine(map(mark[0]), map(mark[1]));
    for (const SurfaceProjection::BoundaryStroke& stroke : projection.boundaries) {
        QPen pen(stroke.kind == BoundaryKind::Recharge ? QColor(0x1f, 0x78, 0xb4)
                                                       : QColor(0x40, 0x40, 0x40),
            2.5);
        if (stroke.kind == BoundaryKind::Barrier)
            pen.setDashPattern({ 3.0, 1.2 });
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        QPolygonF points;
        for (const QPointF& point : stroke.points)
            points << map(point);
        painter.drawPolyline(points);
    }
    for (const SurfaceProjection::Stem& stem : projection.wellStems) {
        painter.setPen(QPen(chart_style::Ink, 1.6));
        painter.drawLine(map(stem.base), map(stem.top));
        painter.setBrush(Qt::white);
        if (stem.observation) {
            const QPointF top = map(stem.top);
            painter.drawPolygon(QPolygonF(
                { top + QPointF(-3.5, -3.5), top + QPointF(3.5, -3.5), top + QPointF(0, 2.5) }));
        } else {
            painter.drawEllipse(map(stem.top), 3.0, 3.0);
        }
    }
    for (const SurfaceLayout::PlacedLabel& label : layout.labels) {
        if (label.boxed)
            painter.fillRect(label.box.adjusted(-2, 0, 2, 0), chart_style::Background);
        painter.drawText(label.baseline, label.text);
    }
    paintColourLegend(painter, layout.legendArea, projection.scale);
    painter.restore();
}

} // namespace drawfield
