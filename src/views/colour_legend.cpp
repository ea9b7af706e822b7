#include "views/colour_legend.h"

#include "views/axis_ticks.h"
#include "views/chart_style.h"

#include <QFontMetricsF>
#include <QPainter>

namespace drawfield {
namespace {
    QString titleOf(const ColourScale& scale)
    {
        return QStringLiteral("Drawdown (%1)").arg(scale.unit());
    }
}

double colourLegendWidth(const QFontMetricsF& metrics, const ColourScale& scale)
{
    return std::max(metrics.horizontalAdvance(titleOf(scale)), metrics.height() * 4.5)
        + metrics.height();
}

double paintColourLegend(QPainter& painter, const QRectF& area, const ColourScale& scale)
{
    QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();
    painter.save();
    painter.setPen(QPen(chart_style::Ink, 1.0));
    painter.drawText(QPointF(area.left(), area.top() + metrics.ascent()), titleOf(scale));
    const int bands = scale.bandCount();
    const double boxTop = area.top() + line * 1.4;
    const double boxHeight = std::min(line * 1.6, (area.bottom() - boxTop) / bands);
    const double boxWidth = line * 1.3;
    for (int band = 0; band < bands; ++band) {
        QRectF box(area.left(), boxTop + band * boxHeight, boxWidth, boxHeight);
        painter.setBrush(scale.bandColour(band));
        painter.drawRect(box);
        QString label = band == 0 ? QStringLiteral("0")
                                  : tickLabel(scale.levels()[static_cast<std::size_t>(band - 1)]);
        painter.drawText(
            QPointF(box.right() + line * 0.3, box.top() + metrics.ascent() / 2.5), label);
    }
    painter.restore();
    return boxTop + bands * boxHeight;
}

} // namespace drawfield
