#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// The desktop's default handler for web pages, read the way the XDG desktop entry and MIME
// association conventions describe: the handler's desktop-file id from the mimeapps.list files,
// its command from the Exec= line of its .desktop file. XDG_CONFIG_HOME, XDG_CONFIG_DIRS,
// XDG_DATA_HOME, XDG_DATA_DIRS and XDG_CURRENT_DESKTOP are honoured, with the usual defaults.

// The id ("firefox.desktop") of the default text/html handler: the first id listed under
// [Default Applications] that is installed, searching the mimeapps.list files in their order of
// precedence. Empty when none is configured or none of those listed is installed.
std::optional<std::string> DefaultHtmlHandler();

// The open command of the handler with that desktop-file id, from its Exec= line, converted
// by OpenCommandFromExec. Empty when no such .desktop file exists or it has no Exec= line.
std::optional<std::string> HandlerOpenCommand(const std::string& desktopId);

// An Exec= value as a command line for the program-start stand-in: the file and URL field
// codes %u, %U, %f, %F become "%1" with its double quotes, %% becomes %, other field codes
// are dropped.
std::string OpenCommandFromExec(std::string_view exec);

}  // namespace tolvane
