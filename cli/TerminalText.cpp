#include "TerminalText.h"

#include <langinfo.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace tolvane {

namespace {

struct Glyph {
    size_t offset;
    size_t columns;
};

// The characters of text with their widths; a final entry marks the end of the text.
std::vector<Glyph> Glyphs(std::string_view text) {
    std::vector<Glyph> glyphs;
    std::mbstate_t state{};
    size_t at = 0;
    while (at < text.size()) {
        wchar_t wide = 0;
        size_t length = std::mbrtowc(&wide, text.data() + at, text.size() - at, &state);
        size_t columns = 1;
        if (length == 0 || length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2)) {
            length = 1;
            state = {};
        } else {
            const int width = ::wcwidth(wide);
            columns = width < 0 ? 2 : static_cast<size_t>(width);
        }
        glyphs.push_back({at, columns});
        at += length;
    }
    glyphs.push_back({text.size(), 0});
    return glyphs;
}

std::string_view Ellipsis() {
    // The one-column ellipsis only where the locale can encode it.
    return std::strcmp(::nl_langinfo(CODESET), "UTF-8") == 0 ? "\u2026" : "...";
}

}  // namespace

size_t TerminalColumns(std::string_view text) {
    size_t columns = 0;
    for (const Glyph& glyph : Glyphs(text)) {
        columns += glyph.columns;
    }
    return columns;
}

std::string FitEnd(std::string_view text, size_t columns) {
    const std::vector<Glyph> glyphs = Glyphs(text);
    size_t used = 0;
    size_t end = 0;
    while (end + 1 < glyphs.size() && used + glyphs[end].columns <= columns) {
        used += glyphs[end].columns;
        ++end;
    }
    return std::string(text.substr(0, glyphs[end].offset));
}

std::string FitMiddle(std::string_view text, size_t columns) {
    const std::vector<Glyph> glyphs = Glyphs(text);
    size_t total = 0;
    for (const Glyph& glyph : glyphs) {
        total += glyph.columns;
    }
    if (total <= columns) {
        return std::string(text);
    }
    const std::string_view ellipsis = Ellipsis();
    const size_t ellipsisColumns = TerminalColumns(ellipsis);
    if (columns < ellipsisColumns) {
        return FitEnd(text, columns);
    }
    const size_t room = columns - ellipsisColumns;
    // The end first: it holds the file name. It takes the odd column.
    size_t tail = glyphs.size() - 1;
    size_t used = 0;
    while (tail > 0 && used + glyphs[tail - 1].columns <= room - room / 2) {
        used += glyphs[--tail].columns;
    }
    std::string fitted = FitEnd(text, room - used);
    fitted += ellipsis;
    fitted += text.substr(glyphs[tail].offset);
    return fitted;
}

}  // namespace tolvane
