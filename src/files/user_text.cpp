#include "files/user_text.h"

#include <array>

namespace drawfield {
namespace {

    void appendEscaped(std::string& out, std::string_view text)
    {
        constexpr std::array<char, 16> Hex
            = { '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f' };
        for (char c : text) {
            auto byte = static_cast<unsigned char>(c);
            switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    out += "\\x";
                    out.push_back(Hex[byte >> 4]);
                    out.push_back(Hex[byte & 0xf]);
                } else {
                    out.push_back(c);
                }
            }
        }
    }

    // Cutting inside a UTF-8 sequence would leave half a character: back up to its first byte.
    std::size_t characterBoundary(std::string_view text, std::size_t at)
    {
        while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            --at;
        return at;
    }

} // namespace

std::string validUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        // The length of the sequence lead begins, and the range its second byte must lie in
        // (which excludes overlong forms, surrogates and code points beyond U+10FFFF).
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            valid = k == 1 ? byte >= low && byte <= high : (byte & 0xC0) == 0x80;
        }
        if (valid) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::string_view utf8Prefix(std::string_view text, std::size_t bytes)
{
    return bytes >= text.size() ? text : text.substr(0, characterBoundary(text, bytes));
}

std::string quotedExcerpt(std::string_view text, std::size_t longest)
{
    std::string out = "\"";
    bool cut = text.size() > longest;
    appendEscaped(out, cut ? text.substr(0, characterBoundary(text, longest)) : text);
    out += cut ? "\"..." : "\"";
    return out;
}

std::string printablePath(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        // Quotes and backslashes are ordinary in paths: only control bytes need escaping.
        if (c == '"' || c == '\\')
            out.push_back(c);
        else
            appendEscaped(out, std::string_view(&c, 1));
    }
    return out;
}

std::string relayedText(std::string_view text, std::size_t longest)
{
    // Escapes make the text longer: the limit holds for what is shown.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t before = out.size();
        out += printablePath(text.substr(i, 1));
        if (out.size() > longest) {
            out.resize(characterBoundary(out, before));
            out += "...";
            break;
        }
    }
    return out;
}

std::string sentence(std::string text)
{
    if (!text.empty() && text.front() >= 'a' && text.front() <= 'z')
        text.front() = static_cast<char>(text.front() - 'a' + 'A');
    if (text.empty() || (text.back() != '.' && text.back() != '!' && text.back() != '?'))
        text.push_back('.');
    return text;
}

std::string cannotMessage(
    std::string_view verb, std::string_view what, std::string_view path, std::string_view reason)
{
    std::string text = "Cannot ";
    text += verb;
    text += " the ";
    text += what;
    text += ' ';
    text += printablePath(path);
    text += ": ";
    std::string because = sentence(std::string(reason));
    text += because;
    return text;
}

} // namespace drawfield
