#include "window/desktop.h"

#include "platform/program_folders.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

namespace drawfield {

void QtDesktop::showMessage(
    QWidget* parent, const QString& text, MessageIcon icon, const std::optional<QString>& title)
{
    QMessageBox box(parent);
    box.setText(text);
    box.setIcon(icon == MessageIcon::Critical  ? QMessageBox::Critical
            : icon == MessageIcon::Warning     ? QMessageBox::Warning
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
    // The window asks about replacing once the name has its extension, and about every file of
    // a set, which the dialog's own question would not: the dialog does not ask.
    QString selected;
    QString name = QFileDialog::getSaveFileName(
        parent, title, initialPath, filter, &selected, QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty())
        return std::nullopt;
    return withExtensionOfFilter(name, selected);
}

QString withExtensionOfFilter(const QString& name, const QString& selectedFilter)
{
    if (!QFileInfo(name).suffix().isEmpty())
        return name;
    // The first "*.ext" of the filter.
    const qsizetype star = selectedFilter.indexOf(QStringLiteral("*."));
    if (star < 0)
        return name;
    qsizetype end = star + 2;
    while (end < selectedFilter.size()
        && (selectedFilter[end].isLetterOrNumber() || selectedFilter[end] == QLatin1Char('_')))
        ++end;
    return end > star + 2 ? name + selectedFilter.mid(star + 1, end - star - 1).toLower() : name;
}

bool QtDesktop::askToReplace(QWidget* parent, const QStringList& existing)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(
        QApplication::applicationName() + QLatin1Char(' ') + QApplication::applicationVersion());
    box.setText(existing.size() == 1
            ? QStringLiteral("%1 already exists. Do you want to replace it?").arg(existing.front())
            : QStringLiteral("%1 and %2 more files written with it already exist. Do you want to "
                             "replace them?")
                  .arg(existing.front())
                  .arg(existing.size() - 1));
    if (existing.size() > 1)
        box.setDetailedText(existing.join(QLatin1Char('\n')));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
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
    box.setWindowTitle(
        QApplication::applicationName() + QLatin1Char(' ') + QApplication::applicationVersion());
    box.setText(fileName.isEmpty()
            ? QStringLiteral("The scenario has changes that are not saved to a file.")
            : QStringLiteral("The scenario %1 has changes that are not saved.").arg(fileName));
    box.setInformativeText(QStringLiteral("Save them before going on?"));
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    // Alt+S and Alt+D answer from the keyboard; Escape cancels.
    box.button(QMessageBox::Save)->setText(QStringLiteral("&Save"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("&Discard"));
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

QStringList QtDesktop::rememberedUnits() const
{
    return settings().value(QStringLiteral("units")).toStringList();
}

void QtDesktop::setRememberedUnits(const QStringList& words)
{
    settings().setValue(QStringLiteral("units"), words);
}

QString QtDesktop::programFolder() const { return QApplication::applicationDirPath(); }

QString Desktop::dataFolder() const { return drawfield::dataFolder(programFolder()); }

} // namespace drawfield
