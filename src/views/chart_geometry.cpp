#include "views/chart_geometry.h"

#include <QPainter>

#include <algorithm>

namespace drawfield {

MapGeometry chartMapGeometry(const ChartSource& source)
{
    const DrawdownGrid& grid = *source.grid;
    // Both charts of a map share one pass over the grid, and so its extremes and contour levels.
    const std::shared_ptr<const ChartSamples> samples = chartSamples(
        source.grid, source.xSpacing, source.ySpacing, source.threads, source.length.factor);
    const std::vector<BoundaryOverlay>& boundaries = source.overlays.boundaries;
    MapGeometry map = buildMapGeometry(samples->map, source.meshShown, source.zonesFilled,
        boundaries, source.scale ? &*source.scale : nullptr);
    map.scale.setUnit(QString::fromStdString(source.length.word));
    map.wells = source.overlays.wells;
    map.draft = source.draft;
    if (source.siteAxes)
        setAxisOrigin(map, source.axisOrigin);
    map.title = source.title;
    const ValidityZone* zone = source.overlays.validity.get();
    if (zone != nullptr && zone->columns == (grid.columnCount() - 1) / zone->stride + 1
        && zone->rows == (grid.rowCount() - 1) / zone->stride + 1
        && source.xSpacing == grid.nodeSpacing() && source.ySpacing == grid.nodeSpacing()) {
        const QPainterPath edge = validityEdge(withArea(samples->map), grid, *zone);
        if (boundaries.empty()) {
            map.validityEdge = edge;
        } else {
            for (const QPolygonF& line : edge.toSubpathPolygons())
                for (const QPolygonF& piece : clippedToAquifer(line, boundaries))
                    map.validityEdge.addPolygon(piece);
        }
    }
    return map;
}

SurfaceChart chartSurface(const ChartSource& source)
{
    SurfaceChart surface;
    surface.samples = chartSamples(
        source.grid, source.xSpacing, source.ySpacing, source.threads, source.length.factor);
    surface.wells = source.overlays.wells;
    if (source.draft)
        surface.mostFacesPerSide = SurfaceChart::DraftFacesPerSide;
    surface.model
        = buildSurfaceModel(surface.samples->surface, source.meshShown, source.zonesFilled);
    surface.model.scale.setUnit(QString::fromStdString(source.length.word));
    placeWells(surface.model, surface.samples->surface, surface.wells);
    surface.model.boundaries = source.overlays.boundaries;
    return surface;
}

void paintSurfaceChart(QPainter& painter, const QRectF& target, const SurfaceChart& surface,
    const SurfaceProjection& projection)
{
    const int perSide = std::clamp(
        static_cast<int>(target.width() / 7.0), 24, std::max(24, surface.mostFacesPerSide));
    if (perSide >= surface.model.columns && perSide >= surface.model.rows) {
        paintSurface(painter, target, projection);
        return;
    }
    const SampledField coarse = coarsened(surface.samples->surface, perSide);
    SurfaceModel model
        = buildSurfaceModel(coarse, surface.model.meshShown, surface.model.zonesFilled);
    model.scale.setUnit(surface.model.scale.unit());
    placeWells(model, coarse, surface.wells);
    model.boundaries = surface.model.boundaries;
    paintSurface(painter, target, projectSurface(model, projection.angles));
}

ChartPicture::ChartPicture(ChartKind kind, const ChartSource& source, const ViewAngles& angles)
    : m_kind(kind)
{
    if (kind == ChartKind::ContourMap) {
        m_map = chartMapGeometry(source);
        return;
    }
    m_surface = chartSurface(source);
    m_projection = projectSurface(m_surface->model, angles);
}

void ChartPicture::paint(QPainter& painter, const QRectF& target) const
{
    if (m_kind == ChartKind::ContourMap)
        paintMap(painter, target, *m_map);
    else
        paintSurfaceChart(painter, target, *m_surface, *m_projection);
}

QString ChartPicture::write(const std::filesystem::path& path, const QSize& pixels) const
{
    return writePicture(
        path, pixels, [this](QPainter& painter, const QRectF& target) { paint(painter, target); });
}

} // namespace drawfield
