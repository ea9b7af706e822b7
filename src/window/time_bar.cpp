#include "window/time_bar.h"

#include "views/time_axis.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace drawfield {

TimeBar::TimeBar(QWidget* parent)
    : QWidget(parent)
    , m_play(new QPushButton(QStringLiteral("Play"), this))
    , m_slider(new QSlider(Qt::Horizontal, this))
    , m_label(new QLabel(this))
    , m_playTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("TimeBar"));
    m_play->setObjectName(QStringLiteral("PlayTime"));
    m_play->setToolTip(QStringLiteral("Run the map from one minute to the pumping time"));
    m_slider->setObjectName(QStringLiteral("TimeSlider"));
    m_slider->setRange(0, Steps);
    m_slider->setValue(Steps);
    m_slider->setPageStep(Steps / 20);
    m_slider->setToolTip(QStringLiteral("The time the map and the surface show (log scale); the "
                                        "pumping time field stays as it is"));
    m_label->setObjectName(QStringLiteral("TimeShown"));
    m_label->setMinimumWidth(
        m_label->fontMetrics().horizontalAdvance(QStringLiteral("Map at 999 min")));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 6, 4, 2); // the marks go above the slider
    layout->addWidget(m_play);
    layout->addWidget(m_slider, 1);
    layout->addWidget(m_label);
    m_playTimer->setInterval(30);
    connect(m_playTimer, &QTimer::timeout, this, &TimeBar::advancePlay);
    connect(m_play, &QPushButton::clicked, this, [this] {
        if (m_playing)
            stop();
        else
            play();
    });
    connect(m_slider, &QSlider::valueChanged, this, &TimeBar::positionChanged);
    connect(m_slider, &QSlider::sliderReleased, this, [this] { emit timeSettled(seconds()); });
    positionChanged(m_slider->value());
}

void TimeBar::setRange(double pumpSeconds, std::vector<double> markSeconds)
{
    stop();
    m_pumpSeconds = pumpSeconds;
    m_firstSeconds = firstShownSeconds(pumpSeconds);
    m_marks = std::move(markSeconds);
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(Steps);
    m_label->setText(QStringLiteral("Map at %1").arg(elapsedText(pumpSeconds)));
    update();
}

double TimeBar::secondsAt(int position) const
{
    if (position >= Steps)
        return m_pumpSeconds;
    const double share = static_cast<double>(std::max(0, position)) / Steps;
    return m_firstSeconds * std::pow(m_pumpSeconds / m_firstSeconds, share);
}

int TimeBar::positionOf(double seconds) const
{
    if (!(seconds > m_firstSeconds))
        return 0;
    const double share
        = std::log(seconds / m_firstSeconds) / std::log(m_pumpSeconds / m_firstSeconds);
    return std::clamp(static_cast<int>(std::lround(share * Steps)), 0, Steps);
}

double TimeBar::seconds() const { return secondsAt(m_slider->value()); }

bool TimeBar::atPumpingTime() const { return m_slider->value() >= Steps; }

void TimeBar::setPosition(int position) { m_slider->setValue(position); }

void TimeBar::positionChanged(int position)
{
    const double at = secondsAt(position);
    m_label->setText(QStringLiteral("Map at %1").arg(elapsedText(at)));
    emit timeChanged(at, m_playing || m_slider->isSliderDown());
}

void TimeBar::play()
{
    if (m_playing)
        return;
    m_playing = true;
    m_play->setText(QStringLiteral("Stop"));
    m_playStarted = QDateTime::currentMSecsSinceEpoch();
    // Any key or click elsewhere stops it.
    qApp->installEventFilter(this);
    m_slider->setValue(0);
    m_playTimer->start();
}

void TimeBar::stop()
{
    if (!m_playing)
        return;
    m_playing = false;
    m_playTimer->stop();
    qApp->removeEventFilter(this);
    m_play->setText(QStringLiteral("Play"));
    emit timeSettled(seconds());
}

void TimeBar::advancePlay()
{
    const double share = static_cast<double>(QDateTime::currentMSecsSinceEpoch() - m_playStarted)
        / PlayMilliseconds;
    m_slider->setValue(std::min(Steps, static_cast<int>(share * Steps)));
    if (m_slider->value() >= Steps)
        stop();
}

bool TimeBar::eventFilter(QObject* watched, QEvent* event)
{
    const bool input = event->type() == QEvent::KeyPress
        || event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel;
    if (m_playing && input && watched != m_play && watched->isWidgetType())
        stop();
    return QWidget::eventFilter(watched, event);
}

void TimeBar::paintEvent(QPaintEvent*)
{
    if (m_marks.empty())
        return;
    // The schedule's changes, as ticks above the slider's groove.
    QStyleOptionSlider option;
    option.initFrom(m_slider);
    option.orientation = Qt::Horizontal;
    option.minimum = 0;
    option.maximum = Steps;
    const QRect handle = m_slider->style()->subControlRect(
        QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, m_slider);
    const double left = m_slider->x() + handle.width() / 2.0;
    const double span = m_slider->width() - handle.width();
    QPainter painter(this);
    painter.setPen(QPen(QColor(200, 60, 0), 2));
    for (double mark : m_marks) {
        if (!(mark > m_firstSeconds && mark < m_pumpSeconds))
            continue;
        const double x = left + span * positionOf(mark) / Steps;
        painter.drawLine(QPointF(x, m_slider->y() - 5), QPointF(x, m_slider->y() + 2));
    }
}

} // namespace drawfield
