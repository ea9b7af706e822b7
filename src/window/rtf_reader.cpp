#include "window/rtf_reader.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace drawfield {
namespace {

    // Windows-1252 characters 0x80 to 0x9F; the rest of the page is Latin-1.
    constexpr char16_t Windows1252[32]
        = { 0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
              0x2039, 0x0152, 0x8D, 0x017D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
              0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178 };

    QChar fromWindows1252(int code)
    {
        if (code >= 0x80 && code < 0xA0)
            return QChar(Windows1252[code - 0x80]);
        return QChar(static_cast<char16_t>(code));
    }

    constexpr long long LargestNumber = 1'000'000'000;
    constexpr int LargestHalfPoints = 288; // 144 points: larger text is no page's text

    struct GroupState {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        double pointSize = 12.0;
        int colour = 0;
        bool skip = false; // inside a destination whose text is not shown
        bool colourTable = false;
        int unicodeSkip = 1; // characters that stand in for a \uN character
    };

    class Reader {
    public:
        Reader(const QByteArray& rtf, QTextDocument& document)
            : m_rtf(rtf)
            , m_cursor(&document)
        {
            m_colours.push_back(QColor(Qt::black)); // index 0: the automatic colour
        }

        void read()
        {
            m_stack.push_back(GroupState());
            while (m_pos < m_rtf.size()) {
                char c = m_rtf[m_pos++];
                if (c == '{') {
                    flush();
                    m_stack.push_back(m_stack.back());
                    m_stack.back().colourTable = false;
                    m_groupStart = true;
                    continue;
                }
                if (c == '}') {
                    flush();
                    if (m_stack.size() > 1)
                        m_stack.pop_back();
                    m_groupStart = false;
                    continue;
                }
                if (c == '\\') {
                    readControl();
                    m_groupStart = false;
                    continue;
                }
                m_groupStart = false;
                if (c == '\r' || c == '\n')
                    continue;
                if (state().colourTable) {
                    if (c == ';')
                        endColour();
                    continue;
                }
                text(QChar(static_cast<char16_t>(static_cast<unsigned char>(c))));
            }
            flush();
        }

    private:
        GroupState& state() { return m_stack.back(); }

        void readControl()
        {
            if (m_pos >= m_rtf.size())
                return;
            char c = m_rtf[m_pos];
            if (!std::isalpha(static_cast<unsigned char>(c))) {
                ++m_pos;
                switch (c) {
                case '\\':
                case '{':
                case '}':
                    text(QChar(static_cast<char16_t>(c)));
                    break;
                case '~':
                    text(QChar(0x00A0));
                    break;
                case '_':
                    text(QChar(0x2011));
                    break;
                case '\'': {
                    bool ok = false;
                    int code = m_rtf.mid(m_pos, 2).toInt(&ok, 16);
                    m_pos += 2;
                    if (ok)
                        text(fromWindows1252(code));
                    break;
                }
                case '*':
                    state().skip = true; // an ignorable destination
                    break;
                case '\n':
                case '\r':
                    paragraph();
                    break;
                default: // \- and other symbols show nothing
                    break;
                }
                return;
            }
            QByteArray word;
            while (m_pos < m_rtf.size() && std::isalpha(static_cast<unsigned char>(m_rtf[m_pos])))
                word += m_rtf[m_pos++];
            bool hasNumber = false;
            long long number = 0;
            int sign = 1;
            if (m_pos < m_rtf.size() && m_rtf[m_pos] == '-') {
                sign = -1;
                ++m_pos;
            }
            // RTF parameters are 16-bit; a longer run of digits is read whole but saturates.
            while (m_pos < m_rtf.size() && std::isdigit(static_cast<unsigned char>(m_rtf[m_pos]))) {
                hasNumber = true;
                number = std::min<long long>(number * 10 + (m_rtf[m_pos++] - '0'), LargestNumber);
            }
            number *= sign;
            if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
                ++m_pos; // the delimiter belongs to the word
            control(word, hasNumber, static_cast<int>(number));
        }

