#include "compute/straight_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace drawfield {
namespace {

    // How far from the line a point may lie and still be on it: rounding of coordinates of this
    // size, with room for the rounding of typed decimals, never more than a millimetre.
    constexpr double RelativeRounding = 1e-9;
    constexpr double MostOnLineMetres = 1e-3;

} // namespace

StraightLine::StraightLine(double x1, double y1, double x2, double y2) noexcept
    : m_first { x1, y1 }
    , m_second { x2, y2 }
{
    double dx = x2 - x1, dy = y2 - y1;
    if (!std::isfinite(dx) || !std::isfinite(dy)) {
        // Points near the ends of the doubles: their halves differ without overflow.
        dx = x2 / 2 - x1 / 2;
        dy = y2 / 2 - y1 / 2;
    }
    // Scaled by a power of two, which changes no bit of any result but keeps squares finite.
    int exponent = 0;
    std::frexp(std::max(std::fabs(dx), std::fabs(dy)), &exponent);
    m_dx = std::ldexp(dx, 1 - exponent);
    m_dy = std::ldexp(dy, 1 - exponent);
}

const Point& StraightLine::baseNear(double x, double y) const noexcept
{
    const double first = std::fabs(x - m_first.X) + std::fabs(y - m_first.Y);
    const double second = std::fabs(x - m_second.X) + std::fabs(y - m_second.Y);
    return second < first ? m_second : m_first;
}

double StraightLine::signedDistance(double x, double y) const noexcept
{
    const Point& base = baseNear(x, y);
    return (m_dx * (y - base.Y) - m_dy * (x - base.X)) / std::hypot(m_dx, m_dy);
}

int StraightLine::side(double x, double y) const noexcept
{
    const Point& base = baseNear(x, y);
    const double distance = signedDistance(x, y);
    const double scale = std::max(
        { 1.0, std::fabs(x), std::fabs(y), std::fabs(base.X), std::fabs(base.Y) });
    if (std::fabs(distance) <= std::min(MostOnLineMetres, RelativeRounding * scale))
        return 0;
    return distance > 0.0 ? 1 : -1;
}

Point StraightLine::mirror(double x, double y) const noexcept
{
    // Lines parallel to an axis mirror exactly, which keeps images of lattice bores on the lattice.
    if (m_dx == 0.0)
        return { 2.0 * m_first.X - x, y };
    if (m_dy == 0.0)
        return { x, 2.0 * m_first.Y - y };
    const Point& base = baseNear(x, y);
    const double t = ((x - base.X) * m_dx + (y - base.Y) * m_dy) / (m_dx * m_dx + m_dy * m_dy);
    const double footX = base.X + t * m_dx, footY = base.Y + t * m_dy;
    return { 2.0 * footX - x, 2.0 * footY - y };
}

std::optional<double> StraightLine::xAt(double y) const noexcept
{
    if (m_dy == 0.0)
        return std::nullopt;
    const Point& base = std::fabs(y - m_second.Y) < std::fabs(y - m_first.Y) ? m_second : m_first;
    return base.X + m_dx * ((y - base.Y) / m_dy);
}

std::optional<StraightLine::Segment> StraightLine::within(
    double xMin, double yMin, double xMax, double yMax) const noexcept
{
    const Point& base = baseNear((xMin + xMax) / 2, (yMin + yMax) / 2);
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    // Keeps the parameters t with p t <= q.
    auto clip = [&](double p, double q) {
        if (p == 0.0)
            return q >= 0.0;
        const double t = q / p;
        if (p < 0.0)
            low = std::max(low, t);
        else
            high = std::min(high, t);
        return low <= high;
    };
    if (!(clip(-m_dx, base.X - xMin) && clip(m_dx, xMax - base.X) && clip(-m_dy, base.Y - yMin)
            && clip(m_dy, yMax - base.Y))
        || !std::isfinite(low) || !std::isfinite(high))
        return std::nullopt;
    auto at = [&](double t) {
        return Point { std::clamp(base.X + t * m_dx, xMin, xMax),
            std::clamp(base.Y + t * m_dy, yMin, yMax) };
    };
    return Segment { at(low), at(high) };
}

Point StraightLine::direction() const noexcept
{
    const double length = std::hypot(m_dx, m_dy);
    return { m_dx / length, m_dy / length };
}

} // namespace drawfield
