#include "RootCheck.h"

#include <sys/stat.h>

#include <cerrno>

namespace tolvane {

RootCheck CheckRoots(const std::string& source, const std::string& target) {
    RootCheck check;
    struct stat sourceStat {};
    if (source.empty() || ::stat(source.c_str(), &sourceStat) != 0) {
        check.problem = RootProblem::SourceMissing;
        check.error = source.empty() ? ENOENT : errno;
        return check;
    }
    if (!S_ISDIR(sourceStat.st_mode)) {
        check.problem = RootProblem::SourceNotDirectory;
        return check;
    }
    struct stat targetStat {};
    if (target.empty() || ::stat(target.c_str(), &targetStat) != 0) {
        check.targetMissing = true;
        return check;
    }
    if (!S_ISDIR(targetStat.st_mode)) {
        check.problem = RootProblem::TargetNotDirectory;
    } else if (targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino) {
        check.problem = RootProblem::SameDirectory;
    }
    return check;
}

std::string_view DescribeRootProblem(RootProblem problem) {
    switch (problem) {
        case RootProblem::None:
            return "";
        case RootProblem::SourceMissing:
            return "the source folder does not exist";
        case RootProblem::SourceNotDirectory:
            return "the source is not a folder";
        case RootProblem::SameDirectory:
            return "source and target are the same folder";
        case RootProblem::TargetNotDirectory:
            return "the target is not a folder";
    }
    return "";
}

}  // namespace tolvane
