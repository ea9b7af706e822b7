#pragma once

// The styles QGIS applies when it opens the layers of a contour set, in its own QML: the bands
// graduated in the map's colours, the contour lines labelled with their drawdown, the bores and
// observation points by their state with their names (a dry bore or a passed limit in red), the
// boundaries by kind. A GeoPackage holds them in its layer_styles table, a shapefile beside it
// as NAME.qml.

#include "gis/gis_features.h"

#include <string>
#include <vector>

namespace drawfield {

// A point's state, as its layer's "state" field holds it and its style draws it: "bore", "bore
// runs dry", "observation" or "limit passed".
[[nodiscard]] std::string pointState(const GisPoint& point);

// The QML of each layer. The bands take the map's levels (m, ascending) and colours (one per
// band, 0xRRGGBB; a ramp of their own when there are not as many).
[[nodiscard]] std::string contoursStyle();
[[nodiscard]] std::string bandsStyle(
    const std::vector<double>& levels, const std::vector<unsigned>& colours);
[[nodiscard]] std::string pointsStyle();
[[nodiscard]] std::string boundariesStyle();

} // namespace drawfield
