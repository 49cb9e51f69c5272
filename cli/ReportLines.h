#pragma once

#include <cstdint>
#include <string>

#include "CommandLine.h"
#include "WalkReport.h"

namespace tolvane {

// The texts tolvane-update prints, each one line without its newline.

// "mkdir PATH", "copy SRC -> DST", "resume SRC -> DST at 37.2 GiB of 40.0 GiB",
// "link SRC -> DST", "delete SRC", "skip SRC: REASON".
std::string FormatAction(const WalkEvent& event);

// "tolvane-update: cannot copy 'SRC' to 'DST': REASON" and its kin for create, delete, read.
std::string FormatFailure(const WalkFailure& failure);
// The same without the program's name: "cannot copy 'SRC' to 'DST': REASON".
std::string DescribeFailure(const WalkFailure& failure);

// The closing lines: "M source file(s) deleted." when deletions were asked for, then
// "N file(s) updated.", each ending in a newline; a dry run says "would be deleted" and
// "would be updated" instead.
std::string FormatSummary(const WalkSummary& summary, const CommandLine& command);

// The line before the closing lines: "Copied 1.2 GiB in 3.4 s.", with " (37.2 GiB resumed)"
// when copies earlier runs were cut off in were finished (the bytes they had written are not
// in the first figure), ", then stopped" for a stopped run and "Would copy" for a dry run;
// ends in a newline.
std::string FormatTotals(const WalkSummary& summary, const CommandLine& command, double seconds);

// The line after it when targets were read back: "Verified 1.2 GiB in 2.1 s.", ending in a
// newline; empty when none was.
std::string FormatVerifyTotals(const WalkSummary& summary);

// "512 B", "1.5 MiB": bytes in binary units with one decimal.
std::string FormatBytes(double bytes);

// "0.4 s", "12.0 s", "3 min 05 s", "2 h 03 min".
std::string FormatDuration(double seconds);

// The system's text for an errno value, e.g. "No such file or directory".
std::string ErrorText(int error);

// "tolvane-update: " followed by message.
std::string ErrorLine(const std::string& message);

}  // namespace tolvane
