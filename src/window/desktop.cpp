#include "window/desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
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

QString QtDesktop::programFolder() const { return QApplication::applicationDirPath(); }

} // namespace drawfield
