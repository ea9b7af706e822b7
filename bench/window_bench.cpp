// Time from a press of "GO Compute !" to both charts drawn, for the example and a 1000 x 1000 m
// map. Not a test: run it by hand, on a display or off screen:
//   QT_QPA_PLATFORM=offscreen build/bin/drawfield-window-bench

#include "views/chart3d.h"
#include "window/desktop.h"
#include "window/main1.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>

using namespace drawfield;

namespace {

// Messages go to the terminal instead of modal boxes; nothing else is needed.
class QuietDesktop : public QtDesktop {
public:
    explicit QuietDesktop(QString folder)
        : m_folder(std::move(folder))
    {
    }
    void showMessage(
        QWidget*, const QString& text, MessageIcon, const std::optional<QString>&) override
    {
        std::printf("  message: %s\n", qPrintable(text));
    }
    bool openTextFile(const QString&) override { return true; }
    QString programFolder() const override { return m_folder; }

private:
    QString m_folder;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir folder;
    QuietDesktop desktop(folder.path());
    main1 window(desktop);
    window.resize(1200, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    for (const char* maximum : { "100", "1000", "100", "1000" }) {
        window.Text2->setText(QLatin1String(maximum));
        auto start = std::chrono::steady_clock::now();
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        // Both charts drawn: the map in front, and the surface painted as the 3D tab would show it.
        window.Chart3D1->repaint();
        window.Chart3D2->grab();
        double ms
            = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count();
        std::printf("map 1..%s: press to both charts drawn %.1f ms\n", maximum, ms);
    }
}
