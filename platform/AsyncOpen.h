#pragma once

#include <functional>
#include <string>

class QObject;

namespace tolvane {

// Receives the result code of an open (above 32 on success), on the window's thread.
using OpenDone = std::function<void(int code)>;

// Runs open, which may block for a while (the desktop's opener is waited for up to
// kShellOpenPatience), on a pool thread, so that the window keeps painting and answering.
// done receives its code later on context's thread, or never when context is gone by then.
void OpenInBackground(std::function<int()> open, QObject* context, OpenDone done);

// ShellOpen(url) through OpenInBackground. F1 opens the help page this way.
void ShellOpenInBackground(const std::string& url, QObject* context, OpenDone done);

}  // namespace tolvane
