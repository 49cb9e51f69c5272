#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// The registered open command of the web-page handler, cut where the target goes: at the first
// "%1" in double quotes if there is one, else at the first bare %1, else left whole.
std::string CutOpenCommand(std::string_view command);

// Opens url: through the shell first; when that fails, by starting the default web-page
// handler's open command, cut by CutOpenCommand, with a blank and the URL appended. Returns
// a code above 32 on success; otherwise the start's code when the handler was started, or the
// shell's code when no handler or no open command is configured.
int OpenLink(const std::string& url);

}  // namespace tolvane
