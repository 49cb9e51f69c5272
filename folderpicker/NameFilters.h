#pragma once

#include <QStringList>

namespace tolvane {

// Turns a filter list in the framework's form, "Description|pattern;pattern|...|" with one
// more '|' at the end, into file-dialog name filters "Description (pattern pattern)".
// "*.*" becomes "*", which also matches names without a dot. A null or empty filter gives
// an empty list.
QStringList NameFiltersFromFrameworkFilter(const char* filter);

}  // namespace tolvane
