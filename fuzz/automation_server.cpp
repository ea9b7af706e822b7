// The mapping program's side of the automation protocol: any bytes on its input give exactly one
// well-formed reply per line, and nothing brings the server down.
//
// The server reads and writes the files that requests name. Inputs holding "/" or "\" (which
// JSON can turn into "/") are skipped, so every name is a bare one in the harness's scratch
// folder, its working directory.

#include "mapper/automation_server.h"
#include "fuzz_support.h"
#include "mapper/protocol.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>

using namespace drawfield::mapper;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    // A small record file for the requests to grid and post: a cone around (5, 5).
    QFile record(QStringLiteral("d.dat"));
    if (record.open(QIODevice::WriteOnly))
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                record.write(QByteArray::number(x) + ',' + QByteArray::number(y) + ','
                    + QByteArray::number(-1.0 / (1 + (x - 5) * (x - 5) + (y - 5) * (y - 5)))
                    + "\r\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.find_first_of("/\\") != std::string_view::npos)
        return 0;
    AutomationServer server({}, {});
    RequestLines lines;
    int requests = 0;
    int replies = 0;
    auto answer = [&](const QByteArray& line, bool overlong) {
        ++requests;
        QJsonObject reply = replyTo(server, line, overlong);
        ++replies;
        int kinds = (reply.contains(QStringLiteral("value")) ? 1 : 0)
            + (reply.contains(QStringLiteral("object")) ? 1 : 0)
            + (reply.contains(QStringLiteral("error")) ? 1 : 0);
        FUZZ_REQUIRE(kinds == 1, "a reply is a value, an object or an error");
        if (reply.contains(QStringLiteral("error"))) {
            QByteArray error = reply.value(QStringLiteral("error")).toString().toUtf8();
            FUZZ_REQUIRE(isReadableMessage(std::string_view(error.constData(),
                                               static_cast<std::size_t>(error.size())),
                             1200),
                "errors are short readable lines");
        }
        QJsonObject request = QJsonDocument::fromJson(line).object();
        FUZZ_REQUIRE(reply.value(QStringLiteral("id")) == request.value(QStringLiteral("id")),
            "a reply carries its request's id");
    };
    // In two pieces, as a pipe may deliver them.
    lines.feed(bytes.substr(0, size / 2), answer);
    lines.feed(bytes.substr(size / 2), answer);
    lines.finish(answer);
    FUZZ_REQUIRE(requests == replies, "one reply per line");
    return 0;
}
