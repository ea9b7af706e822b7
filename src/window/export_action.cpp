#include "window/export_action.h"

#include "files/atomic_file.h"
#include "window/desktop.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace drawfield {

std::optional<QString> askFileToWrite(Desktop& desktop, QWidget* parent, const QString& title,
    const QString& filter, const QString& initialPath, const QString& extension,
    const std::function<QStringList(const QString&)>& setOf,
    const std::vector<std::filesystem::path>& read)
{
    // A name refused, or one the user would not replace, leads back to the dialog with that
    // name typed, as desktop programs do.
    QString initial = initialPath;
    for (;;) {
        std::optional<QString> chosen = desktop.askSaveFileName(parent, title, filter, initial);
        if (!chosen)
            return std::nullopt;
        QString path = *chosen;
        if (QFileInfo(path).suffix().isEmpty() && !extension.isEmpty())
            path += QLatin1Char('.') + extension;
        initial = path;
        const QStringList set = setOf ? setOf(path) : QStringList { path };
        bool refused = false;
        for (const QString& file : set)
            for (const std::filesystem::path& input : read)
                if (!refused && landsIn(QFile::encodeName(file).toStdString(), input)) {
                    desktop.showMessage(parent,
                        QStringLiteral("%1 is a file this scenario reads (%2): it is not "
                                       "replaced. Choose another name.")
                            .arg(
                                file, QFile::decodeName(QByteArray::fromStdString(input.native()))),
                        MessageIcon::Critical, title);
                    refused = true;
                }
        if (refused)
            continue;
        // Every desktop program asks before it replaces a file, or a file of the set it writes.
        QStringList existing;
        for (const QString& file : set)
            if (QFileInfo(file).exists() || QFileInfo(file).isSymLink())
                existing << file;
        if (!existing.isEmpty() && !desktop.askToReplace(parent, existing))
            continue;
        return path;
    }
}

std::optional<QString> exportFile(QWidget& window, Desktop& desktop, TaskRunner& tasks,
    const ExportRequest& request, const QString& messageTitle)
{
    const std::optional<QString> chosen = askFileToWrite(desktop, &window, request.title,
        request.filter, request.initialPath, request.extension, request.setOf, request.read);
    if (!chosen || (request.prepare && !request.prepare(*chosen)))
        return std::nullopt;
    WriteOutcome outcome;
    if (request.working.isEmpty()) {
        outcome = request.write(*chosen, std::stop_token(), TaskRunner::Progress());
    } else {
        const TaskEnd end = tasks.run(
            request.working, [&](std::stop_token stop, const TaskRunner::Progress& progress) {
                try {
                    outcome = request.write(*chosen, stop, progress);
                } catch (const std::exception& failure) {
                    outcome.error = QString::fromLocal8Bit(failure.what());
                }
            });
        if (end == TaskEnd::Closing)
            return std::nullopt; // asked for meanwhile: nothing more to say
        if (tasks.stopRequested() && !outcome.error.isEmpty()) {
            desktop.showMessage(&window,
                QStringLiteral("The export was stopped: %1 was not written, and what was there "
                               "before is kept.")
                    .arg(*chosen),
                MessageIcon::Information, messageTitle);
            return std::nullopt;
        }
    }
    if (!outcome.error.isEmpty()) {
        desktop.showMessage(&window, outcome.error, MessageIcon::Critical, messageTitle);
        return std::nullopt;
    }
    for (const std::string& note : outcome.notes)
        desktop.showMessage(
            &window, QString::fromLocal8Bit(note), MessageIcon::Warning, messageTitle);
    desktop.showMessage(&window, *chosen + QStringLiteral(" has been recorded"),
        MessageIcon::Information, messageTitle);
    return chosen;
}

} // namespace drawfield
