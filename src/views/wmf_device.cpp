#include "views/wmf_device.h"

#include "views/wmf_records.h"

#include <QIODevice>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <vector>

namespace drawfield {

class WmfPaintEngine : public QPaintEngine {
public:
    WmfPaintEngine(QIODevice* out, QSize pixels, int dotsPerInch)
        : QPaintEngine(PrimitiveTransform | PixmapTransform | PainterPaths | Antialiasing
            | AlphaBlend | ConstantOpacity)
        , m_out(out)
        , m_pixels(pixels)
        , m_dotsPerInch(dotsPerInch)
    {
        int longer = std::max({ 1, pixels.width(), pixels.height() });
        m_unitsPerPixel = std::clamp(32000 / longer, 1, 16);
    }

    bool begin(QPaintDevice*) override
    {
        m_records.clear();
        m_maxRecordWords = 0;
        m_objectSlots.clear();
        m_pen = m_brush = m_font = std::nullopt;
        m_pinned.clear();
        m_clip.reset();
        m_fillMode = 0;
        m_textColour.reset();
        record(MetaSetMapMode, Words() << MapModeAnisotropic);
        record(MetaSetWindowOrg, Words() << std::int16_t { 0 } << std::int16_t { 0 });
        record(MetaSetWindowExt,
            Words() << clampWord(m_pixels.height() * m_unitsPerPixel)
                    << clampWord(m_pixels.width() * m_unitsPerPixel));
        emitDeviceContextState();
        setActive(true);
        return true;
    }

    bool end() override
    {
        setActive(false);
        if (m_clip)
            record(MetaRestoreDc, Words() << std::int16_t { -1 });
        for (std::size_t slot = 0; slot < m_objectSlots.size(); ++slot)
            if (m_objectSlots[slot])
                record(MetaDeleteObject, Words() << static_cast<std::uint16_t>(slot));
        record(MetaEof, Words());
        QByteArray file = header() + m_records;
        return m_out->write(file) == file.size();
    }

