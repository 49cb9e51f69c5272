#include "LinkOpener.h"

#include <optional>

#include "HtmlHandler.h"
#include "ProgramLauncher.h"
#include "ShellOpen.h"

namespace tolvane {

std::string CutOpenCommand(std::string_view command) {
    // A byte search is safe in UTF-8: the bytes of '"', '%' and '1' never occur inside the
    // encoding of another character.
    std::size_t cut = command.find("\"%1\"");
    if (cut == std::string_view::npos) {
        cut = command.find("%1");
    }
    return std::string(command.substr(0, cut));
}

int OpenLink(const std::string& url) {
    const int shellCode = ShellOpen(url);
    if (shellCode > 32) {
        return shellCode;
    }
    const std::optional<std::string> handler = DefaultHtmlHandler();
    if (!handler) {
        return shellCode;
    }
    const std::optional<std::string> command = HandlerOpenCommand(*handler);
    if (!command) {
        return shellCode;
    }
    return StartProgram(CutOpenCommand(*command) + " " + url);
}

}  // namespace tolvane
