// Failures a real folder cannot produce on demand: nothing partial is left, nothing is lost.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <ostream>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "FaultyFileSystem.h"
#include "RecordingContext.h"
#include "TempTree.h"
#include "UpdateWalk.h"

namespace tolvane::test {
namespace {

// A source and a target tree walked through the fault-injecting file system.
class FaultTest : public ::testing::Test {
  protected:
    FaultTest() { context.files = &files; }

    void Run(bool deleteFromSource) {
        context.deleteFromSource = deleteFromSource;
        UpdateThreadProc(&context);
    }

    TempTree source;
    TempTree target;
    FaultyFileSystem files;
    RecordingContext context{source.Root(), target.Root()};
};

struct DataFault {
    const char* name;
    bool refuseRange;
    bool refuseSend;
    int error;
};

// Test names and failure messages show the row by its name.
void PrintTo(const DataFault& row, std::ostream* out) {
    *out << row.name;
}

class DataFaultTest : public FaultTest, public ::testing::WithParamInterface<DataFault> {};

// The data call fails after part of the file was written: the partial copy is removed, a
// shorter target stays as it was, the source is kept, and the failure counted.
TEST_P(DataFaultTest, MidCopyFailureLeavesNoPartialTargetAndKeepsTheSource) {
    source.WriteFile("big", 300000);
    source.WriteFile("shorter", 5000);
    target.WriteFile("shorter", 100);
    const std::string big = source.Read("big");
    const std::string shorter = source.Read("shorter");
    const std::string shorterTarget = target.Read("shorter");
    files.refuseRange = GetParam().refuseRange;
    files.refuseSend = GetParam().refuseSend;
    files.dataError = GetParam().error;
    files.failDataCallAt = 2;
    Run(true);

    // Whichever file met the failure has its target as before; the other was copied whole.
    EXPECT_EQ(context.summary.failures, 1U);
    EXPECT_EQ(context.copyCount.load(), 1U);
    const bool bigCopied = target.Exists("big");
    EXPECT_EQ(target.Read("big"), bigCopied ? big : "");
    EXPECT_EQ(target.Read("shorter"), bigCopied ? shorterTarget : shorter);
    EXPECT_EQ(source.Exists("big"), !bigCopied);
    EXPECT_EQ(source.Exists("shorter"), bigCopied);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.Root()), {}),
              bigCopied ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(Methods, DataFaultTest,
                         ::testing::Values(DataFault{"RangeDiskFull", false, false, ENOSPC},
                                           DataFault{"RangeIoError", false, false, EIO},
                                           DataFault{"SendDiskFull", true, false, ENOSPC},
                                           DataFault{"ReadIoError", true, true, EIO}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultTest, FallsBackToReadWriteWhenFastPathsAreRefused) {
    source.WriteFile("f", 1 << 20, 'q');
    files.refuseRange = true;
    files.refuseSend = true;
    files.shortWrites = true;
    Run(false);
    EXPECT_EQ(target.Read("f"), source.Read("f"));
    EXPECT_EQ(context.summary.failures, 0U);
}

TEST_F(FaultTest, AFileThatVanishedAfterListingIsLeftAlone) {
    source.WriteFile("gone", 4);
    files.vanishingName = "gone";
    Run(false);
    EXPECT_FALSE(target.Exists("gone"));
    EXPECT_EQ(context.summary.failures, 0U);
}

TEST_F(FaultTest, AnUnreadableFolderIsAFailureAndTheRestGoesOn) {
    source.WriteFile("locked/f", 4);
    source.WriteFile("open/g", 4);
    files.unreadableDir = "locked";
    Run(false);
    EXPECT_EQ(context.summary.failures, 1U);
    EXPECT_TRUE(context.Has("fail read locked: Permission denied"));
    EXPECT_EQ(target.Size("open/g"), 4);
}

TEST_F(FaultTest, AnAbandonedCopyLeavesNothingInEveryCopyPath) {
    source.WriteFile("big", 20 << 20);
    for (const bool readWrite : {false, true}) {
        files.refuseRange = files.refuseSend = readWrite;
        context.abandonAfterChunks = 1;
        context.abandonPolls = 0;
        Run(true);
        EXPECT_FALSE(target.Exists("big")) << readWrite;
        EXPECT_TRUE(source.Exists("big")) << readWrite;
        EXPECT_TRUE(context.Has("fail copy big: the update was stopped during the copy"));
    }
}

// Until a copy is finished, no name shows it: a run killed at that moment leaves a missing
// target missing and a shorter one as it was.
TEST_F(FaultTest, ACopyTakesItsNameOnlyWhenFinished) {
    source.WriteFile("new", 5000);
    bool named = true;
    files.onSetTimes = [&] { named = target.Exists("new"); };
    Run(false);
    EXPECT_FALSE(named);

    source.WriteFile("longer", 5000);
    target.WriteFile("longer", 100, 'z');
    const std::string before = target.Read("longer");
    std::string shown;
    files.onSetTimes = [&] { shown = target.Read("longer"); };
    Run(false);
    EXPECT_EQ(shown, before);
    EXPECT_EQ(target.Read("longer"), source.Read("longer"));
}

// A copy that fails as it is finished leaves no file under the target's name nor under a
// temporary one, and the source stays.
struct FinishFault {
    const char* name;
    int FaultyFileSystem::*error;
};

// Test names and failure messages show the row by its name.
void PrintTo(const FinishFault& row, std::ostream* out) {
    *out << row.name;
}

class FinishFaultTest : public FaultTest, public ::testing::WithParamInterface<FinishFault> {};

TEST_P(FinishFaultTest, LeavesTheTargetAsItWas) {
    source.WriteFile("new", 5000);
    source.WriteFile("longer", 5000);
    target.WriteFile("longer", 100, 'z');
    const std::string before = target.Read("longer");
    files.*GetParam().error = EIO;
    Run(true);
    EXPECT_FALSE(target.Exists("new"));
    EXPECT_EQ(target.Read("longer"), before);
    EXPECT_TRUE(source.Exists("new"));
    EXPECT_TRUE(source.Exists("longer"));
    EXPECT_EQ(context.summary.failures, 2U);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.Root()), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FinishFaultTest,
    ::testing::Values(FinishFault{"Close", &FaultyFileSystem::closeErrorOfWritten},
                      FinishFault{"SetTimes", &FaultyFileSystem::setTimesError}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultTest, SetIdBitsGoWhereTheOwnerCannotBeKept) {
    source.WriteFile("f", 10);
    // Owned by someone else (as root; otherwise by the runner, whom no copy can change).
    (void)::chown(source.Path("f").c_str(), 1000, 1000);
    ::chmod(source.Path("f").c_str(), 04755);
    files.chownError = EPERM;
    Run(false);
    EXPECT_EQ(target.Stat("f").st_mode & 07777, 0755U);
}

TEST_F(FaultTest, ALeftoverOfAKilledRunIsReplaced) {
    source.WriteFile("f", 5000);
    target.WriteFile("f", 10, 'z');
    target.WriteFile(".f.tolvane-partial", 7000, 'y');
    Run(false);
    EXPECT_EQ(target.Read("f"), source.Read("f"));
    EXPECT_FALSE(target.Exists(".f.tolvane-partial"));
}

// On a target that does not tell case apart, two source names that fold together are never
// copied over each other, and the one that was not copied is not deleted.
TEST_F(FaultTest, NamesThatFoldTogetherOnTheTargetCollide) {
    constexpr long kVfat = 0x4d44;
    files.fileSystemType = kVfat;
    source.WriteFile("A.txt", 10, 'a');
    source.WriteFile("a.txt", 10, 'b');
    Run(true);
    EXPECT_EQ(context.summary.copies, 1U);
    EXPECT_EQ(context.summary.deletions, 1U);
    EXPECT_EQ(context.summary.failures, 1U);
    EXPECT_NE(source.Exists("A.txt"), source.Exists("a.txt"));
    const std::string kept = source.Exists("A.txt") ? "A.txt" : "a.txt";
    EXPECT_FALSE(target.Exists(kept));
}

TEST_F(FaultTest, NothingIsDeletedWhenTheTargetCannotBeSynced) {
    source.WriteFile("a", 10);
    source.WriteFile("b", 10);
    target.WriteFile("b", 10);
    files.syncError = EIO;
    Run(true);
    EXPECT_TRUE(source.Exists("a"));
    EXPECT_TRUE(source.Exists("b"));
    EXPECT_EQ(context.summary.failures, 2U);
    EXPECT_EQ(context.summary.deletions, 0U);
}

// Each way the source or target can change between the comparison and the deletion.
struct LateChange {
    const char* name;
    std::function<void(const TempTree& source, const TempTree& target)> change;
};

// Test names and failure messages show the row by its name.
void PrintTo(const LateChange& row, std::ostream* out) {
    *out << row.name;
}

class LateChangeTest : public FaultTest, public ::testing::WithParamInterface<LateChange> {};

TEST_P(LateChangeTest, KeepsTheChangedSourceAndDeletesTheOther) {
    source.WriteFile("f", 10);
    target.WriteFile("f", 10, 'z');
    source.WriteFile("steady", 10);
    files.beforeSync = [&] { GetParam().change(source, target); };
    Run(true);
    EXPECT_TRUE(source.Exists("f"));
    EXPECT_FALSE(source.Exists("steady"));
    EXPECT_EQ(context.summary.deletions, 1U);
    EXPECT_EQ(context.summary.failures, 1U);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, LateChangeTest,
    ::testing::Values(
        LateChange{"SourceGrew",
                   [](const TempTree& s, const TempTree&) {
                       std::ofstream(s.Path("f"), std::ios::app) << "more";
                   }},
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
        LateChange{"TargetShrank",
                   [](const TempTree&, const TempTree& t) { ::truncate(t.Path("f").c_str(), 3); }},
        LateChange{"TargetBecameTheSourceFile",
                   [](const TempTree& s, const TempTree& t) {
                       ::unlink(t.Path("f").c_str());
                       ::link(s.Path("f").c_str(), t.Path("f").c_str());
                   }},
        LateChange{"TargetRemoved",
                   [](const TempTree&, const TempTree& t) { ::unlink(t.Path("f").c_str()); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultTest, ADeletionRefusedTwiceKeepsTheSourceWithItsMode) {
    for (const char* name : {"retried", "kept"}) {
        source.WriteFile(name, 4);
        target.WriteFile(name, 4);
        ::chmod(source.Path(name).c_str(), 0444);
    }
    files.refuseUnlinkOf = "kept";
    Run(true);
    EXPECT_FALSE(source.Exists("retried"));
    EXPECT_TRUE(source.Exists("kept"));
    EXPECT_EQ(source.Stat("kept").st_mode & 07777, 0444U);
    EXPECT_EQ(context.summary.failures, 1U);
}

TEST_F(FaultTest, ARefusedDeletionThatTheRetryGetsPastIsDone) {
    source.WriteFile("f", 4);
    target.WriteFile("f", 4);
    files.beforeSync = [&] { files.refusedUnlinks = 1; };
    Run(true);
    EXPECT_FALSE(source.Exists("f"));
    EXPECT_EQ(context.summary.deletions, 1U);
}

TEST_F(FaultTest, ManyDeletionsShareOneSync) {
    for (int i = 0; i < 300; ++i) {
        source.WriteFile("d" + std::to_string(i % 3) + "/f" + std::to_string(i), 1);
    }
    Run(true);
    EXPECT_EQ(context.summary.deletions, 300U);
    EXPECT_EQ(files.syncCalls.load(), 1);
}

// A batch is bounded by the folders it keeps open (512): a move of more folders deletes in
// two batches, and the second syncs its own target before deleting.
TEST_F(FaultTest, EachBatchOfDeletionsSyncsFirst) {
    constexpr int kFolders = 513;
    for (int i = 0; i < kFolders; ++i) {
        source.WriteFile("d" + std::to_string(i) + "/f", 1);
    }
    std::vector<int> deletionsBeforeSync;
    const auto deletionsSoFar = [&] {
        return std::count_if(context.actions.begin(), context.actions.end(),
                             [](const std::string& line) { return line.rfind("delete", 0) == 0; });
    };
    files.beforeSync = [&] { deletionsBeforeSync.push_back(static_cast<int>(deletionsSoFar())); };
    files.skipRealSync = true;
    Run(true);
    EXPECT_EQ(context.summary.deletions, static_cast<std::uint64_t>(kFolders));
    ASSERT_EQ(deletionsBeforeSync.size(), 2U);
    EXPECT_EQ(deletionsBeforeSync[0], 0);
    EXPECT_GT(deletionsBeforeSync[1], 0);
    EXPECT_LT(deletionsBeforeSync[1], kFolders);
}

// A move holds two descriptors per folder level, as a copy does, and none beyond its run: it
// reaches the same depth as a copy under the same limit.
TEST_F(FaultTest, AMoveHoldsTwoDescriptorsPerLevelAndNoneAfterwards) {
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = openDescriptors();
    constexpr int kDepth = 40;
    std::string folder;
    for (int i = 0; i < kDepth; ++i) {
        folder += "d/";
        source.WriteFile(folder + "f", 1);
    }
    long mostOpen = 0;
    context.onEveryEntry = [&] { mostOpen = std::max<long>(mostOpen, openDescriptors()); };
    Run(true);
    Run(true);
    EXPECT_EQ(context.summary.failures, 0U);
    EXPECT_FALSE(source.Exists(folder + "f"));
    EXPECT_LE(mostOpen - before, 2 * kDepth + 8);
    EXPECT_EQ(openDescriptors(), before);
}

}  // namespace
}  // namespace tolvane::test
