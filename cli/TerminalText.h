#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// Text on a terminal, measured in columns in the LC_CTYPE locale (mbrtowc and wcwidth): wide
// East Asian characters and emoji take two. A byte that is no character of the locale counts
// as one column, a character that wcwidth does not know as two, so that a measure errs on
// the wide side and a line never wraps.
size_t TerminalColumns(std::string_view text);

// The start of text that fits in columns, never splitting a character.
std::string FitEnd(std::string_view text, size_t columns);

// text when it fits in columns, else its start and its end around an ellipsis, shortened
// in the middle so that both the first folders and the file name stay in sight.
std::string FitMiddle(std::string_view text, size_t columns);

}  // namespace tolvane
