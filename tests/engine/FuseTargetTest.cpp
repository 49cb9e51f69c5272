// Targets behind FUSE, as phones, USB sticks and other systems' shares are shown: the engine
// must learn from the file system itself how it treats names and times.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BlockDevice.h"
#include "FaultyFileSystem.h"
#include "FileCopier.h"
#include "FuseMount.h"
#include "RecordingContext.h"
#include "TempTree.h"
#include "UpdateWalk.h"

namespace tolvane::test {
namespace {

class FuseTargetTest : public ::testing::Test {
  protected:
    // Mounts the backing folder with options; the test returns at once when this skips.
    void Mount(const std::vector<std::string>& options) {
        fuse = std::make_unique<FuseMount>(backing.Root(), mountPoint.Root(), options);
        if (!fuse->WhyNot().empty()) {
            GTEST_SKIP() << fuse->WhyNot();
        }
    }

    WalkSummary Run(bool deleteFromSource, unsigned jobs, bool dryRun = false) {
        RecordingContext context(source.Root(), mountPoint.Path("backup"));
        context.deleteFromSource = deleteFromSource;
        context.dryRun = dryRun;
        context.jobs = jobs;
        context.verify = verify;
        context.files = files;
        context.verifyPauseMs = verifyPauseMs;
        UpdateThreadProc(&context);
        failures = context.failures;
        verifyDone = context.verifyDone;
        verifyTotal = context.verifyTotal;
        return context.summary;
    }

