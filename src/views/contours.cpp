#include "views/contours.h"

#include <algorithm>
#include <array>

namespace drawfield {
namespace {

    // The field ringed by samples without drawdown that sit on the edge itself: the cells between
    // them and the edge have no width, so a region reaching the edge is closed along it.
    class PaddedField {
    public:
        explicit PaddedField(const SampledField& field)
            : m_field(field)
        {
        }
        [[nodiscard]] int columns() const { return m_field.columns + 2; }
        [[nodiscard]] int rows() const { return m_field.rows + 2; }
        [[nodiscard]] double value(int i, int j) const
        {
            if (i == 0 || j == 0 || i == columns() - 1 || j == rows() - 1)
                return -1.0; // below every level
            return m_field.at(i - 1, j - 1);
        }
        [[nodiscard]] double x(int i) const
        {
            return m_field.x(std::clamp(i - 1, 0, m_field.columns - 1));
        }
        [[nodiscard]] double y(int j) const
        {
            return m_field.y(std::clamp(j - 1, 0, m_field.rows - 1));
        }

    private:
        const SampledField& m_field;
    };

    constexpr int NoSegment = -1;

} // namespace

std::vector<QPolygonF> contourLoops(const SampledField& field, double level)
{
    std::vector<QPolygonF> loops;
    if (field.columns < 1 || field.rows < 1 || !(field.deepest >= level))
        return loops;
    const PaddedField padded(field);
    const int columns = padded.columns(), rows = padded.rows();

    // Edges are numbered: horizontal edge (i, j)-(i+1, j) is j * (columns - 1) + i; vertical edge
    // (i, j)-(i, j+1) comes after all horizontal ones.
    const int horizontalEdges = (columns - 1) * rows;
    auto horizontal = [&](int i, int j) { return j * (columns - 1) + i; };
    auto vertical = [&](int i, int j) { return horizontalEdges + j * columns + i; };
    const int edgeCount = horizontalEdges + columns * (rows - 1);

    auto crossing = [&](int edge) {
        if (edge < horizontalEdges) {
            int j = edge / (columns - 1), i = edge % (columns - 1);
            double a = padded.value(i, j), b = padded.value(i + 1, j);
            double t = (level - a) / (b - a);
            return QPointF(padded.x(i) + t * (padded.x(i + 1) - padded.x(i)), padded.y(j));
        }
        edge -= horizontalEdges;
        int j = edge / columns, i = edge % columns;
        double a = padded.value(i, j), b = padded.value(i, j + 1);
        double t = (level - a) / (b - a);
        return QPointF(padded.x(i), padded.y(j) + t * (padded.y(j + 1) - padded.y(j)));
    };

    // Each crossed edge joins exactly two segments; record both, then walk the loops.
    std::vector<std::array<int, 2>> segments;
    std::vector<std::array<int, 2>> segmentsAtEdge(
        static_cast<std::size_t>(edgeCount), { NoSegment, NoSegment });
    auto addSegment = [&](int edgeA, int edgeB) {
        int index = static_cast<int>(segments.size());
        segments.push_back({ edgeA, edgeB });
        for (int edge : { edgeA, edgeB }) {
            auto& owners = segmentsAtEdge[static_cast<std::size_t>(edge)];
            owners[owners[0] == NoSegment ? 0 : 1] = index;
        }
    };

    for (int j = 0; j + 1 < rows; ++j) {
        for (int i = 0; i + 1 < columns; ++i) {
            const double v00 = padded.value(i, j), v10 = padded.value(i + 1, j);
            const double v11 = padded.value(i + 1, j + 1), v01 = padded.value(i, j + 1);
            const int inside = (v00 >= level ? 1 : 0) | (v10 >= level ? 2 : 0)
                | (v11 >= level ? 4 : 0) | (v01 >= level ? 8 : 0);
            const int bottom = horizontal(i, j), top = horizontal(i, j + 1);
            const int left = vertical(i, j), right = vertical(i + 1, j);
            switch (inside) {
            case 0:
            case 15:
                break;
            case 1:
            case 14:
                addSegment(left, bottom);
                break;
            case 2:
            case 13:
                addSegment(bottom, right);
                break;
            case 3:
            case 12:
                addSegment(left, right);
                break;
            case 4:
            case 11:
                addSegment(right, top);
                break;
            case 6:
            case 9:
                addSegment(bottom, top);
                break;
            case 7:
            case 8:
                addSegment(left, top);
                break;
            case 5:
            case 10: {
                // A saddle: the cell's mean decides whether the two inside corners connect.
                bool centreInside = (v00 + v10 + v11 + v01) / 4.0 >= level;
                bool cornersOneAndFourInside = inside == 5; // v00 and v11
                if (centreInside == cornersOneAndFourInside) {
                    addSegment(left, top);
                    addSegment(bottom, right);
                } else {
                    addSegment(left, bottom);
                    addSegment(right, top);
                }
                break;
            }
            }
        }
    }

    std::vector<bool> used(segments.size(), false);
    for (std::size_t start = 0; start < segments.size(); ++start) {
        if (used[start])
            continue;
        QPolygonF loop;
        int segment = static_cast<int>(start);
        int edge = segments[start][0];
        loop << crossing(edge);
        while (segment != NoSegment && !used[static_cast<std::size_t>(segment)]) {
            used[static_cast<std::size_t>(segment)] = true;
            const auto& ends = segments[static_cast<std::size_t>(segment)];
            edge = ends[0] == edge ? ends[1] : ends[0];
            loop << crossing(edge);
            const auto& next = segmentsAtEdge[static_cast<std::size_t>(edge)];
            segment = next[0] == segment ? next[1] : next[0];
        }
        loops.push_back(std::move(loop));
    }
    return loops;
}

std::vector<QPolygonF> contourLines(const std::vector<QPolygonF>& loops, const QRectF& map)
{
    auto alongEdge = [&](const QPointF& a, const QPointF& b) {
        return (a.x() == map.left() && b.x() == map.left())
            || (a.x() == map.right() && b.x() == map.right())
            || (a.y() == map.top() && b.y() == map.top())
            || (a.y() == map.bottom() && b.y() == map.bottom());
    };
    std::vector<QPolygonF> lines;
    for (const QPolygonF& loop : loops) {
        // Start the walk at an edge stretch when there is one, so no line is cut in two at the
        // loop's arbitrary first point.
        qsizetype count = loop.size() - 1; // the loop repeats its first point at the end
        qsizetype start = 0;
        for (qsizetype k = 0; k < count; ++k)
            if (alongEdge(loop[k], loop[k + 1])) {
                start = k + 1;
                break;
            }
        QPolygonF line;
        for (qsizetype n = 0; n < count; ++n) {
            const QPointF& a = loop[(start + n) % count];
            const QPointF& b = loop[(start + n + 1) % count];
            if (alongEdge(a, b)) {
                if (line.size() > 1)
                    lines.push_back(line);
                line.clear();
                continue;
            }
            if (line.isEmpty())
                line << a;
            line << b;
        }
        if (line.size() > 1)
            lines.push_back(line);
    }
    return lines;
}

} // namespace drawfield
