// Failures a real folder cannot produce on demand: nothing partial is left, nothing is lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

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

// The data call fails after part of the file was written: the partial copy is removed, a
// shorter target stays as it was, the source is kept, and the failure counted.
TEST_P(DataFaultTest, MidCopyFailureLeavesNoPartialTargetAndKeepsTheSource) {
    const DataFault& fault = GetParam();
    TempTree source;
    TempTree target;
    source.WriteFile("big", 300000);
    source.WriteFile("shorter", 5000);
    target.WriteFile("shorter", 100);
    const std::string big = source.Read("big");
    const std::string shorter = source.Read("shorter");
    const std::string shorterTarget = target.Read("shorter");
    FaultyFileSystem files;
    files.refuseRange = fault.refuseRange;
    files.refuseSend = fault.refuseSend;
    files.dataError = fault.error;
    files.failDataCallAt = 2;

    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    // Whichever file met the failure has its target as before; the other was copied whole.
    EXPECT_EQ(context.summary.failures, 1U);
    EXPECT_EQ(context.copyCount.load(), 1U);
    const bool bigCopied = target.Exists("big");
    EXPECT_EQ(target.Read("big"), bigCopied ? big : "");
    EXPECT_EQ(target.Read("shorter"), bigCopied ? shorterTarget : shorter);
    EXPECT_EQ(source.Exists("big"), !bigCopied);
    EXPECT_EQ(source.Exists("shorter"), bigCopied);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.Root()), {}), bigCopied ? 2 : 1);
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

// Each way the source or target can change between the comparison and the deletion.
struct LateChange {
    const char* name;
    std::function<void(const TempTree& source, const TempTree& target)> change;
};

class LateChangeTest : public ::testing::TestWithParam<LateChange> {};

TEST_P(LateChangeTest, KeepsTheSource) {
    TempTree source;
    TempTree target;
    source.WriteFile("f", 10);
    target.WriteFile("f", 10, 'z');
    FaultyFileSystem files;
    files.beforeSync = [&] { GetParam().change(source, target); };
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);
    EXPECT_TRUE(source.Exists("f"));
    EXPECT_EQ(context.summary.deletions, 0U);
    EXPECT_EQ(context.summary.failures, 1U);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, LateChangeTest,
    ::testing::Values(
        LateChange{"SourceTouched",
                   [](const TempTree& s, const TempTree&) {
                       const timespec times[2] = {{0, UTIME_OMIT}, {1, 0}};
                       ::utimensat(AT_FDCWD, s.Path("f").c_str(), times, 0);
                   }},
        LateChange{"SourceReplacedBySameSizeAndTime",
                   [](const TempTree& s, const TempTree&) {
                       const struct stat was = s.Stat("f");
                       s.WriteFile("g", 10, 'k');
                       const timespec times[2] = {was.st_atim, was.st_mtim};
                       ::utimensat(AT_FDCWD, s.Path("g").c_str(), times, 0);
                       ::rename(s.Path("g").c_str(), s.Path("f").c_str());
                   }},
        LateChange{"TargetBecameTheSourceFile",
                   [](const TempTree& s, const TempTree& t) {
                       ::unlink(t.Path("f").c_str());
                       ::link(s.Path("f").c_str(), t.Path("f").c_str());
                   }},
        LateChange{"TargetRemoved",
                   [](const TempTree&, const TempTree& t) { ::unlink(t.Path("f").c_str()); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeletionSafety, ARefusedDeletionIsRetriedWithTheWriteBitAndTheModeRestored) {
    TempTree source;
    TempTree target;
    source.WriteFile("once", 4);
    source.WriteFile("twice", 4);
    target.WriteFile("once", 4);
    target.WriteFile("twice", 4);
    ::chmod(source.Path("once").c_str(), 0444);
    ::chmod(source.Path("twice").c_str(), 0444);
    FaultyFileSystem files;
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    context.deleteFromSource = true;
    files.beforeSync = [&] { files.refusedUnlinks = 1; };  // the retry succeeds
    UpdateThreadProc(&context);
    EXPECT_EQ(context.summary.deletions, 2U);

    source.WriteFile("kept", 4);
    target.WriteFile("kept", 4);
    ::chmod(source.Path("kept").c_str(), 0444);
    files.beforeSync = [&] { files.refusedUnlinks = 2; };  // the retry is refused too
    RecordingContext again(source.Root(), target.Root());
    again.files = &files;
    again.deleteFromSource = true;
    UpdateThreadProc(&again);
    EXPECT_TRUE(source.Exists("kept"));
    EXPECT_EQ(source.Stat("kept").st_mode & 07777, 0444U);
    EXPECT_EQ(again.summary.failures, 1U);
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