        void control(const QByteArray& word, bool hasNumber, int number)
        {
            GroupState& s = state();
            bool on = !hasNumber || number != 0;
            if (m_groupStart
                && (word == "fonttbl" || word == "stylesheet" || word == "info" || word == "pict"
                    || word == "header" || word == "footer" || word == "filetbl"))
                s.skip = true;
            else if (m_groupStart && word == "colortbl") {
                s.colourTable = true;
                s.skip = true;
            } else if (s.colourTable && (word == "red" || word == "green" || word == "blue")) {
                int& channel = word == "red" ? m_red : word == "green" ? m_green : m_blue;
                channel = std::clamp(number, 0, 255);
            } else if (word == "par")
                paragraph();
            else if (word == "line")
                text(QChar(QChar::LineSeparator));
            else if (word == "tab")
                text(QChar('\t'));
            else if (word == "pard") {
                flush();
                m_alignment = Qt::AlignLeft;
            } else if (word == "qc") {
                flush();
                m_alignment = Qt::AlignHCenter;
            } else if (word == "ql") {
                flush();
                m_alignment = Qt::AlignLeft;
            } else if (word == "plain") {
                flush();
                s.bold = s.italic = s.underline = false;
                s.pointSize = 12.0;
                s.colour = 0;
            } else if (word == "b") {
                flush();
                s.bold = on;
            } else if (word == "i") {
                flush();
                s.italic = on;
            } else if (word == "ul") {
                flush();
                s.underline = on;
            } else if (word == "ulnone") {
                flush();
                s.underline = false;
            } else if (word == "fs" && hasNumber && number > 0) {
                flush();
                s.pointSize = std::min(number, LargestHalfPoints) / 2.0;
            } else if (word == "cf" && hasNumber) {
                flush();
                s.colour = number;
            } else if (word == "uc" && hasNumber) {
                s.unicodeSkip = std::clamp(number, 0, 8);
            } else if (word == "u" && hasNumber) {
                if (number >= -32768 && number <= 65535)
                    text(QChar(static_cast<char16_t>(number < 0 ? number + 65536 : number)));
                skipStandIns(s.unicodeSkip);
            }
            // Any other word is skipped.
        }

        // After \uN, the next characters stand in for readers without Unicode.
        void skipStandIns(int count)
        {
            for (int i = 0; i < count && m_pos < m_rtf.size(); ++i) {
                if (m_rtf[m_pos] == '\\' && m_pos + 1 < m_rtf.size() && m_rtf[m_pos + 1] == '\'')
                    m_pos += 4;
                else if (m_rtf[m_pos] == '{' || m_rtf[m_pos] == '}' || m_rtf[m_pos] == '\\')
                    return;
                else
                    ++m_pos;
            }
        }

        void endColour()
        {
            // An entry without channels is the automatic colour; the first entry is index 0.
            QColor colour = m_red < 0 && m_green < 0 && m_blue < 0
                ? QColor(Qt::black)
                : QColor(std::max(0, m_red), std::max(0, m_green), std::max(0, m_blue));
            if (m_sawColour)
                m_colours.push_back(colour);
            else
                m_colours[0] = colour;
            m_sawColour = true;
            m_red = m_green = m_blue = -1;
        }

        void text(QChar c)
        {
            if (state().skip)
                return;
            m_pending += c;
        }

        void paragraph()
        {
            if (state().skip)
                return;
            flush();
            QTextBlockFormat block;
            block.setAlignment(m_alignment);
            m_cursor.setBlockFormat(block);
            m_cursor.insertBlock();
        }

        void flush()
        {
            if (m_pending.isEmpty())
                return;
            const GroupState& s = m_stack.back();
            QTextCharFormat format;
            format.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(s.italic);
            format.setFontUnderline(s.underline);
            format.setFontPointSize(s.pointSize);
            if (s.colour >= 0 && s.colour < static_cast<int>(m_colours.size()))
                format.setForeground(m_colours[static_cast<std::size_t>(s.colour)]);
            QTextBlockFormat block = m_cursor.blockFormat();
            block.setAlignment(m_alignment);
            m_cursor.setBlockFormat(block);
            m_cursor.insertText(m_pending, format);
            m_pending.clear();
        }

        const QByteArray& m_rtf;
        qsizetype m_pos = 0;
        QTextCursor m_cursor;
        std::vector<GroupState> m_stack;
        std::vector<QColor> m_colours;
        int m_red = -1, m_green = -1, m_blue = -1;
        bool m_sawColour = false;
        bool m_groupStart = false;
        Qt::Alignment m_alignment = Qt::AlignLeft;
        QString m_pending;
    };

} // namespace

void readRtf(const QByteArray& rtf, QTextDocument& document)
{
    document.clear();
    Reader(rtf, document).read();
}

} // namespace drawfield
