#include "mapper/protocol.h"

#include <QJsonDocument>

namespace drawfield::mapper {

void RequestLines::feed(std::string_view bytes, const LineHandler& onLine)
{
    while (!bytes.empty()) {
        std::size_t end = bytes.find('\n');
        std::string_view part = bytes.substr(0, end);
        if (!m_overlong) {
            if (m_line.size() + static_cast<qsizetype>(part.size()) > LongestRequestBytes) {
                m_overlong = true;
                m_line.clear();
                m_line.squeeze();
            } else {
                m_line.append(part.data(), static_cast<qsizetype>(part.size()));
            }
        }
        if (end == std::string_view::npos)
            return;
        bytes.remove_prefix(end + 1);
        if (m_line.endsWith('\r'))
            m_line.chop(1);
        onLine(m_line, m_overlong);
        m_line.clear();
        m_overlong = false;
    }
}

void RequestLines::finish(const LineHandler& onLine)
{
    if (!m_line.isEmpty() || m_overlong)
        onLine(m_line, m_overlong);
    m_line.clear();
    m_overlong = false;
}

QJsonObject replyTo(AutomationServer& server, const QByteArray& line, bool overlong)
{
    if (overlong)
        return { { QStringLiteral("error"),
            QStringLiteral("a request must be at most %1 bytes long").arg(LongestRequestBytes) } };
    QJsonParseError error {};
    QJsonDocument request = QJsonDocument::fromJson(line, &error);
    if (request.isObject())
        return server.handle(request.object());
    if (error.error != QJsonParseError::NoError)
        return { { QStringLiteral("error"),
            QStringLiteral("a request must be a JSON object; this line is not JSON (%1 at byte %2)")
                .arg(error.errorString())
                .arg(error.offset) } };
    return { { QStringLiteral("error"),
        QStringLiteral("a request must be a JSON object, not an array") } };
}

} // namespace drawfield::mapper
