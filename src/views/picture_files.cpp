#include "views/picture_files.h"

#include "views/wmf_device.h"

#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
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

std::optional<PictureFormat> pictureFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
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
    const QString& path, PictureFormat format, const QSize& pixels, const PaintRoutine& paint)
{
    auto failure = [&](const QString& reason) {
        return QStringLiteral("cannot write picture %1: %2").arg(path, reason);
    };
    if (pixels.isEmpty())
        return failure(QStringLiteral("the picture has no size"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    const QRectF area(QPointF(0, 0), QSizeF(pixels));

    bool painted = false;
    switch (format) {
    case PictureFormat::Wmf: {
        WmfDevice device(&file, pixels);
        painted = paintOn(device, paint, area);
        break;
    }
    case PictureFormat::Svg: {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setResolution(96);
        generator.setSize(pixels);
        generator.setViewBox(area);
        generator.setTitle(QStringLiteral("Drawfield 2.0"));
        painted = paintOn(generator, paint, area);
        break;
    }
    case PictureFormat::Pdf: {
        QPdfWriter writer(&file);
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
        painted = paintOn(image, paint, area) && image.save(&file, "PNG");
        break;
    }
    }
    if (!painted) {
        file.cancelWriting();
        return failure(file.error() != QFileDevice::NoError
                ? file.errorString()
                : QStringLiteral("the picture could not be drawn"));
    }
    if (!file.commit())
        return failure(file.errorString());
    return QString();
}

} // namespace drawfield
