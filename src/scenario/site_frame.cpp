#include "scenario/site_frame.h"

#include "compute/ascii_case.h"
#include "files/number_text.h"
#include "files/user_text.h"
#include "scenario/scenario.h"

#include <cmath>

namespace drawfield {
namespace {

    // A site coordinate: a plain number in the system's own units (no unit word, no [units]).
    std::optional<double> siteNumber(
        const std::string& text, const std::string& field, std::vector<std::string>& refusals)
    {
        const std::optional<double> value = plainNumber(text, field, refusals);
        // Projected coordinates stay within ten thousand kilometres of their origin.
        if (value && !(std::fabs(*value) <= 1e7)) {
            refusals.push_back(field
                + " must lie within 10000 km of the coordinate system's "
                  "origin; "
                + quotedExcerpt(text) + " does not.");
            return std::nullopt;
        }
        return value;
    }

} // namespace

std::optional<bool> siteCoordinatesOfText(const std::string& text)
{
    const std::string word = asciiLowerCase(text);
    if (word == "crs")
        return true;
    if (word.empty() || word == "local")
        return false;
    return std::nullopt;
}

SiteFrame::SiteFrame(Point origin, std::vector<std::string>& refusals)
    : m_origin(origin)
    , m_refusals(&refusals)
{
}

std::optional<SiteFrame> SiteFrame::of(
    const ScenarioTexts& texts, std::vector<std::string>& refusals)
{
    if (!siteCoordinatesOfText(texts.coordinates).value_or(false))
        return std::nullopt;
    const GeoreferenceTexts& geo = texts.georeference;
    if (geo.crs.empty()) {
        refusals.push_back("Coordinates = crs needs the coordinate system they are in: give "
                           "[georeference] crs, such as EPSG:25832.");
        return std::nullopt;
    }
    // The origin: the georeference's point, else the map's minimum corner to the metre below.
    const bool given = !geo.easting.empty() || !geo.northing.empty();
    std::optional<double> easting = siteNumber(
        given ? geo.easting : texts.xMin, given ? "Georeference, easting" : "X minimum", refusals);
    std::optional<double> northing = siteNumber(given ? geo.northing : texts.yMin,
        given ? "Georeference, northing" : "Y minimum", refusals);
    if (!easting || !northing)
        return std::nullopt;
    return SiteFrame(
        { given ? *easting : std::floor(*easting), given ? *northing : std::floor(*northing) },
        refusals);
}

std::optional<double> SiteFrame::local(const std::string& text, const std::string& field, Axis axis)
{
    const std::optional<double> value = siteNumber(text, field, *m_refusals);
    if (!value)
        return std::nullopt;
    return *value - (axis == Axis::X ? m_origin.X : m_origin.Y);
}

std::optional<std::int16_t> SiteFrame::lattice(
    const std::string& text, const std::string& field, Axis axis, Rounding rounding)
{
    const std::optional<double> metres = local(text, field, axis);
    if (!metres)
        return std::nullopt;
    const double whole = rounding == Rounding::Down ? std::floor(*metres)
        : rounding == Rounding::Up                  ? std::ceil(*metres)
                                                    : std::round(*metres);
    if (!(std::fabs(whole) <= 32767.0)) {
        const double origin = axis == Axis::X ? m_origin.X : m_origin.Y;
        m_refusals->push_back(field + " " + quotedExcerpt(text) + " lies "
            + plainSignificantText(std::fabs(*metres), 6) + " m from the map's origin ("
            + (axis == Axis::X ? "easting " : "northing ") + plainSignificantText(origin, 12)
            + "); the map reaches at most 32767 m from it. Give [georeference] easting and "
              "northing within the site.");
        return std::nullopt;
    }
    return static_cast<std::int16_t>(whole);
}

} // namespace drawfield
