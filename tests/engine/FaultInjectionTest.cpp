// Failures a real folder cannot produce on demand: nothing partial is left, nothing is lost.
#include <gtest/gtest.h>

#include <fstream>

#include "FaultyFileSystem.h"
#include "RecordingContext.h"
#include "TempTree.h"
#include "UpdateWalk.h"

namespace tolvane::test {
namespace {

struct DataFault {
    const char* name;
    bool refuseRange;
    bool refuseSend;
    int error;
};

class DataFaultTest : public ::testing::TestWithParam<DataFault> {};

// The data call fails after part of the file was written: the partial target is removed,
// the source kept, and the failure counted.
TEST_P(DataFaultTest, MidCopyFailureLeavesNoPartialTargetAndKeepsTheSource) {
    const DataFault& fault = GetParam();
    TempTree source;
    TempTree target;
    source.WriteFile("big", 300000);
    source.WriteFile("shorter", 5000);
    target.WriteFile("shorter", 100);
    const std::string big = source.Read("big");
    const std::string shorter = source.Read("shorter");
    FaultyFileSystem files;
    files.refuseRange = fault.refuseRange;
    files.refuseSend = fault.refuseSend;
    files.dataError = fault.error;
    files.failDataCallAt = 2;

    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    // Whichever file met the failure has no target at all; the other one was copied whole.
    EXPECT_EQ(context.summary.failures, 1U);
    for (const auto& [name, content] : {std::pair{"big", big}, std::pair{"shorter", shorter}}) {
        const bool copied = target.Size(name) != -1;
        EXPECT_TRUE(!copied || target.Read(name) == content) << name;
        EXPECT_EQ(source.Exists(name), !copied) << name;
    }
    EXPECT_EQ(context.copyCount.load(), 1U);
}

INSTANTIATE_TEST_SUITE_P(Methods, DataFaultTest,
                         ::testing::Values(DataFault{"RangeDiskFull", false, false, ENOSPC},
                                           DataFault{"RangeIoError", false, false, EIO},
                                           DataFault{"SendDiskFull", true, false, ENOSPC},
                                           DataFault{"ReadIoError", true, true, EIO}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FaultInjection, FallsBackToReadWriteWhenFastPathsAreRefused) {
    TempTree source;
    TempTree target;
    source.WriteFile("f", 1 << 20, 'q');
    FaultyFileSystem files;
    files.refuseRange = true;
    files.refuseSend = true;
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    UpdateThreadProc(&context);
    EXPECT_EQ(target.Read("f"), source.Read("f"));
    EXPECT_EQ(context.summary.failures, 0U);
}

TEST(FaultInjection, AFileThatVanishedAfterListingIsLeftAlone) {
    TempTree source;
    TempTree target;
    source.WriteFile("gone", 4);
    FaultyFileSystem files;
    files.vanishingName = "gone";
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    UpdateThreadProc(&context);
    EXPECT_FALSE(target.Exists("gone"));
    EXPECT_EQ(context.summary.failures, 0U);
}

TEST(FaultInjection, AnUnreadableFolderIsAFailureAndTheRestGoesOn) {
    TempTree source;
    TempTree target;
    source.WriteFile("locked/f", 4);
    source.WriteFile("open/g", 4);
    FaultyFileSystem files;
    files.unreadableDir = "locked";
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    UpdateThreadProc(&context);
    EXPECT_EQ(context.summary.failures, 1U);
    EXPECT_TRUE(context.Has("fail read locked: Permission denied"));
    EXPECT_EQ(target.Size("open/g"), 4);
}

TEST(FaultInjection, AnAbandonedCopyRemovesItsPartialTarget) {
    TempTree source;
    TempTree target;
    source.WriteFile("big", 20 << 20);
    RecordingContext context(source.Root(), target.Root());
    context.abandonAfterChunks = 1;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);
    EXPECT_FALSE(target.Exists("big"));
    EXPECT_TRUE(source.Exists("big"));
}

TEST(DeletionSafety, NothingIsDeletedWhenTheTargetCannotBeSynced) {
    TempTree source;
    TempTree target;
    source.WriteFile("a", 10);
    source.WriteFile("b", 10);
    target.WriteFile("b", 10);
    FaultyFileSystem files;
    files.syncError = EIO;
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);
    EXPECT_TRUE(source.Exists("a"));
    EXPECT_TRUE(source.Exists("b"));
    EXPECT_EQ(context.summary.failures, 2U);
    EXPECT_EQ(context.summary.deletions, 0U);
}

TEST(DeletionSafety, ASourceThatChangedAfterTheCopyIsKept) {
    TempTree source;
    TempTree target;
    source.WriteFile("grows", 10);
    source.WriteFile("steady", 10);
    FaultyFileSystem files;
    files.beforeSync = [&] {
        std::ofstream(source.Path("grows"), std::ios::app) << "more";
    };
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);
    EXPECT_TRUE(source.Exists("grows"));
    EXPECT_FALSE(source.Exists("steady"));
    EXPECT_EQ(context.summary.deletions, 1U);
    EXPECT_EQ(context.summary.failures, 1U);
}

TEST(DeletionSafety, ATargetThatShrankAfterTheCopyKeepsTheSource) {
    TempTree source;
    TempTree target;
    source.WriteFile("f", 10);
    FaultyFileSystem files;
    files.beforeSync = [&] { ::truncate(target.Path("f").c_str(), 3); };
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);
    EXPECT_TRUE(source.Exists("f"));
}

TEST(DeletionSafety, ManyDeletionsShareFewSyncs) {
    TempTree source;
    TempTree target;
    for (int i = 0; i < 300; ++i) {
        source.WriteFile("d" + std::to_string(i % 3) + "/f" + std::to_string(i), 1);
    }
    FaultyFileSystem files;
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);
    EXPECT_EQ(context.summary.deletions, 300U);
    EXPECT_EQ(files.syncCalls, 1);
}

}  // namespace
}  // namespace tolvane::test
