#pragma once

// Pictures of a chart in files: one paint routine, several formats.

#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class QPainter;
class QRectF;

namespace drawfield {

enum class PictureFormat {
    Wmf = 0, // Windows Metafile (placeable), vector
    Png = 1,
    Svg = 2, // at 96 dpi
    Pdf = 3,
};

// The format a file name's extension names (.wmf, .png, .svg, .pdf; any letter case).
std::optional<PictureFormat> pictureFormatOf(const QString& path);

using PaintRoutine = std::function<void(QPainter&, const QRectF&)>;

// Paints a picture of pixels (at 96 dpi) into path, replacing any file there only once the new one
// is complete. Returns an empty string when written, else "cannot write picture <path>: <reason>".
QString writePicture(
    const QString& path, PictureFormat format, const QSize& pixels, const PaintRoutine& paint);

} // namespace drawfield
