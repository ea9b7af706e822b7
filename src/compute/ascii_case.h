#pragma once

// Letter case of the program's own words (keys, method names, symbols, extensions): ASCII only,
// whatever the locale, so that "I" is "i" on every machine.

#include <algorithm>
#include <string>
#include <string_view>

namespace drawfield {

[[nodiscard]] constexpr char asciiLower(char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

[[nodiscard]] inline std::string asciiLowerCase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), asciiLower);
    return out;
}

[[nodiscard]] constexpr bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return asciiLower(x) == asciiLower(y);
    });
}

} // namespace drawfield
