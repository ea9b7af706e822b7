#include "views/curves_chart.h"

#include "views/time_axis.h"

#include "views/axis_ticks.h"
#include "views/chart_style.h"
#include "views/plot_panel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace drawfield {
namespace {

    using plot::Panel;
    using plot::Series;
    using plot::Tick;

    // A number as the titles write it: up to 6 significant digits.
    QString shortNumber(double value) { return significantNumber(value, 6); }

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

    Panel curvesPanel(const CurvesData& data)
    {
        Panel panel;
        panel.title = QStringLiteral("Drawdown at the observation points");
        panel.xTitle = QStringLiteral("Time since pumping began (h)");
        panel.yTitle
            = QStringLiteral("Drawdown (%1)").arg(QString::fromStdString(data.length.word));
        const std::vector<double>& seconds = data.curves.seconds;
        panel.xLow = std::log10(seconds.front() / SecondsPerHour);
        panel.xHigh = std::log10(seconds.back() / SecondsPerHour);
        if (!(panel.xHigh > panel.xLow)) {
            panel.xLow -= 0.5;
            panel.xHigh += 0.5;
        }
        double deepest = 0.0;
        for (std::size_t p = 0; p < data.curves.names.size(); ++p) {
            Series series;
            series.name = QString::fromStdString(data.curves.names[p]);
            series.colour = plot::seriesColour(p);
            for (std::size_t t = 0; t < seconds.size(); ++t) {
                const double value = data.length.of(data.curves.drawdowns[p][t]);
                series.points.emplace_back(std::log10(seconds[t] / SecondsPerHour), value);
                if (std::isfinite(value))
                    deepest = std::max(deepest, value);
            }
            panel.series.push_back(std::move(series));
            // A limit not to pass there: across the whole time axis, in the point's colour.
            if (p < data.limits.size() && data.limits[p]) {
                const double limit = data.length.of(*data.limits[p]);
                Series line;
                // Under its point's entry, in its colour: the name need not be said again.
                line.name = QStringLiteral("limit (%1 %2)")
                                .arg(shortNumber(limit), QString::fromStdString(data.length.word));
                line.colour = plot::seriesColour(p);
                line.style = Series::Style::Dashed;
                line.points = { { panel.xLow, limit }, { panel.xHigh, limit } };
                panel.series.push_back(std::move(line));
                deepest = std::max(deepest, limit);
            }
        }
        panel.xTicks = plot::logTicks(panel.xLow, panel.xHigh);
        panel.yTicks = depthTicks(deepest, panel.yHigh);
        panel.yDown = true;
        for (const ScheduleMark& mark : data.marks)
            panel.marks.push_back({ std::log10(mark.hours),
                QStringLiteral("%1: %2 m3/h")
                    .arg(mark.bore)
                    .arg(shortNumber(mark.rateCubicMetresPerHour)) });
        if (data.shownSeconds) {
            const double x = std::log10(*data.shownSeconds / SecondsPerHour);
            if (x >= panel.xLow && x <= panel.xHigh)
                panel.marks.push_back(
                    { x, QStringLiteral("Map at %1").arg(elapsedText(*data.shownSeconds)) });
        }
        return panel;
    }

    Panel profilePanel(const CurvesData& data)
    {
        Panel panel;
        panel.title = data.profileTitle;
        panel.xTitle = QStringLiteral("Distance along the profile (m)");
        panel.yTitle
            = QStringLiteral("Drawdown (%1)").arg(QString::fromStdString(data.length.word));
        panel.xLow = 0.0;
        panel.xHigh = data.profile.back().distanceMetres;
        if (!(panel.xHigh > 0.0))
            panel.xHigh = 1.0;
        double deepest = 0.0;
        Series series;
        series.colour = plot::seriesColour(0);
        for (const ProfilePoint& point : data.profile) {
            const double drawdown = data.length.of(point.drawdownMetres);
            series.points.emplace_back(point.distanceMetres, drawdown);
            if (std::isfinite(drawdown))
                deepest = std::max(deepest, drawdown);
        }
        panel.series.push_back(std::move(series));
        panel.xTicks = plot::linearTicks(panel.xLow, panel.xHigh, 6);
        panel.yTicks = depthTicks(deepest, panel.yHigh);
        panel.yDown = true;
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
    data.length = inputs.Units.length;
    if (!data.curves.names.empty())
        for (const ObservationPoint& point : inputs.Observations)
            data.limits.push_back(point.LimitMetres);
    for (int bore = 0; bore < inputs.boreCount(); ++bore)
        for (const RateChange& change : inputs.Schedules[static_cast<std::size_t>(bore)])
            if (change.StartSeconds > 0.0 && change.StartSeconds < inputs.PumpTimeSeconds)
                data.marks.push_back({ change.StartSeconds / SecondsPerHour,
                    QString::fromStdString(inputs.Wells[static_cast<std::size_t>(bore)].Name),
                    change.Rate * SecondsPerHour });
    std::sort(data.marks.begin(), data.marks.end(),
        [](const ScheduleMark& a, const ScheduleMark& b) { return a.hours < b.hours; });
    if (inputs.ProfileLine) {
        data.profile = std::move(profile);
        const Profile& line = *inputs.ProfileLine;
        data.profileTitle
            = QStringLiteral("Profile from (%1, %2) to (%3, %4) m at %5 h")
                  .arg(shortNumber(line.X1), shortNumber(line.Y1), shortNumber(line.X2),
                      shortNumber(line.Y2), shortNumber(inputs.PumpTimeSeconds / SecondsPerHour));
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
        plot::paintPanel(painter, QRectF(area.topLeft(), QPointF(area.right(), split)), top);
        plot::paintPanel(
            painter, QRectF(QPointF(area.left(), split + line * 0.4), area.bottomRight()), bottom);
    } else {
        plot::paintPanel(painter, area, top);
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
    const std::optional<double> shown = m_data.shownSeconds;
    m_data = std::move(data);
    m_data.shownSeconds = shown;
    m_filled = true;
    update();
}

void CurvesChart::setShownTime(std::optional<double> seconds)
{
    if (m_data.shownSeconds == seconds)
        return;
    m_data.shownSeconds = seconds;
    update();
}

QString CurvesChart::writePictureFile(
    const std::filesystem::path& path, std::optional<PictureFormat> format) const
{
    const PaintRoutine paint
        = [this](QPainter& painter, const QRectF& target) { paintCurves(painter, target, m_data); };
    return format ? writePicture(path, *format, pictureSizeOf(size()), paint)
                  : writePicture(path, pictureSizeOf(size()), paint);
}

void CurvesChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintCurves(painter, QRectF(rect()), m_data);
}

} // namespace drawfield