    void updateState(const QPaintEngineState& state) override
    {
        QPaintEngine::DirtyFlags flags = state.state();
        if (flags & DirtyTransform)
            m_transform = state.transform();
        if (flags & DirtyPen)
            m_painterPen = state.pen();
        if (flags & DirtyBrush)
            m_painterBrush = state.brush();
        if (flags & DirtyFont)
            m_painterFont = state.font();
        if (flags & (DirtyClipPath | DirtyClipRegion | DirtyClipEnabled))
            updateClip(state);
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count < 2)
            return;
        if (count > MostPointsPerRecord) {
            // Counts are 16-bit in the format: a longer outline keeps every n-th point.
            std::vector<QPointF> fewer;
            const int every = (count + MostPointsPerRecord - 1) / MostPointsPerRecord;
            for (int i = 0; i < count; i += every)
                fewer.push_back(points[i]);
            drawPolygon(fewer.data(), static_cast<int>(fewer.size()), mode);
            return;
        }
        Words words;
        words << static_cast<std::uint16_t>(count);
        for (int i = 0; i < count; ++i)
            addPoint(words, points[i]);
        if (mode == PolylineMode) {
            selectPen();
            record(MetaPolyline, words);
            return;
        }
        selectPen();
        selectBrush();
        setFillMode(mode == WindingMode ? Winding : Alternate);
        record(MetaPolygon, words);
    }

    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        std::vector<QPointF> converted(points, points + count);
        drawPolygon(converted.data(), count, mode);
    }

    void drawPath(const QPainterPath& path) override
    {
        const QList<QPolygonF> polygons = path.toSubpathPolygons();
        if (polygons.isEmpty())
            return;
        if (m_painterBrush.style() == Qt::NoBrush) {
            for (const QPolygonF& polygon : polygons)
                drawPolygon(polygon.constData(), static_cast<int>(polygon.size()), PolylineMode);
            return;
        }
        // Libwmf-based readers join the rings of a POLYPOLYGON with lines. Rings that stand
        // apart (no ring's box touches another's) fill alike as records of their own: a lone
        // ring is a POLYGON, and only rings that may hold one another (a band with a hole) are
        // one POLYPOLYGON, so a joining line can only run inside them.
        const PolygonDrawMode mode = path.fillRule() == Qt::WindingFill ? WindingMode : OddEvenMode;
        for (const std::vector<int>& group : nestingGroups(polygons)) {
            const bool tooLarge = group.size() > std::size_t { MostPointsPerRecord }
                || std::any_of(group.begin(), group.end(),
                    [&](int ring) { return polygons[ring].size() > MostPointsPerRecord; });
            if (group.size() == 1 || tooLarge) {
                for (int ring : group)
                    drawPolygon(
                        polygons[ring].constData(), static_cast<int>(polygons[ring].size()), mode);
                continue;
            }
            Words words;
            words << static_cast<std::uint16_t>(group.size());
            for (int ring : group)
                words << static_cast<std::uint16_t>(polygons[ring].size());
            for (int ring : group)
                for (const QPointF& point : polygons[ring])
                    addPoint(words, point);
            selectPen();
            selectBrush();
            setFillMode(path.fillRule() == Qt::WindingFill ? Winding : Alternate);
            record(MetaPolyPolygon, words);
        }
    }

    static constexpr int MostPointsPerRecord = 65535;

    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QRectF& r = rects[i];
            QPointF corners[4] = { r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft() };
            drawPolygon(corners, 4, ConvexMode);
        }
    }

    void drawRects(const QRect* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }

    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            QPointF ends[2] = { lines[i].p1(), lines[i].p2() };
            drawPolygon(ends, 2, PolylineMode);
        }
    }

    void drawLines(const QLine* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            QLineF line(lines[i]);
            drawLines(&line, 1);
        }
    }

    void drawEllipse(const QRectF& rect) override
    {
        QPainterPath path;
        path.addEllipse(rect);
        drawPath(path);
    }

    void drawPoints(const QPointF* points, int count) override
    {
        for (int i = 0; i < count; ++i) {
            QPointF ends[2] = { points[i], points[i] + QPointF(0.5, 0.0) };
            drawPolygon(ends, 2, PolylineMode);
        }
    }

    void drawTextItem(const QPointF& position, const QTextItem& item) override
    {
        QByteArray text = item.text().toLatin1();
        if (text.isEmpty())
            return;
        selectFont(item.font());
        std::uint32_t colour = colourRef(m_painterPen.color());
        if (m_textColour != colour) {
            record(MetaSetTextColor, Words().add32(colour));
            m_textColour = colour;
        }
        QPointF at = m_transform.map(position) * m_unitsPerPixel;
        Words words;
        words << static_cast<std::uint16_t>(text.size());
        words.addBytes(text);
        words << clampWord(at.y()) << clampWord(at.x());
        record(MetaTextOut, words);
    }

    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override
    {
        QImage image
            = pixmap.toImage().copy(source.toAlignedRect()).convertToFormat(QImage::Format_RGB888);
        if (image.isNull())
            return;
        QRectF device = m_transform.mapRect(target);
        const int width = image.width(), height = image.height();
        const int stride = (width * 3 + 3) / 4 * 4;
        QByteArray dib;
        auto put32 = [&](std::uint32_t v) {
            for (int b = 0; b < 4; ++b)
                dib.append(static_cast<char>((v >> (8 * b)) & 0xFF));
        };
        auto put16 = [&](std::uint16_t v) {
            dib.append(static_cast<char>(v & 0xFF));
            dib.append(static_cast<char>(v >> 8));
        };
        put32(40);
        put32(static_cast<std::uint32_t>(width));
        put32(static_cast<std::uint32_t>(height)); // positive: rows from the bottom up
        put16(1);
        put16(24);
        put32(0);
        put32(static_cast<std::uint32_t>(stride * height));
        put32(3780);
        put32(3780);
        put32(0);
        put32(0);
        for (int y = height - 1; y >= 0; --y) {
            const uchar* row = image.constScanLine(y);
            QByteArray line(stride, '\0');
            for (int x = 0; x < width; ++x) {
                line[x * 3] = static_cast<char>(row[x * 3 + 2]);
                line[x * 3 + 1] = static_cast<char>(row[x * 3 + 1]);
                line[x * 3 + 2] = static_cast<char>(row[x * 3]);
            }
            dib.append(line);
        }
        Words words;
        words.add32(SourceCopy);
        words << std::uint16_t { 0 } // colours given as RGB
              << static_cast<std::uint16_t>(height) << static_cast<std::uint16_t>(width)
              << std::uint16_t { 0 } << std::uint16_t { 0 }
              << clampWord(device.height() * m_unitsPerPixel)
              << clampWord(device.width() * m_unitsPerPixel)
              << clampWord(device.top() * m_unitsPerPixel)
              << clampWord(device.left() * m_unitsPerPixel);
        words.addBytes(dib);
        record(MetaStretchDib, words);
    }

    Type type() const override { return User; }

