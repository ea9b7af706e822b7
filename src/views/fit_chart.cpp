#include "views/fit_chart.h"

#include "compute/observations.h"
#include "compute/wells/theis.h"
#include "compute/wells/well_function.h"
#include "views/axis_ticks.h"
#include "views/chart_style.h"
#include "views/plot_panel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace drawfield {
namespace {

    using plot::Panel;
    using plot::Series;

    constexpr double CurveTimes = 120;

    QString number(double value, int digits = 4) { return significantNumber(value, digits); }

    double hoursAxis(double seconds) { return std::log10(seconds / SecondsPerHour); }

    // ds/d ln t at each time (ascending), from the nearest neighbours at least `smoothing` away in
    // ln t on each side, weighted as Bourdet weights them; NaN where a side has none. The
    // neighbours are found by bisection: a logger's 100,000 readings cost no more than sorting.
    std::vector<double> derivative(
        const std::vector<double>& seconds, const std::vector<double>& drawdowns, double smoothing)
    {
        const double none = std::numeric_limits<double>::quiet_NaN();
        std::vector<double> out(seconds.size(), none), logs(seconds.size());
        for (std::size_t i = 0; i < seconds.size(); ++i)
            logs[i] = seconds[i] > 0.0 ? std::log(seconds[i])
                                       : -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < seconds.size(); ++i) {
            if (!(seconds[i] > 0.0))
                continue;
            const double here = logs[i];
            const auto before = std::upper_bound(logs.begin(), logs.end(), here - smoothing);
            const auto after = std::lower_bound(logs.begin(), logs.end(), here + smoothing);
            if (before == logs.begin())
                continue;
            const std::size_t j
                = std::min(static_cast<std::size_t>(before - logs.begin()) - 1, i - 1);
            const std::size_t k = std::max(static_cast<std::size_t>(after - logs.begin()), i + 1);
            if (i == 0 || k >= seconds.size() || !(seconds[j] > 0.0))
                continue;
            const double left = here - logs[j], right = logs[k] - here;
            if (!(left > 0.0) || !(right > 0.0))
                continue;
            const double d1 = (drawdowns[i] - drawdowns[j]) / left;
            const double d2 = (drawdowns[k] - drawdowns[i]) / right;
            out[i] = (d1 * right + d2 * left) / (left + right);
        }
        return out;
    }

    // A point shows at most this many markers, at least one log-time step of the chart apart:
    // a logger's 100,000 readings would make a picture of hundreds of megabytes and show no more.
    constexpr std::size_t MostMarkers = 400;

    // The readings (by index) a chart marks: all of them, or the first in each of MostMarkers
    // equal steps of log time.
    std::vector<std::size_t> markedReadings(const std::vector<double>& seconds)
    {
        std::vector<std::size_t> marked;
        if (seconds.size() <= MostMarkers) {
            for (std::size_t i = 0; i < seconds.size(); ++i)
                marked.push_back(i);
            return marked;
        }
        double first = 0.0, last = 0.0;
        for (double t : seconds)
            if (t > 0.0) {
                first = first == 0.0 ? t : std::min(first, t);
                last = std::max(last, t);
            }
        const double step = first > 0.0 && last > first
            ? std::log(last / first) / static_cast<double>(MostMarkers)
            : 1.0;
        long long previous = std::numeric_limits<long long>::min();
        for (std::size_t i = 0; i < seconds.size(); ++i) {
            const long long bin = seconds[i] > 0.0
                ? std::min(static_cast<long long>(std::floor(std::log(seconds[i] / first) / step)),
                    static_cast<long long>(MostMarkers) - 1)
                : -1;
            if (bin != previous)
                marked.push_back(i);
            previous = bin;
        }
        return marked;
    }

    // Log10 of what is positive; NaN for the rest (a line breaks there, a marker is left out).
    double logOf(double value)
    {
        return value > 0.0 ? std::log10(value) : std::numeric_limits<double>::quiet_NaN();
    }

    struct Span {
        double low = std::numeric_limits<double>::infinity();
        double high = -std::numeric_limits<double>::infinity();
        void add(double v)
        {
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
        [[nodiscard]] bool empty() const { return !(low <= high); }
    };

    Series named(const QString& name, const QColor& colour, Series::Style style)
    {
        Series series;
        series.name = name;
        series.colour = colour;
        series.style = style;
        return series;
    }

    Panel diagnosticPanel(const FitChartData& data, double xLow, double xHigh)
    {
        Panel panel;
        panel.title = QStringLiteral("Log-log, with the derivative ds/d ln t (L = %1)")
                          .arg(number(data.smoothing, 2));
        panel.xTitle = QStringLiteral("Time since pumping began (h)");
        panel.yTitle = QStringLiteral("Drawdown, derivative (m)");
        panel.xLow = xLow;
        panel.xHigh = xHigh;
        Span y, derivatives;
        for (std::size_t p = 0; p < data.points.size(); ++p) {
            const FitChartPoint& point = data.points[p];
            const QColor& colour = plot::seriesColour(p);
            Series readings = named({}, colour, Series::Style::Markers);
            Series curve = named({}, colour, Series::Style::Line);
            Series measuredSlope = named({}, colour, Series::Style::OpenMarkers);
            Series fittedSlope = named({}, colour, Series::Style::Dashed);
            const std::vector<double> slope = derivative(
                point.readingSeconds, point.measuredMetres, data.smoothing * std::numbers::ln10);
            for (std::size_t i : markedReadings(point.readingSeconds)) {
                const double x = hoursAxis(point.readingSeconds[i]);
                readings.points.emplace_back(x, logOf(point.measuredMetres[i]));
                measuredSlope.points.emplace_back(x, logOf(slope[i]));
                y.add(logOf(point.measuredMetres[i]));
                derivatives.add(logOf(slope[i]));
            }
            const std::vector<double> curveSlope
                = derivative(point.curveSeconds, point.curveMetres, 0.0);
            for (std::size_t i = 0; i < point.curveSeconds.size(); ++i) {
                const double x = hoursAxis(point.curveSeconds[i]);
                curve.points.emplace_back(x, logOf(point.curveMetres[i]));
                fittedSlope.points.emplace_back(x, logOf(curveSlope[i]));
                y.add(logOf(point.curveMetres[i]));
                derivatives.add(logOf(curveSlope[i]));
            }
            for (const Series* series : { &readings, &curve, &measuredSlope, &fittedSlope })
                panel.series.push_back(*series);
        }
        // The derivative stays in view down to a thousandth of the largest drawdown (or of the
        // largest derivative, where that is larger).
        if (y.empty())
            y = derivatives;
        else if (!derivatives.empty())
            y = { std::min(y.low, derivatives.low), std::max(y.high, derivatives.high) };
        if (y.empty())
            y = { -2.0, 0.0 };
        panel.yHigh = y.high + 0.15;
        panel.yLow = std::max(y.low, y.high - 3.0) - 0.15;
        panel.xTicks = plot::logTicks(panel.xLow, panel.xHigh);
        panel.yTicks = plot::logTicks(panel.yLow, panel.yHigh);
        return panel;
    }

    Panel semiLogPanel(const FitChartData& data, double xLow, double xHigh)
    {
        Panel panel;
        panel.title = QStringLiteral("Semi-log, with Cooper-Jacob's line");
        panel.xTitle = QStringLiteral("Time since pumping began (h)");
        panel.yTitle = QStringLiteral("Drawdown (m)");
        panel.xLow = xLow;
        panel.xHigh = xHigh;
        panel.yDown = true;
        double deepest = 0.0;
        for (std::size_t p = 0; p < data.points.size(); ++p) {
            const FitChartPoint& point = data.points[p];
            const QColor& colour = plot::seriesColour(p);
            Series readings = named({}, colour, Series::Style::Markers);
            Series curve = named({}, colour, Series::Style::Line);
            for (std::size_t i = 0; i < point.readingSeconds.size(); ++i)
                deepest = std::max(deepest, point.measuredMetres[i]);
            for (std::size_t i : markedReadings(point.readingSeconds))
                readings.points.emplace_back(
                    hoursAxis(point.readingSeconds[i]), point.measuredMetres[i]);
            for (std::size_t i = 0; i < point.curveSeconds.size(); ++i)
                curve.points.emplace_back(hoursAxis(point.curveSeconds[i]), point.curveMetres[i]);
            panel.series.push_back(readings);
            panel.series.push_back(curve);
            if (point.line.valid) {
                Series line = named({}, colour, Series::Style::Dashed);
                for (double x : { hoursAxis(point.line.fromSeconds), xHigh }) {
                    const double seconds = SecondsPerHour * std::pow(10.0, x);
                    line.points.emplace_back(
                        x, point.line.intercept + point.line.slope * std::log(seconds));
                }
                panel.series.push_back(line);
            }
        }
        panel.yLow = 0.0;
        panel.yHigh = deepest > 0.0 ? deepest * 1.08 : 1.0;
        panel.xTicks = plot::logTicks(panel.xLow, panel.xHigh);
        panel.yTicks = plot::linearTicks(panel.yLow, panel.yHigh, 5);
        return panel;
    }

    Panel residualPanel(const FitChartData& data, double xLow, double xHigh)
    {
        Panel panel;
        panel.title = QStringLiteral("Residuals, measured - fitted");
        panel.xTitle = QStringLiteral("Time since pumping began (h)");
        panel.yTitle = QStringLiteral("Residual (m)");
        panel.shortYTitle = QStringLiteral("r (m)");
        panel.xLow = xLow;
        panel.xHigh = xHigh;
        double largest = 0.0;
        Series zero = named({}, QColor(0x90, 0x90, 0x90), Series::Style::Dashed);
        zero.points = { { xLow, 0.0 }, { xHigh, 0.0 } };
        panel.series.push_back(zero);
        for (std::size_t p = 0; p < data.points.size(); ++p) {
            const FitChartPoint& point = data.points[p];
            Series residuals = named({}, plot::seriesColour(p), Series::Style::Markers);
            for (std::size_t i = 0; i < point.residualMetres.size(); ++i)
                largest = std::max(largest, std::fabs(point.residualMetres[i]));
            for (std::size_t i : markedReadings(point.readingSeconds))
                if (i < point.residualMetres.size())
                    residuals.points.emplace_back(
                        hoursAxis(point.readingSeconds[i]), point.residualMetres[i]);
            panel.series.push_back(residuals);
        }
        const double reach = largest > 0.0 ? largest * 1.15 : 0.01;
        panel.yLow = -reach;
        panel.yHigh = reach;
        panel.xTicks = plot::logTicks(panel.xLow, panel.xHigh);
        panel.yTicks = plot::linearTicks(panel.yLow, panel.yHigh, 5);
        return panel;
    }

    // The type curve: each point's readings and fitted drawdown as W = s 4 pi T / Q against
    // 1/u = t 4 T / (r^2 S), and Theis' W(u) across them (dashed): a point off Theis' shows what
    // the chosen function adds (leakage, delayed yield, a partial screen).
    Panel typeCurvePanel(const FitChartData& data)
    {
        Panel panel;
        panel.title = QStringLiteral("Type curve, W = 4 π T s / Q against 1/u = 4 T t / (r² S)");
        panel.xTitle = QStringLiteral("1/u");
        panel.yTitle = QStringLiteral("W");
        Span x, y;
        for (std::size_t p = 0; p < data.points.size(); ++p) {
            const FitChartPoint& point = data.points[p];
            if (!std::isfinite(point.perSecond) || !std::isfinite(point.perMetre))
                continue;
            const QColor& colour = plot::seriesColour(p);
            Series readings = named({}, colour, Series::Style::Markers);
            Series curve = named({}, colour, Series::Style::Line);
            for (std::size_t i : markedReadings(point.readingSeconds)) {
                readings.points.emplace_back(logOf(point.readingSeconds[i] * point.perSecond),
                    logOf(point.measuredMetres[i] * point.perMetre));
                x.add(readings.points.back().x());
                y.add(readings.points.back().y());
            }
            for (std::size_t i = 0; i < point.curveSeconds.size(); ++i)
                curve.points.emplace_back(logOf(point.curveSeconds[i] * point.perSecond),
                    logOf(point.curveMetres[i] * point.perMetre));
            panel.series.push_back(readings);
            panel.series.push_back(curve);
        }
        if (x.empty())
            x = { -1.0, 3.0 };
        if (y.empty())
            y = { -2.0, 1.0 };
        panel.xLow = x.low - 0.1;
        panel.xHigh = x.high + 0.1;
        Series theis = named({}, QColor(0x90, 0x90, 0x90), Series::Style::Dashed);
        for (int i = 0; i <= 100; ++i) {
            const double inverse = panel.xLow + (panel.xHigh - panel.xLow) * i / 100.0;
            const double w = theisW(std::pow(10.0, -inverse));
            theis.points.emplace_back(inverse, logOf(w));
            y.add(logOf(w));
        }
        panel.series.insert(panel.series.begin(), theis);
        panel.yHigh = y.high + 0.15;
        panel.yLow = std::max(y.low, y.high - 3.0) - 0.15;
        panel.xTicks = plot::logTicks(panel.xLow, panel.xHigh);
        panel.yTicks = plot::logTicks(panel.yLow, panel.yHigh);
        return panel;
    }

    // The recovery: the residual drawdown s' against t / t' on a log axis, t' the time since
    // every bore stopped, the fitted drawdown's and Theis' recovery line, s' = slope log10(t/t').
    Panel recoveryPanel(const FitChartData& data)
    {
        Panel panel;
        panel.title = QStringLiteral("Recovery, with Theis' recovery line");
        panel.xTitle = QStringLiteral("t / t' (t' since the stop)");
        panel.yTitle = QStringLiteral("Residual drawdown (m)");
        panel.shortYTitle = QStringLiteral("s' (m)");
        const double stop = data.stopSeconds;
        auto ratioAxis = [stop](double t) { return std::log10(t / (t - stop)); };
        Span x;
        double deepest = 0.0;
        for (std::size_t p = 0; p < data.points.size(); ++p) {
            const FitChartPoint& point = data.points[p];
            const QColor& colour = plot::seriesColour(p);
            Series readings = named({}, colour, Series::Style::Markers);
            Series curve = named({}, colour, Series::Style::Line);
            for (std::size_t i : markedReadings(point.readingSeconds))
                if (point.readingSeconds[i] > stop) {
                    readings.points.emplace_back(
                        ratioAxis(point.readingSeconds[i]), point.measuredMetres[i]);
                    x.add(readings.points.back().x());
                    deepest = std::max(deepest, point.measuredMetres[i]);
                }
            for (std::size_t i = 0; i < point.curveSeconds.size(); ++i)
                if (point.curveSeconds[i] > stop)
                    curve.points.emplace_back(
                        ratioAxis(point.curveSeconds[i]), point.curveMetres[i]);
            panel.series.push_back(readings);
            panel.series.push_back(curve);
            if (std::isfinite(point.recoverySlope) && !x.empty()) {
                Series line = named({}, colour, Series::Style::Dashed);
                line.points = { { 0.0, 0.0 }, { x.high, point.recoverySlope * x.high } };
                panel.series.push_back(line);
            }
        }
        panel.xLow = 0.0;
        panel.xHigh = x.empty() ? 1.0 : x.high * 1.05 + 0.02;
        panel.yLow = 0.0;
        panel.yHigh = deepest > 0.0 ? deepest * 1.08 : 1.0;
        panel.xTicks = plot::logTicks(panel.xLow, panel.xHigh);
        panel.yTicks = plot::linearTicks(panel.yLow, panel.yHigh, 5);
        return panel;
    }

    // The legend as a row of entries under the title, wrapping where the width runs out: what
    // the styles mean, then each point with the T and S of its Cooper-Jacob line. Returns the
    // height it took.
    double paintLegend(QPainter& painter, const QRectF& area, const FitChartData& data)
    {
        struct Entry {
            Series::Style style;
            QColor colour;
            QString text;
        };
        const QColor& ink = chart_style::Ink;
        std::vector<Entry> entries = { { Series::Style::Markers, ink, QStringLiteral("readings") },
            { Series::Style::Line, ink, QStringLiteral("fitted") } };
        if (data.typeCurve)
            entries.push_back(
                { Series::Style::Dashed, QColor(0x90, 0x90, 0x90), QStringLiteral("Theis' W(u)") });
        else
            entries.insert(entries.end(),
                { { Series::Style::OpenMarkers, ink, QStringLiteral("ds/d ln t of the readings") },
                    { Series::Style::Dashed, ink,
                        QStringLiteral("ds/d ln t fitted, Cooper-Jacob") } });
        for (std::size_t p = 0; p < data.points.size(); ++p) {
            const FitChartPoint& point = data.points[p];
            entries.push_back({ Series::Style::Markers, plot::seriesColour(p),
                point.line.valid ? QStringLiteral("%1 (Cooper-Jacob: T %2 m²/s, S %3)")
                                       .arg(point.name, number(point.line.transmissivity, 3),
                                           number(point.line.storage, 3))
                                 : point.name });
        }
        const QFontMetricsF metrics(painter.font(), painter.device());
        const double line = metrics.height();
        double x = area.left(), y = area.top();
        for (const Entry& entry : entries) {
            const double width = line * 1.8 + metrics.horizontalAdvance(entry.text) + line;
            if (x > area.left() && x + width > area.right()) {
                x = area.left();
                y += line * 1.15;
            }
            const QPointF middle(x + line * 0.7, y + line / 2.0);
            painter.setBrush(Qt::NoBrush);
            if (entry.style == Series::Style::Markers
                || entry.style == Series::Style::OpenMarkers) {
                painter.setPen(QPen(entry.colour, std::max(1.0, line / 12.0)));
                if (entry.style == Series::Style::Markers)
                    painter.setBrush(entry.colour);
                painter.drawEllipse(middle, line * 0.2, line * 0.2);
                painter.setBrush(Qt::NoBrush);
            } else {
                painter.setPen(QPen(entry.colour, std::max(1.6, line / 8.0),
                    entry.style == Series::Style::Dashed ? Qt::DashLine : Qt::SolidLine));
                painter.drawLine(QPointF(x, middle.y()), QPointF(x + line * 1.4, middle.y()));
            }
            painter.setPen(ink);
            painter.drawText(QRectF(x + line * 1.8, y, width - line * 1.8, line),
                Qt::AlignLeft | Qt::AlignVCenter, entry.text);
            x += width;
        }
        return y + line * 1.3 - area.top();
    }

} // namespace

