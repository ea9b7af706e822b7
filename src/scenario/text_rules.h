#pragma once

// How the program reads the texts of its fields as numbers (number_text.h writes numbers as text).
// The same rules hold whatever the machine's regional settings: "." is always the decimal point.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drawfield {

// The number a text begins with. Blanks, tabs and line feeds anywhere in the text are ignored; then
// an optional sign, digits with at most one ".", and an optional exponent (E or e, an optional
// sign, digits) are read up to the first character that cannot continue the number, so "12,5" reads
// as 12 and "1e" as 1. A text with no leading number reads as 0. "&H1F" and "&O17" read as
// hexadecimal and octal integers. Empty when the number is too large for a 64-bit real (1e400).
[[nodiscard]] std::optional<double> numberOfText(std::string_view text);

// A date and time as a logger or a spreadsheet writes it, "2026-03-04 08:15", "2026-03-04T08:15:30"
// or with a fraction of a second, as seconds from 1970-01-01 00:00 of the same clock (no time
// zone: two such times give their difference); empty for any other text or an impossible date.
[[nodiscard]] std::optional<double> dateTimeSecondsOfText(std::string_view text);

// Whether the whole text is one number: blanks ignored as numberOfText ignores them, then an
// optional sign, digits with at most one ".", an optional exponent (E or e, an optional sign,
// digits), and nothing else. "", "7S.5", "2O", "12,5" and "&H1F" are not.
[[nodiscard]] bool isWholeNumberText(std::string_view text);

// The number of the text rounded to the nearest integer, halves to the even neighbour (2.5 gives 2,
// 3.5 gives 4). Empty when the result lies outside -32768..32767: a failure, never a stand-in
// value.
[[nodiscard]] std::optional<std::int16_t> integerOfText(std::string_view text);

// The text without the blanks and tabs at its ends.
[[nodiscard]] std::string trimmedBlanks(std::string_view text);

// The entries of a list separated by commas ("12:0, 30:3"), those of blanks alone left out.
[[nodiscard]] std::vector<std::string> commaEntries(std::string_view text);

// Rounds halves to the even neighbour, whatever the floating-point environment's rounding mode.
[[nodiscard]] double roundHalfEven(double value);

} // namespace drawfield
