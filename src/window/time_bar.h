#pragma once

// The time bar under the map and the surface: a slider on a log scale from one minute to the
// pumping time, the schedule's changes marked over it, the time it stands at as text, and Play,
// which runs it from one minute to the pumping time in about five seconds. The bar only chooses
// the time the charts show; the pumping time field, the record file and the exports keep theirs.

#include "compute/units.h"

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace drawfield {

class TimeBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int Steps = 1000; // the slider's positions, the last the pumping time
    static constexpr int PlayMilliseconds = 5000;

    explicit TimeBar(QWidget* parent = nullptr);

    // From one minute (a tenth of the pumping time when that is a minute or less) to
    // pumpSeconds, with marks at the given times; the slider goes to the pumping time.
    void setRange(double pumpSeconds, std::vector<double> markSeconds);
    [[nodiscard]] double pumpSeconds() const { return m_pumpSeconds; }

    // The time at a slider position, and the position nearest a time.
    [[nodiscard]] double secondsAt(int position) const;
    [[nodiscard]] int positionOf(double seconds) const;
    [[nodiscard]] double seconds() const; // where the slider stands
    [[nodiscard]] bool atPumpingTime() const;
    void setPosition(int position);

    [[nodiscard]] bool isPlaying() const { return m_playing; }
    void play();
    void stop(); // ends Play where it stands

    [[nodiscard]] QSlider* slider() const { return m_slider; }
    [[nodiscard]] QPushButton* playButton() const { return m_play; }
    [[nodiscard]] QLabel* timeLabel() const { return m_label; }

signals:
    // The time moved: while the hand holds the slider or Play runs it, moving is true.
    void timeChanged(double seconds, bool moving);
    // The time came to rest: the slider let go, Play ended or stopped.
    void timeSettled(double seconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void positionChanged(int position);
    void advancePlay();

    QPushButton* m_play;
    QSlider* m_slider;
    QLabel* m_label;
    QTimer* m_playTimer;
    qint64 m_playStarted = 0; // ms since the epoch
    bool m_playing = false;
    double m_pumpSeconds = SecondsPerDay;
    double m_firstSeconds = 60.0;
    std::vector<double> m_marks;
};

} // namespace drawfield
