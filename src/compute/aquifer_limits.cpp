#include "compute/aquifer_limits.h"

#include <algorithm>

namespace drawfield {

AquiferLimits::AquiferLimits(std::vector<Boundary> boundaries, Point inside)
    : m_boundaries(std::move(boundaries))
    , m_inside(inside)
{
    for (const Boundary& boundary : m_boundaries) {
        m_lines.push_back(boundary.line());
        // A run keeps bore 1 off every line; a point on one takes its left as the aquifer.
        m_keep.push_back(m_lines.back().side(inside.X, inside.Y) < 0 ? -1.0 : 1.0);
    }
}

AquiferLimits::AquiferLimits(const ScenarioInputs& inputs)
    : AquiferLimits(inputs.Boundaries, { double(inputs.Wells[0].X), double(inputs.Wells[0].Y) })
{
}

bool AquiferLimits::contains(double x, double y) const
{
    return isInAquifer(m_boundaries, m_inside, x, y);
}

double AquiferLimits::depth(std::size_t b, double x, double y) const noexcept
{
    return m_lines[b].signedDistance(x, y) * m_keep[b];
}

std::vector<Point> AquiferLimits::within(double xMin, double yMin, double xMax, double yMax) const
{
    std::vector<Point> polygon { { xMin, yMin }, { xMax, yMin }, { xMax, yMax }, { xMin, yMax } };
    // Each line cuts off what lies beyond it (Sutherland and Hodgman's clipping).
    for (std::size_t b = 0; b < m_lines.size(); ++b) {
        const StraightLine& line = m_lines[b];
        auto kept = [&](const Point& p) { return line.side(p.X, p.Y) * m_keep[b] >= 0; };
        std::vector<Point> cut;
        for (std::size_t i = 0; i < polygon.size(); ++i) {
            const Point& a = polygon[i];
            const Point& c = polygon[(i + 1) % polygon.size()];
            if (kept(a))
                cut.push_back(a);
            if (kept(a) != kept(c) && line.side(a.X, a.Y) != 0 && line.side(c.X, c.Y) != 0) {
                const double da = line.signedDistance(a.X, a.Y);
                const double dc = line.signedDistance(c.X, c.Y);
                const double t = da / (da - dc);
                cut.push_back({ a.X + t * (c.X - a.X), a.Y + t * (c.Y - a.Y) });
            }
        }
        polygon = std::move(cut);
    }
    return polygon.size() >= 3 ? polygon : std::vector<Point> {};
}

std::optional<StraightLine::Segment> AquiferLimits::edge(
    std::size_t b, double xMin, double yMin, double xMax, double yMax) const
{
    std::optional<StraightLine::Segment> across = m_lines[b].within(xMin, yMin, xMax, yMax);
    // Cut by the others only: rounding may put the line's own points a hair beyond it.
    for (std::size_t other = 0; across && other < m_lines.size(); ++other) {
        if (other == b)
            continue;
        const double a = depth(other, across->from.X, across->from.Y);
        const double z = depth(other, across->to.X, across->to.Y);
        if (a < 0 && z < 0)
            across.reset();
        else if (a < 0 || z < 0) {
            const double t = a / (a - z);
            const Point at { across->from.X + t * (across->to.X - across->from.X),
                across->from.Y + t * (across->to.Y - across->from.Y) };
            (a < 0 ? across->from : across->to) = at;
        }
    }
    return across;
}

std::vector<std::vector<Point>> AquiferLimits::clip(const std::vector<Point>& polyline) const
{
    if (m_lines.empty())
        return { polyline };
    std::vector<std::vector<Point>> pieces;
    std::vector<Point> piece;
    auto finish = [&] {
        if (piece.size() >= 2)
            pieces.push_back(piece);
        piece.clear();
    };
    auto along = [](const Point& a, const Point& c, double t) {
        return Point { a.X + (c.X - a.X) * t, a.Y + (c.Y - a.Y) * t };
    };
    for (std::size_t i = 0; i + 1 < polyline.size(); ++i) {
        const Point a = polyline[i], c = polyline[i + 1];
        // The part of the segment a-c on the aquifer's side of every line: [low, high] of it.
        double low = 0.0, high = 1.0;
        for (std::size_t b = 0; b < m_lines.size(); ++b) {
            const double sa = depth(b, a.X, a.Y), sc = depth(b, c.X, c.Y);
            if (sa < 0.0 && sc < 0.0)
                high = -1.0;
            else if (sa < 0.0)
                low = std::max(low, sa / (sa - sc));
            else if (sc < 0.0)
                high = std::min(high, sa / (sa - sc));
        }
        if (low > high) {
            finish();
            continue;
        }
        if (piece.empty() || low > 0.0) {
            finish();
            piece.push_back(along(a, c, low));
        }
        piece.push_back(along(a, c, high));
        if (high < 1.0)
            finish();
    }
    finish();
    return pieces;
}

AquiferLimits::Image AquiferLimits::imageInside(double x, double y) const
{
    Image image { { x, y } };
    for (std::size_t b = 0; b < m_lines.size(); ++b) {
        const double beyond = -depth(b, image.at.X, image.at.Y);
        if (beyond <= 0.0)
            continue;
        image.farthestBeyond = std::max(image.farthestBeyond, beyond);
        image.at = m_lines[b].mirror(image.at.X, image.at.Y);
        image.sign *= imageSign(m_boundaries[b].Kind);
    }
    return image;
}

} // namespace drawfield
