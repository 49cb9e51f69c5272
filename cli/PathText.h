#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// Paths are the file system's bytes, which need not be UTF-8. For a terminal or a log they
// are shown with every byte that is not part of printable UTF-8 as "\xHH", control characters
// as C escapes ("\n", "\t", ...) and a backslash doubled, so that each path stays on one line
// and the original bytes can be read back from the text.
std::string EscapePath(std::string_view path);

// EscapePath between single quotes, with a quote inside the path shown as "\'".
std::string QuotePath(std::string_view path);

}  // namespace tolvane
