#include "compute/user_text.h"

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
