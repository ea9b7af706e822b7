#pragma once

// Texts for people: how messages quote what a user or a file gave us. Input may be huge, hold NUL
// or control bytes, or not be UTF-8; a message quotes a short excerpt of it, escaped, so that it
// stays one readable line whatever came in.

#include <cstddef>
#include <string>
#include <string_view>

namespace drawfield {

// The text in double quotes, control bytes, quotes and backslashes escaped (\n, \t, \", \\,
// \x00), cut to its first `longest` bytes with "..." after the closing quote when it is longer.
[[nodiscard]] std::string quotedExcerpt(std::string_view text, std::size_t longest = 40);

// A file's path as a message shows it: whole, with control bytes escaped as in quotedExcerpt.
[[nodiscard]] std::string printablePath(std::string_view path);

// Another program's message as ours passes it on: control bytes escaped as in printablePath, cut
// with "..." so that at most `longest` bytes of it are shown.
[[nodiscard]] std::string relayedText(std::string_view text, std::size_t longest = 300);

// A message as a sentence: the first letter capitalised, a full stop at the end unless it already
// ends in one (or in "!" or "?").
[[nodiscard]] std::string sentence(std::string text);

// The text as valid UTF-8: each byte that begins no valid sequence becomes U+FFFD, so that files
// whose format is UTF-8 (GeoJSON, a shapefile with its .cpg) stay valid whatever a name held.
[[nodiscard]] std::string validUtf8(std::string_view text);

// The longest start of a UTF-8 text of at most `bytes` bytes that ends between characters.
[[nodiscard]] std::string_view utf8Prefix(std::string_view text, std::size_t bytes);

// "Cannot <verb> the <what> <path>: <Reason>." The form of every failure to read or write a file.
[[nodiscard]] std::string cannotMessage(
    std::string_view verb, std::string_view what, std::string_view path, std::string_view reason);

} // namespace drawfield
