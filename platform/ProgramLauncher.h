#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

// Starts programs without a shell, the way the desktop's program-start call does: from one
// command line, with result codes above 31 for success and the loader's error numbers below.

// Splits a command line into words at blanks and tabs; double quotes group blanks into a word
// and are themselves dropped ("a b"c is the one word a bc). Nothing else is special.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The file a program name refers to: a name holding a '/' as it is, any other name searched
// in the folders of PATH for an executable regular file. Empty when PATH holds none.
std::optional<std::string> FindProgram(const std::string& name);

// Starts the program named by the first word of commandLine with the other words as its
// arguments, in a session of its own, with standard input from /dev/null, and returns without
// waiting for it. Returns kProgramStarted when the program's image was loaded, else the code
// for the failure: 2 not found, 3 path not found, 5 access denied, 8 out of memory,
// 11 not an executable, 26 file busy, 32 its loader or interpreter missing, 0 otherwise.
int StartProgram(std::string_view commandLine);

// The loader's error number for a failed start of the program at path, from errno.
int StartErrorCode(int error, const std::string& path);

// Starts path with args (args[0] is the program's name) as a child in a session of its own.
// Returns 0 and the child's id, or the errno of the failed start.
int SpawnChild(const std::string& path, const std::vector<std::string>& args, pid_t* child);

// Collects the exit status of child whenever it ends, so that it never lingers as a zombie.
void ReapInBackground(pid_t child);

}  // namespace tolvane
