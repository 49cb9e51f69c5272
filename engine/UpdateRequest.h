#pragma once

#include <sys/types.h>

#include <string>

namespace tolvane {

// What one run is asked to do: the two roots and the options, fixed for the whole run.
struct UpdateRequest {
    std::string source;
    std::string target;
    // The size rule: copy each file the target lacks or holds shorter. Off, files are only
    // compared for deletion.
    bool copyWhenLarger = true;
    // Delete each source file once the target provably holds it.
    bool deleteFromSource = false;
    // Change nothing; report what a run would do.
    bool dryRun = false;
    // When each target is read back from the storage (not from the page cache) and compared
    // with its source: before its source is deleted, or, without deletion, after its copy. A
    // target this run wrote that reads back otherwise is removed and its source kept.
    enum class Verify {
        Automatic,  // on a move onto removable media (USB sticks, SD cards), where writes
                    // that were accepted may still be lost (fake capacity, worn flash)
        Always,
        Never,
    };
    Verify verify = Verify::Automatic;
    // Files updated at once: 1 is the plain sequential walk; 0 lets the engine choose by the
    // storage (many for network and FUSE file systems, where each request waits on a round
    // trip).
    unsigned jobs = 0;
    // Copies that may take long enough to be cut off are written so that the next run can
    // finish them where they stopped.
    struct Resumable {
        // Files at least this long. Below it a copy takes a couple of seconds even on a USB 2
        // stick, and the partial's name and record are not worth their few system calls.
        off_t minimumSize = off_t{64} << 20;
        // Their data is flushed and the record of how much is on the storage brought up to
        // date after this many bytes, or after two seconds, whichever comes first.
        off_t flushBytes = off_t{1} << 30;
    } resumable;
};

}  // namespace tolvane