    // This program's temporary names left anywhere in the target.
    std::vector<std::string> Temporaries() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(backing.Root())) {
            if (entry.path().filename().string().find(".tolvane-") != std::string::npos) {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    TempTree source;
    TempTree backing;  // what the FUSE file system stores, as it stores it
    TempTree mountPoint;
    std::unique_ptr<FuseMount> fuse;
    FileSystem* files = nullptr;
    bool verify = false;
    std::vector<std::string> failures;
    int verifyPauseMs = 0;
    std::uint64_t verifyDone = 0;
    std::uint64_t verifyTotal = 0;
};

struct FoldRow {
    const char* name;
    bool deleteFromSource;
    unsigned jobs;
    bool dryRun = false;       // the folder can only be asked, not written
    bool targetReadme = true;  // the target holds README before the run
    // Each folded pair fails once: twelve pairs of files and one of folders, and readme
    // where the target holds README.
    unsigned failures = 12 + 1 + 1;
};

void PrintTo(const FoldRow& row, std::ostream* out) {
    *out << row.name;
}

class FoldingTargetTest : public FuseTargetTest, public ::testing::WithParamInterface<FoldRow> {};

// Names that fold together, files and folders, many at once in one folder, and a target entry
// under another spelling: each source entry counts only under exactly its own name, so no
// data is written over other data, every file's data is still in the source or the target,
// and each folded pair is one failure.
TEST_P(FoldingTargetTest, EveryFileKeepsItsDataAndEachFoldedPairIsOneFailure) {
    Mount({"--fold-case"});
    if (IsSkipped()) {
        return;
    }
    std::vector<std::string> names = {"readme", "Dir/one", "dir/two"};
    for (int i = 0; i < 12; ++i) {
        names.push_back("F" + std::to_string(i) + ".txt");
        names.push_back("f" + std::to_string(i) + ".txt");
    }
    std::map<std::string, std::string> held;  // what each source file holds
    for (size_t i = 0; i < names.size(); ++i) {
        source.WriteFile(names[i], static_cast<off_t>(100 + 10 * i), static_cast<char>('a' + i));
        held[names[i]] = source.Read(names[i]);
    }
    backing.MakeDir("backup");
    if (GetParam().targetReadme) {
        backing.WriteFile("backup/README", 5, 'R');
    }
    const std::string readme = backing.Read("backup/README");
    FaultyFileSystem counting;
    files = &counting;

    const WalkSummary summary =
        Run(GetParam().deleteFromSource, GetParam().jobs, GetParam().dryRun);

    EXPECT_EQ(summary.failures, GetParam().failures) << ::testing::PrintToString(failures);
    if (GetParam().dryRun) {
        EXPECT_EQ(counting.creations.load(), 0);
        EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(backing.Root()),
                                std::filesystem::recursive_directory_iterator()),
                  GetParam().targetReadme ? 2 : 1);  // backup and its README
    }
    EXPECT_EQ(backing.Read("backup/README"), readme);
    for (const auto& [name, data] : held) {
        EXPECT_TRUE((source.Exists(name) && source.Read(name) == data) ||
                    backing.Read("backup/" + name) == data)
            << name;
    }
    EXPECT_EQ(Temporaries(), std::vector<std::string>());
    EXPECT_TRUE(fuse->Answers());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FoldingTargetTest,
    ::testing::Values(FoldRow{"copy", false, 1}, FoldRow{"move", true, 1},
                      FoldRow{"copy_with_workers", false, 8}, FoldRow{"move_with_workers", true, 8},
                      FoldRow{"dry_run", true, 1, true},
                      // Nothing in the target can tell: taken as folding.
                      FoldRow{"dry_run_into_an_empty_folder", true, 1, true, false, 12 + 1}));

// Where a rename onto an existing name is refused, the shorter target is still replaced, and
// it stays in place until its replacement is whole.
TEST_F(FuseTargetTest, AShorterTargetIsReplacedWhereRenamingOverItIsRefused) {
    Mount({"--no-replace"});
    if (IsSkipped()) {
        return;
    }
    source.WriteFile("f", 100, 'n');
    const std::string data = source.Read("f");
    backing.WriteFile("backup/f", 10, 'o');
    const WalkSummary summary = Run(true, 1);
    EXPECT_EQ(summary.failures, 0U) << ::testing::PrintToString(failures);
    EXPECT_EQ(summary.deletions, 1U);
    EXPECT_EQ(backing.Read("backup/f"), data);
    EXPECT_EQ(Temporaries(), std::vector<std::string>());
}

// Where even naming the replacement fails, the old file is put back under its name.
TEST_F(FuseTargetTest, AReplacementThatCannotBeNamedPutsTheOldFileBack) {
    Mount({"--no-replace"});
    if (IsSkipped()) {
        return;
    }
    source.WriteFile("f", 100, 'n');
    backing.WriteFile("backup/f", 10, 'o');
    const std::string old = backing.Read("backup/f");
    FaultyFileSystem refusing;
    refusing.refuseRenameFrom = FileCopier::TemporaryNameOf("f");
    files = &refusing;
    const WalkSummary summary = Run(true, 1);
    EXPECT_EQ(summary.failures, 1U);
    EXPECT_EQ(backing.Read("backup/f"), old);
    EXPECT_TRUE(source.Exists("f"));
    EXPECT_EQ(Temporaries(), std::vector<std::string>());
}

// A file system that keeps times to the second: a resumed move trusts the times that this
// program's own copies carry, and reads no file's contents.
TEST_F(FuseTargetTest, TimesAreTrustedAsFinelyAsTheFileSystemKeepsThem) {
    Mount({"--time-step-ns=1000000000"});
    if (IsSkipped()) {
        return;
    }
    for (int i = 0; i < 5; ++i) {
        source.WriteFile("f" + std::to_string(i), 1000, 'x');
    }
    Run(false, 1);
    FaultyFileSystem counting;
    files = &counting;
    WalkSummary summary = Run(true, 1);
    EXPECT_EQ(summary.deletions, 5U) << ::testing::PrintToString(failures);
    EXPECT_EQ(counting.dataCalls.load(), 0);

    // A target of the same size whose time is a whole second off holds other data as far as
    // times can tell: its contents are compared, and they differ.
    const timespec second{1'700'000'000, 0};
    const timespec times[2] = {second, second};
    source.WriteFile("g", 1000, 'x');
    ::utimensat(AT_FDCWD, source.Path("g").c_str(), times, 0);
    backing.WriteFile("backup/g", 1000, 'y');
    const timespec later[2] = {{second.tv_sec + 1, 0}, {second.tv_sec + 1, 0}};
    ::utimensat(AT_FDCWD, backing.Path("backup/g").c_str(), later, 0);
    summary = Run(true, 1);
    EXPECT_EQ(summary.deletions, 0U);
    EXPECT_TRUE(source.Exists("g"));
}

// A real exFAT file system through exfat-fuse, as Debian mounts a stick where the kernel has
// no exFAT driver: the move of two names that fold together keeps both files' data, and the
// stick is served as the local disk it is, not with the workers of a share.
TEST(ExfatTarget, AMoveOfNamesThatFoldTogetherKeepsBothAndTheStickIsLocal) {
    TempTree work;
    const std::string image = work.Path("stick.img");
    const std::string mount = work.Path("stick");
    work.MakeDir("stick");
    const std::string loop = work.Path("loop");
    const std::string setUp = "truncate -s 64M " + image + " && mkfs.exfat " + image +
                              " >/dev/null 2>&1 && losetup -f --show " + image + " > " + loop +
                              " && mount.exfat-fuse $(cat " + loop + ") " + mount +
                              " >/dev/null 2>&1";
    if (::geteuid() != 0 || std::system(setUp.c_str()) != 0) {
        std::system(("[ -s " + loop + " ] && losetup -d $(cat " + loop + ")").c_str());
        GTEST_SKIP() << "needs root, a loop device, exfatprogs and exfat-fuse";
    }
    TempTree source;
    source.WriteFile("A.txt", 100, 'U');
    source.WriteFile("a.txt", 200, 'L');
    const std::string upper = source.Read("A.txt");
    const std::string lower = source.Read("a.txt");
    RecordingContext context(source.Root(), mount + "/backup");
    context.deleteFromSource = true;
    context.jobs = 0;
    UpdateThreadProc(&context);
    const std::string heldUpper = source.Exists("A.txt") ? source.Read("A.txt") : "";
    const std::string heldLower = source.Exists("a.txt") ? source.Read("a.txt") : "";
    std::string copied;
    {
        std::ifstream onStick(mount + "/backup/" + (heldUpper.empty() ? "A.txt" : "a.txt"));
        copied.assign(std::istreambuf_iterator<char>(onStick), {});
    }
    std::system(("umount " + mount + " && losetup -d $(cat " + loop + ")").c_str());

    EXPECT_EQ(context.summary.failures, 1U) << ::testing::PrintToString(context.failures);
    EXPECT_EQ(context.summary.deletions, 1U);
    EXPECT_TRUE((heldUpper == upper && copied == lower) || (heldLower == lower && copied == upper));
    EXPECT_LE(context.summary.workers, std::max(1U, std::thread::hardware_concurrency()));
}

// What the FUSE file system hands out for the file at path, past the page cache (O_DIRECT).
std::string ReadFromStorage(const std::string& path) {
    constexpr size_t kChunk = size_t{1} << 20;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECT);
    void* buffer = std::aligned_alloc(4096, kChunk);
    std::string data;
    for (ssize_t n = 0; fd >= 0 && (n = ::read(fd, buffer, kChunk)) > 0;) {
        data.append(static_cast<const char*>(buffer), static_cast<size_t>(n));
    }
    std::free(buffer);
    if (fd >= 0) {
        ::close(fd);
    }
    return data;
}

// A sysfs tree below root that shows device as a partition of a removable disk.
void ShowAsRemovable(const TempTree& root, dev_t device) {
    root.WriteText("devices/sdz/removable", "1\n");
    root.WriteText("devices/sdz/sdz1/partition", "1\n");
    root.MakeLink(
        "dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device)),
        "../../devices/sdz/sdz1");
}

// A partition answers for its disk whether the disk spins.
TEST(BlockDeviceTest, ADiskSaysWhetherItSpins) {
    const dev_t partition = makedev(259, 7);
    for (const bool spins : {false, true}) {
        TempTree sysfs;
        ShowAsRemovable(sysfs, partition);
        sysfs.WriteText("devices/sdz/queue/rotational", spins ? "1\n" : "0\n");
        EXPECT_EQ(BlockDevice(partition, sysfs.Root()).Rotational(), spins);
    }
}

// How sysfs shows the target's disk: not at all, or as removable, found by the FUSE file
// system's own device or by the block device it was mounted from (as exfat-fuse is).
enum class Sysfs { None, RemovableDevice, RemovableMountSource };

// The real file system, where dropping a file's cached pages leaves them, as where another
// process maps the file.
class PagesStay : public PosixFileSystem {
    int DropCachedPages(int /*fd*/) override { return 0; }
};

struct LieRow {
    const char* name;
    std::vector<std::string> options;
    bool deleteFromSource;
    bool verify;  // always; otherwise as the engine chooses
    Sysfs sysfs = Sysfs::None;
    bool keepPages = false;  // dropped pages stay cached, so the target is read with O_DIRECT
};

void PrintTo(const LieRow& row, std::ostream* out) {
    *out << row.name;
}

class LyingTargetTest : public FuseTargetTest, public ::testing::WithParamInterface<LieRow> {};

// A stick that accepts every write but keeps only its first MiB: dropping the rest, or
// wrapping it around onto the files written first. Every target left holds its source's data
// as the storage hands it out; each that did not was removed, its source kept and reported.
TEST_P(LyingTargetTest, OnlyWhatReadsBackFromTheStorageCounts) {
    const LieRow& row = GetParam();
    TempTree sysfs;
    std::vector<std::string> options = row.options;
    if (row.sysfs == Sysfs::RemovableMountSource) {
        const dev_t stick = makedev(8, 240);
        if (::mknod(sysfs.Path("stick").c_str(), S_IFBLK | 0600, stick) != 0) {
            GTEST_SKIP() << "making a block device node needs root";
        }
        ShowAsRemovable(sysfs, stick);
        options.push_back("-ofsname=" + sysfs.Path("stick"));
    }
    Mount(options);
    if (IsSkipped()) {
        return;
    }
    if (row.sysfs == Sysfs::RemovableDevice) {
        struct stat mounted {};
        ::stat(mountPoint.Root().c_str(), &mounted);
        ShowAsRemovable(sysfs, mounted.st_dev);
    }
    ::setenv("TOLVANE_SYSFS_ROOT", sysfs.Root().c_str(), 1);
    constexpr off_t kSize = off_t{256} << 10;
    std::map<std::string, std::string> held;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "f" + std::to_string(i);
        source.WriteFile(name, kSize, static_cast<char>('a' + i));
        held[name] = source.Read(name);
    }
    PagesStay pagesStay;
    files = row.keepPages ? &pagesStay : nullptr;
    verify = row.verify;
    const WalkSummary summary = Run(row.deleteFromSource, JobsOfThisRun());
    ::unsetenv("TOLVANE_SYSFS_ROOT");

