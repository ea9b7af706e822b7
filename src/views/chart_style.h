#pragma once

// What the two charts share in look: fonts and text sizes that follow the picture's size.

#include <QColor>

#include <QFont>
#include <QRectF>
#include <algorithm>

namespace drawfield::chart_style {

// Arial where it exists (it is in every metafile reader); its metric twin elsewhere.
[[nodiscard]] inline QFont font(const QRectF& target, double scale = 1.0)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    int size = static_cast<int>(std::clamp(target.height() / 42.0, 9.0, 16.0) * scale);
    font.setPixelSize(std::max(8, size));
    return font;
}

inline const QColor Background = Qt::white;
inline const QColor Ink = QColor(0x20, 0x20, 0x20);
inline const QColor ContourLine = QColor(0x30, 0x30, 0x30);
inline const QColor Mesh = QColor(0x60, 0x60, 0x60);

} // namespace drawfield::chart_style
