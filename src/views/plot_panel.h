#pragma once

// A plot of series against two axes, as the curves chart and the pumping-test chart draw them: a
// title, ticks and grid lines, lines, dashed lines and markers, marks on the time axis, and a
// legend at the right. Axes are linear or logarithmic (the values are then log10 of the data);
// depth axes grow downward, as hydrogeologists draw drawdown.

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <QString>

#include <vector>

namespace drawfield::plot {

// Ten colours told apart with the common colour-vision deficiencies, dark enough on white.
[[nodiscard]] const QColor& seriesColour(std::size_t index);

struct Tick {
    double at = 0.0; // axis units
    QString label; // empty: a minor tick
};

struct Series {
    enum class Style { Line, Dashed, Markers, OpenMarkers };
    QString name; // empty: no legend entry
    QColor colour;
    Style style = Style::Line;
    std::vector<QPointF> points; // axis units; a NaN y breaks a line
};

// A vertical dashed line at x with a label that runs up along it (a schedule's rate change).
struct Mark {
    double at = 0.0; // axis units
    QString label;
};

struct Panel {
    QString title, xTitle, yTitle;
    QString shortYTitle = QStringLiteral("s (m)"); // where the plot is too low for yTitle
    double xLow = 0.0, xHigh = 1.0; // axis units
    double yLow = 0.0, yHigh = 1.0;
    bool yDown = false; // yLow at the top, values growing downward
    std::vector<Tick> xTicks, yTicks;
    std::vector<Series> series;
    std::vector<Mark> marks;
    double legendWidth = 0.0; // room at the right of the plot for the series' names, pixels
};

// Decades labelled, 2 to 9 times them as minor ticks; a span of less than two decades also labels
// 2 and 5 times them. low and high are log10 of the values.
[[nodiscard]] std::vector<Tick> logTicks(double low, double high);
// Round values (axisTicks) from low to high, labelled.
[[nodiscard]] std::vector<Tick> linearTicks(double low, double high, int wanted);

void paintPanel(QPainter& painter, const QRectF& area, const Panel& panel);

} // namespace drawfield::plot
