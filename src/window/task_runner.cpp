#include "window/task_runner.h"

#include "window/controls.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QThread>

#include <algorithm>
#include <memory>

namespace drawfield {

TaskRunner::TaskRunner(
    QWidget& window, ExportPanel& panel, std::function<void(bool)> setCommandsEnabled)
    : QObject(&window)
    , m_window(window)
    , m_panel(panel)
    , m_setCommandsEnabled(std::move(setCommandsEnabled))
{
    connect(m_panel.stopButton(), &QPushButton::clicked, this, [this] { requestStop(); });
}

TaskEnd TaskRunner::run(const QString& title, const Task& task)
{
    m_running = true;
    m_stop = std::stop_source();
    m_setCommandsEnabled(false);
    const bool shown = !title.isEmpty();
    if (shown) {
        m_panel.setTitle(title);
        m_panel.setProgress(0.0, QString());
        m_panel.adjustSize();
        m_panel.resize(std::max(m_panel.width(), m_window.width() / 2), m_panel.height());
        m_panel.move(
            (m_window.width() - m_panel.width()) / 2, (m_window.height() - m_panel.height()) / 2);
        m_panel.show();
        m_panel.raise();
    }

    // Input goes to the Stop button alone, when there is one; Escape stops a shown task.
    InputGate gate(shown ? m_panel.stopButton() : nullptr,
        shown ? std::function<void()>([this] { requestStop(); }) : std::function<void()>());
    qApp->installEventFilter(&gate);
    const Progress progress = [this, shown](double fraction, const QString& activity) {
        if (shown)
            QMetaObject::invokeMethod(
                &m_panel, [this, fraction, activity] { m_panel.setProgress(fraction, activity); },
                Qt::QueuedConnection);
    };
    // The thread's end is queued after everything the task queued, so the loop sees it all.
    QEventLoop loop;
    std::unique_ptr<QThread> worker(
        QThread::create([&, stop = m_stop.get_token()] { task(stop, progress); }));
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    qApp->removeEventFilter(&gate);
    if (shown)
        m_panel.hide();
    m_running = false;
    m_setCommandsEnabled(true);
    if (m_closing) {
        m_window.close();
        return TaskEnd::Closing;
    }
    return m_stop.stop_requested() ? TaskEnd::Stopped : TaskEnd::Completed;
}

TaskEnd TaskRunner::compute(
    bool large, const std::function<void(std::stop_token)>& work, QString& failure)
{
    auto guarded = [&](std::stop_token stop) {
        try {
            work(std::move(stop));
        } catch (const std::bad_alloc&) {
            failure = QStringLiteral(
                "Cannot compute the map: the machine ran out of memory. Choose a smaller map.");
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
    };
    if (!large || m_running) {
        guarded({});
        return TaskEnd::Completed;
    }
    return run(QString(), [&](std::stop_token stop, const Progress&) { guarded(std::move(stop)); });
}

} // namespace drawfield
