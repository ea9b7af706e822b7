// drawfield-mapper: the mapping program that the export drives. It grids X,Y,Z files, draws
// contour and post maps, exports pictures and saves plot documents.
//
//   drawfield-mapper --automation   serve automation requests on standard input and output
//   drawfield-mapper FILE           open a plot document saved earlier

#include "mapper/automation_server.h"
#include "mapper/gridding.h"
#include "mapper/plot_window.h"
#include "mapper/protocol.h"
#include "platform/file_system.h"

#include <QApplication>
#include <QJsonDocument>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>


using namespace drawfield::mapper;

namespace {

bool offScreen() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

int serve()
{
    PlotWindow* window = nullptr;
    AutomationServer server(
        [&] {
            if (window && !offScreen())
                window->show();
        },
        [&] {
            if (window)
                window->update();
        });
    PlotWindow shown([&] { return server.shownDocument(); }, [&] { return server.note(); });
    window = &shown;

    // Replies and signs of work share standard output, one whole line at a time.
    static std::mutex output;
    static QJsonValue workingOn; // the id of the request in hand
    static bool busy = false;
    static std::atomic<double> progress { -1.0 };
    auto writeLine = [](const QJsonObject& message) {
        QByteArray out = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
        std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
        std::fflush(stdout);
    };
    server.onProgress = [](double fraction) { progress = fraction; };
    auto handle = [&](const QByteArray& line, bool overlong) {
        {
            std::lock_guard lock(output);
            workingOn = QJsonDocument::fromJson(line).object().value(QStringLiteral("id"));
            busy = true;
            progress = -1.0;
        }
        QJsonObject reply = replyTo(server, line, overlong);
        std::lock_guard lock(output);
        busy = false;
        writeLine(reply);
    };
    // While a request is in hand the client hears, four times a second, that it is still worked
    // on: a long gridding is no silence.
    std::thread([writeLine] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            std::lock_guard lock(output);
            if (busy)
                writeLine({ { QStringLiteral("id"), workingOn },
                    { QStringLiteral("working"), progress.load() } });
        }
    }).detach();
    // The client has gone: stay while the window is open for the user, else end.
    auto clientGone = [&] {
        if (!shown.isVisible())
            QApplication::quit();
    };

    // Requests arrive on a reader thread and are handled, in order, on the interface thread. The
    // thread may still be reading when the program ends, so what it posts to lives as long as the
    // process does.
    static QObject* receiver = new QObject;
    static std::function<void(const QByteArray&, bool)> onLine;
    static std::function<void()> onEnd;
    onLine = handle;
    onEnd = clientGone;
    std::thread([] {
        RequestLines lines;
        auto post = [](const QByteArray& line, bool overlong) {
            QMetaObject::invokeMethod(
                receiver, [line, overlong] { onLine(line, overlong); }, Qt::QueuedConnection);
        };
        char buffer[65536];
        std::error_code error;
        drawfield::OpenFile input
            = drawfield::OpenFile::duplicate(drawfield::StandardInputNumber, error);
        while (input.isOpen()) {
            const std::ptrdiff_t got = input.read(buffer, sizeof buffer, error);
            if (got <= 0)
                break;
            lines.feed(std::string_view(buffer, static_cast<std::size_t>(got)), post);
        }
        lines.finish(post);
        QMetaObject::invokeMethod(
            receiver, [] { onEnd(); }, Qt::QueuedConnection);
    }).detach();

    QApplication::setQuitOnLastWindowClosed(true);
    int status = QApplication::exec();
    onLine = [](const QByteArray&, bool) {};
    onEnd = [] {};
    return status;
}

int open(const QString& path)
{
    PlotDocument document;
    try {
        document = PlotDocument::load(path);
    } catch (const MapperError& error) {
        std::cerr << "drawfield-mapper: " << error.what() << '\n';
        return 1;
    }
    PlotWindow window([&] { return &document; });
    window.setWindowTitle(QStringLiteral("drawfield-mapper - ") + path);
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN); // a client that went away must not end the program
#endif
#ifdef Q_OS_LINUX
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("drawfield-mapper"));
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments == QStringList { QStringLiteral("--automation") })
        return serve();
    if (arguments.size() == 1 && !arguments.front().startsWith(QLatin1String("--")))
        return open(arguments.front());
    std::cerr << "usage: drawfield-mapper --automation | drawfield-mapper PLOT-DOCUMENT\n";
    return 2;
}
