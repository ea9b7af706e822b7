#include "views/wmf_records.h"

#include <QRectF>

#include <algorithm>
#include <cmath>

namespace drawfield {

std::uint32_t colourRef(const QColor& colour)
{
    double a = colour.alphaF();
    auto channel
        = [a](int c) { return static_cast<std::uint32_t>(std::lround(c * a + 255.0 * (1.0 - a))); };
    return channel(colour.red()) | (channel(colour.green()) << 8) | (channel(colour.blue()) << 16);
}

std::int16_t clampWord(double value)
{
    return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

std::vector<std::vector<int>> nestingGroups(const QList<QPolygonF>& rings)
{
    const int count = static_cast<int>(rings.size());
    std::vector<QRectF> boxes;
    for (const QPolygonF& ring : rings)
        boxes.push_back(ring.boundingRect());
    std::vector<int> parent(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        parent[static_cast<std::size_t>(i)] = i;
    auto root = [&](int i) {
        while (parent[static_cast<std::size_t>(i)] != i)
            i = parent[static_cast<std::size_t>(i)]
                = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])];
        return i;
    };
    for (int a = 0; a < count; ++a)
        for (int b = a + 1; b < count; ++b) {
            const QRectF& p = boxes[static_cast<std::size_t>(a)];
            const QRectF& q = boxes[static_cast<std::size_t>(b)];
            if (p.intersects(q) || p.contains(q) || q.contains(p))
                parent[static_cast<std::size_t>(root(a))] = root(b);
        }
    std::vector<std::vector<int>> groups;
    std::vector<int> groupOfRoot(static_cast<std::size_t>(count), -1);
    for (int i = 0; i < count; ++i) {
        int& group = groupOfRoot[static_cast<std::size_t>(root(i))];
        if (group < 0) {
            group = static_cast<int>(groups.size());
            groups.emplace_back();
        }
        groups[static_cast<std::size_t>(group)].push_back(i);
    }
    return groups;
}

} // namespace drawfield
