#pragma once

// Site coordinates: with [map] coordinates = crs, the map's extent, the bores, the points, the
// boundaries and the profile are written as eastings and northings of the scenario's coordinate
// system ([georeference] crs), in its own units. The computation keeps its local frame of whole
// metres; its point (0, 0) lies at the origin: [georeference] easting and northing where given,
// else the map's X and Y minimum, to the metre below.

#include "compute/straight_line.h"
#include "scenario/value_reading.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drawfield {

struct ScenarioTexts;

class SiteFrame {
public:
    enum class Axis { X, Y };
    enum class Rounding { Down, Up, Nearest };

    // The frame of texts, or none when its coordinates are local; a refusal when they are
    // site coordinates without a coordinate system or an origin.
    [[nodiscard]] static std::optional<SiteFrame> of(
        const ScenarioTexts& texts, std::vector<std::string>& refusals);

    [[nodiscard]] Point origin() const { return m_origin; }
    // A site coordinate in local metres; a refusal naming the field when it is none.
    [[nodiscard]] std::optional<double> local(
        const std::string& text, const std::string& field, Axis axis);
    // The same on the lattice: to the whole metre below, above or nearest, within the 16 bits the
    // lattice takes; a refusal naming the field when it is beyond.
    [[nodiscard]] std::optional<std::int16_t> lattice(
        const std::string& text, const std::string& field, Axis axis, Rounding rounding);

private:
    SiteFrame(Point origin, std::vector<std::string>& refusals);
    Point m_origin;
    std::vector<std::string>* m_refusals;
};

// "crs" and "local" (or empty), in any letter case: whether the texts are site coordinates.
[[nodiscard]] std::optional<bool> siteCoordinatesOfText(const std::string& text);

} // namespace drawfield
