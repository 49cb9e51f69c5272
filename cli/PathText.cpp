#include "PathText.h"

namespace tolvane {

namespace {

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when it is not one
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t Utf8SequenceLength(std::string_view text, char32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < minimum || surrogate || codePoint > 0x10FFFF) {
        return 0;
    }
    return length;
}

void AppendHex(std::string& out, unsigned char byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

// The letter that follows the backslash in the C escape of c (n for a newline, a backslash
// for a backslash), or NUL when c has no such escape.
char EscapeLetter(char c) {
    static constexpr std::string_view kEscaped = "\a\b\t\n\v\f\r\\";
    static constexpr std::string_view kLetters = "abtnvfr\\";
    const size_t at = kEscaped.find(c);
    return at == std::string_view::npos ? '\0' : kLetters[at];
}

// C0 and C1 controls and DEL would move the cursor or change the terminal's state.
bool IsControl(char32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

void AppendEscaped(std::string& out, std::string_view path, char quote) {
    out.reserve(out.size() + path.size());
    while (!path.empty()) {
        char32_t codePoint = 0;
        const size_t length = Utf8SequenceLength(path, codePoint);
        if (length == 0) {
            AppendHex(out, static_cast<unsigned char>(path[0]));
            path.remove_prefix(1);
            continue;
        }
        if (quote != '\0' && path[0] == quote) {
            out += '\\';
            out += quote;
        } else if (const char letter = EscapeLetter(path[0]); letter != '\0') {
            out += '\\';
            out += letter;
        } else if (IsControl(codePoint)) {
            for (size_t i = 0; i < length; ++i) {
                AppendHex(out, static_cast<unsigned char>(path[i]));
            }
        } else {
            out.append(path.substr(0, length));
        }
        path.remove_prefix(length);
    }
}

}  // namespace

std::string EscapePath(std::string_view path) {
    std::string out;
    AppendEscaped(out, path, '\0');
    return out;
}

std::string QuotePath(std::string_view path) {
    std::string out = "'";
    AppendEscaped(out, path, '\'');
    out += '\'';
    return out;
}

}  // namespace tolvane
