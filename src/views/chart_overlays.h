#pragma once

// What the charts draw over a map's drawdowns: the pumping wells where they stand, and the edge of
// the zone where Cooper-Jacob holds.

#include "compute/drawdown_engine.h"

#include <QPainterPath>
#include <QString>

#include <memory>
#include <vector>

namespace drawfield {

struct SampledField;

struct WellMarker {
    double xMetres = 0.0;
    double yMetres = 0.0;
    QString label; // "Bore 1"
};

struct ChartOverlays {
    std::vector<WellMarker> wells;
    std::shared_ptr<const ValidityZone> validity; // empty when there is none to show
};

// The pumping bores of a run, labelled by their rows ("Bore 3" for the third).
std::vector<WellMarker> pumpingBores(const ScenarioInputs& inputs);

// The edge of the validity zone of grid (m), as lines across the map at the samples' lattice:
// where the nodes nearest the samples change from Cooper-Jacob holding to Cooper-Jacob off.
QPainterPath validityEdge(
    const SampledField& samples, const DrawdownGrid& grid, const ValidityZone& zone);

} // namespace drawfield
