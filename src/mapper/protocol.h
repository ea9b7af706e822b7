#pragma once

// The mapping program's side of the automation protocol (see surfer/process_automation.h): the
// bytes that arrive on standard input become request lines, and each line gets one reply.

#include "mapper/automation_server.h"

#include <QByteArray>
#include <QJsonObject>

#include <functional>
#include <string_view>

namespace drawfield::mapper {

// No request of the export comes near this; a longer line is refused, not stored.
inline constexpr qsizetype LongestRequestBytes = 1 << 20;

// Splits a byte stream into lines ending in "\n" (a "\r" before it is dropped). A line longer than
// LongestRequestBytes is not kept: it is reported once, when its end arrives, as an empty line
// with `overlong` set.
class RequestLines {
public:
    using LineHandler = std::function<void(const QByteArray& line, bool overlong)>;

    void feed(std::string_view bytes, const LineHandler& onLine);
    // The end of the stream: a last line without "\n" still counts.
    void finish(const LineHandler& onLine);

private:
    QByteArray m_line;
    bool m_overlong = false;
};

// The reply to one request line: the server's answer, or an error when the line is not a JSON
// object. Every reply carries the request's "id" when it had one.
[[nodiscard]] QJsonObject replyTo(
    AutomationServer& server, const QByteArray& line, bool overlong = false);

} // namespace drawfield::mapper