private:
    // A GDI object as the file creates it: its kind and parameters, compared to avoid repeats.
    struct Object {
        std::uint16_t function = 0;
        std::vector<std::uint16_t> parameters;
        bool operator==(const Object&) const = default;
    };
    struct Selected {
        Object object;
        std::uint16_t slot = 0;
    };

    void record(std::uint16_t function, const Words& parameters)
    {
        const auto& words = parameters.words();
        std::uint32_t size = static_cast<std::uint32_t>(3 + words.size());
        m_maxRecordWords = std::max(m_maxRecordWords, size);
        auto put16 = [&](std::uint16_t v) {
            m_records.append(static_cast<char>(v & 0xFF));
            m_records.append(static_cast<char>(v >> 8));
        };
        put16(static_cast<std::uint16_t>(size & 0xFFFF));
        put16(static_cast<std::uint16_t>(size >> 16));
        put16(function);
        for (std::uint16_t word : words)
            put16(word);
    }

    void addPoint(Words& words, const QPointF& point) const
    {
        QPointF device = m_transform.map(point) * m_unitsPerPixel;
        words << clampWord(device.x()) << clampWord(device.y());
    }

    double transformScale() const { return std::sqrt(std::abs(m_transform.determinant())); }

    // Creates the object in the lowest free slot (as readers allocate them), selects it, and frees
    // the slot of the object it replaces, unless a saved state still refers to that one.
    void select(std::optional<Selected>& current, const Object& wanted)
    {
        if (current && current->object == wanted)
            return;
        auto free = std::find(m_objectSlots.begin(), m_objectSlots.end(), false);
        auto slot = static_cast<std::uint16_t>(free - m_objectSlots.begin());
        if (free == m_objectSlots.end())
            m_objectSlots.push_back(true);
        else
            *free = true;
        Words words;
        for (std::uint16_t word : wanted.parameters)
            words << word;
        record(wanted.function, words);
        record(MetaSelectObject, Words() << slot);
        if (current && std::find(m_pinned.begin(), m_pinned.end(), current->slot) == m_pinned.end())
            release(current->slot);
        current = Selected { wanted, slot };
    }

    void release(std::uint16_t slot)
    {
        record(MetaDeleteObject, Words() << slot);
        m_objectSlots[slot] = false;
    }

    void selectPen()
    {
        const QPen& pen = m_painterPen;
        std::uint16_t style = 0; // solid
        switch (pen.style()) {
        case Qt::NoPen:
            style = 5;
            break;
        case Qt::DashLine:
            style = 1;
            break;
        case Qt::DotLine:
            style = 2;
            break;
        case Qt::DashDotLine:
            style = 3;
            break;
        case Qt::DashDotDotLine:
            style = 4;
            break;
        default:
            break;
        }
        double pixels = pen.isCosmetic() ? std::max(1.0, pen.widthF())
                                         : std::max(1.0, pen.widthF() * transformScale());
        // GDI draws a pen's dashes only at one pixel's width (wider, it is solid): a dashed pen
        // is written 0 wide, the one-pixel pen, so that every reader shows its dashes.
        const bool dashed = style >= 1 && style <= 4;
        Words words;
        words << style << (dashed ? std::int16_t { 0 } : clampWord(pixels * m_unitsPerPixel))
              << std::int16_t { 0 };
        words.add32(colourRef(pen.color()));
        select(m_pen, Object { MetaCreatePenIndirect, words.words() });
    }

    void selectBrush()
    {
        const QBrush& brush = m_painterBrush;
        Words words;
        words << static_cast<std::uint16_t>(brush.style() == Qt::NoBrush ? 1 : 0);
        words.add32(colourRef(brush.color()));
        words << std::uint16_t { 0 };
        select(m_brush, Object { MetaCreateBrushIndirect, words.words() });
    }

    void selectFont(const QFont& font)
    {
        double pixels
            = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * m_dotsPerInch / 72.0;
        double angle = std::atan2(m_transform.m12(), m_transform.m11()) * 180.0 / std::numbers::pi;
        auto escapement = static_cast<std::int16_t>(std::lround(-angle * 10.0));
        Words words;
        words << clampWord(-pixels * transformScale() * m_unitsPerPixel) // negative: the em height
              << std::int16_t { 0 } << escapement << escapement
              << static_cast<std::int16_t>(font.weight())
              << static_cast<std::uint16_t>(
                     (font.italic() ? 1 : 0) | (font.underline() ? 1 << 8 : 0))
              << static_cast<std::uint16_t>(font.strikeOut() ? 1 : 0) // strike-out, character set 0
              << std::uint16_t { 0 } // precisions
              << std::uint16_t { 0x2200 }; // default quality; variable pitch, sans serif family
        QByteArray face = font.family().toLatin1().left(31);
        face.append('\0');
        words.addBytes(face);
        select(m_font, Object { MetaCreateFontIndirect, words.words() });
    }

    void setFillMode(std::uint16_t mode)
    {
        if (m_fillMode == mode)
            return;
        record(MetaSetPolyFillMode, Words() << mode);
        m_fillMode = mode;
    }

    void emitDeviceContextState()
    {
        record(MetaSetBkMode, Words() << Transparent);
        record(MetaSetTextAlign, Words() << TextAlignBaseline);
        if (m_textColour)
            record(MetaSetTextColor, Words().add32(*m_textColour));
        if (m_fillMode)
            record(MetaSetPolyFillMode, Words() << m_fillMode);
    }

    // A clip is a saved device context narrowed to a rectangle; a new clip restores the saved one
    // first. Objects selected when the state was saved stay alive until it is restored.
    void updateClip(const QPaintEngineState& state)
    {
        std::optional<QRect> clip;
        if (state.isClipEnabled() && state.clipOperation() != Qt::NoClip) {
            QRectF bounds = (state.state() & DirtyClipRegion)
                ? QRectF(state.clipRegion().boundingRect())
                : state.clipPath().boundingRect();
            clip = m_transform.mapRect(bounds).toAlignedRect();
        }
        if (clip == m_clip)
            return;
        if (m_clip) {
            record(MetaRestoreDc, Words() << std::int16_t { -1 });
            // The restored state selects the pinned objects again: select the current ones before
            // deleting the pinned ones that are no longer in use.
            for (const auto* current : { &m_pen, &m_brush, &m_font })
                if (*current)
                    record(MetaSelectObject, Words() << (*current)->slot);
            for (std::uint16_t slot : m_pinned)
                if ((!m_pen || m_pen->slot != slot) && (!m_brush || m_brush->slot != slot)
                    && (!m_font || m_font->slot != slot))
                    release(slot);
            m_pinned.clear();
            emitDeviceContextState();
        }
        m_clip = clip;
        if (m_clip) {
            record(MetaSaveDc, Words());
            for (const auto* current : { &m_pen, &m_brush, &m_font })
                if (*current)
                    m_pinned.push_back((*current)->slot);
            record(MetaIntersectClipRect,
                Words() << clampWord((m_clip->bottom() + 1) * m_unitsPerPixel)
                        << clampWord((m_clip->right() + 1) * m_unitsPerPixel)
                        << clampWord(m_clip->top() * m_unitsPerPixel)
                        << clampWord(m_clip->left() * m_unitsPerPixel));
        }
    }

    QByteArray header() const
    {
        QByteArray bytes;
        auto put16 = [&](std::uint16_t v) {
            bytes.append(static_cast<char>(v & 0xFF));
            bytes.append(static_cast<char>(v >> 8));
        };
        auto put32 = [&](std::uint32_t v) {
            put16(static_cast<std::uint16_t>(v & 0xFFFF));
            put16(static_cast<std::uint16_t>(v >> 16));
        };
        // The placeable header: the frame in metafile units and how many units make an inch.
        put32(0x9AC6CDD7);
        put16(0);
        put16(0);
        put16(0);
        put16(static_cast<std::uint16_t>(clampWord(m_pixels.width() * m_unitsPerPixel)));
        put16(static_cast<std::uint16_t>(clampWord(m_pixels.height() * m_unitsPerPixel)));
        put16(static_cast<std::uint16_t>(m_dotsPerInch * m_unitsPerPixel));
        put32(0);
        std::uint16_t checksum = 0;
        for (qsizetype i = 0; i < bytes.size(); i += 2)
            checksum ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[i])
                | (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
        put16(checksum);
        // The metafile header: in memory, version 3, its size and largest record in words.
        put16(1);
        put16(9);
        put16(0x0300);
        put32(static_cast<std::uint32_t>(9 + m_records.size() / 2));
        put16(static_cast<std::uint16_t>(std::max<std::size_t>(1, m_objectSlots.size())));
        put32(m_maxRecordWords);
        put16(0);
        return bytes;
    }

    QIODevice* m_out;
    QSize m_pixels;
    int m_dotsPerInch;
    int m_unitsPerPixel = 16;
    QByteArray m_records;
    std::uint32_t m_maxRecordWords = 0;
    std::vector<bool> m_objectSlots;
    std::optional<Selected> m_pen, m_brush, m_font;
    std::vector<std::uint16_t> m_pinned;
    std::optional<QRect> m_clip;
    std::uint16_t m_fillMode = 0;
    std::optional<std::uint32_t> m_textColour;
    QTransform m_transform;
    QPen m_painterPen;
    QBrush m_painterBrush;
    QFont m_painterFont;
};

WmfDevice::WmfDevice(QIODevice* out, QSize pixels, int dotsPerInch)
    : m_pixels(pixels)
    , m_dotsPerInch(dotsPerInch)
    , m_engine(std::make_unique<WmfPaintEngine>(out, pixels, dotsPerInch))
{
}

WmfDevice::~WmfDevice() = default;

QPaintEngine* WmfDevice::paintEngine() const { return m_engine.get(); }

int WmfDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_pixels.width();
    case PdmHeight:
        return m_pixels.height();
    case PdmWidthMM:
        return static_cast<int>(std::lround(m_pixels.width() * 25.4 / m_dotsPerInch));
    case PdmHeightMM:
        return static_cast<int>(std::lround(m_pixels.height() * 25.4 / m_dotsPerInch));
    case PdmNumColors:
        return 1 << 24;
    case PdmDepth:
        return 24;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return m_dotsPerInch;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
}

} // namespace drawfield