FitChartData fitChartData(
    const ScenarioInputs& inputs, const std::vector<MeasuredPoint>& points, const FitResult* fit)
{
    FitChartData data;
    const bool fitted = fit != nullptr && fit->succeeded;
    if (fit == nullptr)
        data.title = QStringLiteral("The readings, not fitted yet");
    else if (!fitted)
        data.title = QString::fromStdString(fit->problem);
    else {
        QStringList values;
        for (const FitEstimate& e : fit->estimates) {
            const QString unit = QString::fromUtf8(
                e.parameter->siUnit.data(), qsizetype(e.parameter->siUnit.size()));
            values << QStringLiteral("%1 = %2%3")
                          .arg(QString::fromUtf8(e.parameter->symbol.data(),
                                   qsizetype(e.parameter->symbol.size())),
                              number(e.value),
                              unit.isEmpty() ? QString()
                                             : QLatin1Char(' ')
                                      + QString(unit).replace(
                                          QStringLiteral("m2"), QStringLiteral("m²")));
        }
        data.title = QStringLiteral("%1 fit: %2; RMSE %3 m over %4 readings")
                         .arg(QString::fromUtf8(wellFunctionRow(fit->fitted.Method).label),
                             values.join(QStringLiteral(", ")), number(fit->rmseMetres, 3))
                         .arg(fit->readings);
    }
    for (std::size_t p = 0; p < points.size(); ++p) {
        const MeasuredPoint& measured = points[p];
        FitChartPoint point;
        point.name = QString::fromStdString(measured.Name);
        double first = 0.0, last = 0.0;
        for (const Reading& reading : measured.Readings) {
            point.readingSeconds.push_back(reading.TimeSeconds);
            point.measuredMetres.push_back(reading.DrawdownMetres);
            if (reading.TimeSeconds > 0.0 && first == 0.0)
                first = reading.TimeSeconds;
            last = std::max(last, reading.TimeSeconds);
        }
        if (fitted && p < fit->points.size()) {
            const FittedPoint& result = fit->points[p];
            for (std::size_t i = 0; i < result.measuredMetres.size(); ++i)
                point.residualMetres.push_back(result.measuredMetres[i] - result.computedMetres[i]);
            if (first > 0.0 && last > first) {
                const Aquifer aquifer = fit->fitted.aquifer();
                const SourceList sources = sourceListOf(fit->fitted);
                for (int i = 0; i <= CurveTimes; ++i)
                    point.curveSeconds.push_back(first * std::pow(last / first, i / CurveTimes));
                point.curveMetres.resize(point.curveSeconds.size());
                drawdownsOverTime(seenFrom(aquifer, measured.Values), sources, measured.X,
                    measured.Y, point.curveSeconds.data(), point.curveMetres.data(),
                    point.curveSeconds.size());
            }
        }
        point.line = cooperJacobLine(fitted ? fit->fitted : inputs, measured);
        // Theis' recovery line where the readings go on after every bore stopped.
        const ScenarioInputs& used = fitted ? fit->fitted : inputs;
        // The type curve's scales.
        const double r = distanceToNearestBore(used, measured);
        const double rate = totalRate(used, first > 0.0 ? first : 1.0);
        if (r > 0.0 && rate > 0.0 && used.Storage > 0.0) {
            point.perSecond = 4.0 * used.Transmissivity / (r * r * used.Storage);
            point.perMetre = 4.0 * std::numbers::pi * used.Transmissivity / rate;
        }
        const double stop = recoveryStartSeconds(used);
        if (stop > 0.0 && last > stop) {
            data.stopSeconds = stop;
            for (const StraightLineEstimate& estimate : straightLineEstimates(used, { measured }))
                if (estimate.method == "theis-recovery")
                    point.recoverySlope = std::numbers::ln10
                        * totalRate(used, std::nextafter(stop, 0.0))
                        / (4.0 * std::numbers::pi * estimate.transmissivity);
        }
        data.points.push_back(std::move(point));
    }
    return data;
}

