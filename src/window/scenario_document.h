#pragma once

// The scenario a window holds: the file it came from (or none), the texts it had there (or at
// start-up), and what a user does with it: open (a dialog, the recent list, a drop, the command
// line), save, save as, with a question about changes not saved before they would be lost. The
// title names the file, with a * while the fields differ from it. A file that cannot be read says
// why and changes nothing; names are the file system's bytes, UTF-8 or not.

#include "scenario/scenario.h"
#include "scenario/scenario_file.h"

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>

class QMenu;
class QWidget;

namespace drawfield {

class Desktop;

class ScenarioDocument : public QObject {
    Q_OBJECT
public:
    // The window's fields: read as texts, and shown from texts.
    struct Fields {
        std::function<ScenarioTexts()> read;
        std::function<void(const ScenarioTexts&)> show;
    };

    // Starts without a file, the fields as they are taken as saved; recent is the menu of the
    // files used last, kept filled.
    ScenarioDocument(QWidget& window, Desktop& desktop, Fields fields, QMenu& recent);

    bool open(const std::filesystem::path& file); // asks about unsaved changes first
    bool chooseAndOpen(); // the same, the file chosen in a dialog
    bool save(); // to the open file, or as a new one when there is none
    bool saveAs();
    // The fields differ from the open file, or without one from the start-up texts.
    [[nodiscard]] bool hasUnsavedChanges() const;
    // Asks about unsaved changes when there are some: false when the user cancels (or a save
    // fails), so what was about to happen does not.
    [[nodiscard]] bool settleUnsavedChanges();

    [[nodiscard]] const QString& path() const { return m_path; } // empty: no file
    [[nodiscard]] const std::filesystem::path& file() const { return m_file; }
    // The folder its relative names (the readings) are found from: the open file's (links
    // followed to the file they lead to), or the data folder without one.
    [[nodiscard]] std::filesystem::path folder() const;
    // "site.ini* - Drawfield 2.0", "Untitled* - Drawfield 2.0", or the program's name alone.
    [[nodiscard]] QString title() const;
    // Fills the recent menu from the desktop's list, and enables it when there is one.
    void fillRecentMenu();

signals:
    void titleChanged(); // a file was opened or saved
    void opened(); // the fields now hold another file's texts

private:
    void rememberRecent(const std::filesystem::path& file);
    void showStop(const QString& text);

    QWidget& m_window;
    Desktop& m_desktop;
    Fields m_fields;
    QMenu& m_recent;
    QString m_path; // the scenario file open, or empty, as shown
    std::filesystem::path m_file; // and as the system names it
    ScenarioTexts m_savedTexts; // the fields' texts as that file holds them
    ScenarioComments m_comments; // that file's comments, written back with it
};

} // namespace drawfield
