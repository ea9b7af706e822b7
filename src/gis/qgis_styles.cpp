#include "gis/qgis_styles.h"

#include <cstdio>

namespace drawfield {
namespace {

    std::string number(double value)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.10g", value);
        return text;
    }

    std::string rgb(unsigned colour)
    {
        return std::to_string((colour >> 16) & 0xFF) + "," + std::to_string((colour >> 8) & 0xFF)
            + "," + std::to_string(colour & 0xFF) + ",255";
    }

    std::string option(const char* name, const std::string& value)
    {
        return "<Option name=\"" + std::string(name) + "\" type=\"QString\" value=\"" + value
            + "\"/>";
    }

    // A symbol of one layer of QGIS's symbol classes, its properties as name, value pairs.
    std::string symbol(const char* type, const std::string& name, const char* layerClass,
        std::initializer_list<std::pair<const char*, std::string>> properties)
    {
        std::string out = "<symbol type=\"" + std::string(type) + "\" name=\"" + name
            + "\" alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\"><layer class=\"" + layerClass
            + "\" enabled=\"1\" locked=\"0\" pass=\"0\"><Option type=\"Map\">";
        for (const auto& [key, value] : properties)
            out += option(key, value);
        return out + "</Option></layer></symbol>";
    }

    std::string document(const std::string& renderer, const std::string& labeling)
    {
        return "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n"
               "<qgis version=\"3.22.0\" styleCategories=\"Symbology|Labeling\">\n"
            + renderer + "\n" + labeling + "\n</qgis>\n";
    }

    // Labels from a field: along lines, or beside points; white halo for the map beneath.
    std::string labels(const char* field, bool alongLines)
    {
        return "<labeling type=\"simple\"><settings calloutType=\"simple\">"
               "<text-style fieldName=\""
            + std::string(field)
            + "\" isExpression=\"0\" fontFamily=\"DejaVu Sans\" fontSize=\"8\" "
              "fontSizeUnit=\"Point\" textColor=\"20,20,20,255\" textOpacity=\"1\">"
              "<text-buffer bufferDraw=\"1\" bufferSize=\"0.8\" bufferSizeUnits=\"MM\" "
              "bufferColor=\"255,255,255,255\" bufferOpacity=\"0.8\"/></text-style>"
              "<placement placement=\""
            + std::string(alongLines ? "2" : "0")
            + "\" dist=\"1.5\" distUnits=\"MM\" repeatDistance=\"0\"/>"
              "<rendering drawLabels=\"1\" obstacle=\"1\" scaleVisibility=\"0\"/>"
              "</settings></labeling>";
    }

    // A categorized renderer on a field: value, label, symbol.
    struct Category {
        const char* value;
        const char* label;
        std::string symbol;
    };
    std::string categorized(const char* field, const std::vector<Category>& categories)
    {
        std::string out = "<renderer-v2 type=\"categorizedSymbol\" attr=\"" + std::string(field)
            + "\" symbollevels=\"0\" forceraster=\"0\" enableorderby=\"0\"><categories>";
        for (std::size_t i = 0; i < categories.size(); ++i)
            out += "<category value=\"" + std::string(categories[i].value) + "\" label=\""
                + categories[i].label + "\" symbol=\"" + std::to_string(i) + "\" render=\"true\"/>";
        out += "</categories><symbols>";
        for (const Category& category : categories)
            out += category.symbol;
        return out + "</symbols></renderer-v2>";
    }

    // The map's blues where the map gives no colours: pale for shallow, dark for deep.
    unsigned rampColour(std::size_t band, std::size_t bands)
    {
        const double t = bands > 1 ? static_cast<double>(band) / static_cast<double>(bands - 1) : 0;
        auto channel = [&](double pale, double deep) {
            return static_cast<unsigned>(pale + (deep - pale) * t + 0.5);
        };
        return channel(255, 8) << 16 | channel(255, 48) << 8 | channel(204, 107);
    }

} // namespace

std::string pointState(const GisPoint& point)
{
    if (point.kind == "bore")
        return point.failed ? "bore runs dry" : "bore";
    return point.failed ? "limit passed" : "observation";
}

std::string contoursStyle()
{
    return document("<renderer-v2 type=\"singleSymbol\" symbollevels=\"0\" forceraster=\"0\" "
                    "enableorderby=\"0\"><symbols>"
            + symbol("line", "0", "SimpleLine",
                { { "line_color", "40,40,40,255" }, { "line_width", "0.3" },
                    { "line_width_unit", "MM" }, { "line_style", "solid" } })
            + "</symbols></renderer-v2>",
        labels("drawdown_m", true));
}

std::string bandsStyle(const std::vector<double>& levels, const std::vector<unsigned>& colours)
{
    const std::size_t bands = levels.size() + 1;
    std::string ranges, symbols;
    for (std::size_t band = 0; band < bands; ++band) {
        const double lower = band == 0 ? 0.0 : levels[band - 1];
        // The deepest band runs to the deepest drawdown, whatever it is.
        const double upper = band + 1 < bands ? levels[band] : 1e12;
        const std::string label = band + 1 < bands ? number(lower) + " - " + number(upper) + " m"
                                                   : "from " + number(lower) + " m";
        ranges += "<range lower=\"" + number(lower) + "\" upper=\"" + number(upper) + "\" symbol=\""
            + std::to_string(band) + "\" label=\"" + label + "\" render=\"true\"/>";
        const unsigned colour = colours.size() == bands ? colours[band] : rampColour(band, bands);
        symbols += symbol("fill", std::to_string(band), "SimpleFill",
            { { "color", rgb(colour) }, { "style", "solid" }, { "outline_style", "no" } });
    }
    return document("<renderer-v2 type=\"graduatedSymbol\" attr=\"max_m\" "
                    "graduatedMethod=\"GraduatedColor\" symbollevels=\"0\" forceraster=\"0\" "
                    "enableorderby=\"0\"><ranges>"
            + ranges + "</ranges><symbols>" + symbols + "</symbols></renderer-v2>",
        "");
}

std::string pointsStyle()
{
    auto point = [](int index, const char* shape, const char* colour, const char* size) {
        return symbol("marker", std::to_string(index), "SimpleMarker",
            { { "name", shape }, { "color", colour }, { "size", size }, { "size_unit", "MM" },
                { "outline_color", "255,255,255,255" }, { "outline_width", "0.3" } });
    };
    return document(
        categorized("state",
            { { "bore", "Bore", point(0, "circle", "23,80,172,255", "3.2") },
                { "bore runs dry", "Bore that runs dry",
                    point(1, "circle", "215,25,28,255", "3.6") },
                { "observation", "Observation point", point(2, "triangle", "40,40,40,255", "3") },
                { "limit passed", "Observation point, limit passed",
                    point(3, "triangle", "215,25,28,255", "3.4") } }),
        labels("name", false));
}

std::string boundariesStyle()
{
    auto line = [](int index, const char* colour, const char* style) {
        return symbol("line", std::to_string(index), "SimpleLine",
            { { "line_color", colour }, { "line_width", "0.8" }, { "line_width_unit", "MM" },
                { "line_style", style } });
    };
    return document(
        categorized("kind",
            { { "barrier", "Barrier (no flow)", line(0, "60,60,60,255", "solid") },
                { "recharge", "Recharge (constant head)", line(1, "31,120,180,255", "solid") } }),
        "");
}

} // namespace drawfield
