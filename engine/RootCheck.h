#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// Why a pair of roots cannot be walked, found before anything on disk changes.
enum class RootProblem {
    None,
    SourceMissing,       // the source does not exist or cannot be reached
    SourceNotDirectory,  // the source exists but is not a folder
    SameDirectory,       // both name the same folder (device and inode), however spelt
    TargetNotDirectory,  // the target exists but is not a folder
};

struct RootCheck {
    RootProblem problem = RootProblem::None;
    int error = 0;  // errno behind SourceMissing
    bool targetMissing = false;
};

// Looks at both roots without changing anything. A missing target is no problem: the walk
// creates it.
RootCheck CheckRoots(const std::string& source, const std::string& target);

// A sentence for the user, e.g. "source and target are the same folder".
std::string_view DescribeRootProblem(RootProblem problem);

}  // namespace tolvane
