#pragma once

// A chart of a drawdown map without a widget: the contour map's geometry, or the surface's model
// and its projection, made from a grid and what is drawn over it, and painted on any device. The
// window's charts, the pictures of drawfield-batch and the report all paint from here.

#include "views/chart_overlays.h"
#include "views/grid_sampling.h"
#include "views/map_geometry.h"
#include "views/picture_files.h"
#include "views/surface_geometry.h"

#include <memory>
#include <optional>
#include <vector>

namespace drawfield {

enum class ChartKind { ContourMap, Surface };

// What a chart shows: a grid's lattice at the given spacings (m), what is drawn over it, and
// the display style.
struct ChartSource {
    std::shared_ptr<const DrawdownGrid> grid;
    int xSpacing = 1;
    int ySpacing = 1;
    ChartOverlays overlays;
    bool meshShown = false; // lattice lines over the map, mesh lines over the surface
    bool zonesFilled = true; // colour bands; lines only (the map) or white faces when false
    // The map's colour scale when it must not follow the grid (frames of one animation, the map
    // at an earlier time): the colours then mean the same drawdown throughout.
    std::optional<ColourScale> scale;
    // A frame that follows the hand (a bore dragged, the time moved): drawn quicker, the map
    // without smoothing and the surface with fewer faces; the next still frame is whole again.
    bool draft = false;
    unsigned threads = 0; // for reading the grid: 0 one per core
    // The unit drawdowns are shown in: metres, or the length [units] chose.
    ShownUnit length;
    // The axes' labels in the site's eastings and northings: what they add to local metres.
    QPointF axisOrigin;
    bool siteAxes = false; // axisOrigin given: the axes are the site's
    QString title; // the map's, drawn above it; empty for none
};

// The axes of a run's map: in the site's eastings and northings where its scenario writes them.
inline void setSiteAxes(ChartSource& source, const ScenarioInputs& inputs)
{
    if (inputs.SiteCoordinates && inputs.Place) {
        source.axisOrigin = QPointF(inputs.Place->Easting, inputs.Place->Northing);
        source.siteAxes = true;
    }
}

// The map's geometry: bands, contours, the wells, the boundaries and, when the overlays hold a
// validity zone of this lattice, the dashed edge where Cooper-Jacob holds.
[[nodiscard]] MapGeometry chartMapGeometry(const ChartSource& source);

// The surface's model with what it was made of, so that a smaller picture can take fewer faces.
struct SurfaceChart {
    static constexpr int DraftFacesPerSide = 40;
    SurfaceModel model;
    int mostFacesPerSide = ChartSamples::SurfaceSamplesPerSide;
    std::shared_ptr<const ChartSamples> samples;
    std::vector<WellMarker> wells;
};
[[nodiscard]] SurfaceChart chartSurface(const ChartSource& source);

// Paints the surface turned by projection's angles into target: no more faces than the picture
// has room for (about one per 7 pixels across), so a small vector picture stays small.
void paintSurfaceChart(QPainter& painter, const QRectF& target, const SurfaceChart& surface,
    const SurfaceProjection& projection);

// A whole chart, built and painted at once: for pictures and the report.
class ChartPicture {
public:
    ChartPicture(ChartKind kind, const ChartSource& source, const ViewAngles& angles = {});
    void paint(QPainter& painter, const QRectF& target) const;
    // Writes it as a picture file of the given size in the format its name says (writePicture).
    // Returns "" when written, else "Cannot write the picture <path>: <Reason>.".
    [[nodiscard]] QString write(const std::filesystem::path& path, const QSize& pixels) const;
    // The map's geometry, for what a page draws over it; null for a surface.
    [[nodiscard]] const MapGeometry* map() const { return m_map ? &*m_map : nullptr; }

private:
    ChartKind m_kind;
    std::optional<MapGeometry> m_map;
    std::optional<SurfaceChart> m_surface;
    std::optional<SurfaceProjection> m_projection;
};

} // namespace drawfield
