#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tolvane {

// The options a run reads. The roots are copied once at the start of a run (under the
// owner's lock); the flags are atomics because the worker reads them for every file while
// the window may change them.
struct UpdateOptions {
    std::string sourceDir;
    std::string targetDir;
    std::atomic<std::int32_t> larger{1};            // copy when the source is larger
    std::atomic<std::int32_t> newer{0};             // shown in the window, never read by the walk
    std::atomic<std::int32_t> deleteFromSource{0};  // delete source files the target holds
};

}  // namespace tolvane
