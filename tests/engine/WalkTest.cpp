// The walk over whole trees: what it visits, mirrors, shows, and what it leaves alone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>

#include <sys/stat.h>
#include <unistd.h>
#include <ostream>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <memory>
#include <thread>

#include "DirectoryHandle.h"
#include "FaultyFileSystem.h"
#include "FileCopier.h"
#include "FileQueue.h"
#include "PosixFileSystem.h"
#include "RecordingContext.h"
#include "TempTree.h"
#include "TreeUpdater.h"
#include "UpdateWalk.h"

namespace tolvane::test {
namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Walk, MirrorsTheSkeletonEvenWhenNothingIsCopied) {
    TempTree source;
    TempTree target;
    source.MakeDir("empty");
    source.WriteFile("a/b/c/f", 5);
    RecordingContext context(source.Root(), target.Root());
    context.larger = false;
    UpdateThreadProc(&context);

    EXPECT_TRUE(target.IsDir("empty"));
    EXPECT_TRUE(target.IsDir("a/b/c"));
    EXPECT_FALSE(target.Exists("a/b/c/f"));
    EXPECT_EQ(context.doneNotices, 1);
}

TEST(Walk, ShowsEveryEntryFoldersIncludedAndProcessesTripleDot) {
    TempTree source;
    TempTree target;
    source.WriteFile("...", 3);
    source.WriteFile("d/g", 1);
    RecordingContext context(source.Root(), target.Root());
    UpdateThreadProc(&context);

    EXPECT_EQ(context.statuses.size(), 3U);
    EXPECT_TRUE(Contains(context.statuses, "..."));
    EXPECT_TRUE(Contains(context.statuses, "d"));
    EXPECT_TRUE(Contains(context.statuses, "d/g"));
    EXPECT_FALSE(Contains(context.statuses, "."));
    EXPECT_FALSE(Contains(context.statuses, ".."));
    // A folder is shown before what it holds.
    const auto folder = std::find(context.statuses.begin(), context.statuses.end(), "d");
    const auto inside = std::find(context.statuses.begin(), context.statuses.end(), "d/g");
    EXPECT_LT(folder, inside);
    EXPECT_EQ(target.Size("..."), 3);
    EXPECT_EQ(context.copyCount.load(), 2U);
}

TEST(Walk, RootsWithOrWithoutTrailingSlashWalkAlike) {
    TempTree source;
    source.WriteFile("x/y", 4);
    std::vector<std::string> seen[2];
    for (int i = 0; i < 2; ++i) {
        TempTree target;
        RecordingContext context(source.Root() + (i == 0 ? "" : "/"),
                                 target.Root() + (i == 0 ? "/" : ""));
        UpdateThreadProc(&context);
        seen[i] = context.statuses;
        EXPECT_EQ(target.Size("x/y"), 4);
    }
    EXPECT_EQ(seen[0], seen[1]);
}

TEST(Walk, SecondRunCopiesNothing) {
    TempTree source;
    TempTree target;
    source.WriteFile("a/1", 100);
    source.WriteFile("a/2", 0);
    source.WriteFile("b/3", 7000);
    RecordingContext first(source.Root(), target.Root());
    UpdateThreadProc(&first);
    RecordingContext second(source.Root(), target.Root());
    UpdateThreadProc(&second);

    EXPECT_EQ(first.copyCount.load(), 3U);
    EXPECT_EQ(second.copyCount.load(), 0U);
    EXPECT_EQ(target.Read("b/3"), source.Read("b/3"));
}

TEST(Walk, EmptySourceStillEndsWithOneNotice) {
    TempTree source;
    TempTree target;
    RecordingContext context(source.Root(), target.Root());
    UpdateThreadProc(&context);
    EXPECT_EQ(context.doneNotices, 1);
    EXPECT_TRUE(context.statuses.empty());
    EXPECT_EQ(context.summary.failures, 0U);
}

