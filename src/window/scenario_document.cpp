#include "window/scenario_document.h"

#include "analysis/measurements.h"
#include "files/atomic_file.h"
#include "scenario/scenario_file.h"
#include "window/desktop.h"
#include "window/export_action.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>

namespace drawfield {
namespace {

    const QString AppTitle = QStringLiteral("Drawfield 2.0");

    // A scenario file as the recent list keeps it: its path, or where the name is not UTF-8, a
    // file address whose escapes keep every byte.
    QString recentEntryOf(const std::filesystem::path& file)
    {
        const QByteArray bytes = QByteArray::fromStdString(file.native());
        if (QFile::encodeName(QFile::decodeName(bytes)) == bytes)
            return QFile::decodeName(bytes);
        return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
    }

    std::filesystem::path fileOfRecentEntry(const QString& entry)
    {
        if (entry.startsWith(QStringLiteral("file://")))
            return QByteArray::fromPercentEncoding(entry.mid(7).toLatin1()).toStdString();
        return QFile::encodeName(entry).toStdString();
    }

    QString shownName(const std::filesystem::path& file)
    {
        return QFile::decodeName(QByteArray::fromStdString(file.native()));
    }

} // namespace

ScenarioDocument::ScenarioDocument(QWidget& window, Desktop& desktop, Fields fields, QMenu& recent)
    : QObject(&window)
    , m_window(window)
    , m_desktop(desktop)
    , m_fields(std::move(fields))
    , m_recent(recent)
    , m_savedTexts(m_fields.read())
{
    fillRecentMenu();
}

void ScenarioDocument::showStop(const QString& text)
{
    m_desktop.showMessage(&m_window, text, MessageIcon::Critical, AppTitle);
}

bool ScenarioDocument::hasUnsavedChanges() const { return !(m_fields.read() == m_savedTexts); }

QString ScenarioDocument::title() const
{
    // The untouched window without a file has the program's title, as it has always had.
    const bool changed = hasUnsavedChanges();
    if (m_path.isEmpty() && !changed)
        return AppTitle;
    const QString name
        = m_path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_path).fileName();
    return name + (changed ? QStringLiteral("*") : QString()) + QStringLiteral(" - ") + AppTitle;
}

bool ScenarioDocument::settleUnsavedChanges()
{
    if (!hasUnsavedChanges())
        return true;
    const QString name = m_path.isEmpty() ? QString() : QFileInfo(m_path).fileName();
    switch (m_desktop.askUnsavedChanges(&m_window, name)) {
    case UnsavedChoice::Save:
        return save();
    case UnsavedChoice::Discard:
        return true;
    case UnsavedChoice::Cancel:
        break;
    }
    return false;
}

bool ScenarioDocument::chooseAndOpen()
{
    if (!settleUnsavedChanges())
        return false;
    const QString folder
        = m_path.isEmpty() ? m_desktop.dataFolder() : QFileInfo(m_path).absolutePath();
    std::optional<QString> chosen
        = m_desktop.askOpenFileName(&m_window, QStringLiteral("Open a scenario"),
            QStringLiteral("Scenario files (*.ini);;All files (*)"), folder);
    if (!chosen)
        return false;
    // The question is settled: opening asks no more. A file that cannot be opened leaves the
    // window as it was, its unsaved changes included.
    const ScenarioTexts keepTexts = m_savedTexts;
    m_savedTexts = m_fields.read();
    if (open(QFile::encodeName(*chosen).toStdString()))
        return true;
    m_savedTexts = keepTexts;
    emit titleChanged();
    return false;
}

bool ScenarioDocument::open(const std::filesystem::path& file)
{
    if (!settleUnsavedChanges())
        return false;
    ScenarioTexts texts;
    ScenarioComments comments;
    try {
        texts = readScenarioFile(file, &comments);
    } catch (const ScenarioFileError& error) {
        showStop(QString::fromLocal8Bit(error.what()));
        return false;
    }
    m_fields.show(texts);
    m_comments = std::move(comments);
    m_file = std::filesystem::absolute(file).lexically_normal();
    m_path = shownName(m_file);
    // What the fields hold now is the file: a text no field can hold does not count as a change.
    m_savedTexts = m_fields.read();
    rememberRecent(m_file);
    emit opened();
    emit titleChanged();
    return true;
}

