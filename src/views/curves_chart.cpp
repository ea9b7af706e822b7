#include "views/curves_chart.h"

#include "views/axis_ticks.h"
#include "views/chart_style.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace drawfield {
namespace {

    // Ten colours told apart with the common colour-vision deficiencies, dark enough on white.
    const QColor SeriesColours[] = { QColor(0x00, 0x72, 0xb2), QColor(0xd5, 0x5e, 0x00),
        QColor(0x00, 0x9e, 0x73), QColor(0xcc, 0x79, 0xa7), QColor(0xe6, 0x9f, 0x00),
        QColor(0x56, 0xb4, 0xe9), QColor(0x20, 0x20, 0x20), QColor(0x88, 0x22, 0x55),
        QColor(0x11, 0x77, 0x33), QColor(0x99, 0x99, 0x99) };

    const QColor MarkColour = QColor(0x70, 0x70, 0x70);

    // A number as the titles write it: up to 6 significant digits.
    QString shortNumber(double value) { return QString::number(value, 'g', 6); }

    struct Tick {
        double at = 0.0; // axis units
        QString label; // empty: a minor tick
    };

    struct Series {
        QString name;
        QColor colour;
        std::vector<QPointF> points; // axis units; a NaN y breaks the line
    };

    struct Panel {
        QString title, xTitle, yTitle;
        double xLow = 0.0, xHigh = 1.0; // axis units
        double deepest = 1.0; // m at the bottom of the plot; 0 at its top
        std::vector<Tick> xTicks, yTicks;
        std::vector<Series> series;
        std::vector<ScheduleMark> marks; // on a log10-hours axis
        bool legend = false; // the series' names in the room at the right
        double legendWidth = 0.0; // room at the right of the plot, pixels
    };

