#include "views/map_geometry.h"

#include "views/axis_ticks.h"
#include "views/chart_style.h"
#include "views/colour_legend.h"
#include "views/contours.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>

namespace drawfield {

MapGeometry buildMapGeometry(const SampledField& sampled, bool meshShown, bool zonesFilled,
    const std::vector<BoundaryOverlay>& boundaries, const ColourScale* scale)
{
    MapGeometry map;
    // A map of one node still has its drawdown.
    const SampledField field = withArea(continuedBeyondBoundaries(sampled, boundaries));
    double xLast = field.x(field.columns - 1), yLast = field.y(field.rows - 1);
    map.metres = QRectF(QPointF(field.xFirst, field.yFirst), QPointF(xLast, yLast));
    map.aquifer = aquiferWithin(map.metres, boundaries);
    map.boundaries = boundaries;
    QPainterPath aquifer;
    aquifer.addPolygon(map.aquifer);
    aquifer.closeSubpath();

    map.scale
        = scale != nullptr ? *scale : ColourScale::forDrawdowns(field.shallowest, field.deepest);
    for (double level : map.scale.levels()) {
        std::vector<QPolygonF> loops = contourLoops(field, level);
        QPainterPath region;
        region.setFillRule(Qt::OddEvenFill);
        for (const QPolygonF& loop : loops) {
            region.addPolygon(loop);
            region.closeSubpath();
        }
        QPainterPath lines;
        for (const QPolygonF& line : contourLines(loops, map.metres))
            for (const QPolygonF& piece : clippedToAquifer(line, boundaries))
                lines.addPolygon(piece);
        if (!boundaries.empty())
            region = region.intersected(aquifer);
        map.regions.push_back(std::move(region));
        map.lines.push_back(std::move(lines));
    }
    if (meshShown) {
        for (int i = 0; i < field.columns; ++i)
            map.sampleXs.push_back(field.x(i));
        for (int j = 0; j < field.rows; ++j)
            map.sampleYs.push_back(field.y(j));
    }
    map.xTicks = axisTicks(map.metres.left(), map.metres.right(), 6);
    map.yTicks = axisTicks(map.metres.top(), map.metres.bottom(), 6);
    map.meshShown = meshShown;
    map.zonesFilled = zonesFilled;
    return map;
}

namespace {
    // An axis's label: a site's easting or northing whole (5699700, not 5.6997e+06).
    QString axisLabel(const MapGeometry& map, double value)
    {
        return map.siteAxes ? significantNumber(value, 12) : tickLabel(value);
    }
} // namespace

void setAxisOrigin(MapGeometry& map, QPointF origin)
{
    map.axisOrigin = origin;
    map.siteAxes = true;
    auto shifted = [](double low, double high, double by) {
        std::vector<double> ticks = axisTicks(low + by, high + by, 6);
        for (double& tick : ticks)
            tick -= by;
        return ticks;
    };
    map.xTicks = shifted(map.metres.left(), map.metres.right(), origin.x());
    map.yTicks = shifted(map.metres.top(), map.metres.bottom(), origin.y());
}

MapLayout mapLayout(const QPaintDevice* device, const QRectF& target, const MapGeometry& map)
{
    const QFontMetricsF metrics(chart_style::font(target), const_cast<QPaintDevice*>(device));
    const double line = metrics.height();
    // Room for the Y labels, the X labels and the colour scale, then the largest plot at equal
    // scale.
    double yLabelWidth = 0.0;
    for (double tick : map.yTicks)
        yLabelWidth = std::max(
            yLabelWidth, metrics.horizontalAdvance(axisLabel(map, tick + map.axisOrigin.y())));
    // The top keeps the window's save button (315 twips high, laid over the chart's corner) and
    // a little more free: the top Y label stands clear of it.
    constexpr double SaveButtonInches = 315.0 / 1440.0;
    const double top = std::max(
        line * 2.2, SaveButtonInches * (device ? device->logicalDpiY() : 96) + line * 0.8);
    const double legendRoom
        = map.colourScaleShown ? colourLegendWidth(metrics, map.scale) + line * 1.5 : line;
    QRectF room = target.adjusted(yLabelWidth + line * 2.15, top, -legendRoom, -(line * 2.8));
    MapLayout layout;
    if (room.width() < 10 || room.height() < 10)
        return layout;
    double unit = std::min(room.width() / map.metres.width(), room.height() / map.metres.height());
    QSizeF plotSize(map.metres.width() * unit, map.metres.height() * unit);
    layout.plot = QRectF(QPointF(room.left() + (room.width() - plotSize.width()) / 2.0,
                             room.top() + (room.height() - plotSize.height()) / 2.0),
        plotSize);
    // Y grows upward on the map, downward in the picture.
    layout.fromMetres = QTransform::fromTranslate(-map.metres.left(), -map.metres.bottom())
        * QTransform::fromScale(unit, -unit)
        * QTransform::fromTranslate(layout.plot.left(), layout.plot.top());
    layout.fits = true;
    return layout;
}

namespace {