bool ScenarioDocument::save()
{
    if (m_path.isEmpty())
        return saveAs();
    const ScenarioTexts texts = m_fields.read();
    try {
        writeScenarioFile(m_file, texts, m_comments);
    } catch (const FileWriteError& error) {
        showStop(QString::fromLocal8Bit(error.what()));
        return false;
    }
    m_savedTexts = texts;
    rememberRecent(m_file);
    emit titleChanged();
    return true;
}

bool ScenarioDocument::saveAs()
{
    const QString initial
        = m_path.isEmpty() ? m_desktop.dataFolder() + QStringLiteral("/scenario.ini") : m_path;
    // The scenario may be saved over itself, never over its readings.
    std::vector<std::filesystem::path> readings;
    const ScenarioTexts fields = m_fields.read();
    for (const ObservationTexts& point : fields.observations)
        if (!point.measured.empty())
            readings.push_back(folder() / point.measured);
    for (const BoreTexts& bore : fields.bores)
        if (!bore.measured.empty())
            readings.push_back(folder() / bore.measured);
    std::optional<QString> chosen
        = askFileToWrite(m_desktop, &m_window, QStringLiteral("Save the scenario as"),
            QStringLiteral("Scenario files (*.ini)"), initial, QStringLiteral("ini"), {}, readings);
    if (!chosen)
        return false;
    const std::filesystem::path previousFile = m_file;
    const QString previous = m_path;
    // Names of measured files relative to the scenario's folder are rewritten for the new one,
    // so that they still lead to the same files; without a file they were the data folder's.
    // (The same rule as drawfield-batch --write-scenario: writeScenarioFileFrom.)
    const std::filesystem::path fromFolder = folder();
    const ScenarioTexts before = m_fields.read();
    m_file = std::filesystem::absolute(QFile::encodeName(*chosen).toStdString());
    m_path = QFileInfo(*chosen).absoluteFilePath();
    const ScenarioTexts moved
        = withMeasuredNamesMoved(before, fromFolder, folderOfWrittenScenario(m_file));
    if (!(moved == before))
        m_fields.show(moved);
    if (save())
        return true;
    if (!(moved == before))
        m_fields.show(before);
    m_file = previousFile;
    m_path = previous;
    emit titleChanged();
    return false;
}

std::filesystem::path ScenarioDocument::folder() const
{
    return m_path.isEmpty()
        ? std::filesystem::path(QFile::encodeName(m_desktop.dataFolder()).toStdString())
        : scenarioFolderOf(m_file);
}

void ScenarioDocument::rememberRecent(const std::filesystem::path& file)
{
    const QString entry = recentEntryOf(file);
    QStringList files = m_desktop.recentFiles();
    files.removeAll(entry);
    files.prepend(entry);
    while (files.size() > 5)
        files.removeLast();
    m_desktop.setRecentFiles(files);
    fillRecentMenu();
}

void ScenarioDocument::fillRecentMenu()
{
    m_recent.clear();
    const QStringList files = m_desktop.recentFiles();
    int number = 0;
    for (const QString& entry : files) {
        if (++number > 5)
            break;
        const std::filesystem::path file = fileOfRecentEntry(entry);
        const QString shown = shownName(file);
        m_recent.addAction(
            QStringLiteral("&%1 %2").arg(number).arg(shown), this, [this, entry, file, shown] {
                std::error_code error;
                if (!std::filesystem::exists(file, error)) {
                    showStop(
                        QStringLiteral("Cannot read the scenario file %1: it is no longer there.")
                            .arg(shown));
                    QStringList kept = m_desktop.recentFiles();
                    kept.removeAll(entry);
                    m_desktop.setRecentFiles(kept);
                    fillRecentMenu();
                    return;
                }
                open(file);
            });
    }
    m_recent.setEnabled(!files.isEmpty());
}

} // namespace drawfield
