#pragma once

#include <cstdint>
#include <string>

#include "WalkReport.h"

namespace tolvane {

// The texts tolvane-update prints, each one line without its newline.

// "mkdir PATH", "copy SRC -> DST", "link SRC -> DST", "delete SRC", "skip SRC: REASON".
std::string FormatAction(const WalkEvent& event);

// "tolvane-update: cannot copy 'SRC' to 'DST': REASON" and its kin for create, delete, read.
std::string FormatFailure(const WalkFailure& failure);
// The same without the program's name: "cannot copy 'SRC' to 'DST': REASON".
std::string DescribeFailure(const WalkFailure& failure);

// The closing lines: "M source file(s) deleted." when deletions were asked for, then
// "N file(s) updated.", each ending in a newline.
std::string FormatSummary(std::uint64_t copies, std::uint64_t deletions, bool deletionsAsked);

// The system's text for an errno value, e.g. "No such file or directory".
std::string ErrorText(int error);

// "tolvane-update: " followed by message.
std::string ErrorLine(const std::string& message);

}  // namespace tolvane
