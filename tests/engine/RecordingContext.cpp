#include "RecordingContext.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

namespace tolvane::test {

unsigned JobsOfThisRun() {
    const char* jobs = std::getenv("TOLVANE_TEST_JOBS");
    return jobs != nullptr ? static_cast<unsigned>(std::strtoul(jobs, nullptr, 10)) : 1;
}

RecordingContext::RecordingContext(std::string sourceRoot, std::string targetRoot)
    : source(std::move(sourceRoot)), target(std::move(targetRoot)) {}

void RecordingContext::OnEntry(std::string_view path) {
    statuses.push_back(Relative(path));
    if (onEntry) {
        std::exchange(onEntry, nullptr)();
    }
    if (onEveryEntry) {
        onEveryEntry();
    }
}

bool RecordingContext::IsStopRequested() {
    return stopAfterStatuses >= 0 && statuses.size() >= static_cast<size_t>(stopAfterStatuses);
}

std::string RecordingContext::Relative(std::string_view path) const {
    for (const std::string* root : {&source, &target}) {
        std::string prefix = *root;
        if (!prefix.empty() && prefix.back() != '/') {
            prefix.push_back('/');
        }
        if (path.substr(0, prefix.size()) == prefix) {
            return std::string(path.substr(prefix.size()));
        }
    }
    return std::string(path);
}

void RecordingContext::OnAction(const WalkEvent& event) {
    if (IsCopy(event.action)) {
        ++copyCount;
    }
    std::string line = ActionWord(event.action);
    if (event.action == WalkAction::MakeDir) {
        line += " " + Relative(event.target);
    } else {
        line += " " + Relative(event.source);
    }
    if (IsCopy(event.action)) {
        line += " -> " + Relative(event.target);
    }
    if (!event.reason.empty()) {
        line += ": " + std::string(event.reason);
    }
    actions.push_back(line);
}

void RecordingContext::OnFailure(const WalkFailure& failure) {
    std::string line =
        std::string("fail ") + OperationWord(failure.operation) + " " +
        Relative(failure.source.empty() ? failure.target : failure.source) + ": " +
        (failure.reason.empty() ? std::strerror(failure.error) : std::string(failure.reason));
    failures.push_back(line);
}

void RecordingContext::OnVerifyProgress(const VerifyProgress& progress) {
    if (verifyTotal == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(verifyPauseMs));
    }
    verifyDone = progress.files;
    verifyTotal = progress.filesTotal;
}

void RecordingContext::UpdateDone(const WalkSummary& walkSummary) {
    summary = walkSummary;
    ++doneNotices;
}

bool RecordingContext::Has(const std::string& line) const {
    return std::find(actions.begin(), actions.end(), line) != actions.end() ||
           std::find(failures.begin(), failures.end(), line) != failures.end();
}

bool RecordingContext::HasStart(const std::string& start) const {
    const auto begins = [&start](const std::string& line) { return line.starts_with(start); };
    return std::any_of(actions.begin(), actions.end(), begins) ||
           std::any_of(failures.begin(), failures.end(), begins);
}

}  // namespace tolvane::test
