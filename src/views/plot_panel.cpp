#include "views/plot_panel.h"

#include "views/axis_ticks.h"
#include "views/chart_style.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace drawfield::plot {
namespace {

    const QColor SeriesColours[] = { QColor(0x00, 0x72, 0xb2), QColor(0xd5, 0x5e, 0x00),
        QColor(0x00, 0x9e, 0x73), QColor(0xcc, 0x79, 0xa7), QColor(0xe6, 0x9f, 0x00),
        QColor(0x56, 0xb4, 0xe9), QColor(0x20, 0x20, 0x20), QColor(0x88, 0x22, 0x55),
        QColor(0x11, 0x77, 0x33), QColor(0x99, 0x99, 0x99) };

    const QColor MarkColour = QColor(0x70, 0x70, 0x70);

} // namespace

const QColor& seriesColour(std::size_t index)
{
    return SeriesColours[index % std::size(SeriesColours)];
}

// Decades labelled, 2 to 9 times them as minor ticks; a span of less than two decades also
// labels 2 and 5 times them.
std::vector<Tick> logTicks(double low, double high)
{
    std::vector<Tick> ticks;
    const bool narrow = high - low < 2.0;
    for (int decade = static_cast<int>(std::floor(low)); decade <= std::ceil(high); ++decade)
        for (int m = 1; m <= 9; ++m) {
            const double value = m * std::pow(10.0, decade);
            const double at = std::log10(value);
            if (at < low - 1e-9 || at > high + 1e-9)
                continue;
            const bool labelled = m == 1 || (narrow && (m == 2 || m == 5));
            ticks.push_back({ at, labelled ? tickLabel(value) : QString() });
        }
    return ticks;
}

std::vector<Tick> linearTicks(double low, double high, int wanted)
{
    std::vector<Tick> ticks;
    for (double value : axisTicks(low, high, wanted))
        ticks.push_back({ value, tickLabel(value) });
    return ticks;
}

