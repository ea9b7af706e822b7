#pragma once

// A straight line through two distinct finite points, and what the boundaries need of it: which
// side a point lies on, the mirror image of a point, where the line crosses a row, the part of it
// inside a box. Written once for the engine, the observation points, the charts and the GIS files.
//
// Any two distinct finite points work, however far apart or far away (x 40, y 2e222 to x 41,
// y 60): the direction is kept scaled by a power of two, so nothing overflows, and each question is
// asked from the defining point nearer the point in question, so nothing cancels near the map.
// A point within rounding of the line lies on it: its distance is at most a billionth of the
// coordinates involved (and never more than a millimetre), so points of a line typed in decimals
// are on it, whatever the rounding of those decimals.

#include <optional>

namespace drawfield {

struct Point {
    double X = 0.0; // m
    double Y = 0.0; // m
    bool operator==(const Point&) const = default;
};

class StraightLine {
public:
    // Through (x1, y1) and (x2, y2), m: two distinct finite points.
    StraightLine(double x1, double y1, double x2, double y2) noexcept;

    // The distance of (x, y) from the line (m), positive to the left of the way from the first
    // point to the second, negative to its right.
    [[nodiscard]] double signedDistance(double x, double y) const noexcept;
    // +1 to the left, -1 to the right, 0 on the line (within rounding of it).
    [[nodiscard]] int side(double x, double y) const noexcept;
    // The mirror image of (x, y) across the line. Across a line parallel to an axis it is exact.
    [[nodiscard]] Point mirror(double x, double y) const noexcept;
    // X of the line's crossing of the horizontal at y; empty when the line is horizontal.
    [[nodiscard]] std::optional<double> xAt(double y) const noexcept;
    // The part of the line inside the box (bounds included); empty when it misses the box.
    struct Segment {
        Point from, to;
    };
    [[nodiscard]] std::optional<Segment> within(
        double xMin, double yMin, double xMax, double yMax) const noexcept;

    // The unit vector along the line, from the first point toward the second.
    [[nodiscard]] Point direction() const noexcept;

private:
    [[nodiscard]] const Point& baseNear(double x, double y) const noexcept;

    Point m_first, m_second;
    double m_dx, m_dy; // the direction, scaled by a power of two to lie in [1, 2) at most
};

} // namespace drawfield