    // The room the curves' legend takes: the same at the right of both panels, so their plots
    // line up.
    double legendRoom(const CurvesData& data, const QFontMetricsF& metrics, double width)
    {
        double room = 0.0;
        for (const std::string& name : data.curves.names)
            room = std::max(room,
                metrics.horizontalAdvance(QString::fromStdString(name)) + metrics.height() * 2.4);
        return std::min(room, width * 0.35);
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

    // 0 down to a round depth at or below the deepest value.
    std::vector<Tick> depthTicks(double deepest, double& bottom)
    {
        if (!(deepest > 0.0) || !std::isfinite(deepest))
            deepest = 1.0;
        std::vector<double> values = axisTicks(0.0, deepest, 5);
        if (values.size() < 2)
            values = { 0.0, deepest };
        const double step = values[1] - values[0];
        while (values.back() < deepest * (1.0 - 1e-12))
            values.push_back(values.back() + step);
        bottom = values.back();
        std::vector<Tick> ticks;
        for (double v : values)
            ticks.push_back({ v, tickLabel(v) });
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
            return QPointF(
                plot.left() + (x - panel.xLow) / (panel.xHigh - panel.xLow) * plot.width(),
                plot.top() + y / panel.deepest * plot.height());
        };

        painter.setPen(chart_style::Ink);
        painter.drawText(QRectF(plot.left(), area.top(), plot.width(), line * 1.4),
            Qt::AlignLeft | Qt::AlignVCenter, panel.title);

        // Grid lines at the labelled ticks, then the marks, then the lines, then the frame.
        painter.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1.0));
        for (const Tick& tick : panel.xTicks)
            if (!tick.label.isEmpty())
                painter.drawLine(toPlot(tick.at, 0.0), toPlot(tick.at, panel.deepest));
        for (const Tick& tick : panel.yTicks)
            painter.drawLine(toPlot(panel.xLow, tick.at), toPlot(panel.xHigh, tick.at));

        // The schedule's marks: a dashed line at each change; their labels come over the curves.
        for (const ScheduleMark& mark : panel.marks) {
            const double at = std::log10(mark.hours);
            if (at <= panel.xLow || at >= panel.xHigh)
                continue;
            painter.setPen(QPen(MarkColour, 1.0, Qt::DashLine));
            painter.drawLine(toPlot(at, 0.0), toPlot(at, panel.deepest));
        }

        painter.save();
        painter.setClipRect(plot.adjusted(-2, -2, 2, 2));
        for (const Series& series : panel.series) {
            QPen pen(series.colour, std::max(1.6, line / 8.0));
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
                if (std::isnan(point.y())) {
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
        for (const ScheduleMark& mark : panel.marks) {
            const double at = std::log10(mark.hours);
            if (at <= panel.xLow || at >= panel.xHigh)
                continue;
            const QPointF top = toPlot(at, 0.0);
            const QString text = QStringLiteral("Bore %1: %2 m3/h")
                                     .arg(mark.bore)
                                     .arg(shortNumber(mark.rateCubicMetresPerHour));
            const double width = metrics.horizontalAdvance(text);
            const QRectF footprint(top.x() - line * 1.05, top.y() + line * 0.2, line, width + line * 0.2);
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
            const QPointF at = toPlot(tick.at, panel.deepest);
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
            painter.drawLine(at, at - QPointF(tickLength, 0));
            painter.drawText(QRectF(at.x() - tickLength - line * 0.15 - yLabelWidth,
                                 at.y() - line / 2.0, yLabelWidth, line),
                Qt::AlignRight | Qt::AlignVCenter, tick.label);
        }
        painter.drawText(QRectF(plot.left(), plot.bottom() + tickLength + line, plot.width(), line),
            Qt::AlignCenter, panel.xTitle);
        // The axis title along the plot's height, shorter where the plot is too low for it.
        const QString yTitle = metrics.horizontalAdvance(panel.yTitle) <= plot.height()
            ? panel.yTitle
            : QStringLiteral("s (m)");
        painter.save();
        painter.translate(area.left() + line * 0.2, plot.center().y());
        painter.rotate(-90);
        painter.drawText(
            QRectF(-plot.height() / 2.0, 0, plot.height(), line), Qt::AlignCenter, yTitle);
        painter.restore();

        if (panel.legend && legendWidth > 0.0) {
            // Every series has its entry: where the plot is too low for them all, the entries
            // take a smaller font.
            painter.save();
            QFont font = painter.font();
            const double wanted = line * 1.2 * static_cast<double>(panel.series.size());
            if (wanted > plot.height())
                font.setPixelSize(std::max(1, static_cast<int>(std::floor(
                                                   metrics.height() * plot.height() / wanted * 0.8))));
            painter.setFont(font);
            const QFontMetricsF entryMetrics(font, painter.device());
            const double entry = entryMetrics.height();
            double y = plot.top() + entry * 0.2;
            const double x = plot.right() + line * 0.8;
            for (const Series& series : panel.series) {
                painter.setPen(QPen(series.colour, std::max(1.6, entry / 8.0)));
                painter.drawLine(
                    QPointF(x, y + entry / 2.0), QPointF(x + line * 1.4, y + entry / 2.0));
                painter.setPen(chart_style::Ink);
                painter.drawText(QRectF(x + line * 1.8, y, legendWidth - line * 1.8, entry),
                    Qt::AlignLeft | Qt::AlignVCenter,
                    entryMetrics.elidedText(series.name, Qt::ElideRight, legendWidth - line * 1.8));
                y += entry * 1.2;
            }
            painter.restore();
        }
    }

    Panel curvesPanel(const CurvesData& data)
    {
        Panel panel;
        panel.title = QStringLiteral("Drawdown at the observation points");
        panel.xTitle = QStringLiteral("Time since pumping began (h)");
        panel.yTitle = QStringLiteral("Drawdown (m)");
        const std::vector<double>& seconds = data.curves.seconds;
        panel.xLow = std::log10(seconds.front() / 3600.0);
        panel.xHigh = std::log10(seconds.back() / 3600.0);
        if (!(panel.xHigh > panel.xLow)) {
            panel.xLow -= 0.5;
            panel.xHigh += 0.5;
        }
        double deepest = 0.0;
        for (std::size_t p = 0; p < data.curves.names.size(); ++p) {
            Series series;
            series.name = QString::fromStdString(data.curves.names[p]);
            series.colour = SeriesColours[p % std::size(SeriesColours)];
            for (std::size_t t = 0; t < seconds.size(); ++t) {
                const double value = data.curves.drawdowns[p][t];
                series.points.emplace_back(std::log10(seconds[t] / 3600.0), value);
                if (std::isfinite(value))
                    deepest = std::max(deepest, value);
            }
            panel.series.push_back(std::move(series));
        }
        panel.xTicks = logTicks(panel.xLow, panel.xHigh);
        panel.yTicks = depthTicks(deepest, panel.deepest);
        panel.marks = data.marks;
        panel.legend = true;
        return panel;
    }

    Panel profilePanel(const CurvesData& data)
    {
        Panel panel;
        panel.title = data.profileTitle;
        panel.xTitle = QStringLiteral("Distance along the profile (m)");
        panel.yTitle = QStringLiteral("Drawdown (m)");
        panel.xLow = 0.0;
        panel.xHigh = data.profile.back().distanceMetres;
        if (!(panel.xHigh > 0.0))
            panel.xHigh = 1.0;
        double deepest = 0.0;
        Series series;
        series.name = QStringLiteral("Profile");
        series.colour = SeriesColours[0];
        for (const ProfilePoint& point : data.profile) {
            series.points.emplace_back(point.distanceMetres, point.drawdownMetres);
            if (std::isfinite(point.drawdownMetres))
                deepest = std::max(deepest, point.drawdownMetres);
        }
        panel.series.push_back(std::move(series));
        for (double v : axisTicks(panel.xLow, panel.xHigh, 6))
            panel.xTicks.push_back({ v, tickLabel(v) });
        panel.yTicks = depthTicks(deepest, panel.deepest);
        return panel;
    }

} // namespace

