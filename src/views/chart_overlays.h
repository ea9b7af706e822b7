#pragma once

// What the charts draw over a map's drawdowns: the pumping wells and the observation points where
// they stand, the boundaries of the aquifer, and the edge of the zone where Cooper-Jacob holds.

#include "compute/engine/drawdown_engine.h"

#include <QLineF>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <memory>
#include <vector>

namespace drawfield {

struct SampledField;

struct WellMarker {
    double xMetres = 0.0;
    double yMetres = 0.0;
    QString label; // "Bore 1", or an observation point's name
    bool observation = false; // an observation point rather than a pumping bore
    int row = -1; // the bore's row (from 0), or the point's place among the observation points
    bool failed = false; // a bore that runs dry, a point whose limit is passed
};

// A boundary of the aquifer and the side it keeps, as the charts draw it. The geometry is
// compute's (AquiferLimits); these functions take it to and from the charts' Qt types.
struct BoundaryOverlay {
    BoundaryKind kind = BoundaryKind::Barrier;
    QLineF line; // m, two distinct points of it
    QPointF inside; // m, a point of the aquifer off the line (bore 1)
};

struct ChartOverlays {
    std::vector<WellMarker> wells; // the pumping bores, then the observation points
    std::vector<BoundaryOverlay> boundaries;
    std::shared_ptr<const ValidityZone> validity; // empty when there is none to show
};

// The pumping bores of a run, labelled by their rows ("Bore 3" for the third): those that pump at
// any time.
[[nodiscard]] std::vector<WellMarker> pumpingBores(const ScenarioInputs& inputs);

// What a run's charts draw over it: its pumping bores, observation points and boundaries, and the
// validity zone given.
[[nodiscard]] ChartOverlays chartOverlays(
    const ScenarioInputs& inputs, std::shared_ptr<const ValidityZone> validity);

// The part of rect (m) in the aquifer: a convex polygon, rect itself without boundaries, empty when
// the aquifer misses rect.
[[nodiscard]] QPolygonF aquiferWithin(
    const QRectF& rect, const std::vector<BoundaryOverlay>& boundaries);

// The stretch of a boundary's line across rect (m); a null line where it misses rect.
[[nodiscard]] QLineF stretchAcross(const QRectF& rect, const BoundaryOverlay& boundary);

// The stretch of boundaries[which] that bounds the aquifer within rect (m): its stretch across
// rect, cut where it passes beyond the other boundary; a null line where there is none.
[[nodiscard]] QLineF edgeOfAquifer(
    const QRectF& rect, const std::vector<BoundaryOverlay>& boundaries, std::size_t which);

// The pieces of polyline in the aquifer.
[[nodiscard]] std::vector<QPolygonF> clippedToAquifer(
    const QPolygonF& polyline, const std::vector<BoundaryOverlay>& boundaries);

// The field with its blank samples (beyond the boundaries) filled so that contours run on
// smoothly to the boundary and meet it where the drawdowns do: each takes the drawdown at its
// mirror image in the aquifer, as the images of the wells make it (the same across a barrier, the
// opposite across a recharge line), and where the mirror falls off the map, its nearest sample's.
[[nodiscard]] SampledField continuedBeyondBoundaries(
    const SampledField& field, const std::vector<BoundaryOverlay>& boundaries);

// The edge of the validity zone of grid (m), as lines across the map at the samples' lattice:
// around the zone's nodes where Cooper-Jacob holds (the nodes nearest the samples; the zone may be
// coarser than the map's lattice). Nodes where it is off and nodes not judged lie outside.
[[nodiscard]] QPainterPath validityEdge(
    const SampledField& samples, const DrawdownGrid& grid, const ValidityZone& zone);

} // namespace drawfield