TEST(Walk, StopEndsEveryLevelAfterTheEntryInHand) {
    TempTree source;
    TempTree target;
    for (int i = 0; i < 20; ++i) {
        source.WriteFile("a/b/c/f" + std::to_string(i), 10);
        source.WriteFile("top" + std::to_string(i), 10);
    }
    RecordingContext context(source.Root(), target.Root());
    context.stopAfterStatuses = 5;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    EXPECT_EQ(context.statuses.size(), 5U);
    EXPECT_LE(context.copyCount.load(), 5U);
    EXPECT_EQ(context.doneNotices, 1);
    EXPECT_TRUE(context.summary.stopped);
    // What was copied before the stop is moved: its source deleted, and only its source.
    EXPECT_GT(context.summary.deletions, 0U);
    for (int i = 0; i < 20; ++i) {
        for (const std::string name : {"a/b/c/f", "top"}) {
            EXPECT_NE(source.Exists(name + std::to_string(i)),
                      target.Exists(name + std::to_string(i)));
        }
    }
}

// With verify, a stop before the read-back of the targets deletes no source.
TEST(Walk, StopBeforeTheReadBackKeepsEverySource) {
    TempTree source;
    TempTree target;
    for (int i = 0; i < 5; ++i) {
        source.WriteFile("f" + std::to_string(i), 10);
    }
    RecordingContext context(source.Root(), target.Root());
    context.stopAfterStatuses = 5;
    context.deleteFromSource = true;
    context.verify = true;
    UpdateThreadProc(&context);
    EXPECT_GT(context.summary.copies, 0U);
    EXPECT_EQ(context.summary.deletions, 0U);
    EXPECT_EQ(context.summary.filesVerified, 0U);
}

TEST(Walk, MissingTargetRootIsCreatedWithItsParents) {
    TempTree source;
    TempTree target;
    source.WriteFile("f", 3);
    RecordingContext context(source.Root(), target.Path("new/deeper"));
    UpdateThreadProc(&context);
    EXPECT_EQ(target.Size("new/deeper/f"), 3);
    EXPECT_EQ(context.summary.failures, 0U);
}

// Pairs of roots that are refused before anything on disk changes: the tree "t" holds a file
// "f", a file "file", and a link "alias" to itself; the roots are paths below it.
struct Refusal {
    const char* name;
    std::string source;
    std::string target;
    RootRefusal refusal;
    int error;
};

// Test names and failure messages show the row by its name.
void PrintTo(const Refusal& row, std::ostream* out) {
    *out << row.name;
}

class RootRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RootRefusalTest, ChangesNothing) {
    TempTree tree;
    tree.WriteFile("src/f", 10);
    tree.WriteFile("file", 3);
    tree.MakeLink("alias", "src");
    RecordingContext context(tree.Path(GetParam().source), tree.Path(GetParam().target));
    context.deleteFromSource = true;
    UpdateThreadProc(&context);
    EXPECT_EQ(context.summary.refusal, GetParam().refusal);
    EXPECT_EQ(context.summary.refusalError, GetParam().error);
    EXPECT_EQ(context.doneNotices, 1);
    EXPECT_TRUE(context.statuses.empty());
    EXPECT_TRUE(tree.Exists("src/f"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Root()), {}), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Roots, RootRefusalTest,
    ::testing::Values(
        Refusal{"MissingSource", "gone", "new", RootRefusal::SourceUnusable, ENOENT},
        Refusal{"SourceIsAFile", "file", "new", RootRefusal::SourceNotFolder, ENOTDIR},
        Refusal{"SameFolderThroughALink", "src", "alias/", RootRefusal::SameFolder, 0},
        Refusal{"TargetIsAFile", "src", "file", RootRefusal::TargetNotFolder, ENOTDIR},
        Refusal{"TargetBelowAFile", "src", "file/new/deeper", RootRefusal::TargetUnusable, ENOTDIR},
        // Refused before the folders above the long name are made.
        Refusal{"TargetNameTooLong", "src", "new/" + std::string(NAME_MAX + 1, 'x'),
                RootRefusal::TargetUnusable, ENAMETOOLONG},
        // Longer than PATH_MAX only once the missing folders would have been made.
        Refusal{"TargetTooLong", "src", "new/" + std::string(4100, 'x').replace(200, 1, "/"),
                RootRefusal::TargetUnusable, ENAMETOOLONG}),
    [](const auto& info) { return std::string(info.param.name); });

