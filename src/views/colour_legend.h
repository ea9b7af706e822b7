#pragma once

#include "views/colour_scale.h"

#include <QRectF>

class QFontMetricsF;
class QPainter;

namespace drawfield {

// Width (px) the colour scale needs beside a chart, for the font of these metrics.
[[nodiscard]] double colourLegendWidth(const QFontMetricsF& metrics, const ColourScale& scale);

// The colour scale at the top left of area: its title ("Drawdown (m)", in the scale's unit),
// then one box per band, shallowest on top, each band's lower level written beside it. Returns
// where the last box ends (y).
double paintColourLegend(QPainter& painter, const QRectF& area, const ColourScale& scale);

} // namespace drawfield
