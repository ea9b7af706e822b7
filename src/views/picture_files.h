#pragma once

// Pictures of a chart in files: one paint routine, several formats.

#include <QSize>
#include <QString>

#include <filesystem>
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
[[nodiscard]] std::optional<PictureFormat> pictureFormatOf(const std::filesystem::path& path);

using PaintRoutine = std::function<void(QPainter&, const QRectF&)>;

// Paints a picture of pixels (at 96 dpi) into path, written as AtomicFile writes (a file is
// replaced only once the new one is complete, a link is followed, a device is written into;
// "-" is standard output). Paths are the file system's bytes, so any name keeps them: convert a
// QString with QFile::encodeName. Returns an empty string when written, else
// "Cannot write the picture <path>: <Reason>."
[[nodiscard]] QString writePicture(const std::filesystem::path& path, PictureFormat format,
    const QSize& pixels, const PaintRoutine& paint);

// The same in the format the name says: its extension's, PNG for "-" (standard output); a name
// without one is refused: "... the name must end in .wmf, .svg, .pdf or .png.".
[[nodiscard]] QString writePicture(
    const std::filesystem::path& path, const QSize& pixels, const PaintRoutine& paint);

// The size a chart is written at: its size on the screen, or 960 x 720 when that is too small to
// read (below 200 x 150, or hidden). drawfield-batch, without a screen, takes 960 x 720.
[[nodiscard]] QSize pictureSizeOf(const QSize& shown);

// "Cannot write the picture <path>: <Reason>."
[[nodiscard]] QString pictureError(const std::filesystem::path& path, const QString& reason);

} // namespace drawfield
