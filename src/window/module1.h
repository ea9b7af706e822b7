#pragma once

// Module1: what the window's handlers share.

#include <QString>

#include <cstdint>

namespace drawfield {

class Desktop;

namespace Module1 {

    // The key filter of the numeric fields: keyCode (a character code 0..255) is returned as it
    // came when its character, compared without regard to letter case, is among allowed, or is
    // Backspace (8) and allowBackspace is -1. Otherwise the desktop beeps and 0 is returned,
    // which cancels the key press.
    [[nodiscard]] std::int16_t FilterKey(std::int16_t keyCode, const QString& allowed,
        std::int16_t allowBackspace, Desktop& desktop);

} // namespace Module1
} // namespace drawfield
