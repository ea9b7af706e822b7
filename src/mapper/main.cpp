// drawfield-mapper: the mapping program that the export drives. It grids X,Y,Z files, draws
// contour and post maps, exports pictures and saves plot documents.
//
//   drawfield-mapper --automation   serve automation requests on standard input and output
//   drawfield-mapper FILE           open a plot document saved earlier

#include "mapper/automation_server.h"
#include "mapper/gridding.h"
#include "mapper/plot_window.h"
#include "mapper/protocol.h"

#include <QApplication>
#include <QJsonDocument>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <thread>

#include <unistd.h>

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
    PlotWindow shown([&] { return server.shownDocument(); });
    window = &shown;

    auto handle = [&](const QByteArray& line, bool overlong) {
        QJsonObject reply = replyTo(server, line, overlong);
        QByteArray out = QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n';
        std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
        std::fflush(stdout);
    };
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
        for (;;) {
            ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
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
