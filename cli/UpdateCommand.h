#pragma once

#include <cstdio>

#include "CommandLine.h"
#include "StopSignals.h"

namespace tolvane {

// Exit statuses of tolvane-update.
inline constexpr int kExitDone = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitRefused = 2;  // usage error or roots refused; nothing changed
inline constexpr int kExitStopped = 130;

// Runs the update on the calling thread, reports what it does and prints its closing lines.
// Returns the exit status.
int RunUpdateCommand(const CommandLine& command, std::FILE* out, std::FILE* err,
                     const StopSignals& stops);

// Flushes out; on a write error reports it on err and returns false.
bool FinishOutput(std::FILE* out, std::FILE* err);

}  // namespace tolvane
