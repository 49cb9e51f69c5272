// Failures a real folder cannot produce on demand: nothing partial is left, nothing is lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <sys/stat.h>
#include <unistd.h>
#include <ostream>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "FaultyFileSystem.h"
#include "FileCopier.h"
#include "FileUpdater.h"
#include "PartialIndex.h"
#include "PartialRecord.h"
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

void SetModified(const std::string& path, const timespec& modified) {
    const timespec times[2] = {{0, UTIME_OMIT}, modified};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Replaces relative with a new file (another inode) of the same size and modification time.
void ReplaceKeepingSizeAndTime(const TempTree& tree, const std::string& relative) {
    const struct stat was = tree.Stat(relative);
    tree.WriteFile("replacement", was.st_size, 'k');
    SetModified(tree.Path("replacement"), was.st_mtim);
    ::rename(tree.Path("replacement").c_str(), tree.Path(relative).c_str());
}

struct DataFault {
    const char* name;
    bool refuseRange;
    bool refuseSend;
    int error;
    bool inWrite = false;  // the write of the read/write copy fails, not a read
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
    files.failWrites = GetParam().inWrite;
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
                                           DataFault{"ReadIoError", true, true, EIO},
                                           DataFault{"WriteDiskFull", true, true, ENOSPC, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Also where copy_file_range moves nothing from the start, as from procfs: the file falls back.
TEST_F(FaultTest, FallsBackToReadWriteWhenFastPathsAreRefused) {
    source.WriteFile("f", 1 << 20, 'q');
    for (const bool movesNothing : {false, true}) {
        files.refuseRange = !movesNothing;
        files.rangeMovesNothing = movesNothing;
        files.refuseSend = true;
        files.shortWrites = true;
        ::unlink(target.Path("f").c_str());
        Run(false);
        EXPECT_EQ(target.Read("f"), source.Read("f")) << movesNothing;
        EXPECT_EQ(context.summary.failures, 0U);
    }
}

// A file whose data ends before the size it claims (procfs, sysfs) is no complete copy, and
// its source is kept.
TEST_F(FaultTest, DataThatEndsBeforeItsSizeIsNoCompleteCopy) {
    source.WriteFile("f", 300000);
    files.dataEndsAt = 1000;
    Run(true);
    EXPECT_TRUE(source.Exists("f"));
    EXPECT_EQ(context.summary.failures, 1U);
    EXPECT_EQ(context.copyCount.load(), 0U);
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
    source.WriteFile("unlistable/h", 4);
    files.unreadableDir = "locked";
    files.unlistableDir = "unlistable";
    Run(false);
    EXPECT_EQ(context.summary.failures, 2U);
    EXPECT_TRUE(context.Has("fail read locked: " + std::string(std::strerror(EACCES))));
    EXPECT_TRUE(context.Has("fail read unlistable: " + std::string(std::strerror(EIO))));
    EXPECT_EQ(target.Size("open/g"), 4);
}

TEST_F(FaultTest, AnAbandonedCopyLeavesNothingInEveryCopyPath) {
    source.WriteFile("big", 20 << 20);
    // copy_file_range, sendfile, read and write
    for (const int refused : {0, 1, 2}) {
        files.refuseRange = refused >= 1;
        files.refuseSend = refused == 2;
        context.abandonAfterChunks = 1;
        context.abandonPolls = 0;
        context.failures.clear();
        Run(true);
        EXPECT_FALSE(target.Exists("big")) << refused;
        EXPECT_TRUE(source.Exists("big")) << refused;
        EXPECT_TRUE(context.HasStart("fail copy big:")) << refused;
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
    EXPECT_EQ(context.copyCount.load(), 0U);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.Root()), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FinishFaultTest,
    ::testing::Values(FinishFault{"Close", &FaultyFileSystem::closeErrorOfWritten},
                      FinishFault{"SetTimes", &FaultyFileSystem::setTimesError}),
    [](const auto& info) { return std::string(info.param.name); });

// The source or the shorter target changes while the copy is being written: the copy is
// not installed, the target keeps what it now holds, and the source stays.
struct ChangeWhileCopying {
    const char* name;
    std::function<void(const TempTree& source, const TempTree& target)> change;
};

// Test names and failure messages show the row by its name.
void PrintTo(const ChangeWhileCopying& row, std::ostream* out) {
    *out << row.name;
}

class ChangeWhileCopyingTest : public FaultTest,
                               public ::testing::WithParamInterface<ChangeWhileCopying> {};

TEST_P(ChangeWhileCopyingTest, NeitherSideLosesData) {
    source.WriteFile("f", 5000);
    target.WriteFile("f", 100, 'z');
    context.resumable.minimumSize = 1;  // also through a partial, which must not stay either
    std::string targetAfterChange;
    files.onSetTimes = [&] {
        GetParam().change(source, target);
        targetAfterChange = target.Read("f");
    };
    Run(true);
    EXPECT_TRUE(source.Exists("f"));
    EXPECT_EQ(target.Read("f"), targetAfterChange);
    EXPECT_EQ(context.copyCount.load(), 0U);
    EXPECT_EQ(context.summary.failures, 1U);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.Root()), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangeWhileCopyingTest,
    ::testing::Values(ChangeWhileCopying{"SourceAppendedTo",
                                         [](const TempTree& s, const TempTree&) {
                                             std::ofstream(s.Path("f"), std::ios::app) << "more";
                                         }},
                      ChangeWhileCopying{"TargetAppendedTo",
                                         [](const TempTree&, const TempTree& t) {
                                             std::ofstream(t.Path("f"), std::ios::app) << "more";
                                         }},
                      ChangeWhileCopying{"TargetReplacedBySameSize",
                                         [](const TempTree&, const TempTree& t) {
                                             ReplaceKeepingSizeAndTime(t, "f");
                                         }}),
    [](const auto& info) { return std::string(info.param.name); });

// With verify, a copy whose data does not read back as the source's keeps its source.
TEST_F(FaultTest, VerifyKeepsTheSourceOfACopyThatReadsBackOtherwise) {
    source.WriteFile("f", 5000);
    files.refuseRange = files.refuseSend = true;
    files.corruptWrites = true;
    context.verify = true;
    Run(true);
    EXPECT_TRUE(source.Exists("f"));
    EXPECT_EQ(context.summary.failures, 1U);
}

TEST_F(FaultTest, SetIdBitsGoWhereTheOwnerCannotBeKept) {
    source.WriteFile("f", 10);
    // Owned by someone else (as root; otherwise by the runner, whom no copy can change).
    (void)::chown(source.Path("f").c_str(), 1000, 1000);
    ::chmod(source.Path("f").c_str(), 06755);
    files.chownError = EPERM;
    Run(false);
    EXPECT_EQ(target.Stat("f").st_mode & 07777, 0755U);
}

// An entry that appears under the name while the copy is written is never replaced, whether
// the copy is unnamed or written under the temporary name.
TEST_F(FaultTest, AnEntryThatAppearsDuringACopyIsKept) {
    for (const bool unnamed : {true, false}) {
        files.refuseUnnamed = !unnamed;
        const std::string name = unnamed ? "f" : "g";
        source.WriteFile(name, 5000);
        files.onSetTimes = [&] { target.WriteFile(name, 10, 'z'); };
        Run(true);
        EXPECT_EQ(target.Size(name), 10) << name;
        EXPECT_TRUE(source.Exists(name)) << name;
        EXPECT_FALSE(target.Exists("." + name + ".tolvane-partial")) << name;
        EXPECT_EQ(context.summary.failures, 1U) << name;
        ::unlink(source.Path(name).c_str());
    }
}

// Also where the file system has no unnamed files and the copy is written under the
// temporary name from the start.
TEST_F(FaultTest, ALeftoverOfAKilledRunIsReplaced) {
    for (const bool unnamed : {true, false}) {
        files.refuseUnnamed = !unnamed;
        const std::string name = unnamed ? "f" : "g";
        source.WriteFile(name, 5000);
        target.WriteFile(name, 10, 'z');
        target.WriteFile("." + name + ".tolvane-partial", 7000, 'y');
        Run(false);
        EXPECT_EQ(target.Read(name), source.Read(name)) << name;
        EXPECT_FALSE(target.Exists("." + name + ".tolvane-partial")) << name;
    }
}

// On a target that does not tell case apart, two source names that fold together are never
// copied over each other, and the one that was not copied is not deleted; two folders are not
// merged; a name the folder answers to under another spelling is no free name. The folder's
// listing holds no descriptor once it is read.
struct Folding {
    const char* name;
    long fileSystemType;
    unsigned inodeFlags;
};

void PrintTo(const Folding& row, std::ostream* out) {
    *out << row.name;
}

class FoldingTest : public FaultTest, public ::testing::WithParamInterface<Folding> {};

TEST_P(FoldingTest, NamesThatFoldTogetherOnTheTargetCollide) {
    files.fileSystemType = GetParam().fileSystemType;
    files.inodeFlags = GetParam().inodeFlags;
    source.WriteFile("A.txt", 10, 'a');
    source.WriteFile("a.txt", 10, 'b');
    source.WriteFile("Dir/x", 10);
    source.WriteFile("dir/y", 10);
    source.WriteFile("\xc3\xa9", 10);  // é
    target.WriteFile("\xc3\x89", 20);  // É
    files.otherSpelling = "\xc3\xa9";
    files.listedSpelling = "\xc3\x89";
    const auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = descriptors();
    Run(true);
    EXPECT_EQ(descriptors(), before);
    EXPECT_EQ(context.summary.copies, 2U);
    EXPECT_EQ(context.summary.deletions, 2U);
    EXPECT_EQ(context.summary.failures, 3U);
    EXPECT_NE(source.Exists("A.txt"), source.Exists("a.txt"));
    const std::string kept = source.Exists("A.txt") ? "A.txt" : "a.txt";
    EXPECT_FALSE(target.Exists(kept));
    EXPECT_NE(target.IsDir("Dir"), target.IsDir("dir"));
    EXPECT_TRUE(source.Exists("\xc3\xa9"));
}

INSTANTIATE_TEST_SUITE_P(Targets, FoldingTest,
                         ::testing::Values(Folding{"Fat", 0x4d44, 0},
                                           Folding{"CaseFoldingExt4Folder", EXT4_SUPER_MAGIC,
                                                   FS_CASEFOLD_FL}),
                         [](const auto& info) { return std::string(info.param.name); });

// With the engine's own choice of workers on a warm disk, the walk hands copies to them; the
// copies of a folder that folds case stay on the walk's thread, which alone keeps the folder's
// names (a race there shows under the thread sanitizer).
TEST_F(FaultTest, WithTheEnginesWorkersEachFoldedPairIsStillOneCollision) {
    constexpr std::uint64_t kPairs = 40;  // more than the reads that choose the workers
    files.fileSystemType = 0x4d44;
    for (std::uint64_t i = 0; i < kPairs; ++i) {
        source.WriteFile("F" + std::to_string(i), 10, 'a');
        source.WriteFile("f" + std::to_string(i), 10, 'b');
    }
    context.jobs = 0;
    Run(false);
    EXPECT_GT(context.summary.workers, 1U);
    EXPECT_EQ(context.summary.copies, kPairs);
    EXPECT_EQ(context.summary.failures, kPairs);
}

// A folder that refuses a name its lookup called free (vfat with iocharset=utf8 holds it under
// a spelling it does not answer to): neither the file nor the folder there is replaced or
// entered, and each is one collision.
TEST_F(FaultTest, ANameRefusedAfterTheLookupCalledItFreeIsACollision) {
    constexpr long kVfat = 0x4d44;
    files.fileSystemType = kVfat;
    files.refuseUnnamed = true;
    target.WriteFile("f", 10, 'o');
    target.WriteFile("d/x", 10, 'x');
    source.WriteFile("f", 100, 'n');
    source.WriteFile("d/y", 10, 'y');
    files.hiddenNames = {"f", "d"};
    files.hiddenInFolder = target.Stat("").st_ino;
    const std::string held = target.Read("f");
    Run(true);
    EXPECT_TRUE(context.Has("fail copy f: " + CaseCollision("f", "another spelling")));
    EXPECT_TRUE(context.Has("fail create d: " + CaseCollision("d", "another spelling")));
    EXPECT_EQ(target.Read("f"), held);
    EXPECT_FALSE(target.Exists("d/y"));
    EXPECT_TRUE(source.Exists("f"));
    EXPECT_TRUE(source.Exists("d/y"));
}

// A target whose status cannot be read is a failure of its own: nothing is copied over it, and
// its source is kept.
TEST_F(FaultTest, ATargetWhoseStatusCannotBeReadIsAFailure) {
    target.WriteFile("f", 10, 'o');
    source.WriteFile("f", 100, 'n');
    files.hiddenNames = {"f"};
    files.hiddenInFolder = target.Stat("").st_ino;
    files.hiddenError = EIO;
    Run(true);
    EXPECT_TRUE(context.Has("fail copy f: " + std::string(std::strerror(EIO))));
    EXPECT_EQ(target.Size("f"), 10);
    EXPECT_TRUE(source.Exists("f"));
}

// In a folder this run made there is nothing to look up: a first copy reads fewer statuses
// than the rerun that finds every file there.
TEST_F(FaultTest, AFirstCopyReadsNoTargetStatusInFoldersItMade) {
    for (int i = 0; i < 20; ++i) {
        source.WriteFile("new/f" + std::to_string(i), 10);
    }
    Run(false);
    const int firstCopy = files.statCalls.exchange(0);
    Run(false);
    EXPECT_LT(firstCopy, files.statCalls.load() - 10);
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

// Each way the source or target can change between the comparison and the deletion. Most
// rows keep every other property as it was, so that only one check can notice the change.
struct LateChange {
    const char* name;
    std::function<void(const TempTree& source, const TempTree& target)> change;
    bool link = false;  // "f" is a symbolic link on both sides, not a file
};

// Test names and failure messages show the row by its name.
void PrintTo(const LateChange& row, std::ostream* out) {
    *out << row.name;
}

class LateChangeTest : public FaultTest, public ::testing::WithParamInterface<LateChange> {};

TEST_P(LateChangeTest, KeepsTheChangedSourceAndDeletesTheOther) {
    if (GetParam().link) {
        source.MakeLink("f", "somewhere");
        target.MakeLink("f", "somewhere");
    } else {
        // The same data: held whether or not the clock moved between the two writes.
        source.WriteFile("f", 10);
        target.WriteFile("f", 10);
    }
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
        LateChange{"SourceGrewKeepingItsTime",
                   [](const TempTree& s, const TempTree&) {
                       const struct stat was = s.Stat("f");
                       std::ofstream(s.Path("f"), std::ios::app) << "more";
                       SetModified(s.Path("f"), was.st_mtim);
                   }},
        LateChange{"SourceTouched",
                   [](const TempTree& s, const TempTree&) {
                       SetModified(s.Path("f"), {1, 0});
                   }},
        LateChange{"SourceReplacedBySameSizeAndTime",
                   [](const TempTree& s, const TempTree&) { ReplaceKeepingSizeAndTime(s, "f"); }},
        LateChange{"SourceTouchedWithinItsSecond",
                   [](const TempTree& s, const TempTree&) {
                       const timespec was = s.Stat("f").st_mtim;
                       SetModified(s.Path("f"), {was.tv_sec, (was.tv_nsec + 1) % 1'000'000'000});
                   }},
        LateChange{"TargetGrewKeepingItsTime",
                   [](const TempTree&, const TempTree& t) {
                       const struct stat was = t.Stat("f");
                       std::ofstream(t.Path("f"), std::ios::app) << "more";
                       SetModified(t.Path("f"), was.st_mtim);
                   }},
        LateChange{"TargetShrankKeepingItsTime",
                   [](const TempTree&, const TempTree& t) {
                       const struct stat was = t.Stat("f");
                       ::truncate(t.Path("f").c_str(), 3);
                       SetModified(t.Path("f"), was.st_mtim);
                   }},
        // Same file and size, other data; the time is set, as the clock may not have moved.
        LateChange{"TargetRewrittenInPlace",
                   [](const TempTree&, const TempTree& t) {
                       t.WriteFile("f", 10, 'y');
                       SetModified(t.Path("f"), {1, 0});
                   }},
        LateChange{"TargetReplacedBySameSizeAndTime",
                   [](const TempTree&, const TempTree& t) { ReplaceKeepingSizeAndTime(t, "f"); }},
        LateChange{"TargetBecameTheSourceFile",
                   [](const TempTree& s, const TempTree& t) {
                       ::unlink(t.Path("f").c_str());
                       ::link(s.Path("f").c_str(), t.Path("f").c_str());
                   }},
        LateChange{"TargetRemoved",
                   [](const TempTree&, const TempTree& t) { ::unlink(t.Path("f").c_str()); }},
        LateChange{"TargetLinkBecameTheSourceLink",
                   [](const TempTree& s, const TempTree& t) {
                       ::unlink(t.Path("f").c_str());
                       ::link(s.Path("f").c_str(), t.Path("f").c_str());
                   },
                   true},
        LateChange{"TargetLinkGotOtherText",
                   [](const TempTree&, const TempTree& t) {
                       ::unlink(t.Path("f").c_str());
                       t.MakeLink("f", "elsewhere");
                   },
                   true}),
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

// A process that may not name a descriptor directly (not root, or its rights changed since it
// opened the file) names the unnamed copy through /proc/self/fd.
TEST(UnnamedCopy, IsNamedThroughProcWhereItsDescriptorCannotBeNamed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "dropping the rights the file was opened with needs root";
    }
    TempTree tree;
    ASSERT_EQ(::chown(tree.Root().c_str(), 65534, 65534), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // The file belongs to the user who names it, but the rights it was opened with are
        // not the ones it is named with.
        if (::setegid(65534) != 0 || ::seteuid(65534) != 0) {
            ::_exit(2);
        }
        const int folder = ::open(tree.Root().c_str(), O_RDONLY | O_DIRECTORY);
        const int file = ::open(tree.Root().c_str(), O_TMPFILE | O_WRONLY, 0644);
        if (::write(file, "abc", 3) != 3 || ::seteuid(0) != 0 || ::seteuid(65534) != 0) {
            ::_exit(2);
        }
        ::_exit(PosixFileSystem::Instance().LinkOpenFile(file, folder, "named") == 0 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(tree.Read("named"), "abc");
}

// A tmpfs mounted for one test, unmounted at its end.
struct TmpfsMount {
    explicit TmpfsMount(const std::string& folder)
        : path(folder), mounted(::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=4m") == 0) {}
    ~TmpfsMount() {
        if (mounted) {
            ::umount2(path.c_str(), MNT_DETACH);
        }
    }
    std::string path;
    bool mounted;
};

// Roots on two file systems whose folders have the same inode number (every new tmpfs root has
// the same) are not one folder; a target tree that spans two file systems has each synced
// once before the deletions.
TEST_F(FaultTest, AMoveAcrossFileSystemsSyncsEachTargetFileSystem) {
    source.MakeDir("fs");
    target.MakeDir("fs");
    TmpfsMount from(source.Path("fs"));
    TmpfsMount to(target.Path("fs"));
    if (!from.mounted || !to.mounted) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    target.MakeDir("fs/inner");
    TmpfsMount inner(target.Path("fs/inner"));
    ASSERT_TRUE(inner.mounted);
    for (const char* name : {"fs/a", "fs/b", "fs/inner/c", "fs/inner/d"}) {
        source.WriteFile(name, 10);
    }
    context.source = source.Path("fs");
    context.target = target.Path("fs");
    Run(true);
    EXPECT_EQ(context.summary.refusal, RootRefusal::None);
    EXPECT_EQ(context.summary.deletions, 4U);
    EXPECT_EQ(files.syncCalls.load(), 2);
}

// A batch is bounded by the folders it keeps open (512, fewer under a low descriptor limit): a
// move of more folders deletes in several batches, and each syncs its own target before
// deleting.
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
    EXPECT_EQ(context.summary.failures, 0U);
    ASSERT_GE(deletionsBeforeSync.size(), 2U);
    EXPECT_EQ(deletionsBeforeSync[0], 0);
    for (size_t i = 1; i < deletionsBeforeSync.size(); ++i) {
        EXPECT_GT(deletionsBeforeSync[i], deletionsBeforeSync[i - 1]);
    }
    EXPECT_LT(deletionsBeforeSync.back(), kFolders);
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
    // Besides the folders, each worker holds at most a source and a target file and the
    // comparison's pair; a few more for the walk's own use.
    EXPECT_LE(mostOpen - before, 2 * kDepth + 8 + 2 * static_cast<long>(context.jobs));
    EXPECT_EQ(openDescriptors(), before);
}

// A copy cut off in one run, something done to its partial or source, then a second run.
struct CutOffCopy {
    const char* name;
    // Between the runs; partial is the partial's path, durable the length its record gives.
    std::function<void(const TempTree& source, const std::string& partial, off_t durable)> change;
    bool resumed;         // the second run continues the partial
    bool killed = false;  // cut off by a lost device between flushes, not by an abandon
};

// Test names and failure messages show the row by its name.
void PrintTo(const CutOffCopy& row, std::ostream* out) {
    *out << row.name;
}

// A change between the runs that rewrites the record beside the partial as edit changes it.
auto RecordEdited(std::function<void(PartialRecord&)> edit) {
    return [edit](const TempTree&, const std::string& partial, off_t) {
        const std::string name =
            partial.substr(0, partial.rfind('/') + 1) + FileCopier::RecordNameOf("big");
        const int fd = ::open(name.c_str(), O_RDWR);
        PartialRecord record;
        PosixFileSystem files;
        ASSERT_TRUE(PartialRecord::Read(files, fd, record));
        edit(record);
        ASSERT_EQ(record.Write(files, fd), 0);
        ::close(fd);
    };
}

class CutOffCopyTest : public FaultTest, public ::testing::WithParamInterface<CutOffCopy> {};

// The second run resumes only a partial that is provably the source's, from its durable
// length, and in every case ends with the source's data and nothing else in the target.
TEST_P(CutOffCopyTest, ResumesOnlyWhatIsProvablyTheSource) {
    constexpr off_t kSize = off_t{24} << 20;
    source.WriteFile("big", kSize);
    context.resumable = {kSize, off_t{1} << 20};  // the smallest file still resumable
    if (GetParam().killed) {
        files.failDataSyncFrom = 3;  // the device goes after the first flush (data, list)
    } else {
        context.abandonAfterChunks = 2;
    }
    Run(true);
    const std::string partial = target.Path(FileCopier::TemporaryNameOf("big"));
    ASSERT_TRUE(target.Exists(FileCopier::TemporaryNameOf("big"))) << "the partial is kept";
    const int recordFd = ::open(target.Path(FileCopier::RecordNameOf("big")).c_str(), O_RDONLY);
    PartialRecord record;
    ASSERT_TRUE(PartialRecord::Read(files, recordFd, record));
    ::close(recordFd);
    ASSERT_GT(record.durable, 0);
    ASSERT_LT(record.durable, kSize);
    if (GetParam().killed) {
        // The flush after the first was the list's: the record claims what the first made
        // durable.
        ASSERT_GE(files.syncedSizes.size(), 2U);
        EXPECT_EQ(record.durable, files.syncedSizes[0]);
    }

    GetParam().change(source, partial, static_cast<off_t>(record.durable));
    files.failDataSyncFrom = 0;
    context.abandonAfterChunks = -1;
    context.summary = {};
    const bool present = source.Exists("big");
    const std::string expected = present ? source.Read("big") : "";
    // A fresh copy has no record until its first flush writes one: a record of the discarded
    // partial left until then would vouch for the new bytes, were the run killed meanwhile.
    bool flushed = false;
    files.beforeDataSync = [&] {
        EXPECT_TRUE(flushed || GetParam().resumed ||
                    !target.Exists(FileCopier::RecordNameOf("big")));
        flushed = true;
    };
    Run(true);
    EXPECT_FALSE(source.Exists("big")) << "moved";
    EXPECT_EQ(context.summary.failures, 0U);
    EXPECT_EQ(context.summary.bytesResumed,
              GetParam().resumed ? static_cast<std::uint64_t>(record.durable) : 0U);
    EXPECT_EQ(context.summary.bytesCopied + context.summary.bytesResumed,
              present ? static_cast<std::uint64_t>(kSize) : 0U);
    EXPECT_EQ(target.Read("big"), expected);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.Root()), {}),
              present ? 1 : 0)
        << "no partial, record or list is left";
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CutOffCopyTest,
    ::testing::Values(
        CutOffCopy{"Abandoned", [](const TempTree&, const std::string&, off_t) {}, true},
        // What the storage held past the durable length was lost (zeros after a power loss).
        CutOffCopy{"TailPastTheDurableLengthZeroed",
                   [](const TempTree&, const std::string& partial, off_t durable) {
                       const off_t size = std::filesystem::file_size(partial);
                       ASSERT_GT(size, durable) << "written past the last flush";
                       const std::string zeros(static_cast<size_t>(size - durable), '\0');
                       const int fd = ::open(partial.c_str(), O_WRONLY);
                       ASSERT_EQ(::pwrite(fd, zeros.data(), zeros.size(), durable),
                                 static_cast<ssize_t>(zeros.size()));
                       ::close(fd);
                   },
                   true, true},
        // Only its time: the kept part still matches, yet the source is not the one copied.
        // The storage lost part of what it said it held: the kept part's end is not the
        // source's, and the copy starts afresh.
        CutOffCopy{"KeptPartDamaged",
                   [](const TempTree&, const std::string& partial, off_t durable) {
                       const int fd = ::open(partial.c_str(), O_WRONLY);
                       ASSERT_EQ(::pwrite(fd, "\0\0\0\0", 4, durable - 4), 4);
                       ::close(fd);
                   },
                   false},
        CutOffCopy{"SourceChanged",
                   [](const TempTree& s, const std::string&, off_t) {
                       SetModified(s.Path("big"), {1, 0});
                   },
                   false},
        CutOffCopy{
            "SourceVanished",
            [](const TempTree& s, const std::string&, off_t) { ::unlink(s.Path("big").c_str()); },
            false},
        // The kept part itself is sound: only the record's inode is another file's.
        CutOffCopy{"RecordForAnotherInode",
                   RecordEdited([](PartialRecord& record) { ++record.inode; }), false},
        // Changes within the same second: only the nanoseconds tell.
        CutOffCopy{"RecordForAnotherStatusChange",
                   RecordEdited([](PartialRecord& record) { record.changed.tv_nsec ^= 1; }), false},
        CutOffCopy{"RecordForAnotherModification",
                   RecordEdited([](PartialRecord& record) { record.modified.tv_nsec ^= 1; }),
                   false},
        // Past the durable length the partial may hold anything, even more than the source.
        CutOffCopy{"PartialLongerThanTheSource",
                   [](const TempTree& s, const std::string& partial, off_t) {
                       ASSERT_EQ(::truncate(partial.c_str(), s.Stat("big").st_size + 1), 0);
                   },
                   true},
        // With the list lost, only the copy itself can tell that the source is another.
        CutOffCopy{"SourceChangedAndListLost",
                   [](const TempTree& s, const std::string& partial, off_t) {
                       SetModified(s.Path("big"), {1, 0});
                       const std::string folder = partial.substr(0, partial.rfind('/') + 1);
                       ASSERT_EQ(::unlink((folder + PartialIndex::kListName).c_str()), 0);
                   },
                   false},
        // A shorter durable length, as a torn write of the record could leave: the checksum
        // no longer matches.
        CutOffCopy{"RecordTorn",
                   [](const TempTree&, const std::string& partial, off_t durable) {
                       const std::string name = partial.substr(0, partial.rfind('/') + 1) +
                                                FileCopier::RecordNameOf("big");
                       std::ifstream in(name, std::ios::binary);
                       const std::string text{std::istreambuf_iterator<char>(in), {}};
                       const std::string was(reinterpret_cast<const char*>(&durable),
                                             sizeof durable);
                       const off_t shorter = durable - 4096;
                       const size_t at = text.find(was);
                       ASSERT_NE(at, std::string::npos);
                       const int fd = ::open(name.c_str(), O_WRONLY);
                       ASSERT_EQ(::pwrite(fd, &shorter, sizeof shorter, static_cast<off_t>(at)),
                                 static_cast<ssize_t>(sizeof shorter));
                       ::close(fd);
                   },
                   false}),
    [](const auto& info) { return std::string(info.param.name); });

// A stopped run keeps the partials of the files it did not reach for a later run, but not one
// whose source changed since, nor the list's entry of one whose folder is gone: its start
// removes those, as a complete walk would.
TEST_F(FaultTest, AStoppedRunKeepsOnlyPartialsThatStillDescribeTheirSource) {
    source.WriteFile("d/big", off_t{24} << 20);
    context.resumable = {off_t{1} << 20, off_t{1} << 20};
    const auto cutOff = [&] {
        context.stopAfterStatuses = -1;
        context.abandonAfterChunks = 2;
        context.abandonPolls = 0;
        Run(false);
        ASSERT_TRUE(target.Exists(".tolvane-partials"));
        context.abandonAfterChunks = -1;
        context.stopAfterStatuses = 0;  // the next runs stop before the walk reaches any entry
    };
    cutOff();
    const std::string partial = "d/" + FileCopier::TemporaryNameOf("big");
    ASSERT_TRUE(target.Exists(partial));
    Run(false);
    EXPECT_TRUE(target.Exists(partial)) << "kept for a later run";
    SetModified(source.Path("d/big"), {1, 0});
    Run(false);
    EXPECT_FALSE(target.Exists(partial)) << "of the source as it was";
    cutOff();
    std::filesystem::remove_all(target.Path("d"));
    Run(false);
    EXPECT_FALSE(target.Exists(".tolvane-partials"));
}

}  // namespace
}  // namespace tolvane::test
