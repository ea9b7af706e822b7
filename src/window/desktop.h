#pragma once

// Everything the window takes from the operating system, behind one interface: message boxes,
// the beep, the text viewer, the web browser, the save dialog and the program's folder. The Qt
// implementation is the real one; tests use a fake that records what was asked.

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace drawfield {

// What to do with changes not saved to the scenario file.
enum class UnsavedChoice { Save, Discard, Cancel };

enum class MessageIcon {
    None,
    Critical, // the stop sign
    Warning,
    Information,
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // A modal message box with an OK button. Without a title, the platform's default one.
    virtual void showMessage(
        QWidget* parent, const QString& text, MessageIcon icon, const std::optional<QString>& title)
        = 0;
    virtual void beep() = 0;
    // Opens a text file in the system's text viewer without waiting; false when it cannot start.
    virtual bool openTextFile(const QString& path) = 0;
    // Opens a web address in the browser; false when no program takes it.
    [[nodiscard]] virtual bool openWebAddress(QWidget* parent, const QString& address) = 0;
    // A modal Save As dialog; empty when cancelled. A name typed without an extension gets the
    // one of the filter chosen. It does not ask about replacing a file: askToReplace does.
    [[nodiscard]] virtual std::optional<QString> askSaveFileName(
        QWidget* parent, const QString& title, const QString& filter, const QString& initialPath)
        = 0;
    // A modal Open dialog; empty when cancelled.
    [[nodiscard]] virtual std::optional<QString> askOpenFileName(
        QWidget* parent, const QString& title, const QString& filter, const QString& initialPath)
        = 0;
    // Asks whether to replace the files that exist (a file, or files of a set written together):
    // true to replace them.
    [[nodiscard]] virtual bool askToReplace(QWidget* parent, const QStringList& existing) = 0;
    // Asks what to do with the changes not saved to fileName (empty: not saved to any file):
    // Save, Discard or Cancel.
    [[nodiscard]] virtual UnsavedChoice askUnsavedChanges(QWidget* parent, const QString& fileName)
        = 0;
    // The scenario files opened or saved last, the latest first; kept between sessions.
    [[nodiscard]] virtual QStringList recentFiles() const = 0;
    virtual void setRecentFiles(const QStringList& files) = 0;
    // The unit words chosen last (length, transmissivity, storage, time, rate), empty for the
    // program's own; a new window starts in them. Kept between sessions.
    [[nodiscard]] virtual QStringList rememberedUnits() const = 0;
    virtual void setRememberedUnits(const QStringList& words) = 0;
    // The folder of the running program, without a trailing separator.
    [[nodiscard]] virtual QString programFolder() const = 0;
    // Where the program writes its data (the record file, pictures, the export): data/ beside it
    // when it can, else in the user's application data folder.
    [[nodiscard]] virtual QString dataFolder() const;
};

// name with the extension of the filter chosen in a save dialog ("GeoJSON (*.geojson)") when it
// has none; otherwise name as it is.
[[nodiscard]] QString withExtensionOfFilter(const QString& name, const QString& selectedFilter);

// The desktop as Qt reaches it.
class QtDesktop : public Desktop {
public:
    void showMessage(QWidget* parent, const QString& text, MessageIcon icon,
        const std::optional<QString>& title) override;
    void beep() override;
    bool openTextFile(const QString& path) override;
    bool openWebAddress(QWidget* parent, const QString& address) override;
    [[nodiscard]] std::optional<QString> askSaveFileName(QWidget* parent, const QString& title,
        const QString& filter, const QString& initialPath) override;
    [[nodiscard]] std::optional<QString> askOpenFileName(QWidget* parent, const QString& title,
        const QString& filter, const QString& initialPath) override;
    bool askToReplace(QWidget* parent, const QStringList& existing) override;
    UnsavedChoice askUnsavedChanges(QWidget* parent, const QString& fileName) override;
    [[nodiscard]] QStringList recentFiles() const override;
    void setRecentFiles(const QStringList& files) override;
    [[nodiscard]] QStringList rememberedUnits() const override;
    void setRememberedUnits(const QStringList& words) override;
    [[nodiscard]] QString programFolder() const override;
};

} // namespace drawfield
