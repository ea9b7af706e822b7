#include "views/plot_procedures.h"

#include "scenario/text_rules.h"

#include <cmath>

namespace drawfield {
namespace {

    enum class IndexWalk { EveryStep, EveryMetre };

    // The steps both fills share, in their order.
    void fill(Chart3D& chart, const PlotSource& source, IndexWalk walk)
    {
        chart.setVisible(true);
        chart.setBatched(true);
        std::optional<std::int32_t> rows = plotCount(source.GridYMax, source.GridStep);
        std::optional<std::int32_t> columns = plotCount(source.GridXMax, source.GridStep);
        if (ChartGroup* group = chart.chartGroup(1); group && rows)
            group->dataGrid().setRowCount(*rows);
        if (ChartGroup* group = chart.chartGroup(1); group && columns)
            group->dataGrid().setColumnCount(*columns);
        if (ChartGroup* group = chart.chartGroup(1))
            group->dataGrid().setRowOrigin(1.0);
        if (ChartGroup* group = chart.chartGroup(1))
            group->dataGrid().setColumnOrigin(1.0);

        // The bounds and the step are read once; the counters are 16-bit in the window, so
        // they stop before they would pass 32767.
        const int step = walk == IndexWalk::EveryStep ? source.GridStep : 1;
        const auto spacing = static_cast<double>(source.GridStep);
        if (step > 0) {
            for (int i = 1; i <= source.GridYMax; i += step)
                if (ChartGroup* group = chart.chartGroup(1))
                    group->dataGrid().setRowValue(i, spacing);
            for (int j = 1; j <= source.GridXMax; j += step)
                if (ChartGroup* group = chart.chartGroup(1))
                    group->dataGrid().setColumnValue(j, spacing);
        }
        if (ChartGroup* group = chart.chartGroup(1))
            group->displayStyle().setZonesFilled(true);
        if (ChartGroup* group = chart.chartGroup(1))
            group->displayStyle().setMeshShown(false);
        if (ChartGroup* group = chart.chartGroup(1))
            group->dataGrid().loadValues(source.DrawdownGrid); // refused before any run
        chart.setOverlays(source.overlays);
        chart.setDrawdownUnit(source.length);
        chart.setSiteOrigin(source.siteOrigin);
        chart.setBatched(false);
        chart.setVisible(true);
    }

} // namespace

std::optional<std::int32_t> plotCount(std::int16_t maximum, std::int16_t step)
{
    if (step == 0)
        return std::nullopt;
    double count = roundHalfEven(static_cast<double>(maximum) / static_cast<double>(step));
    if (!(count >= -2147483648.0 && count <= 2147483647.0))
        return std::nullopt;
    return static_cast<std::int32_t>(count);
}

void PlotMap(Chart3D& Chart3D1, const PlotSource& source)
{
    fill(Chart3D1, source, IndexWalk::EveryStep);
}

void Plot3D(Chart3D& Chart3D2, const PlotSource& source)
{
    fill(Chart3D2, source, IndexWalk::EveryMetre);
}

void rotateView(Chart3D& Chart3D2, ViewAngleStore& angles, RotationAxis axis, int direction,
    const QString& stepText, const PlotSource& source)
{
    std::int16_t& angle = axis == RotationAxis::X ? angles.ViewAngleX
        : axis == RotationAxis::Y                 ? angles.ViewAngleY
                                                  : angles.ViewAngleZ;
    if (std::optional<double> step = numberOfText(stepText.toStdString())) {
        double turned = roundHalfEven(static_cast<double>(angle) + direction * *step);
        if (turned >= -32768.0 && turned <= 32767.0)
            angle = static_cast<std::int16_t>(turned);
    }
    Chart3D2.setViewAngle(axis, static_cast<double>(angle));
    Plot3D(Chart3D2, source);
}

} // namespace drawfield
