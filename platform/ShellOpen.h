#pragma once

#include <chrono>
#include <string>

namespace tolvane {

// How long a shell open waits for the desktop's opener before taking it as launched. The
// opener blocks until the handler it starts exits, so "still running" means the handler came up.
inline constexpr std::chrono::milliseconds kShellOpenPatience{2000};

// Opens url (a web address, a "mailto:" address or a file path) with the desktop's handler
// through xdg-open, as the shell's "open" verb does. Returns a code above 32 when the opener
// succeeded or was still running after patience; otherwise the shell's error code:
// 2 when the opener reports the file missing (or the URL is empty or would read as an option),
// 31 when no opener or no handler is available, 27 when the handler failed, and the loader's
// codes when the opener itself could not be started.
int ShellOpen(const std::string& url, std::chrono::milliseconds patience = kShellOpenPatience);

// The shell's code for an exit status of xdg-open: 0 success, 1 syntax error, 2 file missing,
// 3 no method available, 4 the action failed.
int ShellCodeForOpenerExit(int exitStatus);

}  // namespace tolvane
