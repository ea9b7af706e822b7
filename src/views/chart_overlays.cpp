#include "views/chart_overlays.h"

#include "compute/aquifer_limits.h"
#include "compute/verdicts.h"
#include "views/contours.h"
#include "views/grid_sampling.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace drawfield {

std::vector<WellMarker> pumpingBores(const ScenarioInputs& inputs)
{
    std::vector<WellMarker> bores;
    for (std::size_t i = 0; i < inputs.Wells.size(); ++i)
        if (inputs.pumps(static_cast<int>(i)))
            bores.push_back(
                { static_cast<double>(inputs.Wells[i].X), static_cast<double>(inputs.Wells[i].Y),
                    QString::fromStdString(inputs.Wells[i].Name), false, static_cast<int>(i) });
    return bores;
}

namespace {

    // The limits the overlays draw, as compute knows them: bore 1 inside.
    AquiferLimits limitsOf(const std::vector<BoundaryOverlay>& boundaries)
    {
        std::vector<Boundary> lines;
        for (const BoundaryOverlay& boundary : boundaries)
            lines.push_back({ boundary.kind, boundary.line.x1(), boundary.line.y1(),
                boundary.line.x2(), boundary.line.y2() });
        const QPointF inside = boundaries.empty() ? QPointF() : boundaries.front().inside;
        return AquiferLimits(std::move(lines), { inside.x(), inside.y() });
    }

    QPointF toQt(const Point& point) { return { point.X, point.Y }; }

    QLineF toQt(const std::optional<StraightLine::Segment>& segment)
    {
        return segment ? QLineF(toQt(segment->from), toQt(segment->to)) : QLineF();
    }

    QPolygonF toQt(const std::vector<Point>& points)
    {
        QPolygonF polygon;
        for (const Point& point : points)
            polygon << toQt(point);
        return polygon;
    }

} // namespace

ChartOverlays chartOverlays(
    const ScenarioInputs& inputs, std::shared_ptr<const ValidityZone> validity)
{
    ChartOverlays overlays;
    overlays.wells = pumpingBores(inputs);
    for (std::size_t i = 0; i < inputs.Observations.size(); ++i) {
        const ObservationPoint& point = inputs.Observations[i];
        overlays.wells.push_back(
            { point.X, point.Y, QString::fromStdString(point.Name), true, static_cast<int>(i) });
    }
    const QPointF inside(inputs.Wells[0].X, inputs.Wells[0].Y);
    for (const Boundary& line : inputs.Boundaries)
        overlays.boundaries.push_back(
            { line.Kind, QLineF(line.X1, line.Y1, line.X2, line.Y2), inside });
    overlays.validity = std::move(validity);
    // A bore that runs dry or a limit passed is marked where it stands.
    const Verdicts verdicts = verdictsOf(inputs);
    for (WellMarker& marker : overlays.wells) {
        for (const BoreVerdict& bore : verdicts.bores)
            if (!marker.observation && marker.row == bore.bore)
                marker.failed = bore.runsDry();
        for (const PointVerdict& point : verdicts.points)
            if (marker.observation && marker.row == static_cast<int>(point.point))
                marker.failed = point.passed();
    }
    return overlays;
}

QPolygonF aquiferWithin(const QRectF& rect, const std::vector<BoundaryOverlay>& boundaries)
{
    return toQt(limitsOf(boundaries).within(rect.left(), rect.top(), rect.right(), rect.bottom()));
}

QLineF stretchAcross(const QRectF& rect, const BoundaryOverlay& boundary)
{
    return toQt(
        StraightLine(boundary.line.x1(), boundary.line.y1(), boundary.line.x2(), boundary.line.y2())
            .within(rect.left(), rect.top(), rect.right(), rect.bottom()));
}

QLineF edgeOfAquifer(
    const QRectF& rect, const std::vector<BoundaryOverlay>& boundaries, std::size_t which)
{
    return toQt(
        limitsOf(boundaries).edge(which, rect.left(), rect.top(), rect.right(), rect.bottom()));
}

std::vector<QPolygonF> clippedToAquifer(
    const QPolygonF& polyline, const std::vector<BoundaryOverlay>& boundaries)
{
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(polyline.size()));
    for (const QPointF& point : polyline)
        points.push_back({ point.x(), point.y() });
    std::vector<QPolygonF> pieces;
    for (const std::vector<Point>& piece : limitsOf(boundaries).clip(points))
        pieces.push_back(toQt(piece));
    return pieces;
}

