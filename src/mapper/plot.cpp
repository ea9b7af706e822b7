#include "mapper/plot.h"

#include "mapper/gridding.h"
#include "views/map_geometry.h"
#include "views/picture_files.h"

#include "files/atomic_file.h"
#include "files/user_text.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>

#include <cmath>
#include <optional>

namespace drawfield::mapper {
namespace {

    constexpr double PageWidthInches = 8.0;
    constexpr double PageHeightInches = 6.0;
    // 4800 x 3600 pixels at most: a larger request is a client's error, not a gigabyte picture.
    constexpr int LargestDpi = 600;
    // A plot document names a few files; anything near this is not one.
    constexpr qint64 LargestDocumentBytes = 1 << 20;

    struct ExportOptions {
        int horizontalDpi = 96;
        int verticalDpi = 96;
        int colourDepth = 24;
    };

    ExportOptions parseOptions(const QString& text)
    {
        ExportOptions options;
        for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            QString key = part.section(QLatin1Char('='), 0, 0).trimmed().toLower();
            bool ok = false;
            int value = part.section(QLatin1Char('='), 1).trimmed().toInt(&ok);
            if (!ok)
                continue;
            if (key == QLatin1String("defaults") && value == 1)
                options = ExportOptions();
            else if (key == QLatin1String("hdpi") && value > 0 && value <= LargestDpi)
                options.horizontalDpi = value;
            else if (key == QLatin1String("vdpi") && value > 0 && value <= LargestDpi)
                options.verticalDpi = value;
            else if (key == QLatin1String("colordepth")
                && (value == 8 || value == 24 || value == 32))
                options.colourDepth = value;
        }
        return options;
    }

    // Qt writes BMP files of at most 24 bits per pixel; a 32-bit one is written here: the file
    // header, a BITMAPINFOHEADER, then the rows from the bottom up as blue, green, red, alpha.
    bool writeBmp32(QIODevice& out, const QImage& picture)
    {
        const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
        const quint32 rowBytes = static_cast<quint32>(image.width()) * 4;
        const quint32 pixelBytes = rowBytes * static_cast<quint32>(image.height());
        QByteArray bytes;
        auto put16 = [&](quint16 v) {
            bytes.append(char(v & 0xFF));
            bytes.append(char(v >> 8));
        };
        auto put32 = [&](quint32 v) {
            put16(quint16(v & 0xFFFF));
            put16(quint16(v >> 16));
        };
        bytes.append("BM");
        put32(14 + 40 + pixelBytes);
        put32(0);
        put32(14 + 40);
        put32(40);
        put32(static_cast<quint32>(image.width()));
        put32(static_cast<quint32>(image.height()));
        put16(1);
        put16(32);
        put32(0); // no compression
        put32(pixelBytes);
        put32(static_cast<quint32>(image.dotsPerMeterX()));
        put32(static_cast<quint32>(image.dotsPerMeterY()));
        put32(0);
        put32(0);
        for (int y = image.height() - 1; y >= 0; --y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                bytes.append(char(qBlue(row[x])));
                bytes.append(char(qGreen(row[x])));
                bytes.append(char(qRed(row[x])));
                bytes.append(char(qAlpha(row[x])));
            }
        }
        return out.write(bytes) == bytes.size();
    }

    QString kindName(Layer::Kind kind)
    {
        return kind == Layer::Kind::Contour ? QStringLiteral("contour") : QStringLiteral("post");
    }

    void paintFrame(QPainter& painter, const QRectF& target, const Frame& frame)
    {
        std::optional<SampledField> field;
        bool filled = false, scaleShown = false;
        std::vector<Points> pointSets;
        for (const auto& layer : frame.layers) {
            try {
                if (layer->kind == Layer::Kind::Contour && !field) {
                    field = layer->gridField();
                    filled = layer->fillContours;
                    scaleShown = layer->showColorScale;
                } else if (layer->kind == Layer::Kind::Post) {
                    pointSets.push_back(layer->pointSet());
                }
            } catch (const MapperError&) {
                // A layer whose file is gone draws nothing.
            }
        }
        if (!field && pointSets.empty())
            return;
        if (!field) {
            // Points alone: an empty map over their extent.
            const Points& points = pointSets.front();
            auto [xLow, xHigh] = std::minmax_element(points.x.begin(), points.x.end());
            auto [yLow, yHigh] = std::minmax_element(points.y.begin(), points.y.end());
            SampledField empty;
            empty.columns = empty.rows = 2;
            empty.xFirst = *xLow;
            empty.yFirst = *yLow;
            empty.xSpacing = std::max(*xHigh - *xLow, 1.0);
            empty.ySpacing = std::max(*yHigh - *yLow, 1.0);
            empty.drawdowns.assign(4, 0.0);
            field = empty;
        }
        MapGeometry map = buildMapGeometry(*field, false, filled);
        map.colourScaleShown = scaleShown;
        paintMap(painter, target, map);
        MapLayout layout = mapLayout(painter.device(), target, map);
        if (!layout.fits)
            return;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::black, 1.0));
        painter.setClipRect(layout.plot.adjusted(-3, -3, 3, 3));
        for (const Points& points : pointSets)
            for (std::size_t i = 0; i < points.size(); ++i) {
                QPointF at = layout.fromMetres.map(QPointF(points.x[i], points.y[i]));
                painter.drawLine(at - QPointF(3, 3), at + QPointF(3, 3));
                painter.drawLine(at - QPointF(3, -3), at + QPointF(3, -3));
            }
        painter.restore();
    }

} // namespace

const SampledField& Layer::gridField() const
{
    if (!grid)
        grid = std::make_shared<const SampledField>(readDrawdownGrid(file));
    return *grid;
}

