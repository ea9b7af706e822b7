#pragma once

// The aquifer that straight boundaries leave: on the side of each line where a point inside it
// lies (bore 1), the lines themselves included. What the engine, the observation points, the
// charts and the GIS files ask of it is answered here once: whether a point is in it, the part of
// a box in it, the stretch of a line that bounds it, the pieces of a polyline in it, and the
// mirror image in it of a point beyond, with the sign the images of the wells give it.

#include "compute/inputs.h"
#include "compute/straight_line.h"

#include <optional>
#include <vector>

namespace drawfield {

class AquiferLimits {
public:
    AquiferLimits(std::vector<Boundary> boundaries, Point inside);
    explicit AquiferLimits(const ScenarioInputs& inputs);

    [[nodiscard]] const std::vector<Boundary>& boundaries() const noexcept { return m_boundaries; }
    [[nodiscard]] bool empty() const noexcept { return m_boundaries.empty(); }

    // Whether (x, y) is in the aquifer (isInAquifer).
    [[nodiscard]] bool contains(double x, double y) const;
    // How far (x, y) lies on the aquifer's side of boundary b's line, m: negative beyond it.
    [[nodiscard]] double depth(std::size_t b, double x, double y) const noexcept;

    // The part of the box (m) in the aquifer: a convex polygon, counter-clockwise; the box's
    // corners without boundaries; empty when the aquifer misses the box.
    [[nodiscard]] std::vector<Point> within(
        double xMin, double yMin, double xMax, double yMax) const;
    // The stretch of boundary b's line that bounds the aquifer within the box: its stretch
    // across the box, cut where it passes beyond another boundary; empty where there is none.
    [[nodiscard]] std::optional<StraightLine::Segment> edge(
        std::size_t b, double xMin, double yMin, double xMax, double yMax) const;
    // The pieces of a polyline in the aquifer, each ending on a line where it was cut.
    [[nodiscard]] std::vector<std::vector<Point>> clip(const std::vector<Point>& polyline) const;

    // A point beyond the boundaries taken into the aquifer: mirrored across each line it lies
    // beyond, in the boundaries' order (for perpendicular lines, either order gives the same
    // point), with the product of their image signs (+1 across a barrier, -1 across a recharge
    // line) and how far beyond a line it lay at most (m). A point in the aquifer stays.
    struct Image {
        Point at;
        double sign = 1.0;
        double farthestBeyond = 0.0;
    };
    [[nodiscard]] Image imageInside(double x, double y) const;

private:
    std::vector<Boundary> m_boundaries;
    Point m_inside;
    std::vector<StraightLine> m_lines;
    std::vector<double> m_keep; // +1 where the aquifer is to a line's left, -1 to its right
};

} // namespace drawfield