    QPen ValidityPen(double line)
    {
        QPen pen(QColor(0xb2, 0x18, 0x2b), std::max(1.2, line / 9.0), Qt::DashLine);
        pen.setCapStyle(Qt::FlatCap);
        return pen;
    }

} // namespace

std::vector<WellLabel> wellLabels(const QRectF& plot, const QTransform& toPlot,
    const std::vector<WellMarker>& wells, const QFontMetricsF& metrics, double radius)
{
    {
        std::vector<WellLabel> labels;
        std::vector<QRectF> taken;
        std::vector<QPointF> places;
        for (const WellMarker& well : wells) {
            const QPointF at = toPlot.map(QPointF(well.xMetres, well.yMetres));
            places.push_back(at);
            taken.emplace_back(at - QPointF(radius, radius * 1.1), QSizeF(2 * radius, 2 * radius));
        }
        const double gap = radius * 1.4, height = metrics.height();
        for (std::size_t i = 0; i < wells.size(); ++i) {
            const WellMarker& well = wells[i];
            const QPointF at = places[i];
            if (!plot.adjusted(-radius, -radius, radius, radius).contains(at))
                continue; // a well beyond the map's edge
            const double full = metrics.horizontalAdvance(well.label);
            bool placed = false;
            for (double room = full; !placed && room >= std::min(full, height * 3.0);
                 room *= 0.75) {
                const QString text = room >= full
                    ? well.label
                    : metrics.elidedText(well.label, Qt::ElideRight, room);
                const double width = metrics.horizontalAdvance(text) + 4.0;
                const QPointF corners[] = { { at.x() + gap, at.y() - gap - height },
                    { at.x() - gap - width, at.y() - gap - height }, { at.x() + gap, at.y() + gap },
                    { at.x() - gap - width, at.y() + gap }, { at.x() + gap, at.y() - height / 2.0 },
                    { at.x() - gap - width, at.y() - height / 2.0 } };
                for (const QPointF& corner : corners) {
                    const QRectF box(corner, QSizeF(width, height));
                    if (!plot.contains(box)
                        || std::any_of(taken.begin(), taken.end(),
                            [&](const QRectF& other) { return other.intersects(box); }))
                        continue;
                    labels.push_back({ at, box, text, well.observation, well.failed });
                    taken.push_back(box);
                    placed = true;
                    break;
                }
                if (full <= height * 3.0)
                    break;
            }
            if (!placed)
                labels.push_back({ at, QRectF(), QString(), well.observation, well.failed });
        }
        return labels;
    }
}

namespace {

    // An observation point's marker: a triangle standing on its point, as a piezometer is drawn.
    QPolygonF observationMarker(const QPointF& at, double radius)
    {
        return QPolygonF({ at + QPointF(-radius, -radius * 1.1),
            at + QPointF(radius, -radius * 1.1), at + QPointF(0, radius * 0.6) });
    }

    // Each well is a ringed dot at its true position, each observation point a triangle, labelled
    // on a white box beside it.
    void paintWells(QPainter& painter, const std::vector<WellLabel>& wells, double radius)
    {
        // Red: a bore that runs dry, a point whose limit is passed.
        const QColor alarm(215, 25, 28);
        for (const WellLabel& well : wells) {
            const QColor ink = well.failed ? alarm : chart_style::Ink;
            painter.setPen(QPen(ink, well.failed ? 2.0 : 1.2));
            painter.setBrush(Qt::white);
            if (well.observation) {
                painter.drawPolygon(observationMarker(well.at, radius));
                painter.setBrush(ink);
                painter.drawEllipse(well.at, radius / 4.0, radius / 4.0);
            } else {
                painter.drawEllipse(well.at, radius, radius);
                painter.setBrush(ink);
                painter.drawEllipse(well.at, radius / 2.5, radius / 2.5);
            }
            if (well.box.isNull())
                continue;
            painter.fillRect(well.box, chart_style::Background);
            painter.setPen(ink);
            painter.drawText(well.box, Qt::AlignCenter, well.text);
        }
    }

