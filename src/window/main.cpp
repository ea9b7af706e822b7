// drawfield: the window.

#include "window/desktop.h"
#include "window/main1.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Drawfield"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    drawfield::QtDesktop desktop;
    drawfield::main1 window(desktop);
    // Centred on the screen, and wholly on it: the title bar and the menus within reach.
    if (QScreen* screen = window.screen())
        window.setGeometry(drawfield::startGeometry(
            window.size(), window.minimumSize(), screen->availableGeometry()));
    window.show();
    // A scenario file named on the command line (a file manager's "Open with") is opened once
    // the window shows; without one, the window starts with its example.
    // Its name is taken as the system gave it, byte for byte, UTF-8 or not.
    if (argc > 1)
        QMetaObject::invokeMethod(
            &window,
            [&window, file = std::filesystem::path(argv[1])] {
                (void)window.openScenarioFile(file); // a file it cannot open is said there
            },
            Qt::QueuedConnection);
    return QApplication::exec();
}