// A second run on either root of a run in progress is refused; the first one is unharmed.
TEST(Walk, RootsHeldByAnotherRunAreRefused) {
    TempTree source;
    TempTree target;
    source.WriteFile("f", 10);
    RecordingContext second(target.Root(), source.Root());
    second.deleteFromSource = true;
    RecordingContext first(source.Root(), target.Root());
    first.deleteFromSource = true;
    first.onEntry = [&] { UpdateThreadProc(&second); };
    UpdateThreadProc(&first);
    EXPECT_EQ(second.summary.refusal, RootRefusal::SourceBusy);
    EXPECT_EQ(first.summary.refusal, RootRefusal::None);
    EXPECT_EQ(target.Size("f"), 10);
    EXPECT_FALSE(source.Exists("f"));
}

TEST(Walk, TargetInsideTheSourceIsNotWalked) {
    TempTree tree;
    tree.WriteFile("src/f", 10);
    RecordingContext context(tree.Path("src"), tree.Path("src/copy"));
    UpdateThreadProc(&context);
    UpdateThreadProc(&context);
    EXPECT_EQ(tree.Size("src/copy/f"), 10);
    EXPECT_FALSE(tree.Exists("src/copy/copy"));
}

TEST(Walk, NamesThatAreNotUtf8AreCopied) {
    TempTree source;
    TempTree target;
    const std::string name = "bad\x80\xff";
    source.WriteFile(name, 9);
    RecordingContext context(source.Root(), target.Root());
    UpdateThreadProc(&context);
    EXPECT_EQ(target.Size(name), 9);
    EXPECT_TRUE(Contains(context.statuses, name));
}

TEST(Walk, TreesDeeperThanPathMaxWork) {
    TempTree source;
    TempTree target;
    // 50-byte names, 100 levels: about 5,100 bytes of path, past PATH_MAX. Built relative to
    // an open folder because the whole path is too long for the system calls.
    const std::string segment(50, 'd');
    int fd = ::open(source.Root().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 100; ++level) {
        ASSERT_EQ(::mkdirat(fd, segment.c_str(), 0755), 0);
        const int next = ::openat(fd, segment.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    const int file = ::openat(fd, "leaf", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "12345", 5), 5);
    ::close(file);
    ::close(fd);

    RecordingContext context(source.Root(), target.Root());
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    EXPECT_EQ(context.summary.failures, 0U);
    EXPECT_EQ(context.copyCount.load(), 1U);
    EXPECT_EQ(context.summary.deletions, 1U);
    ASSERT_FALSE(context.statuses.empty());
    EXPECT_GT(context.statuses.back().size(), 4096U);
}

// The source root lies inside the target: the target folder that mirrors it is the source
// root itself, whose files would "hold" other source files.
TEST(Walk, SourceInsideTheTargetNeverCountsSourceFilesAsHeld) {
    TempTree tree;
    tree.WriteText("s/s/y", "first");
    tree.WriteText("s/y", "other");
    RecordingContext context(tree.Path("s"), tree.Root());
    context.deleteFromSource = true;
    UpdateThreadProc(&context);
    // "first" must still exist somewhere.
    EXPECT_TRUE(tree.Read("s/s/y") == "first" || tree.Read("y") == "first" ||
                tree.Read("s/y") == "first");
    EXPECT_TRUE(context.HasStart("fail create s:"));
}

// Every entry's kind, size, mode and times, to show that a dry run changed nothing.
std::string Snapshot(const TempTree& tree) {
    std::string text;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.Root())) {
        const struct stat st = tree.Stat(entry.path().string().substr(tree.Root().size() + 1));
        text += entry.path().string() + " " + std::to_string(st.st_mode) + " " +
                std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_nsec) + " " +
                std::to_string(st.st_ctim.tv_nsec) + "\n";
    }
    return text;
}

