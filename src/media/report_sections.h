#pragma once

// Sections of the report beyond its inputs: the table of the bores and points at each time with
// their verdicts, and the maps at those times.

#include "media/report.h"
#include "media/report_pages.h"

namespace drawfield {

// One table of every pumping bore and observation point: its drawdown at each time the report
// gives, its available drawdown or limit, and the verdict. Only where [report] names times or a
// verdict was asked for: else the tables above say it all.
void paintVerdictTable(PageWriter& writer, const ReportContent& content);

// A north arrow in the map's top left corner and a scale bar of a round length in its bottom
// left, each on a white ground, where paintMap drew the map into area.
void paintNorthArrowAndScaleBar(QPainter& painter, const QRectF& area, const MapGeometry& map);

// The maps at the times [report] names, two to a row, each under its time.
void paintTimeMaps(PageWriter& writer, QPainter& painter, const ReportContent& content);

} // namespace drawfield
