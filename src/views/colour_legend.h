#pragma once

#include "views/colour_scale.h"

#include <QRectF>

class QPainter;

namespace drawfield {

// Width (px) the colour scale needs beside a chart, for the painter's current font.
double colourLegendWidth(const QPainter& painter);

// The colour scale at the top left of area: its title, then one box per band, shallowest on top,
// each band's lower level written beside it (m).
void paintColourLegend(QPainter& painter, const QRectF& area, const ColourScale& scale);

} // namespace drawfield