void paintPanel(QPainter& painter, const QRectF& area, const Panel& panel)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();
    const double tickLength = line * 0.35;
    double yLabelWidth = 0.0;
    for (const Tick& tick : panel.yTicks)
        yLabelWidth = std::max(yLabelWidth, metrics.horizontalAdvance(tick.label));
    const double legendWidth = panel.legendWidth;
    const QRectF plot = area.adjusted(yLabelWidth + line * 2.15, line * 1.6,
        -(legendWidth + line * (legendWidth > 0.0 ? 1.0 : 0.8)), -line * 2.6);
    if (plot.width() < 20 || plot.height() < 20)
        return;
    auto toPlot = [&](double x, double y) {
        const double f = (y - panel.yLow) / (panel.yHigh - panel.yLow);
        return QPointF(plot.left() + (x - panel.xLow) / (panel.xHigh - panel.xLow) * plot.width(),
            panel.yDown ? plot.top() + f * plot.height() : plot.bottom() - f * plot.height());
    };

    painter.setPen(chart_style::Ink);
    painter.drawText(QRectF(plot.left(), area.top(), plot.width(), line * 1.4),
        Qt::AlignLeft | Qt::AlignVCenter, panel.title);

    // Grid lines at the labelled ticks, then the marks, then the lines, then the frame.
    painter.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1.0));
    for (const Tick& tick : panel.xTicks)
        if (!tick.label.isEmpty())
            painter.drawLine(toPlot(tick.at, panel.yLow), toPlot(tick.at, panel.yHigh));
    for (const Tick& tick : panel.yTicks)
        if (!tick.label.isEmpty())
            painter.drawLine(toPlot(panel.xLow, tick.at), toPlot(panel.xHigh, tick.at));

    // The marks: a dashed line at each; their labels come over the series.
    for (const Mark& mark : panel.marks) {
        if (mark.at <= panel.xLow || mark.at >= panel.xHigh)
            continue;
        painter.setPen(QPen(MarkColour, 1.0, Qt::DashLine));
        painter.drawLine(toPlot(mark.at, panel.yLow), toPlot(mark.at, panel.yHigh));
    }

    painter.save();
    painter.setClipRect(plot.adjusted(-2, -2, 2, 2));
    for (const Series& series : panel.series) {
        if (series.style == Series::Style::Markers || series.style == Series::Style::OpenMarkers) {
            const double radius = line * 0.2;
            painter.setPen(QPen(series.colour, std::max(1.0, line / 12.0)));
            painter.setBrush(series.style == Series::Style::Markers ? QBrush(series.colour)
                                                                    : QBrush(Qt::NoBrush));
            for (const QPointF& point : series.points)
                if (std::isfinite(point.x()) && std::isfinite(point.y()))
                    painter.drawEllipse(toPlot(point.x(), point.y()), radius, radius);
            painter.setBrush(Qt::NoBrush);
            continue;
        }
        QPen pen(series.colour, std::max(1.6, line / 8.0),
            series.style == Series::Style::Dashed ? Qt::DashLine : Qt::SolidLine);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        QPolygonF run;
        auto flush = [&] {
            if (run.size() >= 2)
                painter.drawPolyline(run);
            else if (run.size() == 1)
                painter.drawPoint(run.front());
            run.clear();
        };
        for (const QPointF& point : series.points) {
            if (!std::isfinite(point.y()) || !std::isfinite(point.x())) {
                flush();
                continue;
            }
            run << toPlot(point.x(), point.y());
        }
        flush();
    }
    painter.restore();

    // Each mark's label runs up along its line inside the plot, on a light box so it reads
    // over the curves; one that would touch a label already drawn is left out.
    std::vector<QRectF> markLabels;
    for (const Mark& mark : panel.marks) {
        if (mark.at <= panel.xLow || mark.at >= panel.xHigh)
            continue;
        const QPointF top = toPlot(mark.at, panel.yDown ? panel.yLow : panel.yHigh);
        const QString& text = mark.label;
        const double width = metrics.horizontalAdvance(text);
        const QRectF footprint(
            top.x() - line * 1.05, top.y() + line * 0.2, line, width + line * 0.2);
        if (width + line > plot.height()
            || std::any_of(markLabels.begin(), markLabels.end(),
                [&](const QRectF& other) { return other.intersects(footprint); }))
            continue;
        markLabels.push_back(footprint);
        painter.fillRect(footprint, QColor(255, 255, 255, 200));
        painter.save();
        painter.setPen(MarkColour);
        painter.translate(top.x() - line * 0.25, top.y() + line * 0.3 + width);
        painter.rotate(-90);
        painter.drawText(QPointF(0, 0), text);
        painter.restore();
    }

    painter.setPen(QPen(chart_style::Ink, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    QRectF previous;
    for (const Tick& tick : panel.xTicks) {
        const QPointF at = QPointF(toPlot(tick.at, panel.yLow).x(), plot.bottom());
        const double length = tick.label.isEmpty() ? tickLength * 0.6 : tickLength;
        painter.drawLine(at, at + QPointF(0, length));
        if (tick.label.isEmpty())
            continue;
        const double width = metrics.horizontalAdvance(tick.label);
        const QRectF box(
            at.x() - width / 2.0 - line * 0.2, at.y() + tickLength, width + line * 0.4, line);
        if (!previous.isNull() && previous.intersects(box))
            continue;
        previous = box;
        painter.drawText(box, Qt::AlignCenter, tick.label);
    }
    for (const Tick& tick : panel.yTicks) {
        const QPointF at = toPlot(panel.xLow, tick.at);
        painter.drawLine(at, at - QPointF(tick.label.isEmpty() ? tickLength * 0.6 : tickLength, 0));
        if (tick.label.isEmpty())
            continue;
        painter.drawText(QRectF(at.x() - tickLength - line * 0.15 - yLabelWidth,
                             at.y() - line / 2.0, yLabelWidth, line),
            Qt::AlignRight | Qt::AlignVCenter, tick.label);
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + tickLength + line, plot.width(), line),
        Qt::AlignCenter, panel.xTitle);
    // The axis title along the plot's height, shorter where the plot is too low for it.
    const QString yTitle = metrics.horizontalAdvance(panel.yTitle) <= plot.height()
        ? panel.yTitle
        : panel.shortYTitle;
    painter.save();
    painter.translate(area.left() + line * 0.2, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2.0, 0, plot.height(), line), Qt::AlignCenter, yTitle);
    painter.restore();

    std::vector<const Series*> named;
    for (const Series& series : panel.series)
        if (!series.name.isEmpty())
            named.push_back(&series);
    if (!named.empty() && legendWidth > 0.0) {
        // Every series has its entry: where the plot is too low for them all, the entries
        // take a smaller font.
        painter.save();
        QFont font = painter.font();
        const double wanted = line * 1.2 * static_cast<double>(named.size());
        if (wanted > plot.height())
            font.setPixelSize(std::max(
                1, static_cast<int>(std::floor(metrics.height() * plot.height() / wanted * 0.8))));
        painter.setFont(font);
        const QFontMetricsF entryMetrics(font, painter.device());
        const double entry = entryMetrics.height();
        double y = plot.top() + entry * 0.2;
        const double x = plot.right() + line * 0.8;
        for (const Series* series : named) {
            const QPointF middle(x + line * 0.7, y + entry / 2.0);
            if (series->style == Series::Style::Markers
                || series->style == Series::Style::OpenMarkers) {
                painter.setPen(QPen(series->colour, std::max(1.0, entry / 12.0)));
                painter.setBrush(series->style == Series::Style::Markers ? QBrush(series->colour)
                                                                         : QBrush(Qt::NoBrush));
                painter.drawEllipse(middle, entry * 0.2, entry * 0.2);
                painter.setBrush(Qt::NoBrush);
            } else {
                painter.setPen(QPen(series->colour, std::max(1.6, entry / 8.0),
                    series->style == Series::Style::Dashed ? Qt::DashLine : Qt::SolidLine));
                painter.drawLine(
                    QPointF(x, y + entry / 2.0), QPointF(x + line * 1.4, y + entry / 2.0));
            }
            painter.setPen(chart_style::Ink);
            painter.drawText(QRectF(x + line * 1.8, y, legendWidth - line * 1.8, entry),
                Qt::AlignLeft | Qt::AlignVCenter,
                entryMetrics.elidedText(series->name, Qt::ElideRight, legendWidth - line * 1.8));
            y += entry * 1.2;
        }
        painter.restore();
    }
}

} // namespace drawfield::plot
