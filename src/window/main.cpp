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
    // Centred on the screen.
    if (QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return QApplication::exec();
}