    unsigned removed = 0;
    for (const auto& [name, data] : held) {
        const bool targetLeft = backing.Exists("backup/" + name);
        removed += targetLeft ? 0 : 1;
        EXPECT_TRUE(!targetLeft || ReadFromStorage(mountPoint.Path("backup/" + name)) == data)
            << name;
        EXPECT_EQ(source.Exists(name), !targetLeft || !row.deleteFromSource) << name;
    }
    EXPECT_GT(removed, 0U);
    EXPECT_LT(removed, held.size()) << "what the stick kept reads back right";
    EXPECT_EQ(summary.failures, removed) << ::testing::PrintToString(failures);
    const std::string failed = row.deleteFromSource ? "fail delete " : "fail copy ";
    for (const std::string& failure : failures) {
        EXPECT_EQ(failure.substr(0, failed.size()), failed);
    }
    EXPECT_EQ(summary.copies, held.size() - removed) << "a removed copy is no update";
    EXPECT_EQ(summary.filesVerified, held.size());
    EXPECT_EQ(verifyTotal, held.size());
    EXPECT_EQ(summary.bytesVerified, (held.size() - removed) * kSize);
    EXPECT_EQ(Temporaries(), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LyingTargetTest,
    ::testing::Values(
        // Reads right after the copy come from the page cache, which holds what was written.
        LieRow{"move_cached", {"--cached", "--store-limit=1048576"}, true, true},
        // Each file reads back right until later files of the batch wrap around onto it.
        LieRow{"move_wrapping_around", {"--store-limit=1048576", "--wrap-around"}, true, true},
        LieRow{"copy_cached", {"--cached", "--store-limit=1048576"}, false, true},
        LieRow{"move_cached_past_pages_that_stay",
               {"--cached", "--store-limit=1048576"},
               true,
               true,
               Sysfs::None,
               true},
        LieRow{"move_onto_removable_by_default",
               {"--cached", "--store-limit=1048576"},
               true,
               false,
               Sysfs::RemovableDevice},
        LieRow{"move_onto_removable_by_mount_source",
               {"--cached", "--store-limit=1048576"},
               true,
               false,
               Sysfs::RemovableMountSource}));

// A move with verify reads back from the storage also the targets that an earlier copy left,
// whose data the page cache may still hold as it was written.
TEST_F(FuseTargetTest, AResumedMoveReadsBackWhatAnEarlierCopyLeft) {
    Mount({"--cached", "--store-limit=1048576"});
    if (IsSkipped()) {
        return;
    }
    for (int i = 0; i < 8; ++i) {
        source.WriteFile("f" + std::to_string(i), off_t{256} << 10, static_cast<char>('a' + i));
    }
    Run(false, 1);
    verify = true;
    verifyPauseMs = 250;  // past the interval of the read-back's progress
    const WalkSummary summary = Run(true, JobsOfThisRun());
    EXPECT_EQ(summary.deletions, 4U) << "the stick kept 1 MiB";
    EXPECT_EQ(summary.failures, 4U);
    EXPECT_EQ(verifyTotal, 8U);
    EXPECT_GT(verifyDone, 0U);
}

}  // namespace
}  // namespace tolvane::test