    // Each contour line carries its level: at the middle of every line long enough to hold it
    // several times over, on a white box that breaks the line, unless it would touch the plot's
    // edge or another label.
    void paintContourLabels(QPainter& painter, const QRectF& plot, const QTransform& toPlot,
        const MapGeometry& map, std::vector<QRectF> taken)
    {
        painter.save();
        QFont font = painter.font();
        font.setPixelSize(std::max(8, static_cast<int>(font.pixelSize() * 0.85)));
        painter.setFont(font);
        const QFontMetricsF metrics(font, painter.device());
        const QRectF inside = plot.adjusted(2, 2, -2, -2);
        for (std::size_t k = 0; k < map.lines.size(); ++k) {
            const QString text = tickLabel(map.scale.levels()[k]);
            const double width = metrics.horizontalAdvance(text);
            for (const QPolygonF& line : toPlot.map(map.lines[k]).toSubpathPolygons()) {
                double length = 0.0;
                for (int i = 1; i < line.size(); ++i)
                    length += QLineF(line[i - 1], line[i]).length();
                if (length < width * 8.0)
                    continue;
                // The point half way along the line.
                double along = length / 2.0;
                QPointF at = line.front();
                for (int i = 1; i < line.size(); ++i) {
                    const QLineF piece(line[i - 1], line[i]);
                    if (along <= piece.length()) {
                        at = piece.pointAt(piece.length() > 0 ? along / piece.length() : 0.0);
                        break;
                    }
                    along -= piece.length();
                }
                const QRectF box(at.x() - width / 2.0 - 2.0, at.y() - metrics.height() / 2.0,
                    width + 4.0, metrics.height());
                if (!inside.contains(box)
                    || std::any_of(taken.begin(), taken.end(),
                        [&](const QRectF& other) { return other.intersects(box); }))
                    continue;
                taken.push_back(box);
                painter.fillRect(box, chart_style::Background);
                painter.setPen(chart_style::Ink);
                painter.drawText(box, Qt::AlignCenter, text);
            }
        }
        painter.restore();
    }