TEST(Walk, DryRunIntoAnExistingTargetChangesNothing) {
    TempTree source;
    TempTree target;
    source.WriteFile("new/f", 10);
    source.WriteFile("shorter", 10);
    source.WriteFile("same", 10);
    source.MakeLink("link", "somewhere");
    target.WriteFile("shorter", 3);
    // The target is the source file itself: no deletion is predicted.
    source.WriteFile("twin", 10);
    ::link(source.Path("twin").c_str(), target.Path("twin").c_str());
    // Same size, other data and time: a real run would keep its source, so none is counted.
    target.WriteFile("same", 10, 'b');
    const timespec times[2] = {{1, 0}, {1, 0}};
    ::utimensat(AT_FDCWD, target.Path("same").c_str(), times, 0);
    const std::string sourceBefore = Snapshot(source);
    const std::string targetBefore = Snapshot(target);
    RecordingContext context(source.Root(), target.Root());
    context.dryRun = true;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    EXPECT_EQ(Snapshot(source), sourceBefore);
    EXPECT_EQ(Snapshot(target), targetBefore);
    EXPECT_EQ(context.copyCount.load(), 3U);  // new/f, shorter, link
    EXPECT_EQ(context.summary.deletions, 3U);
    EXPECT_TRUE(context.Has("mkdir new"));
    EXPECT_TRUE(context.Has("link link -> link"));
}

TEST(Walk, DryRunChangesNothingAndCountsWhatItWouldDo) {
    TempTree source;
    TempTree target;
    source.WriteFile("d/f", 10);
    source.WriteFile("g", 10);
    RecordingContext context(source.Root(), target.Path("missing"));
    context.dryRun = true;
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    EXPECT_FALSE(target.Exists("missing"));
    EXPECT_TRUE(source.Exists("d/f"));
    EXPECT_EQ(context.copyCount.load(), 2U);
    EXPECT_EQ(context.summary.deletions, 2U);
    EXPECT_TRUE(context.Has("copy d/f -> d/f"));
    EXPECT_TRUE(context.Has("mkdir d"));
}

// A local disk gets a couple of workers while its reads are cached, many while they wait on a
// disk that does not seek (also one that only says it spins), and a couple on one that seeks.
TEST(Workers, ALocalDiskGetsWorkersByHowItsFirstReadsWent) {
    using std::chrono::microseconds;
    const unsigned warm = TreeUpdater::LocalJobs(microseconds(3), false, 2);
    EXPECT_GT(warm, 1U);
    EXPECT_LE(warm, 2U);
    EXPECT_EQ(TreeUpdater::LocalJobs(microseconds(3), false, 1), 1U);
    const unsigned cold = TreeUpdater::LocalJobs(microseconds(300), false, 2);
    EXPECT_GT(cold, 4U * warm);
    EXPECT_EQ(TreeUpdater::LocalJobs(microseconds(300), true, 2), cold);
    EXPECT_EQ(TreeUpdater::LocalJobs(std::chrono::milliseconds(8), true, 2), warm);
}

// Left to choose its workers, on a warm disk and on one whose reads wait, the engine reports
// exactly what the sequential walk reports.
class AutomaticWorkers : public ::testing::TestWithParam<std::chrono::microseconds> {};

