#pragma once

// What every file the window writes goes through: a file chosen in a save dialog (its extension
// added from the filter when typed without one), a question before replacing it or any file of
// the set it writes, the writing (off the interface thread, with the export panel, where it takes
// time), and what is said after: "<file> has been recorded", the reason it was not written, that
// it was stopped (no error), and the writer's notes as warnings.

#include "window/task_runner.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace drawfield {

class Desktop;

// Asks for a file to write, adds extension when the name has none, and asks before replacing it
// or any file of the set it writes (setOf; the file alone when empty). A file the scenario reads
// (read: the scenario, its readings) is never replaced, however it is named or linked: that is
// said, and nothing is written. Empty when cancelled or refused.
[[nodiscard]] std::optional<QString> askFileToWrite(Desktop& desktop, QWidget* parent,
    const QString& title, const QString& filter, const QString& initialPath,
    const QString& extension, const std::function<QStringList(const QString&)>& setOf = {},
    const std::vector<std::filesystem::path>& read = {});

// How a writing went: the reason it failed ("" when written) and notes to say.
struct WriteOutcome {
    QString error;
    std::vector<std::string> notes;
};

struct ExportRequest {
    QString title; // the dialog's
    QString filter;
    QString initialPath;
    QString extension; // added to a name typed without one ("" for none)
    std::function<QStringList(const QString&)> setOf; // the files it writes, for the question
    // Before the writing, once the file is chosen (the window runs its fields there): false
    // writes nothing, and says why itself.
    std::function<bool(const QString& path)> prepare;
    // With a title the writing runs off the interface thread with the export panel, and Stop,
    // Escape or closing the window end it.
    QString working;
    std::function<WriteOutcome(
        const QString& path, std::stop_token stop, const TaskRunner::Progress& progress)>
        write;
    std::vector<std::filesystem::path> read; // files the window reads, never replaced
};

// Carries out a request for the window: see above. Returns the file written, or nothing.
[[nodiscard]] std::optional<QString> exportFile(QWidget& window, Desktop& desktop,
    TaskRunner& tasks, const ExportRequest& request, const QString& messageTitle);

} // namespace drawfield