    // A boundary's stretch across the plot (picture units): a recharge line in blue, a barrier as
    // a dark line with short hatches on the side beyond the aquifer.
    void paintBoundary(QPainter& painter, const QLineF& stretch, const BoundaryOverlay& boundary,
        const QTransform& toPlot, double line)
    {
        painter.save();
        painter.setBrush(Qt::NoBrush);
        if (boundary.kind == BoundaryKind::Recharge) {
            QPen pen(QColor(0x1f, 0x78, 0xb4), std::max(2.5, line / 4.0));
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.drawLine(stretch);
            painter.restore();
            return;
        }
        QPen pen(QColor(0x40, 0x40, 0x40), std::max(2.0, line / 6.0));
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(stretch);
        // The hatches lean back along the line, on the side away from the aquifer.
        const QPointF inside = toPlot.map(boundary.inside);
        QPointF normal(-stretch.dy(), stretch.dx());
        const double length = std::hypot(normal.x(), normal.y());
        if (length > 0.0) {
            normal /= length;
            const QPointF toInside = inside - stretch.p1();
            if (normal.x() * toInside.x() + normal.y() * toInside.y() > 0.0)
                normal = -normal;
            const QPointF along = (stretch.p2() - stretch.p1()) / length;
            const double spacing = std::max(5.0, line * 0.55);
            const QPointF hatch = (normal - along * 0.7) * std::max(3.0, line * 0.4);
            pen.setWidthF(std::max(1.0, line / 12.0));
            painter.setPen(pen);
            for (double at = spacing / 2.0; at < length; at += spacing) {
                const QPointF from = stretch.p1() + along * at;
                painter.drawLine(from, from + hatch);
            }
        }
        painter.restore();
    }

} // namespace

void paintMap(QPainter& painter, const QRectF& target, const MapGeometry& map)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, !map.draft);
    painter.fillRect(target, chart_style::Background);
    const QFont font = chart_style::font(target);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const double line = metrics.height();
    const double tickLength = line * 0.35;
    const MapLayout layout = mapLayout(painter.device(), target, map);
    if (!layout.fits) {
        painter.restore();
        return;
    }
    const QRectF plot = layout.plot;
    const QTransform& toPlot = layout.fromMetres;
    double yLabelWidth = 0.0;
    for (double tick : map.yTicks)
        yLabelWidth = std::max(
            yLabelWidth, metrics.horizontalAdvance(axisLabel(map, tick + map.axisOrigin.y())));
    if (!map.title.isEmpty()) {
        // One line above the plot, cut with an ellipsis only where the picture is narrower.
        QFont bold = font;
        bold.setBold(true);
        painter.save();
        painter.setFont(bold);
        painter.setPen(chart_style::Ink);
        const QFontMetricsF boldMetrics(bold, painter.device());
        const QRectF room(plot.left(), plot.top() - line * 1.6, target.right() - plot.left(), line);
        painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
            boldMetrics.elidedText(map.title, Qt::ElideRight, room.width()));
        painter.restore();
    }

    painter.save();
    painter.setPen(Qt::NoPen);
    if (map.boundaries.empty()) {
        painter.fillRect(plot, map.zonesFilled ? map.scale.bandColour(0) : chart_style::Background);
    } else if (map.zonesFilled) {
        // Blank beyond the boundaries: only the aquifer has the first band.
        painter.setBrush(map.scale.bandColour(0));
        painter.drawPolygon(toPlot.map(map.aquifer));
    }
    if (map.zonesFilled) {
        for (std::size_t k = 0; k < map.regions.size(); ++k) {
            painter.setBrush(map.scale.bandColour(static_cast<int>(k) + 1));
            painter.drawPath(toPlot.map(map.regions[k]));
        }
    }
    painter.setBrush(Qt::NoBrush);
    if (map.meshShown) {
        painter.setPen(QPen(chart_style::Mesh, 0));
        for (double x : map.sampleXs)
            painter.drawLine(toPlot.map(QLineF(x, map.metres.top(), x, map.metres.bottom())));
        for (double y : map.sampleYs)
            painter.drawLine(toPlot.map(QLineF(map.metres.left(), y, map.metres.right(), y)));
    }
    painter.setPen(QPen(chart_style::ContourLine, std::max(1.0, line / 14.0)));
    for (const QPainterPath& lines : map.lines)
        painter.drawPath(toPlot.map(lines));
    for (std::size_t b = 0; b < map.boundaries.size(); ++b) {
        const QLineF edge = edgeOfAquifer(map.metres, map.boundaries, b);
        if (!edge.isNull())
            paintBoundary(painter, toPlot.map(edge), map.boundaries[b], toPlot, line);
    }
    // The wells' labels come first: contour labels keep clear of them.
    const double wellRadius = std::max(3.0, metrics.height() / 4.0);
    const std::vector<WellLabel> wells = wellLabels(plot, toPlot, map.wells, metrics, wellRadius);
    std::vector<QRectF> taken;
    for (const WellLabel& well : wells) {
        if (!well.box.isNull())
            taken.push_back(well.box);
        taken.emplace_back(
            well.at - QPointF(wellRadius, wellRadius), QSizeF(2 * wellRadius, 2 * wellRadius));
    }
    paintContourLabels(painter, plot, toPlot, map, taken);
    painter.setClipRect(plot.adjusted(-1, -1, 1, 1));
    if (!map.validityEdge.isEmpty()) {
        painter.setPen(ValidityPen(line));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(toPlot.map(map.validityEdge));
    }
    painter.setClipping(false);
    paintWells(painter, wells, wellRadius);
    painter.restore();

    painter.setPen(QPen(chart_style::Ink, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);

    // Axes: ticks and labels in metres, one routine for both; a label that would touch the one
    // before it on its axis is left out.
    auto drawAxis = [&](const std::vector<double>& ticks, bool horizontal) {
        QRectF previous;
        for (double tick : ticks) {
            QPointF at = toPlot.map(
                horizontal ? QPointF(tick, map.metres.top()) : QPointF(map.metres.left(), tick));
            QString label
                = axisLabel(map, tick + (horizontal ? map.axisOrigin.x() : map.axisOrigin.y()));
            double width = metrics.horizontalAdvance(label);
            QPointF baseline = horizontal
                ? QPointF(at.x() - width / 2.0, at.y() + tickLength + metrics.ascent())
                : QPointF(
                    at.x() - tickLength - width - line * 0.15, at.y() + metrics.ascent() / 2.5);
            painter.drawLine(
                at, at + (horizontal ? QPointF(0, tickLength) : QPointF(-tickLength, 0)));
            QRectF box(QPointF(baseline.x(), baseline.y() - metrics.ascent()),
                QSizeF(width, metrics.height()));
            box.adjust(-line * 0.2, 0, line * 0.2, 0);
            if (!previous.isNull() && previous.intersects(box))
                continue;
            previous = box;
            painter.drawText(baseline, label);
        }
    };
    drawAxis(map.xTicks, true);
    drawAxis(map.yTicks, false);
    const QString xTitle = map.siteAxes ? QStringLiteral("Easting (m)") : QStringLiteral("X (m)");
    const QString yTitle = map.siteAxes ? QStringLiteral("Northing (m)") : QStringLiteral("Y (m)");
    painter.drawText(QPointF(plot.center().x() - metrics.horizontalAdvance(xTitle) / 2.0,
                         plot.bottom() + tickLength + line + metrics.ascent()),
        xTitle);
    painter.save();
    painter.translate(plot.left() - tickLength - yLabelWidth - line * 0.6,
        plot.center().y() + metrics.horizontalAdvance(yTitle) / 2.0);
    painter.rotate(-90);
    painter.drawText(QPointF(0, 0), yTitle);
    painter.restore();

    if (map.colourScaleShown) {
        const QRectF legend(
            QPointF(plot.right() + line * 1.2, plot.top()), QPointF(target.right(), plot.bottom()));
        // An entry per kind of line on the map: a short stretch of it and what it means. Their
        // room is kept below the scale, whose boxes shrink for it: every entry is shown, whole.
        struct Entry {
            QString text;
            std::function<void(const QLineF&)> drawSample;
            double textHeight = 0.0;
        };
        std::vector<Entry> entries;
        if (!map.validityEdge.isEmpty())
            entries.push_back({ QStringLiteral("Cooper-Jacob within 1 % of Theis inside "
                                               "(judged where Theis gives 1 mm or more)"),
                [&](const QLineF& sample) {
                    painter.setPen(ValidityPen(line));
                    painter.drawLine(sample);
                } });
        for (BoundaryKind kind : BoundaryKinds) {
            const auto of = std::find_if(map.boundaries.begin(), map.boundaries.end(),
                [&](const BoundaryOverlay& b) { return b.kind == kind; });
            if (of == map.boundaries.end())
                continue;
            entries.push_back({ QStringLiteral("%1: %2").arg(QLatin1String(boundaryKindLabel(kind)),
                                    QLatin1String(boundaryKindMeaning(kind))),
                [&, of](const QLineF& sample) {
                    // Hatched above the stretch, clear of the text under it.
                    BoundaryOverlay shown = *of;
                    shown.inside = sample.p1() + QPointF(0, line);
                    paintBoundary(painter, sample, shown, QTransform(), line);
                } });
        }
        double entriesHeight = 0.0;
        for (Entry& entry : entries) {
            entry.textHeight = painter
                                   .boundingRect(QRectF(0, 0, legend.width(), 1e6),
                                       Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, entry.text)
                                   .height();
            entriesHeight += line * 1.5 + entry.textHeight;
        }
        double below = paintColourLegend(painter,
            QRectF(legend.topLeft(),
                QSizeF(legend.width(), std::max(line * 3.0, legend.height() - entriesHeight))),
            map.scale);
        for (const Entry& entry : entries) {
            // The sample clear of the scale above it, long enough to show what it draws.
            const double y = below + line * 1.2;
            entry.drawSample(QLineF(legend.left(), y, legend.left() + line * 2.4, y));
            painter.setPen(chart_style::Ink);
            const QRectF box(legend.left(), y + line * 0.3, legend.width(), entry.textHeight);
            painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, entry.text);
            below = box.bottom();
        }
    }
    painter.restore();
}

} // namespace drawfield
