// Many workers moving a tree and stopped at random moments: nothing is lost, nothing is left
// half-made, and every count matches the lines reported.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "RecordingContext.h"
#include "TempTree.h"
#include "UpdateWalk.h"

namespace tolvane::test {
namespace {

size_t LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(),
                      [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
}

TEST(WorkerStress, AMoveStoppedAtRandomLosesNothingAndCountsExactly) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 4; ++round) {
        TempTree source;
        TempTree target;
        std::map<std::string, std::string> contents;
        for (int i = 0; i < 160; ++i) {
            const std::string name = "d" + std::to_string(i % 12) + "/f" + std::to_string(i);
            source.WriteFile(name, static_cast<off_t>(random() % 40000),
                             static_cast<char>('a' + i % 20));
            contents[name] = source.Read(name);
            if (i % 5 == 0) {
                target.WriteFile(name, static_cast<off_t>(contents[name].size() / 2), 'z');
            }
        }
        for (int run = 0; run < 2; ++run) {
            RecordingContext context(source.Root(), target.Root());
            context.jobs = 8;
            context.deleteFromSource = true;
            context.stopAfterStatuses = run == 0 ? static_cast<int>(random() % 150) : -1;
            UpdateThreadProc(&context);

            EXPECT_EQ(context.summary.copies, LinesStartingWith(context.actions, "copy "));
            EXPECT_EQ(context.summary.deletions, LinesStartingWith(context.actions, "delete "));
            EXPECT_EQ(context.summary.failures, context.failures.size());
            for (const auto& [name, data] : contents) {
                const bool inSource = source.Exists(name) && source.Read(name) == data;
                const bool inTarget = target.Exists(name) && target.Read(name) == data;
                EXPECT_TRUE(inSource || inTarget) << name << " round " << round;
            }
        }
        // Run to the end, the move is complete and leaves no temporary file.
        for (const auto& [name, data] : contents) {
            EXPECT_FALSE(source.Exists(name)) << name;
            EXPECT_EQ(target.Read(name), data) << name;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(target.Root())) {
            EXPECT_EQ(entry.path().filename().string().find(".tolvane-partial"), std::string::npos);
        }
    }
}

// With verify, a target of the same size and time but other data keeps its source, also when
// the walk meets it while workers still copy the files before it.
TEST(WorkerStress, HeldTargetsAreReadBackWhileCopiesAreUnderWay) {
    TempTree source;
    TempTree target;
    const timespec times[2] = {{1, 0}, {1, 0}};
    // Past the source reads that the walk times alone; copies long enough to be under way.
    for (int i = 0; i < 100; ++i) {
        const std::string name = "f" + std::to_string(i);
        source.WriteFile(name, i % 2 == 0 ? 4096 : 512 << 10, 'a');
        if (i % 2 == 0) {
            target.WriteFile(name, 4096, 'b');
            ::utimensat(AT_FDCWD, source.Path(name).c_str(), times, 0);
            ::utimensat(AT_FDCWD, target.Path(name).c_str(), times, 0);
        }
    }
    RecordingContext context(source.Root(), target.Root());
    context.jobs = 0;  // the engine's choice: workers take only the copies on a warm disk
    context.deleteFromSource = true;
    context.verify = true;
    UpdateThreadProc(&context);
    EXPECT_EQ(context.summary.deletions, 50U);
    EXPECT_EQ(context.summary.failures, 50U);
}

}  // namespace
}  // namespace tolvane::test
