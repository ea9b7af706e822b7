#pragma once

// Work off the interface thread, one task at a time, while the window keeps painting: the run's
// computation and every export. Meanwhile no user input reaches the window but the export panel's
// Stop button, every menu command and its shortcut waits, and a stop can be asked for (Stop,
// Escape where the task allows it, closing the window); the task sees it through its token.

#include <QObject>
#include <QString>

#include <functional>
#include <stop_token>

class QWidget;

namespace drawfield {

class ExportPanel;

// How a task ended: of itself, stopped (Stop, Escape), or because the window is closing, which
// the runner then closes itself: whoever ran the task touches nothing of it after that.
enum class TaskEnd { Completed, Stopped, Closing };

class TaskRunner : public QObject {
    Q_OBJECT
public:
    // Told how far the task has come (0 to 1) and what it does, from the task's thread.
    using Progress = std::function<void(double fraction, const QString& activity)>;
    using Task = std::function<void(std::stop_token, const Progress&)>;

    // Shows panel over window for tasks with a title; turns the window's commands off and on
    // again through setCommandsEnabled.
    TaskRunner(QWidget& window, ExportPanel& panel, std::function<void(bool)> setCommandsEnabled);

    // Runs task and returns when it has ended. With a title, the panel shows it, the progress and
    // Stop, and Escape stops it too; without one (the computation, whose progress box is the
    // window's own) nothing shows and only closing the window stops it.
    [[nodiscard]] TaskEnd run(const QString& title, const Task& task);

    // The engine for the window: off the interface thread when the work is large (the window
    // painting meanwhile), on it when small or when a task already runs (a drag during an
    // export). A failure (memory running out) is said in `failure`, as a sentence.
    [[nodiscard]] TaskEnd compute(
        bool large, const std::function<void(std::stop_token)>& work, QString& failure);

    [[nodiscard]] bool isRunning() const { return m_running; }
    void requestStop() { m_stop.request_stop(); }
    [[nodiscard]] bool stopRequested() const { return m_stop.stop_requested(); }
    // The window was asked to close while a task ran: the task stops, and the runner closes the
    // window once it has.
    void requestClose()
    {
        m_closing = true;
        requestStop();
    }
    [[nodiscard]] bool closing() const { return m_closing; }

private:
    QWidget& m_window;
    ExportPanel& m_panel;
    std::function<void(bool)> m_setCommandsEnabled;
    std::stop_source m_stop;
    bool m_running = false;
    bool m_closing = false;
};

} // namespace drawfield
