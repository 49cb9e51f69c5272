#pragma once

#include <QString>

namespace tolvane {

// The name of the program as message boxes show it in their caption: the executable's file
// name without its extension.
QString ApplicationName();

// The same rule for a given executable path: the file name after the last '/', cut at its
// last dot. Dots in folder names never count, and a leading dot (a hidden file's name) is
// part of the name, not the start of an extension.
QString ApplicationNameFromPath(const QString& executablePath);

}  // namespace tolvane
