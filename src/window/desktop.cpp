#include "window/desktop.h"

#include "surfer/program_folders.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

namespace drawfield {

void QtDesktop::showMessage(
    QWidget* parent, const QString& text, MessageIcon icon, const std::optional<QString>& title)
{
    QMessageBox box(parent);
    box.setText(text);
    box.setIcon(icon == MessageIcon::Critical  ? QMessageBox::Critical
            : icon == MessageIcon::Information ? QMessageBox::Information
                                               : QMessageBox::NoIcon);
    box.setWindowTitle(title.value_or(QApplication::applicationName()));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void QtDesktop::beep() { QApplication::beep(); }

bool QtDesktop::openTextFile(const QString& path)
{
    // The path goes over as one argument, so folders with blanks work.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtDesktop::openWebAddress(QWidget*, const QString& address)
{
    return QDesktopServices::openUrl(QUrl(address));
}

std::optional<QString> QtDesktop::askSaveFileName(
    QWidget* parent, const QString& title, const QString& filter, const QString& initialPath)
{
    // The platform's own dialog asks before replacing a file; the program never did, so the
    // question is left out.
    QString name = QFileDialog::getSaveFileName(
        parent, title, initialPath, filter, nullptr, QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

std::optional<QString> QtDesktop::askOpenFileName(
    QWidget* parent, const QString& title, const QString& filter, const QString& initialPath)
{
    QString name = QFileDialog::getOpenFileName(parent, title, initialPath, filter);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

UnsavedChoice QtDesktop::askUnsavedChanges(QWidget* parent, const QString& fileName)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QApplication::applicationName());
    box.setText(QStringLiteral("The scenario %1 has changes that are not saved.").arg(fileName));
    box.setInformativeText(QStringLiteral("Save them before going on?"));
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    const int answer = box.exec();
    return answer == QMessageBox::Save   ? UnsavedChoice::Save
        : answer == QMessageBox::Discard ? UnsavedChoice::Discard
                                         : UnsavedChoice::Cancel;
}

// ~/.config/drawfield/drawfield.conf, whatever the program's name.
static QSettings settings()
{
    return QSettings(QStringLiteral("drawfield"), QStringLiteral("drawfield"));
}

QStringList QtDesktop::recentFiles() const
{
    return settings().value(QStringLiteral("recentScenarios")).toStringList();
}

void QtDesktop::setRecentFiles(const QStringList& files)
{
    settings().setValue(QStringLiteral("recentScenarios"), files);
}

QString QtDesktop::programFolder() const { return QApplication::applicationDirPath(); }

QString Desktop::dataFolder() const { return drawfield::dataFolder(programFolder()); }

} // namespace drawfield
