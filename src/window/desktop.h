#pragma once

// Everything the window takes from the operating system, behind one interface: message boxes,
// the beep, the text viewer, the web browser, the save dialog and the program's folder. The Qt
// implementation is the real one; tests use a fake that records what was asked.

#include <QString>

#include <optional>

class QWidget;

namespace drawfield {

enum class MessageIcon {
    None,
    Critical, // the stop sign
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
    virtual bool openWebAddress(QWidget* parent, const QString& address) = 0;
    // A modal Save As dialog; empty when cancelled.
    virtual std::optional<QString> askSaveFileName(
        QWidget* parent, const QString& title, const QString& filter, const QString& initialPath)
        = 0;
    // The folder of the running program, without a trailing separator.
    virtual QString programFolder() const = 0;
};

// The desktop as Qt reaches it.
class QtDesktop : public Desktop {
public:
    void showMessage(QWidget* parent, const QString& text, MessageIcon icon,
        const std::optional<QString>& title) override;
    void beep() override;
    bool openTextFile(const QString& path) override;
    bool openWebAddress(QWidget* parent, const QString& address) override;
    std::optional<QString> askSaveFileName(QWidget* parent, const QString& title,
        const QString& filter, const QString& initialPath) override;
    QString programFolder() const override;
};

} // namespace drawfield
