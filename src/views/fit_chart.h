#pragma once

// The pumping-test chart: per measured point the readings as markers and the fitted drawdown as a
// line, on log-log axes with the derivative ds/d ln t of both (the diagnostic plot: flat where
// the aquifer behaves as Theis's, falling where it leaks, rising at a barrier), and on semi-log
// axes with Cooper-Jacob's straight line through the late readings and the T and S it gives;
// under them the residuals against time. One paint routine for the screen and every picture
// format.

#include "analysis/fit.h"
#include "views/picture_files.h"
#include "views/plot_panel.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <limits>
#include <optional>
#include <vector>

namespace drawfield {

// The pumping test's picture without a screen (drawfield-batch): wider than a map, for the three
// plots side by side.
inline constexpr QSize FitPicturePixels(1200, 800);

struct FitChartPoint {
    QString name;
    std::vector<double> readingSeconds, measuredMetres, residualMetres;
    std::vector<double> curveSeconds, curveMetres; // the fitted drawdown, finely in time
    CooperJacobLine line;
    // Theis' recovery line, s' = slope log10(t / t'), where the point's readings make one
    // (m per log cycle); NaN where they do not.
    double recoverySlope = std::numeric_limits<double>::quiet_NaN();
    // The type curve's scales (the fitted aquifer's, else the scenario's): 1/u = t 4 T / (r^2 S)
    // and W = s 4 pi T / Q, r the distance to the nearest bore and Q the bores' first rate; NaN
    // where there is no such distance or rate (a bore's own readings are at its radius).
    double perSecond = std::numeric_limits<double>::quiet_NaN();
    double perMetre = std::numeric_limits<double>::quiet_NaN();
};

struct FitChartData {
    QString title; // the fitted values, or why there are none
    std::vector<FitChartPoint> points;
    // The derivative's smoothing, Bourdet's L: each reading's slope is taken to the nearest
    // readings at least L log cycles of time before and after it.
    double smoothing = 0.2;
    // When every bore stopped, where readings follow (the recovery), s; -1 where none do.
    double stopSeconds = -1.0;
    // The log-log panel as the type curve: the readings and the chosen function's fitted curve in
    // its dimensionless W against 1/u, beside Theis' W(u); else the drawdown and its derivative.
    bool typeCurve = false;
};

// What the chart shows of the readings at these points: with a fit that succeeded, the fitted
// drawdown and the residuals; Cooper-Jacob's lines from the scenario's bores and rates.
[[nodiscard]] FitChartData fitChartData(
    const ScenarioInputs& inputs, const std::vector<MeasuredPoint>& points, const FitResult* fit);

// The chart's panels on one time axis: log-log with the derivatives (the Y axis holds the
// drawdowns and the derivatives, down to a thousandth of the largest), semi-log, the residuals;
// and the recovery's on its own.
// A point marks at most a few hundred of its readings, evenly in log time.
struct FitChartPanels {
    plot::Panel diagnostic, semiLog, residuals;
    // With readings after every bore stopped: the residual drawdown against t / t' (t' the time
    // since the stop), with Theis' recovery line.
    std::optional<plot::Panel> recovery;
};
[[nodiscard]] FitChartPanels fitChartPanels(const FitChartData& data);

void paintFitChart(QPainter& painter, const QRectF& target, const FitChartData& data);

// The chart on the window's "Pumping test" tab.
class FitChart : public QWidget {
    Q_OBJECT
public:
    explicit FitChart(QWidget* parent = nullptr);
    void setData(FitChartData data);
    [[nodiscard]] const FitChartData& data() const { return m_data; }
    // As a picture file at its size on the screen (pictureSizeOf), in the given format or the one
    // the name says. Returns "" when written, else the reason.
    [[nodiscard]] QString writePictureFile(
        const std::filesystem::path& path, std::optional<PictureFormat> format = {}) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FitChartData m_data;
};

} // namespace drawfield