SampledField continuedBeyondBoundaries(
    const SampledField& field, const std::vector<BoundaryOverlay>& boundaries)
{
    SampledField out = field;
    if (boundaries.empty() || field.columns < 1 || field.rows < 1)
        return out;
    const auto columns = static_cast<std::size_t>(field.columns);
    auto isBlank = [&](int i, int j) {
        return std::isnan(
            field.drawdowns[static_cast<std::size_t>(j) * columns + static_cast<std::size_t>(i)]);
    };
    // The field's drawdown at a point of the map: the mean of the valued samples of its cell.
    auto valueAt = [&](QPointF at) {
        const double u = field.columns > 1 ? (at.x() - field.xFirst) / field.xSpacing : 0.0;
        const double v = field.rows > 1 ? (at.y() - field.yFirst) / field.ySpacing : 0.0;
        if (!(u >= -0.5 && v >= -0.5 && u <= field.columns - 0.5 && v <= field.rows - 0.5))
            return std::numeric_limits<double>::quiet_NaN();
        const int i0 = std::clamp(static_cast<int>(std::floor(u)), 0, field.columns - 1);
        const int j0 = std::clamp(static_cast<int>(std::floor(v)), 0, field.rows - 1);
        const int i1 = std::min(i0 + 1, field.columns - 1), j1 = std::min(j0 + 1, field.rows - 1);
        const double fu = std::clamp(u - i0, 0.0, 1.0), fv = std::clamp(v - j0, 0.0, 1.0);
        double sum = 0.0, weights = 0.0;
        for (auto [i, j, w] : { std::tuple { i0, j0, (1 - fu) * (1 - fv) },
                 { i1, j0, fu * (1 - fv) }, { i0, j1, (1 - fu) * fv }, { i1, j1, fu * fv } })
            if (!isBlank(i, j) && w > 0.0) {
                sum += w * field.at(i, j);
                weights += w;
            }
        return weights > 0.0 ? sum / weights : std::numeric_limits<double>::quiet_NaN();
    };
    const AquiferLimits limits = limitsOf(boundaries);
    std::vector<std::pair<int, int>> unfilled;
    for (int j = 0; j < field.rows; ++j)
        for (int i = 0; i < field.columns; ++i) {
            if (!isBlank(i, j))
                continue;
            const AquiferLimits::Image image = limits.imageInside(field.x(i), field.y(j));
            const double value = valueAt(toQt(image.at));
            if (std::isnan(value))
                unfilled.emplace_back(i, j);
            else
                out.drawdowns[static_cast<std::size_t>(j) * columns + static_cast<std::size_t>(i)]
                    = image.sign * value;
        }
    // What is left takes its nearest filled neighbour's value, breadth first.
    auto outBlank = [&](int i, int j) {
        return std::isnan(
            out.drawdowns[static_cast<std::size_t>(j) * columns + static_cast<std::size_t>(i)]);
    };
    while (!unfilled.empty()) {
        std::vector<std::pair<int, int>> still;
        std::vector<std::pair<std::pair<int, int>, double>> found;
        for (auto [i, j] : unfilled) {
            double value = std::numeric_limits<double>::quiet_NaN();
            for (auto [di, dj] : { std::pair { -1, 0 }, { 1, 0 }, { 0, -1 }, { 0, 1 } }) {
                const int ni = i + di, nj = j + dj;
                if (ni >= 0 && nj >= 0 && ni < field.columns && nj < field.rows
                    && !outBlank(ni, nj)) {
                    value = out.at(ni, nj);
                    break;
                }
            }
            if (std::isnan(value))
                still.emplace_back(i, j);
            else
                found.push_back({ { i, j }, value });
        }
        if (found.empty())
            break; // nothing has a value: nothing to continue
        for (const auto& [node, value] : found)
            out.drawdowns[static_cast<std::size_t>(node.second) * columns
                + static_cast<std::size_t>(node.first)]
                = value;
        unfilled = std::move(still);
    }
    return out;
}

QPainterPath validityEdge(
    const SampledField& samples, const DrawdownGrid& grid, const ValidityZone& zone)
{
    QPainterPath edge;
    if (samples.columns < 2 || samples.rows < 2 || zone.columns < 1 || zone.rows < 1)
        return edge;
    // 1 where Cooper-Jacob holds at the zone's node nearest each sample, contoured half way: the
    // edge encloses what holds and nothing else (where it is off, and where there is too little
    // drawdown to judge, lie outside). A node not judged amid nodes that hold (a well's own node)
    // is no hole in the zone.
    auto holds = [&](int k, int m) {
        if (zone.holds(k, m))
            return true;
        if (zone.at(k, m) != ValidityZone::NotJudged)
            return false;
        for (auto [dk, dm] : { std::pair { -1, 0 }, { 1, 0 }, { 0, -1 }, { 0, 1 } }) {
            const int nk = k + dk, nm = m + dm;
            if (nk < 0 || nm < 0 || nk >= zone.columns || nm >= zone.rows || !zone.holds(nk, nm))
                return false;
        }
        return true;
    };
    SampledField off = samples;
    const double step = static_cast<double>(grid.nodeSpacing()) * zone.stride;
    for (int j = 0; j < samples.rows; ++j) {
        const int m = std::clamp(
            static_cast<int>(std::lround((samples.y(j) - grid.yMin()) / step)), 0, zone.rows - 1);
        for (int i = 0; i < samples.columns; ++i) {
            const int k
                = std::clamp(static_cast<int>(std::lround((samples.x(i) - grid.xMin()) / step)), 0,
                    zone.columns - 1);
            off.drawdowns[static_cast<std::size_t>(j) * static_cast<std::size_t>(samples.columns)
                + static_cast<std::size_t>(i)]
                = holds(k, m) ? 1.0 : 0.0;
        }
    }
    off.deepest = *std::max_element(off.drawdowns.begin(), off.drawdowns.end());
    off.shallowest = *std::min_element(off.drawdowns.begin(), off.drawdowns.end());
    if (off.deepest == off.shallowest)
        return edge; // all on one side: no edge on this map
    const QRectF map(QPointF(samples.xFirst, samples.yFirst),
        QPointF(samples.x(samples.columns - 1), samples.y(samples.rows - 1)));
    for (const QPolygonF& line : contourLines(contourLoops(off, 0.5), map))
        edge.addPolygon(line);
    return edge;
}

} // namespace drawfield
