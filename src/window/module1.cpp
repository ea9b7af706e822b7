#include "window/module1.h"

#include "window/desktop.h"

namespace drawfield::Module1 {

std::int16_t FilterKey(
    std::int16_t keyCode, const QString& allowed, std::int16_t allowBackspace, Desktop& desktop)
{
    QString accepted = allowed.toUpper();
    if (allowBackspace == -1)
        accepted += QChar(8);
    // A code outside 0..255 is no character of the window's code page: it matches nothing.
    bool isCharacter = keyCode >= 0 && keyCode <= 255;
    QString candidate = QString(QChar(static_cast<char16_t>(isCharacter ? keyCode : 0))).toUpper();
    if (isCharacter && accepted.indexOf(candidate, 0, Qt::CaseInsensitive) >= 0)
        return keyCode;
    desktop.beep();
    return 0;
}

} // namespace drawfield::Module1
