#pragma once

// GDAL's contouring of a drawdown map: the lattice as a raster, the lines and bands it traces,
// and their parts inside the aquifer.

#include "gis/gdal_support.h"
#include "gis/gis_features.h"

#include <vector>

namespace drawfield {

// The grid's lattice for GDAL's contouring: rows of nodes from the south, pixels centred on
// the nodes, minus the drawdown as the grid holds it. Without boundaries it is the grid's own
// memory. With them, nodes just beyond a line take the value their mirror image in the
// aquifer has, as the image wells continue the cone (the same across a barrier, the opposite
// across a recharge line), so that contours run on to the line, where they are cut as the map
// cuts them; that needs a copy, made for maps up to MostContinuedNodes.
class LatticeRaster {
public:
    static constexpr long long MostContinuedNodes = 1LL << 26; // half a gigabyte
    LatticeRaster(const DrawdownGrid& grid, const std::optional<Georeference>& place,
        const GisFeatures& features, const StagedFiles& staging);
    ~LatticeRaster();
    LatticeRaster(const LatticeRaster&) = delete;
    LatticeRaster& operator=(const LatticeRaster&) = delete;
    [[nodiscard]] GDALRasterBandH band() const { return GDALGetRasterBand(m_dataset, 1); }

private:
    // The lattice as one value per node, the nodes within two spacings beyond a boundary
    // continued from their mirror images.
    static std::vector<double> continued(const DrawdownGrid& grid, const GisFeatures& features);

    GDALDatasetH m_dataset = nullptr;
    std::vector<double> m_copy;
};

// Runs GDAL's contouring of the lattice at the levels (minus drawdowns) into a layer of the memory
// driver with fields ID and ELEV, or ELEV_MIN and ELEV_MAX when polygonised.
[[nodiscard]] OGRLayerH contourInMemory(const LatticeRaster& raster, GDALDatasetH memory,
    const char* name, const std::vector<double>& levels, bool polygons, const StagedFiles& staging,
    ProgressSpan span);

// The parts of geometry of the given kind (lines or polygons) inside the aquifer; the geometry
// itself, cloned, without boundaries.
[[nodiscard]] std::vector<OGRGeometryH> clippedParts(
    OGRGeometryH geometry, OGRGeometryH aquifer, OGRwkbGeometryType kind);

} // namespace drawfield
