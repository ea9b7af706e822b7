#pragma once

// Contour levels of a drawdown map and the colours of the bands between them. Drawdowns are in
// metres, positive downward; band 0 lies below the first level (no or little drawdown), the last
// band at or beyond the deepest level.

#include <QColor>
#include <QString>

#include <vector>

namespace drawfield {

class ColourScale {
public:
    // Round levels for drawdowns from shallowest to deepest (m), 7 to 11 of them (8 to 12
    // bands) where round values allow: a 1-2-5 sequence per decade for a cone that spans decades,
    // so that shallow levels such as 0.05 and 0.1 m show on a cone of a metre or two, down to
    // about a two-hundredth of the deepest; denser sequences or even steps (0.05, 0.1, 0.15...)
    // for a cone that spans little. No levels when deepest is 0.
    [[nodiscard]] static ColourScale forDrawdowns(double shallowest, double deepest);

    ColourScale() = default;
    explicit ColourScale(std::vector<double> levels); // ascending, above 0

    [[nodiscard]] const std::vector<double>& levels() const { return m_levels; }
    [[nodiscard]] int bandCount() const { return static_cast<int>(m_levels.size()) + 1; }

    // The band a drawdown falls in: the number of levels at or below it. NaN falls in band 0.
    [[nodiscard]] int bandOf(double drawdownMetres) const;
    [[nodiscard]] QColor bandColour(int band) const; // clamped to the existing bands
    [[nodiscard]] QColor colourFor(double drawdownMetres) const
    {
        return bandColour(bandOf(drawdownMetres));
    }
    // The same palette without steps: within a band the colour moves towards the next band's, so
    // a shaded surface shows no staircase at the levels. Beyond the last level, the last colour.
    [[nodiscard]] QColor smoothColourFor(double drawdownMetres) const;

    // The unit its levels are in, as the legend names it ("m", or the [units] word chosen).
    [[nodiscard]] const QString& unit() const { return m_unit; }
    void setUnit(const QString& word) { m_unit = word; }

private:
    std::vector<double> m_levels;
    QString m_unit = QStringLiteral("m");
};

} // namespace drawfield