CurvesData curvesData(const ScenarioInputs& inputs)
{
    return curvesData(inputs,
        inputs.Observations.empty() ? ObservationCurves {} : observationCurves(inputs),
        profileAlong(inputs));
}

CurvesData curvesData(
    const ScenarioInputs& inputs, ObservationCurves curves, std::vector<ProfilePoint> profile)
{
    CurvesData data;
    data.curves = std::move(curves);
    for (int bore = 0; bore < WellCount; ++bore)
        for (const RateChange& change : inputs.Schedules[static_cast<std::size_t>(bore)])
            if (change.StartSeconds > 0.0 && change.StartSeconds < inputs.PumpTime)
                data.marks.push_back(
                    { change.StartSeconds / 3600.0, bore + 1, change.Rate * 3600.0 });
    std::sort(data.marks.begin(), data.marks.end(),
        [](const ScheduleMark& a, const ScheduleMark& b) { return a.hours < b.hours; });
    if (inputs.ProfileLine) {
        data.profile = std::move(profile);
        const Profile& line = *inputs.ProfileLine;
        data.profileTitle
            = QStringLiteral("Profile from (%1, %2) to (%3, %4) m at %5 h")
                  .arg(shortNumber(line.X1), shortNumber(line.Y1), shortNumber(line.X2),
                      shortNumber(line.Y2), shortNumber(inputs.PumpTime / 3600.0));
    }
    return data;
}

void paintCurves(QPainter& painter, const QRectF& target, const CurvesData& data)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(target, chart_style::Background);
    painter.setFont(chart_style::font(target));
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();
    const bool curves = !data.curves.names.empty() && !data.curves.seconds.empty();
    const bool profile = !data.profile.empty();
    // The top keeps two lines free, as the other charts do: the window lays its button there.
    const QRectF area = target.adjusted(line * 0.6, line * 2.2, -line * 0.6, -line * 0.2);
    if (!curves && !profile) {
        painter.setPen(chart_style::Ink);
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
            QStringLiteral("No observation point and no profile: add them on the Time and "
                           "Boundaries tab (or in a scenario file), then compute again."));
        painter.restore();
        return;
    }
    const double legend = curves ? legendRoom(data, metrics, area.width()) : 0.0;
    Panel top = curves ? curvesPanel(data) : profilePanel(data);
    top.legendWidth = legend;
    if (curves && profile) {
        Panel bottom = profilePanel(data);
        bottom.legendWidth = legend;
        const double split = area.top() + area.height() * 0.56;
        paintPanel(painter, QRectF(area.topLeft(), QPointF(area.right(), split)), top);
        paintPanel(
            painter, QRectF(QPointF(area.left(), split + line * 0.4), area.bottomRight()), bottom);
    } else {
        paintPanel(painter, area, top);
    }
    painter.restore();
}

CurvesChart::CurvesChart(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("CurvesChart"));
}

void CurvesChart::setData(CurvesData data)
{
    m_data = std::move(data);
    m_filled = true;
    update();
}

QString CurvesChart::writePictureFile(const std::filesystem::path& path, PictureFormat format) const
{
    QSize shown = size();
    const QSize pixels = shown.width() >= 200 && shown.height() >= 150 ? shown : QSize(960, 720);
    return writePicture(path, format, pixels,
        [this](QPainter& painter, const QRectF& target) { paintCurves(painter, target, m_data); });
}

void CurvesChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintCurves(painter, QRectF(rect()), m_data);
}

} // namespace drawfield
