// Time from a press of "GO Compute !" to both charts drawn, for the example and a 1000 x 1000 m
// map; then the live map's frames: a bore dragged across the map and the time bar swept, each
// frame from the mouse's move (or the slider's) to both charts drawn, on a 1000 x 1000 m map with
// five wells and on a 4000 x 4000 m map with five wells whose cones cover it. Not a test: run it
// by hand, on a display or off screen:
//   xvfb-run -s '-screen 0 1280x800x24' build/bin/drawfield-window-bench

#include "views/chart3d.h"
#include "window/controls.h"
#include "window/time_bar.h"
#include "window/desktop.h"
#include "window/main1.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from step(i) to both charts drawn, for frames i = 0 .. count - 1.
std::vector<double> frameTimes(main1& window, int count, const std::function<void(int)>& step)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        auto start = std::chrono::steady_clock::now();
        step(i);
        window.Chart3D1->repaint();
        (void)window.Chart3D2->grab();
        times.push_back(std::chrono::duration<double, std::milli>(
            std::chrono::steady_clock::now() - start)
                            .count());
    }
    return times;
}

void sendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButtons held)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A scripted drag of the third bore and a sweep of the time bar on the fields' map.
void liveFrames(main1& window, const char* name, double goalMs)
{
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    Chart3D& map = *window.Chart3D1;
    const QPointF from = *map.markerPosition(2);
    constexpr int Frames = 40;
    sendMouse(&map, QEvent::MouseButtonPress, from, Qt::LeftButton);
    const std::vector<double> drag = frameTimes(window, Frames, [&](int i) {
        const double angle = 6.2832 * i / Frames;
        sendMouse(&map, QEvent::MouseMove, from + QPointF(60 * std::sin(angle), 40 * (1 - std::cos(angle))),
            Qt::LeftButton);
    });
    QTest::keyClick(&map, Qt::Key_Escape);
    QApplication::processEvents();
    QSlider* slider = window.timeBar->slider();
    slider->setSliderDown(true); // as the hand holds it
    const std::vector<double> sweep = frameTimes(
        window, Frames, [&](int i) { window.timeBar->setPosition(TimeBar::Steps * i / Frames); });
    slider->setSliderDown(false);
    // Once the hand stops, the full lattice.
    auto start = std::chrono::steady_clock::now();
    window.timeBar->setPosition(TimeBar::Steps / 2);
    QTest::qWait(300);
    window.Chart3D1->repaint();
    (void)window.Chart3D2->grab();
    const double settled
        = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: drag median %.1f ms (max %.1f), slider median %.1f ms (max %.1f), goal <= "
                "%.0f; the full lattice once it rests %.0f ms (after 250 ms of rest)\n",
        name, median(drag), *std::max_element(drag.begin(), drag.end()), median(sweep),
        *std::max_element(sweep.begin(), sweep.end()), goalMs, settled);
    window.timeBar->setPosition(TimeBar::Steps);
}

void setWells(main1& window, const char* const (&wells)[5][3])
{
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 3; ++column)
            window.Grid1->setTextMatrix(row + 1, column + 1, QLatin1String(wells[row][column]));
}

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

    // The live map.
    window.timeSliderAction->setChecked(true);
    const char* const thousand[5][3] = { { "200", "300", "6" }, { "700", "250", "4" },
        { "500", "500", "8" }, { "300", "800", "5" }, { "800", "750", "3" } };
    window.Text2->setText(QStringLiteral("1000"));
    setWells(window, thousand);
    liveFrames(window, "1000 x 1000 m, 5 wells", 30);

    const char* const covering[5][3] = { { "500", "500", "50" }, { "3500", "500", "40" },
        { "2000", "2000", "60" }, { "500", "3500", "30" }, { "3500", "3500", "20" } };
    window.Text2->setText(QStringLiteral("4000"));
    window.Text5->setText(QStringLiteral("0.01"));
    window.Text6->setText(QStringLiteral("1"));
    window.Text7->setText(QStringLiteral("8760"));
    setWells(window, covering);
    liveFrames(window, "4000 x 4000 m, 5 covering wells", 100);
}
