#include "scenario/text_rules.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>

namespace drawfield {
namespace {

    bool isIgnoredBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
    bool isDigit(char c) { return c >= '0' && c <= '9'; }

    // Reads "&H..." or "&O..." digits (blanks already removed). Empty on overflow.
    std::optional<double> radixNumber(std::string_view digits, unsigned radix)
    {
        std::uint64_t value = 0;
        for (char c : digits) {
            unsigned digit;
            if (isDigit(c))
                digit = static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<unsigned>(c - 'A' + 10);
            else
                break;
            if (digit >= radix)
                break;
            if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / radix)
                return std::nullopt;
            value = value * radix + digit;
        }
        return static_cast<double>(value);
    }

} // namespace

std::optional<double> numberOfText(std::string_view text)
{
    std::string packed;
    packed.reserve(text.size());
    for (char c : text)
        if (!isIgnoredBlank(c))
            packed.push_back(c);

    if (packed.size() >= 2 && packed[0] == '&') {
        char kind = packed[1];
        if (kind == 'H' || kind == 'h')
            return radixNumber(std::string_view(packed).substr(2), 16);
        if (kind == 'O' || kind == 'o')
            return radixNumber(std::string_view(packed).substr(2), 8);
    }

    std::size_t pos = 0;
    bool negative = false;
    if (pos < packed.size() && (packed[pos] == '+' || packed[pos] == '-'))
        negative = packed[pos++] == '-';

    std::string integerDigits, fractionDigits;
    while (pos < packed.size() && isDigit(packed[pos]))
        integerDigits.push_back(packed[pos++]);
    if (pos < packed.size() && packed[pos] == '.') {
        ++pos;
        while (pos < packed.size() && isDigit(packed[pos]))
            fractionDigits.push_back(packed[pos++]);
    }
    if (integerDigits.empty() && fractionDigits.empty())
        return 0.0;

    // The exponent counts only when at least one digit follows the E and its sign.
    std::string exponent;
    if (pos < packed.size() && (packed[pos] == 'E' || packed[pos] == 'e')) {
        std::size_t p = pos + 1;
        std::string candidate = "e";
        if (p < packed.size() && (packed[p] == '+' || packed[p] == '-'))
            candidate.push_back(packed[p++]);
        if (p < packed.size() && isDigit(packed[p])) {
            while (p < packed.size() && isDigit(packed[p]))
                candidate.push_back(packed[p++]);
            exponent = candidate;
        }
    }

    std::string canonical = integerDigits.empty() ? "0" : integerDigits;
    if (!fractionDigits.empty())
        canonical += "." + fractionDigits;
    canonical += exponent;

    double value = 0.0;
    auto [end, error] = std::from_chars(
        canonical.data(), canonical.data() + canonical.size(), value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Out of range is either too small for a real (reads as 0) or too large (refused): decide
        // by the decimal exponent of the first significant digit.
        long long leadingExponent;
        std::size_t firstInteger = integerDigits.find_first_not_of('0');
        if (firstInteger != std::string::npos)
            leadingExponent = static_cast<long long>(integerDigits.size() - firstInteger) - 1;
        else
            leadingExponent = -static_cast<long long>(fractionDigits.find_first_not_of('0')) - 1;
        long long exponentValue = 0;
        for (std::size_t i = 1; i < exponent.size(); ++i)
            if (isDigit(exponent[i]) && exponentValue < 1'000'000'000)
                exponentValue = exponentValue * 10 + (exponent[i] - '0');
        if (exponent.size() > 1 && exponent[1] == '-')
            exponentValue = -exponentValue;
        if (leadingExponent + exponentValue < 0)
            return 0.0;
        return std::nullopt;
    }
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    if (value == 0.0)
        return 0.0;
    return negative ? -value : value;
}

bool isWholeNumberText(std::string_view text)
{
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && isIgnoredBlank(text[pos]))
            ++pos;
    };
    auto digits = [&] {
        std::size_t count = 0;
        for (skipBlanks(); pos < text.size() && isDigit(text[pos]); skipBlanks())
            ++pos, ++count;
        return count;
    };
    skipBlanks();
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    std::size_t mantissa = digits();
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
        ++pos;
        skipBlanks();
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            ++pos;
        if (digits() == 0)
            return false;
    }
    skipBlanks();
    return pos == text.size();
}

double roundHalfEven(double value)
{
    double below = std::floor(value);
    double fraction = value - below; // exact for every finite double
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::optional<std::int16_t> integerOfText(std::string_view text)
{
    std::optional<double> number = numberOfText(text);
    if (!number)
        return std::nullopt;
    double rounded = roundHalfEven(*number);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::vector<std::string> commaEntries(std::string_view text)
{
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view entry = text.substr(start, end - start);
        start = end + 1;
        if (entry.find_first_not_of(" \t") != std::string_view::npos)
            entries.emplace_back(entry);
    }
    return entries;
}

std::string trimmedBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::optional<double> dateTimeSecondsOfText(std::string_view text)
{
    // YYYY-MM-DD, then a blank or T, then hh:mm, then :ss and a fraction if any.
    auto digits = [&](std::size_t at, std::size_t count) -> std::optional<int> {
        if (at + count > text.size())
            return std::nullopt;
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
    const auto hour = digits(11, 2), minute = digits(14, 2);
    if (!year || !month || !day || !hour || !minute || text[4] != '-' || text[7] != '-'
        || (text[10] != ' ' && text[10] != 'T') || text[13] != ':')
        return std::nullopt;
    double second = 0.0;
    if (text.size() > 16) {
        const auto whole = digits(17, 2);
        if (text[16] != ':' || !whole)
            return std::nullopt;
        second = *whole;
        if (text.size() > 19) {
            if (text[19] != '.' && text[19] != ',')
                return std::nullopt;
            double scale = 0.1;
            for (std::size_t i = 20; i < text.size(); ++i, scale /= 10) {
                if (text[i] < '0' || text[i] > '9' || i > 28)
                    return std::nullopt;
                second += (text[i] - '0') * scale;
            }
            if (text.size() == 20)
                return std::nullopt;
        }
        if (*whole > 59)
            return std::nullopt;
    }
    const std::chrono::year_month_day date { std::chrono::year(*year),
        std::chrono::month(static_cast<unsigned>(*month)),
        std::chrono::day(static_cast<unsigned>(*day)) };
    if (!date.ok() || *hour > 23 || *minute > 59)
        return std::nullopt;
    const auto days = std::chrono::sys_days(date).time_since_epoch().count();
    return static_cast<double>(days) * 86400.0 + *hour * 3600.0 + *minute * 60.0 + second;
}

} // namespace drawfield