const Points& Layer::pointSet() const
{
    if (!points)
        points = std::make_shared<const Points>(readPoints(file, false));
    return *points;
}

QJsonObject PlotDocument::toJson(const QString& folder) const
{
    const QDir base(folder);
    QJsonArray frameList;
    for (const auto& frame : frames) {
        QJsonArray layerList;
        for (const auto& layer : frame->layers) {
            QString name = layer->file;
            if (!folder.isEmpty()) {
                QString relative = base.relativeFilePath(layer->file);
                if (!relative.startsWith(QLatin1String("..")) && !QDir::isAbsolutePath(relative))
                    name = relative;
            }
            QJsonObject item { { QStringLiteral("type"), kindName(layer->kind) },
                { QStringLiteral("file"), name } };
            if (layer->kind == Layer::Kind::Contour) {
                item.insert(QStringLiteral("fillContours"), layer->fillContours);
                item.insert(QStringLiteral("showColorScale"), layer->showColorScale);
            }
            layerList.append(item);
        }
        frameList.append(QJsonObject { { QStringLiteral("layers"), layerList } });
    }
    return { { QStringLiteral("format"), QStringLiteral("drawfield-mapper plot") },
        { QStringLiteral("version"), 1 }, { QStringLiteral("frames"), frameList } };
}

PlotDocument PlotDocument::fromJson(const QJsonObject& json, const QString& folder)
{
    if (json.value(QStringLiteral("format")).toString() != QLatin1String("drawfield-mapper plot"))
        throw MapperError("not a plot document of drawfield-mapper");
    PlotDocument document;
    for (const QJsonValue& frameValue : json.value(QStringLiteral("frames")).toArray()) {
        auto frame = std::make_shared<Frame>();
        for (const QJsonValue& layerValue :
            frameValue.toObject().value(QStringLiteral("layers")).toArray()) {
            QJsonObject item = layerValue.toObject();
            auto layer = std::make_shared<Layer>();
            QString type = item.value(QStringLiteral("type")).toString();
            if (type != QLatin1String("contour") && type != QLatin1String("post"))
                throw MapperError("unknown layer type " + quotedExcerpt(type.toStdString())
                    + " in the plot document");
            layer->kind
                = type == QLatin1String("contour") ? Layer::Kind::Contour : Layer::Kind::Post;
            layer->file = item.value(QStringLiteral("file")).toString();
            if (!folder.isEmpty() && QDir::isRelativePath(layer->file))
                layer->file = QDir(folder).filePath(layer->file);
            layer->fillContours = item.value(QStringLiteral("fillContours")).toBool();
            layer->showColorScale = item.value(QStringLiteral("showColorScale")).toBool();
            frame->layers.push_back(layer);
        }
        document.frames.push_back(frame);
    }
    return document;
}

void PlotDocument::save(const QString& path) const
{
    const QByteArray bytes
        = QJsonDocument(toJson(QFileInfo(path).absolutePath())).toJson(QJsonDocument::Indented);
    try {
        AtomicFile file(QFile::encodeName(path).toStdString(), "plot document");
        file.write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        file.commit();
    } catch (const FileWriteError& error) {
        throw MapperError(error.what());
    }
}

PlotDocument PlotDocument::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw MapperError(cannotMessage("read", "plot document",
            QFile::encodeName(path).toStdString(), file.errorString().toStdString()));
    QJsonParseError error {};
    QJsonDocument json = QJsonDocument::fromJson(file.read(LargestDocumentBytes), &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        throw MapperError(cannotMessage("read", "plot document",
            QFile::encodeName(path).toStdString(), error.errorString().toStdString()));
    return fromJson(json.object(), QFileInfo(path).absolutePath());
}

void paintPlot(QPainter& painter, const QRectF& target, const PlotDocument& document)
{
    painter.fillRect(target, Qt::white);
    for (const auto& frame : document.frames)
        paintFrame(painter, target, *frame);
}

QSize exportSize(const QString& options)
{
    ExportOptions parsed = parseOptions(options);
    return { static_cast<int>(std::lround(PageWidthInches * parsed.horizontalDpi)),
        static_cast<int>(std::lround(PageHeightInches * parsed.verticalDpi)) };
}

void exportPlot(const PlotDocument& document, const QString& path, const QString& options)
{
    const ExportOptions parsed = parseOptions(options);
    const QSize size = exportSize(options);
    auto paint
        = [&](QPainter& painter, const QRectF& target) { paintPlot(painter, target, document); };
    const std::filesystem::path target = QFile::encodeName(path).toStdString();
    if (std::optional<PictureFormat> vector = pictureFormatOf(target);
        vector && *vector != PictureFormat::Png) {
        QString error = writePicture(target, *vector, size, paint);
        if (!error.isEmpty())
            throw MapperError(error.toStdString());
        return;
    }
    QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format))
        throw MapperError(cannotMessage("export", "picture", target.native(),
            "no picture format is named " + quotedExcerpt(format.toStdString())));
    QImage image(size, parsed.colourDepth == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    if (parsed.colourDepth == 8)
        image = image.convertToFormat(QImage::Format_Indexed8);
    image.setDotsPerMeterX(static_cast<int>(std::lround(parsed.horizontalDpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(parsed.verticalDpi / 0.0254)));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool encoded = format == "bmp" && parsed.colourDepth == 32
        ? writeBmp32(buffer, image)
        : image.save(&buffer, format.constData());
    if (!encoded)
        throw MapperError(cannotMessage("export", "picture", target.native(),
            "the picture could not be encoded as " + format.toStdString()));
    try {
        AtomicFile file(target, "picture");
        file.write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        file.commit();
    } catch (const FileWriteError& error) {
        throw MapperError(error.what());
    }
}

} // namespace drawfield::mapper
