#include "views/chart_overlays.h"

#include "views/contours.h"
#include "views/grid_sampling.h"

#include <algorithm>
#include <cmath>

namespace drawfield {

std::vector<WellMarker> pumpingBores(const ScenarioInputs& inputs)
{
    std::vector<WellMarker> bores;
    for (std::size_t i = 0; i < inputs.Wells.size(); ++i)
        if (inputs.Wells[i].Rate > 0.0)
            bores.push_back(
                { static_cast<double>(inputs.Wells[i].X), static_cast<double>(inputs.Wells[i].Y),
                    QStringLiteral("Bore %1").arg(static_cast<int>(i) + 1) });
    return bores;
}

QPainterPath validityEdge(
    const SampledField& samples, const DrawdownGrid& grid, const ValidityZone& zone)
{
    QPainterPath edge;
    if (samples.columns < 2 || samples.rows < 2 || zone.columns < 1 || zone.rows < 1)
        return edge;
    // 1 where Cooper-Jacob is off at the node nearest each sample, contoured half way.
    SampledField off = samples;
    const double step = grid.nodeSpacing();
    for (int j = 0; j < samples.rows; ++j) {
        const int m = std::clamp(
            static_cast<int>(std::lround((samples.y(j) - grid.yMin()) / step)), 0, zone.rows - 1);
        for (int i = 0; i < samples.columns; ++i) {
            const int k
                = std::clamp(static_cast<int>(std::lround((samples.x(i) - grid.xMin()) / step)), 0,
                    zone.columns - 1);
            off.drawdowns[static_cast<std::size_t>(j) * static_cast<std::size_t>(samples.columns)
                + static_cast<std::size_t>(i)]
                = zone.isOff(k, m) ? 1.0 : 0.0;
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