FitChartPanels fitChartPanels(const FitChartData& data)
{
    Span time;
    for (const FitChartPoint& point : data.points)
        for (double t : point.readingSeconds)
            if (t > 0.0)
                time.add(hoursAxis(t));
    if (time.empty())
        time = { -1.0, 1.0 };
    const double pad = std::max(0.05, (time.high - time.low) * 0.03);
    const double xLow = time.low - pad, xHigh = time.high + pad;
    FitChartPanels panels { data.typeCurve ? typeCurvePanel(data)
                                           : diagnosticPanel(data, xLow, xHigh),
        semiLogPanel(data, xLow, xHigh), residualPanel(data, xLow, xHigh), std::nullopt };
    if (data.stopSeconds > 0.0)
        panels.recovery = recoveryPanel(data);
    return panels;
}

void paintFitChart(QPainter& painter, const QRectF& target, const FitChartData& data)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(target, chart_style::Background);
    painter.setFont(chart_style::font(target, 0.9));
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();
    // The top keeps two lines free, as the other charts do: the window lays its buttons there.
    const QRectF area = target.adjusted(line * 0.6, line * 2.2, -line * 0.6, -line * 0.2);
    painter.setPen(chart_style::Ink);
    if (data.points.empty()) {
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
            data.title.isEmpty() ? QStringLiteral("No measured drawdowns: name a file of "
                                                  "readings for an observation point or a bore.")
                                 : data.title);
        painter.restore();
        return;
    }
    painter.drawText(QRectF(area.left(), area.top(), area.width(), line * 1.3),
        Qt::AlignLeft | Qt::AlignVCenter,
        metrics.elidedText(data.title, Qt::ElideRight, area.width()));
    const double legend = paintLegend(painter, area.adjusted(0, line * 1.4, 0, 0), data);
    const QRectF panels = area.adjusted(0, line * 1.5 + legend, 0, 0);
    const double split = panels.top() + panels.height() * 0.62;
    const double middle = panels.left() + panels.width() * 0.5;
    const FitChartPanels shown = fitChartPanels(data);
    plot::paintPanel(
        painter, QRectF(panels.topLeft(), QPointF(middle - line * 0.3, split)), shown.diagnostic);
    plot::paintPanel(painter,
        QRectF(QPointF(middle + line * 0.3, panels.top()), QPointF(panels.right(), split)),
        shown.semiLog);
    // The residuals under them, the recovery beside them where there is one.
    const bool residuals = !data.points.front().residualMetres.empty();
    const QRectF bottom(QPointF(panels.left(), split + line * 0.4), panels.bottomRight());
    if (residuals)
        plot::paintPanel(painter,
            shown.recovery ? QRectF(bottom.topLeft(), QPointF(middle - line * 0.3, bottom.bottom()))
                           : bottom,
            shown.residuals);
    if (shown.recovery)
        plot::paintPanel(painter,
            residuals ? QRectF(QPointF(middle + line * 0.3, bottom.top()), bottom.bottomRight())
                      : bottom,
            *shown.recovery);
    painter.restore();
}

FitChart::FitChart(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FitChart"));
}

void FitChart::setData(FitChartData data)
{
    m_data = std::move(data);
    update();
}

QString FitChart::writePictureFile(
    const std::filesystem::path& path, std::optional<PictureFormat> format) const
{
    const PaintRoutine paint = [this](QPainter& painter, const QRectF& target) {
        paintFitChart(painter, target, m_data);
    };
    return format ? writePicture(path, *format, pictureSizeOf(size()), paint)
                  : writePicture(path, pictureSizeOf(size()), paint);
}

void FitChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFitChart(painter, QRectF(rect()), m_data);
}

} // namespace drawfield