TEST_P(AutomaticWorkers, ReportAsTheSequentialWalk) {
    TempTree source;
    TempTree sequential;
    TempTree automatic;
    const auto path = [](int i) {
        return "d" + std::to_string(i % 3) + "/e" + std::to_string(i % 2) + "/f" +
               std::to_string(i);
    };
    for (int i = 0; i < 90; ++i) {
        source.WriteFile(path(i), 100 * i);
    }
    RecordingContext one(source.Root(), sequential.Root());
    one.jobs = 1;
    UpdateThreadProc(&one);
    FaultyFileSystem files;
    files.statDelay = GetParam();
    RecordingContext chosen(source.Root(), automatic.Root());
    chosen.files = &files;
    chosen.jobs = 0;
    UpdateThreadProc(&chosen);
    EXPECT_EQ(chosen.actions, one.actions);
    EXPECT_EQ(chosen.summary.copies, 90U);
    if (std::thread::hardware_concurrency() > 1) {
        EXPECT_GT(chosen.summary.workers, GetParam().count() > 0 ? 2U : 1U);
    }
    // A rerun into folders that hold the copies, where the targets' statuses are read ahead.
    for (int i = 0; i < 90; i += 4) {
        source.WriteFile(path(i), 100 * i + 1);
    }
    UpdateThreadProc(&one);
    UpdateThreadProc(&chosen);
    EXPECT_EQ(chosen.actions, one.actions);
    EXPECT_EQ(chosen.summary.copies, 23U);
}

// A tree of a few large files gets its workers from the first of them on.
TEST(Workers, AFewLargeFilesAreCopiedByWorkers) {
    TempTree source;
    TempTree target;
    source.WriteFile("a", 1 << 20);
    source.WriteFile("b", 1 << 20);
    RecordingContext context(source.Root(), target.Root());
    context.jobs = 0;
    UpdateThreadProc(&context);
    EXPECT_EQ(context.summary.copies, 2U);
    if (std::thread::hardware_concurrency() > 1) {
        EXPECT_GT(context.summary.workers, 1U);
    }
}

INSTANTIATE_TEST_SUITE_P(Disks, AutomaticWorkers,
                         ::testing::Values(std::chrono::microseconds(0),
                                           std::chrono::microseconds(200)));

// Temporary names of long names that begin alike are still two, and still this program's.
TEST(TemporaryNames, LongNamesThatBeginAlikeGetTwo) {
    const std::string a = std::string(240, 'x') + "a";
    const std::string b = std::string(240, 'x') + "b";
    const std::string forA = FileCopier::TemporaryNameOf(a.c_str());
    const std::string forB = FileCopier::TemporaryNameOf(b.c_str());
    EXPECT_NE(forA, forB);
    EXPECT_LE(forA.size(), size_t{NAME_MAX});
    EXPECT_TRUE(FileCopier::IsTemporaryName(forA.c_str()));
}

// Workers that keep to folder order, as a disk that seeks wants them, still take every file
// and hand each back in the order it was given.
TEST(Workers, InFolderOrderEveryFileIsCopiedAndReportedInOrder) {
    TempTree source;
    TempTree target;
    PosixFileSystem files;
    UpdateRequest request;
    FileQueue queue(
        2, request, files, [] { return false; }, nullptr, true);
    std::vector<std::string> given;
    for (int folder = 0; folder < 3; ++folder) {
        const std::string name = "d" + std::to_string(folder);
        source.WriteFile(name + "/f", 1);
        target.MakeDir(name);
        auto sourceDir = std::make_shared<DirectoryHandle>(
            files, ::open(source.Path(name).c_str(), O_RDONLY | O_DIRECTORY), name + "/");
        auto targetDir = std::make_shared<DirectoryHandle>(
            files, ::open(target.Path(name).c_str(), O_RDONLY | O_DIRECTORY), name + "/");
        for (int i = 0; i < 10; ++i) {
            const std::string file = "f" + std::to_string(i);
            source.WriteFile(name + "/" + file, 100 + i);
            FileJob job;
            job.sourceFd = sourceDir->Fd();
            job.targetFd = targetDir->Fd();
            queue.Submit(job, file.c_str(), name + "/" + file, name + "/" + file, sourceDir,
                         targetDir);
            given.push_back(name + "/" + file);
        }
    }
    std::vector<std::string> handed;
    queue.Settle(
        0, [&handed](FileQueue::Entry& entry) { handed.push_back(entry.sourcePath); },
        [](const FileQueue::Entry&, std::uint64_t, std::uint64_t) {});
    EXPECT_EQ(handed, given);
    for (const std::string& path : given) {
        EXPECT_EQ(target.Read(path), source.Read(path)) << path;
    }
}

}  // namespace
}  // namespace tolvane::test
