// The size rule on one file, for every combination that decides something.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <ostream>

#include <filesystem>

#include "FaultyFileSystem.h"
#include "RecordingContext.h"
#include "TempTree.h"
#include "UpdateWalk.h"

namespace tolvane::test {
namespace {

struct SizeRuleCase {
    const char* name;
    off_t sourceSize;
    off_t targetSize;  // -1: no target file
    bool larger;
    bool deleteFromSource;
    bool readOnlyTarget;
    bool expectCopy;
    bool expectSourceDeleted;
};

// Test names and failure messages show the row by its name.
void PrintTo(const SizeRuleCase& row, std::ostream* out) {
    *out << row.name;
}

class SizeRuleTest : public ::testing::TestWithParam<SizeRuleCase> {};

TEST_P(SizeRuleTest, AppliesTheRule) {
    const SizeRuleCase& c = GetParam();
    TempTree source;
    TempTree target;
    // A name near the 255-byte limit: the temporary name a replacement is written under must
    // still fit beside it.
    const std::string name(250, 'n');
    source.WriteFile(name, c.sourceSize, 'a');
    if (c.targetSize >= 0) {
        target.WriteFile(name, c.targetSize, 'x');
        if (c.readOnlyTarget) {
            ::chmod(target.Path(name).c_str(), 0444);
        }
    }
    const std::string sourceBefore = source.Read(name);
    const timespec sourceTime = source.Stat(name).st_mtim;
    // An equal-sized target with the source's time is taken as holding it.
    const timespec times[2] = {sourceTime, sourceTime};
    ::utimensat(AT_FDCWD, target.Path(name).c_str(), times, AT_SYMLINK_NOFOLLOW);
    const std::string targetBefore = target.Read(name);

    RecordingContext context(source.Root(), target.Root());
    context.larger = c.larger;
    context.deleteFromSource = c.deleteFromSource;
    UpdateThreadProc(&context);

    EXPECT_EQ(context.doneNotices, 1);
    EXPECT_EQ(context.copyCount.load(), c.expectCopy ? 1U : 0U);
    EXPECT_TRUE(context.failures.empty()) << context.failures.front();
    if (c.expectCopy) {
        EXPECT_EQ(target.Read(name), sourceBefore);
        EXPECT_EQ(target.Stat(name).st_mtim.tv_sec, sourceTime.tv_sec);
        EXPECT_EQ(target.Stat(name).st_mtim.tv_nsec, sourceTime.tv_nsec);
    } else if (c.targetSize >= 0) {
        EXPECT_EQ(target.Read(name), targetBefore);
    } else {
        EXPECT_FALSE(target.Exists(name));
    }
    EXPECT_EQ(!source.Exists(name), c.expectSourceDeleted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SizeRuleTest,
    ::testing::Values(SizeRuleCase{"missing", 100, -1, true, false, false, true, false},
                      SizeRuleCase{"missingZeroLength", 0, -1, true, false, false, true, false},
                      SizeRuleCase{"shorter", 100, 40, true, false, false, true, false},
                      SizeRuleCase{"shorterReadOnly", 100, 40, true, false, true, true, false},
                      SizeRuleCase{"equalOtherContent", 100, 100, true, false, false, false, false},
                      SizeRuleCase{"longer", 100, 150, true, false, false, false, false},
                      SizeRuleCase{"largerOff", 100, -1, false, false, false, false, false},
                      SizeRuleCase{"largerOffWithDeletion", 100, 100, false, true, false, false,
                                   false},
                      SizeRuleCase{"copiedThenDeleted", 100, 40, true, true, false, true, true},
                      SizeRuleCase{"equalDeleted", 100, 100, true, true, false, false, true},
                      SizeRuleCase{"longerKeepsSource", 100, 150, true, true, false, false, false},
                      SizeRuleCase{"zeroLengthBothDeleted", 0, 0, true, true, false, false, true}),
    [](const ::testing::TestParamInfo<SizeRuleCase>& info) {
        return std::string(info.param.name);
    });

// Deletion needs proof that the equal-sized target holds the source's data: the same time,
// as finely as the target's file system keeps it, or, failing that, the same content;
// --verify always compares content. Other content differs only in the last byte, and reads
// return less than they are asked for, so that only a comparison to the very end tells.
struct ProofCase {
    const char* name;
    long long targetLaterNs;  // the target's modification time minus the source's
    bool sameContent;
    bool verify;
    bool expectDeleted;
    long fileSystemType = 0;   // the type the target's file system claims, when set
    int abandonedAt = -1;      // the run is abandoned at this poll of the request (0: at once)
    bool keptReported = true;  // a kept source is a failure (not when the stop tells)
};

// Test names and failure messages show the row by its name.
void PrintTo(const ProofCase& row, std::ostream* out) {
    *out << row.name;
}

class DeletionProofTest : public ::testing::TestWithParam<ProofCase> {};

TEST_P(DeletionProofTest, DeletesOnlyWhatTheTargetHolds) {
    const ProofCase& c = GetParam();
    TempTree source;
    TempTree target;
    source.WriteFile("f", 300000, 'a');
    std::string data = source.Read("f");
    if (!c.sameContent) {
        data.back() = static_cast<char>(data.back() ^ 1);
    }
    target.WriteText("f", data);
    constexpr long long kSecond = 1'000'000'000;
    const long long targetNs = 1200000000 * kSecond + 5 + c.targetLaterNs;
    const timespec sourceTimes[2] = {{1000000000, 0}, {1200000000, 5}};
    const timespec targetTimes[2] = {
        {1000000000, 0},
        {static_cast<time_t>(targetNs / kSecond), static_cast<long>(targetNs % kSecond)}};
    ::utimensat(AT_FDCWD, source.Path("f").c_str(), sourceTimes, 0);
    ::utimensat(AT_FDCWD, target.Path("f").c_str(), targetTimes, 0);

    FaultyFileSystem files;
    files.fileSystemType = c.fileSystemType;
    RecordingContext context(source.Root(), target.Root());
    context.files = &files;
    context.deleteFromSource = true;
    context.verify = c.verify;
    context.abandonAfterChunks = c.abandonedAt;
    const auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = descriptors();
    UpdateThreadProc(&context);

    EXPECT_EQ(!source.Exists("f"), c.expectDeleted);
    EXPECT_EQ(context.summary.failures, c.expectDeleted || !c.keptReported ? 0U : 1U);
    EXPECT_EQ(target.Read("f"), data) << "a target this run did not write is kept";
    EXPECT_EQ(context.copyCount.load(), 0U);
    EXPECT_EQ(descriptors(), before) << "the compared files are closed";
}

constexpr long kVfat = 0x4d44;  // keeps times to 2 s

INSTANTIATE_TEST_SUITE_P(
    Cases, DeletionProofTest,
    ::testing::Values(
        ProofCase{"sameTime", 0, false, false, true},
        ProofCase{"otherTimeSameContent", 1, true, false, true},
        ProofCase{"otherTimeOtherContent", 1, false, false, false},
        ProofCase{"olderTargetOtherContent", -1, false, false, false},
        ProofCase{"verifySameTimeOtherContent", 0, false, true, false},
        ProofCase{"verifySameContent", 0, true, true, true},
        ProofCase{"fatSecondsApartOtherContent", 3'000'000'000, false, false, false, kVfat},
        // FAT keeps times to 2 s: within them, the times are the same.
        ProofCase{"fatWithinTwoSecondsOtherContent", 1'500'000'000, false, false, true, kVfat},
        // Stopped during the comparison: not proven.
        ProofCase{"abandonedComparison", 1, true, false, false, 0, 0},
        // Stopped during the read-back (the walk asks once before it): kept, and the stop
        // tells why.
        ProofCase{"abandonedReadBack", 0, true, true, false, 0, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SizeRule, CopyKeepsModeAndModificationTime) {
    TempTree source;
    TempTree target;
    source.WriteFile("f", 10);
    ::chmod(source.Path("f").c_str(), 0640);
    const timespec times[2] = {{1000000000, 0}, {1200000000, 123456789}};
    ::utimensat(AT_FDCWD, source.Path("f").c_str(), times, 0);
    const bool attributes = ::setxattr(source.Path("f").c_str(), "user.note", "kept", 4, 0) == 0;

    RecordingContext context(source.Root(), target.Root());
    UpdateThreadProc(&context);

    const struct stat copied = target.Stat("f");
    EXPECT_EQ(copied.st_mode & 07777, 0640U);
    EXPECT_EQ(copied.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(copied.st_mtim.tv_nsec, 123456789);
    char note[8] = {};
    EXPECT_EQ(::getxattr(target.Path("f").c_str(), "user.note", note, sizeof note),
              attributes ? 4 : -1);
}

// A file with holes is copied with its holes, a trailing one included: the copy has the
// source's size and data, and takes about the blocks of its data.
TEST(SizeRule, HolesStayHolesAndATrailingHoleKeepsTheSize) {
    TempTree source;
    TempTree target;
    constexpr off_t kSize = off_t{8} << 20;
    source.WriteText("f", "head");
    const int fd = ::open(source.Path("f").c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, "middle", 6, kSize / 2), 6);
    ASSERT_EQ(::ftruncate(fd, kSize), 0);
    ::close(fd);

    RecordingContext context(source.Root(), target.Root());
    UpdateThreadProc(&context);

    EXPECT_EQ(target.Read("f"), source.Read("f"));
    EXPECT_LT(target.Stat("f").st_blocks * 512, kSize / 8);
}

// Sizes compare as whole 64-bit values: a target of 4 GiB + 10 bytes is longer than a 10-byte
// source, not equal to it, so the source must survive a run with deletion on.
TEST(SizeRule, SizesAboveFourGibibytesCompareWhole) {
    TempTree source;
    TempTree target;
    source.WriteFile("f", 10);
    target.WriteText("f", "");
    ASSERT_EQ(::truncate(target.Path("f").c_str(), (off_t{4} << 30) + 10), 0);

    RecordingContext context(source.Root(), target.Root());
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    EXPECT_TRUE(source.Exists("f"));
    EXPECT_EQ(context.copyCount.load(), 0U);
    EXPECT_EQ(context.summary.failures, 0U) << "a longer target is skipped, never compared";
}

}  // namespace
}  // namespace tolvane::test
