// Targets behind FUSE, as phones, USB sticks and other systems' shares are shown: the engine
// must learn from the file system itself how it treats names and times.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FaultyFileSystem.h"
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

    WalkSummary Run(bool deleteFromSource, unsigned jobs) {
        RecordingContext context(source.Root(), mountPoint.Path("backup"));
        context.deleteFromSource = deleteFromSource;
        context.jobs = jobs;
        context.verify = verify;
        context.files = files;
        UpdateThreadProc(&context);
        failures = context.failures;
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
};

struct FoldRow {
    const char* name;
    bool deleteFromSource;
    unsigned jobs;
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
    backing.WriteFile("backup/README", 5, 'R');
    const std::string readme = backing.Read("backup/README");

    const WalkSummary summary = Run(GetParam().deleteFromSource, GetParam().jobs);

    EXPECT_EQ(summary.failures, 12U + 2U) << ::testing::PrintToString(failures);
    EXPECT_EQ(backing.Read("backup/README"), readme);
    for (const auto& [name, data] : held) {
        EXPECT_TRUE((source.Exists(name) && source.Read(name) == data) ||
                    backing.Read("backup/" + name) == data)
            << name;
    }
    EXPECT_EQ(Temporaries(), std::vector<std::string>());
    EXPECT_TRUE(fuse->Answers());
}

INSTANTIATE_TEST_SUITE_P(Rows, FoldingTargetTest,
                         ::testing::Values(FoldRow{"copy", false, 1}, FoldRow{"move", true, 1},
                                           FoldRow{"copy_with_workers", false, 8},
                                           FoldRow{"move_with_workers", true, 8}));

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
    const WalkSummary summary = Run(true, 1);
    EXPECT_EQ(summary.deletions, 5U) << ::testing::PrintToString(failures);
    EXPECT_EQ(counting.dataCalls.load(), 0);
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

struct LieRow {
    const char* name;
    std::vector<std::string> options;
    bool deleteFromSource;
    bool verify;     // always; otherwise as the engine chooses
    bool removable;  // sysfs shows the target as a partition of a removable disk
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
    Mount(row.options);
    if (IsSkipped()) {
        return;
    }
    TempTree sysfs;
    if (row.removable) {
        struct stat mounted {};
        ::stat(mountPoint.Root().c_str(), &mounted);
        ShowAsRemovable(sysfs, mounted.st_dev);
        ::setenv("TOLVANE_SYSFS_ROOT", sysfs.Root().c_str(), 1);
    }
    std::map<std::string, std::string> held;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "f" + std::to_string(i);
        source.WriteFile(name, off_t{256} << 10, static_cast<char>('a' + i));
        held[name] = source.Read(name);
    }
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
    EXPECT_EQ(summary.failures, removed) << ::testing::PrintToString(failures);
    EXPECT_EQ(Temporaries(), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LyingTargetTest,
    ::testing::Values(
        // Reads right after the copy come from the page cache, which holds what was written.
        LieRow{"move_cached", {"--cached", "--store-limit=1048576"}, true, true, false},
        // Each file reads back right until later files of the batch wrap around onto it.
        LieRow{
            "move_wrapping_around", {"--store-limit=1048576", "--wrap-around"}, true, true, false},
        LieRow{"copy_cached", {"--cached", "--store-limit=1048576"}, false, true, false},
        LieRow{"move_onto_removable_by_default",
               {"--cached", "--store-limit=1048576"},
               true,
               false,
               true}));

}  // namespace
}  // namespace tolvane::test
