#include "views/picture_files.h"

#include "views/wmf_device.h"

#include "files/atomic_file.h"
#include "files/user_text.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace drawfield {

namespace {

    // Paints one picture on device; false when the painter cannot begin or end there.
    bool paintOn(QPaintDevice& device, const PaintRoutine& paint, const QRectF& area)
    {
        QPainter painter;
        if (!painter.begin(&device))
            return false;
        paint(painter, area);
        return painter.end();
    }

} // namespace

std::optional<PictureFormat> pictureFormatOf(const std::filesystem::path& path)
{
    const QString suffix = QString::fromLocal8Bit(path.extension().native()).mid(1).toLower();
    if (suffix == QLatin1String("wmf"))
        return PictureFormat::Wmf;
    if (suffix == QLatin1String("png"))
        return PictureFormat::Png;
    if (suffix == QLatin1String("svg"))
        return PictureFormat::Svg;
    if (suffix == QLatin1String("pdf"))
        return PictureFormat::Pdf;
    return std::nullopt;
}

QString writePicture(
    const std::filesystem::path& path, const QSize& pixels, const PaintRoutine& paint)
{
    const std::optional<PictureFormat> format
        = path == "-" ? std::optional(PictureFormat::Png) : pictureFormatOf(path);
    if (!format)
        return pictureError(path, QStringLiteral("the name must end in .wmf, .svg, .pdf or .png"));
    return writePicture(path, *format, pixels, paint);
}

QSize pictureSizeOf(const QSize& shown)
{
    return shown.width() >= 200 && shown.height() >= 150 ? shown : QSize(960, 720);
}

QString pictureError(const std::filesystem::path& path, const QString& reason)
{
    return QString::fromLocal8Bit(
        cannotMessage("write", "picture", path.native(), reason.toLocal8Bit().toStdString()));
}

QString writePicture(const std::filesystem::path& path, PictureFormat format, const QSize& pixels,
    const PaintRoutine& paint)
{
    if (pixels.isEmpty())
        return pictureError(path, QStringLiteral("the picture has no size"));
    // The picture is drawn in memory first and then written as the record file is: whole or not
    // at all, and never in place of a device or through a replaced link.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QRectF area(QPointF(0, 0), QSizeF(pixels));

    bool painted = false;
    switch (format) {
    case PictureFormat::Wmf: {
        WmfDevice device(&buffer, pixels);
        painted = paintOn(device, paint, area);
        break;
    }
    case PictureFormat::Svg: {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setResolution(96);
        generator.setSize(pixels);
        generator.setViewBox(area);
        generator.setTitle(QStringLiteral("Drawfield 2.0"));
        painted = paintOn(generator, paint, area);
        break;
    }
    case PictureFormat::Pdf: {
        QPdfWriter writer(&buffer);
        writer.setResolution(96);
        writer.setPageSize(QPageSize(QSizeF(pixels) * 72.0 / 96.0, QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setCreator(QStringLiteral("Drawfield 2.0"));
        painted = paintOn(writer, paint, area);
        break;
    }
    case PictureFormat::Png: {
        QImage image(pixels, QImage::Format_RGB32);
        image.fill(Qt::white);
        painted = paintOn(image, paint, area) && image.save(&buffer, "PNG");
        break;
    }
    }
    if (!painted)
        return pictureError(path, QStringLiteral("the picture could not be drawn"));
    try {
        AtomicFile file(path, "picture");
        file.write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        file.commit();
    } catch (const FileWriteError& error) {
        return QString::fromLocal8Bit(error.what());
    }
    return QString();
}

} // namespace drawfield
