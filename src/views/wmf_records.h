#pragma once

// The records of a Windows Metafile as WmfDevice writes them: the GDI functions they replay,
// their parameters as little-endian words, colours and coordinates as the format holds them.

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPolygonF>

#include <cstdint>
#include <vector>

namespace drawfield {

// Record functions (the GDI call each record replays).
enum Function : std::uint16_t {
    MetaEof = 0x0000,
    MetaSaveDc = 0x001E,
    MetaSetBkMode = 0x0102,
    MetaSetMapMode = 0x0103,
    MetaSetPolyFillMode = 0x0106,
    MetaRestoreDc = 0x0127,
    MetaSelectObject = 0x012D,
    MetaSetTextAlign = 0x012E,
    MetaDeleteObject = 0x01F0,
    MetaSetTextColor = 0x0209,
    MetaSetWindowOrg = 0x020B,
    MetaSetWindowExt = 0x020C,
    MetaCreatePenIndirect = 0x02FA,
    MetaCreateFontIndirect = 0x02FB,
    MetaCreateBrushIndirect = 0x02FC,
    MetaPolygon = 0x0324,
    MetaPolyline = 0x0325,
    MetaIntersectClipRect = 0x0416,
    MetaTextOut = 0x0521,
    MetaPolyPolygon = 0x0538,
    MetaStretchDib = 0x0F43,
};

constexpr std::uint16_t Transparent = 1;
constexpr std::uint16_t MapModeAnisotropic = 8;
constexpr std::uint16_t Alternate = 1;
constexpr std::uint16_t Winding = 2;
constexpr std::uint16_t TextAlignBaseline = 24;
constexpr std::uint32_t SourceCopy = 0x00CC0020;

// The words of one record's parameters, little-endian as the format stores them.
class Words {
public:
    Words& operator<<(std::uint16_t word)
    {
        m_words.push_back(word);
        return *this;
    }
    Words& operator<<(std::int16_t word) { return *this << static_cast<std::uint16_t>(word); }
    Words& add32(std::uint32_t value)
    {
        m_words.push_back(static_cast<std::uint16_t>(value & 0xFFFF));
        m_words.push_back(static_cast<std::uint16_t>(value >> 16));
        return *this;
    }
    Words& addBytes(const QByteArray& bytes) // padded to a whole word
    {
        for (qsizetype i = 0; i < bytes.size(); i += 2) {
            auto low = static_cast<std::uint8_t>(bytes[i]);
            auto high = i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[i + 1])
                                             : std::uint8_t { 0 };
            m_words.push_back(static_cast<std::uint16_t>(low | (high << 8)));
        }
        return *this;
    }
    [[nodiscard]] const std::vector<std::uint16_t>& words() const { return m_words; }

private:
    std::vector<std::uint16_t> m_words;
};

// A colour as a COLORREF; any transparency blended over white (the format has none).
[[nodiscard]] std::uint32_t colourRef(const QColor& colour);
// A coordinate rounded and clamped to a 16-bit word.
[[nodiscard]] std::int16_t clampWord(double value);
// The rings in groups whose boxes touch, directly or through other rings of the group; each group
// in the rings' order.
[[nodiscard]] std::vector<std::vector<int>> nestingGroups(const QList<QPolygonF>& rings);

} // namespace drawfield
