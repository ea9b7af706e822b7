#include "files/number_text.h"

#include <fmt/format.h>

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace drawfield {

void appendIntegerText(std::string& out, long long value)
{
    if (value >= 0)
        out.push_back(' ');
    std::array<char, 24> buffer;
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

std::string integerText(long long value)
{
    std::string out;
    appendIntegerText(out, value);
    return out;
}

void appendRealText(std::string& out, double value)
{
    if (value == 0.0 || std::isnan(value)) {
        out += " 0";
        return;
    }
    out.push_back(value < 0 ? '-' : ' ');
    double magnitude = std::fabs(value);
    if (std::isinf(magnitude)) {
        out += "1.#INF";
        return;
    }

    // "d.dddddddddddddde+XX": 15 significant digits, rounded to nearest.
    std::array<char, 40> buffer;
    auto result = std::to_chars(
        buffer.data(), buffer.data() + buffer.size(), magnitude, std::chars_format::scientific, 14);
    std::string_view scientific(
        buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    std::size_t ePos = scientific.find('e');
    std::array<char, 15> digits;
    std::size_t digitCount = 0;
    for (std::size_t i = 0; i < ePos; ++i)
        if (scientific[i] != '.')
            digits[digitCount++] = scientific[i];
    while (digitCount > 1 && digits[digitCount - 1] == '0')
        --digitCount;
    int exponent = 0;
    std::string_view exponentText = scientific.substr(ePos + 1);
    bool exponentNegative = exponentText.front() == '-';
    std::from_chars(exponentText.data() + 1, exponentText.data() + exponentText.size(), exponent);
    if (exponentNegative)
        exponent = -exponent;

    if (exponent >= 15 || exponent < -4) {
        out.push_back(digits[0]);
        if (digitCount > 1) {
            out.push_back('.');
            out.append(digits.data() + 1, digitCount - 1);
        }
        out.push_back('E');
        out.push_back(exponent < 0 ? '-' : '+');
        int absExponent = exponent < 0 ? -exponent : exponent;
        if (absExponent < 10)
            out.push_back('0');
        auto exponentResult
            = std::to_chars(buffer.data(), buffer.data() + buffer.size(), absExponent);
        out.append(buffer.data(), exponentResult.ptr);
        return;
    }

    if (exponent < 0) {
        out.push_back('.');
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(digits.data(), digitCount);
        return;
    }
    std::size_t integerCount = static_cast<std::size_t>(exponent) + 1;
    if (digitCount <= integerCount) {
        out.append(digits.data(), digitCount);
        out.append(integerCount - digitCount, '0');
        return;
    }
    out.append(digits.data(), integerCount);
    out.push_back('.');
    out.append(digits.data() + integerCount, digitCount - integerCount);
}

std::string realText(double value)
{
    std::string out;
    appendRealText(out, value);
    return out;
}

std::string significantText(double value, int digits)
{
    return fmt::format("{:.{}g}", value, digits);
}

std::string plainSignificantText(double x, int digits)
{
    const std::string text = fmt::format("{:.{}e}", x, digits - 1);
    const std::size_t e = text.find('e');
    const int exponent = std::stoi(text.substr(e + 1));
    std::string figures;
    for (char c : text.substr(0, e))
        if (c >= '0' && c <= '9')
            figures.push_back(c);
    std::string out = x < 0.0 ? "-" : "";
    if (exponent < 0) {
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + figures;
    } else if (static_cast<std::size_t>(exponent) + 1 >= figures.size()) {
        out += figures + std::string(static_cast<std::size_t>(exponent) + 1 - figures.size(), '0');
    } else {
        out += figures.substr(0, static_cast<std::size_t>(exponent) + 1) + "."
            + figures.substr(static_cast<std::size_t>(exponent) + 1);
    }
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.')
            out.pop_back();
    }
    return out;
}

} // namespace drawfield
