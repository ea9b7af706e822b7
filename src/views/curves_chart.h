#pragma once

// The curves chart: the drawdown over time at the observation points (log time, one line per
// point, the schedule hours marked) above the drawdown along the profile at the map's time.
// Drawdown grows downward, as hydrogeologists draw it. One paint routine for the screen and every
// picture format.

#include "compute/observations.h"
#include "views/picture_files.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <optional>
#include <vector>

namespace drawfield {

// A bore's rate change, marked on the time axis.
struct ScheduleMark {
    double hours = 0.0;
    QString bore; // its name
    double rateCubicMetresPerHour = 0.0; // the rate from then on
};

struct CurvesData {
    ObservationCurves curves; // no names: no curves panel
    std::vector<ScheduleMark> marks; // in time order, within the curves' time span
    // Each point's limit (m), a dashed line of its colour; as many as the curves' names.
    std::vector<std::optional<double>> limits;
    std::vector<ProfilePoint> profile; // empty: no profile panel
    QString profileTitle; // "Profile from (1, 1) to (100, 100) m at 24 h"
    std::optional<double> shownSeconds; // the time the map shows, when not the pumping time
    ShownUnit length; // the unit drawdowns are shown in: metres, or the length [units] chose
};

// What the chart shows for a run, from its curves and profile; or computing them.
[[nodiscard]] CurvesData curvesData(
    const ScenarioInputs& inputs, ObservationCurves curves, std::vector<ProfilePoint> profile);
[[nodiscard]] CurvesData curvesData(const ScenarioInputs& inputs);

// Paints the chart into target: the panels there is something for, or a line saying what to add.
void paintCurves(QPainter& painter, const QRectF& target, const CurvesData& data);

// The widget on the window's "Curves" tab.
class CurvesChart : public QWidget {
    Q_OBJECT
public:
    explicit CurvesChart(QWidget* parent = nullptr);
    void setData(CurvesData data); // keeps the time shown
    // Marks the time the map shows with a line across the curves; none at the pumping time.
    void setShownTime(std::optional<double> seconds);
    [[nodiscard]] const CurvesData& data() const { return m_data; }
    [[nodiscard]] bool hasData() const { return m_filled; }
    // The chart as a picture file at its size on the screen (pictureSizeOf), in the given format
    // or the one the name says. Returns "" when written, else the reason.
    [[nodiscard]] QString writePictureFile(
        const std::filesystem::path& path, std::optional<PictureFormat> format = {}) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CurvesData m_data;
    bool m_filled = false;
};

} // namespace drawfield
