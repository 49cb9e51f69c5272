#include "FileProgress.h"

namespace tolvane {

void FileProgress::Note(const CopyProgress& progress) {
    std::lock_guard guard(lock);
    if (progress.source != source) {
        source.assign(progress.source);
        started = std::chrono::steady_clock::now();
    }
    // A file that grows while it is copied may pass its first size.
    percent = progress.fileSize == 0 || progress.fileBytes >= progress.fileSize
                  ? 100
                  : static_cast<int>(progress.fileBytes * 100 / progress.fileSize);
}

bool FileProgress::End(std::string_view entry) {
    std::lock_guard guard(lock);
    if (source.empty() || entry != source) {
        return false;
    }
    source.clear();
    return true;
}

void FileProgress::Clear() {
    std::lock_guard guard(lock);
    source.clear();
}

int FileProgress::ShownPercent() const {
    std::lock_guard guard(lock);
    if (source.empty() || std::chrono::steady_clock::now() - started < kShownAfter) {
        return -1;
    }
    return percent;
}

}  // namespace tolvane
