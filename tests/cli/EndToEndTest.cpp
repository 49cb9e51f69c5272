// Runs the real tolvane-update on real temporary trees and compares what it prints exactly.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <thread>

#include "ChildProcess.h"
#include "TempTree.h"
#include "Version.h"

namespace tolvane::test {
namespace {

// A test run started in the background by a shell inherits SIGINT ignored, which the program
// under test would rightly keep: the signal tests need the signals as a terminal sends them.
[[maybe_unused]] const bool kStopSignalsByDefault = [] {
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        ::signal(signalNumber, SIG_DFL);
    }
    return true;
}();

namespace fs = std::filesystem;
using testing::StartsWith;

const std::string kBinary = TOLVANE_UPDATE_BINARY;
const std::string kTryHelp = "Try 'tolvane-update --help' for more information.\n";

ProgramResult Update(const std::vector<std::string>& arguments,
                     const ProgramOptions& options = {}) {
    return RunProgram(kBinary, arguments, options);
}

// Runs tolvane-update with the soft limit of open descriptors set to limit.
ProgramResult UpdateUnderSoftLimit(int limit, const std::vector<std::string>& arguments) {
    std::vector<std::string> command{
        "-c", "ulimit -Sn " + std::to_string(limit) + " && exec \"$0\" \"$@\"", kBinary};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunProgram("/bin/sh", command);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const auto& line) { return line.starts_with(prefix); }));
}

// Every entry under root with its kind and size, to prove that a run changed nothing.
std::vector<std::string> Snapshot(const std::string& root) {
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto status = entry.symlink_status();
        std::string line =
            entry.path().string() + " " + std::to_string(static_cast<int>(status.type()));
        if (status.type() == fs::file_type::regular) {
            line += " " + std::to_string(entry.file_size());
        }
        entries.push_back(line);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Runs tolvane-update as a user without privileges, so that permission bits count even when
// the tests run as root: tree and program are handed to nobody, through /tmp which every user
// may cross.
ProgramResult UpdateUnprivileged(const TempTree& tree, const std::vector<std::string>& arguments) {
    if (::geteuid() != 0) {
        return Update(arguments);
    }
    const std::string program = tree.Path("tolvane-update");
    fs::copy_file(kBinary, program);
    EXPECT_EQ(::lchown(tree.Root().c_str(), 65534, 65534), 0);
    for (const auto& entry : fs::recursive_directory_iterator(tree.Root())) {
        EXPECT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0) << entry.path();
    }
    std::vector<std::string> command{"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                     program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunProgram("/usr/bin/setpriv", command);
}

class UpdateCommandTest : public testing::Test {
  protected:
    std::string Source() const { return m_tree.Path("src"); }
    std::string Target() const { return m_tree.Path("dst"); }

    TempTree m_tree;
};

TEST_F(UpdateCommandTest, CopiesMissingAndShorterFilesAndNothingOnASecondRun) {
    m_tree.WriteFile("src/new", 10);
    m_tree.WriteFile("src/sub/deeper/empty", 0);
    m_tree.WriteFile("src/sub/grown", 100, 'b');
    m_tree.WriteFile("dst/sub/grown", 5, 'x');
    m_tree.WriteFile("src/shrunk", 5, 'c');
    m_tree.WriteFile("dst/shrunk", 9, 'y');

    const ProgramResult first = Update({Source(), Target()});
    EXPECT_EQ(first.out, "3 file(s) updated.\n");
    EXPECT_EQ(first.err, "");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(m_tree.Read("dst/new"), m_tree.Read("src/new"));
    EXPECT_EQ(m_tree.Read("dst/sub/grown"), m_tree.Read("src/sub/grown"));
    EXPECT_EQ(m_tree.Size("dst/sub/deeper/empty"), 0);
    EXPECT_EQ(m_tree.Size("dst/shrunk"), 9) << "a longer target is left alone";

    const ProgramResult second = Update({Source(), Target()});
    EXPECT_EQ(second.out, "0 file(s) updated.\n");
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(second.status, 0);
}

TEST_F(UpdateCommandTest, VerboseListsEveryActionAndSkipsAFifoWithoutWaiting) {
    m_tree.WriteFile("src/a", 3);
    m_tree.WriteFile("src/d/b", 4);
    m_tree.MakeLink("src/up", "..");
    m_tree.MakeFifo("src/pipe");
    const std::string target = m_tree.Path("out/dst");

    const ProgramResult result = Update({"-v", Source(), target});
    const std::string src = Source();
    std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 8u) << result.out;
    EXPECT_EQ(lines.front(), "mkdir " + target);
    EXPECT_THAT(lines[6], StartsWith("Copied 7 B in ")) << "the two files' bytes, not the link's";
    EXPECT_EQ(lines.back(), "3 file(s) updated.");
    const auto made = std::find(lines.begin(), lines.end(), "mkdir " + target + "/d");
    const auto copied =
        std::find(lines.begin(), lines.end(), "copy " + src + "/d/b -> " + target + "/d/b");
    EXPECT_LT(made, copied) << "a folder is made before its files are copied";
    EXPECT_NE(copied, lines.end());
    EXPECT_THAT(lines, testing::Contains("copy " + src + "/a -> " + target + "/a"));
    EXPECT_THAT(lines, testing::Contains("link " + src + "/up -> " + target + "/up"));
    EXPECT_EQ(CountStartingWith(lines, "skip " + src + "/pipe: "), 1u);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0) << "a skipped FIFO is no failure";
    EXPECT_EQ(m_tree.LinkText("out/dst/up"), "..") << "the link is copied, never followed";
    EXPECT_FALSE(m_tree.Exists("out/dst/pipe"));
}

TEST_F(UpdateCommandTest, DryRunChangesNothingAndPredictsTheRealRun) {
    m_tree.WriteFile("src/a", 3);
    m_tree.WriteFile("src/d/b", 4);
    const std::string target = m_tree.Path("missing/dst");
    const auto before = Snapshot(m_tree.Root());

    const ProgramResult dry = Update({"-n", "-d", "-v", Source(), target});
    EXPECT_EQ(Snapshot(m_tree.Root()), before);
    const std::vector<std::string> lines = Lines(dry.out);
    EXPECT_EQ(CountStartingWith(lines, "mkdir "), 2u) << dry.out;
    EXPECT_EQ(CountStartingWith(lines, "copy "), 2u);
    EXPECT_EQ(CountStartingWith(lines, "delete "), 2u);
    EXPECT_THAT(dry.out, testing::EndsWith("2 source file(s) would be deleted.\n"
                                           "2 file(s) would be updated.\n"));
    EXPECT_EQ(dry.status, 0);

    const ProgramResult real = Update({"-d", Source(), target});
    EXPECT_EQ(real.out, "2 source file(s) deleted.\n2 file(s) updated.\n");
    EXPECT_EQ(real.status, 0);
}

TEST_F(UpdateCommandTest, DeletesOnlySourceFilesTheTargetHolds) {
    m_tree.WriteFile("src/new", 5);
    // The same data, its time left to chance: the target holds it whether or not the times
    // agree (a same-size target with other data keeps its source).
    m_tree.WriteFile("src/same", 7, 'p');
    m_tree.WriteFile("dst/same", 7, 'p');
    m_tree.WriteFile("src/grown", 9);
    m_tree.WriteFile("dst/grown", 3);
    m_tree.WriteFile("src/kept", 3);
    m_tree.WriteFile("dst/kept", 9);
    // Same size and time, other data: only the comparison that --verify asks for tells.
    m_tree.WriteFile("src/stale", 4, 's');
    m_tree.WriteFile("dst/stale", 4, 't');
    const timespec times[2] = {{1, 0}, {1, 0}};
    ::utimensat(AT_FDCWD, m_tree.Path("src/stale").c_str(), times, 0);
    ::utimensat(AT_FDCWD, m_tree.Path("dst/stale").c_str(), times, 0);

    const ProgramResult result = Update({"--delete-from-source", "--verify", Source(), Target()});
    EXPECT_EQ(result.out, "3 source file(s) deleted.\n2 file(s) updated.\n");
    EXPECT_THAT(result.err, StartsWith("tolvane-update: cannot delete '" + Source() + "/stale'"));
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(m_tree.Exists("src/stale"));
    EXPECT_FALSE(m_tree.Exists("src/new"));
    EXPECT_FALSE(m_tree.Exists("src/same"));
    EXPECT_FALSE(m_tree.Exists("src/grown"));
    EXPECT_EQ(m_tree.Size("src/kept"), 3) << "a longer target does not hold the source";
    EXPECT_EQ(m_tree.Size("dst/new"), 5);
    EXPECT_EQ(m_tree.Size("dst/grown"), 9);
}

// Where sysfs calls the test's disk removable, a move reads its targets back unless told not
// to, and a copy reads back only with --verify, and only what it copied.
TEST_F(UpdateCommandTest, AMoveOntoRemovableMediaIsVerifiedUnlessTurnedOff) {
    TempTree sysfs;
    const dev_t disk = m_tree.Stat("").st_dev;
    sysfs.WriteText("devices/sdz/removable", "1\n");
    sysfs.MakeLink("dev/block/" + std::to_string(major(disk)) + ":" + std::to_string(minor(disk)),
                   "../../devices/sdz");
    m_tree.WriteFile("src/new", 5);
    // Same size and time, other data: only a read-back tells.
    m_tree.WriteFile("src/stale", 4, 's');
    m_tree.WriteFile("dst/stale", 4, 't');
    const std::string other = m_tree.Read("dst/stale");
    const timespec times[2] = {{1, 0}, {1, 0}};
    ::utimensat(AT_FDCWD, m_tree.Path("src/stale").c_str(), times, 0);
    ::utimensat(AT_FDCWD, m_tree.Path("dst/stale").c_str(), times, 0);

    ::setenv("TOLVANE_SYSFS_ROOT", sysfs.Root().c_str(), 1);
    const ProgramResult copy = Update({"-v", Source(), Target()});
    const ProgramResult verifiedCopy = Update({"--verify", Source(), Target()});
    const ProgramResult dry = Update({"-n", "-d", Source(), Target()});
    const ProgramResult move = Update({"-d", "-v", Source(), Target()});
    const ProgramResult unverified = Update({"-d", "--no-verify", Source(), Target()});
    ::unsetenv("TOLVANE_SYSFS_ROOT");

    EXPECT_THAT(copy.out, testing::Not(testing::HasSubstr("\nVerified ")));
    EXPECT_EQ(verifiedCopy.status, 0) << verifiedCopy.err;
    EXPECT_THAT(move.out, testing::HasSubstr("\nVerified 5 B in "));
    EXPECT_EQ(move.err, "tolvane-update: cannot delete '" + Source() +
                            "/stale': the target reads back different data\n");
    EXPECT_EQ(move.status, 1);
    EXPECT_EQ(dry.status, 1) << "the dry run compares contents as the read-back would";
    EXPECT_FALSE(m_tree.Exists("src/new"));
    EXPECT_EQ(unverified.status, 0) << unverified.err;
    EXPECT_FALSE(m_tree.Exists("src/stale")) << "held by size and time";
    EXPECT_EQ(m_tree.Read("dst/stale"), other) << "a target this program did not write is kept";
}

struct RefusalRow {
    const char* name;
    std::vector<std::string> arguments;  // ROOT stands for the test's folder
    std::string err;
    const char* locked = nullptr;  // a folder another run holds
};

void PrintTo(const RefusalRow& row, std::ostream* out) {
    *out << row.name;
}

class RefusalTest : public UpdateCommandTest, public testing::WithParamInterface<RefusalRow> {
  protected:
    std::string Expand(std::string text) const {
        for (size_t at = text.find("ROOT"); at != std::string::npos; at = text.find("ROOT")) {
            text.replace(at, 4, m_tree.Root());
        }
        return text;
    }
};

TEST_P(RefusalTest, ExitsWithTwoAndChangesNothing) {
    m_tree.WriteFile("src/a", 3);
    m_tree.WriteFile("file", 3);
    m_tree.MakeLink("alias", "src");
    m_tree.MakeDir("dst");
    const auto before = Snapshot(m_tree.Root());
    std::vector<std::string> arguments;
    for (const std::string& argument : GetParam().arguments) {
        arguments.push_back(Expand(argument));
    }
    const int held = GetParam().locked == nullptr
                         ? -1
                         : ::open(m_tree.Path(GetParam().locked).c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_TRUE(held < 0 || ::flock(held, LOCK_EX) == 0);

    const ProgramResult result = Update(arguments);
    EXPECT_EQ(result.err, Expand(GetParam().err));
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(Snapshot(m_tree.Root()), before);
    if (held >= 0) {
        ::close(held);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusalTest,
    testing::Values(
        // The parser's errors are checked row by row in CommandLineTest; one shows the wiring.
        RefusalRow{"UnknownOption",
                   {"--bogus", "ROOT/src", "ROOT/dst"},
                   "tolvane-update: unrecognized option '--bogus'\n" + kTryHelp},
        RefusalRow{"SourceMissing",
                   {"ROOT/none", "ROOT/dst"},
                   "tolvane-update: cannot read 'ROOT/none': No such file or directory\n"},
        RefusalRow{"SourceIsAFile",
                   {"ROOT/file", "ROOT/dst"},
                   "tolvane-update: cannot read 'ROOT/file': the source is not a folder\n"},
        RefusalRow{"SameFolderSpeltThroughALink",
                   {"-d", "ROOT/src", "ROOT/alias/"},
                   "tolvane-update: cannot update 'ROOT/alias/' from 'ROOT/src': source and "
                   "target are the same folder\n"},
        RefusalRow{"TargetIsAFile",
                   {"ROOT/src", "ROOT/file"},
                   "tolvane-update: cannot create 'ROOT/file': the target is not a folder\n"},
        RefusalRow{"TargetCannotBeMade",
                   {"ROOT/src", "ROOT/file/dst"},
                   "tolvane-update: cannot create 'ROOT/file/dst': Not a directory\n"},
        RefusalRow{"SourceBusy",
                   {"-d", "ROOT/src", "ROOT/dst"},
                   "tolvane-update: 'ROOT/src' is being updated by another run\n",
                   "src"},
        RefusalRow{"TargetBusy",
                   {"-d", "ROOT/src", "ROOT/dst"},
                   "tolvane-update: 'ROOT/dst' is being updated by another run\n",
                   "dst"}),
    [](const testing::TestParamInfo<RefusalRow>& info) { return info.param.name; });

TEST_F(UpdateCommandTest, DoubleDashLetsPathsBeginWithADash) {
    m_tree.WriteFile("-src/a", 3);
    ProgramOptions options;
    options.workingDirectory = m_tree.Root();
    const ProgramResult result = Update({"-q", "--", "-src", "-dst"}, options);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(m_tree.Size("-dst/a"), 3);
}

TEST_F(UpdateCommandTest, NamesThatAreNoUtf8AreCopiedAndShownEscaped) {
    m_tree.WriteFile("src/bad\x80\xff", 5);
    m_tree.WriteFile("src/twin\x80", 5);
    m_tree.MakeDir("dst/twin\x80");  // a folder where the source has a file

    const ProgramResult result = Update({"-v", Source(), Target()});
    const std::vector<std::string> lines = Lines(result.out);
    EXPECT_THAT(lines, testing::Contains("copy " + Source() + "/bad\\x80\\xff -> " + Target() +
                                         "/bad\\x80\\xff"));
    EXPECT_EQ(lines.back(), "1 file(s) updated.");
    EXPECT_EQ(m_tree.Size("dst/bad\x80\xff"), 5);
    EXPECT_THAT(result.err, StartsWith("tolvane-update: cannot copy '" + Source() +
                                       "/twin\\x80' to '" + Target() + "/twin\\x80': "));
    EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(m_tree.Exists("src/twin\x80")) << "a failed entry is never deleted";
}

TEST_F(UpdateCommandTest, QuietPrintsOnlyFailures) {
    m_tree.WriteFile("src/a", 3);
    m_tree.WriteFile("src/d/b", 3);
    m_tree.WriteFile("dst/d", 1);  // a file where the source has a folder

    const ProgramResult result = Update({"-q", "-d", Source(), Target()});
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "tolvane-update: cannot create '" + Target() +
                              "/d': an entry that is not a folder is in the way\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(m_tree.Size("dst/a"), 3);
    EXPECT_TRUE(m_tree.Exists("src/d/b"));
}

TEST_F(UpdateCommandTest, UnreadableFolderIsAFailure) {
    m_tree.WriteFile("src/locked/a", 3);
    m_tree.WriteFile("src/open", 3);
    ::chmod(m_tree.Path("src/locked").c_str(), 0);

    const ProgramResult result = UpdateUnprivileged(m_tree, {Source(), Target()});
    EXPECT_EQ(result.err, "tolvane-update: cannot read '" + Source() +
                              "/locked': " + std::strerror(EACCES) + "\n");
    EXPECT_EQ(result.out, "1 file(s) updated.\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(UpdateCommandTest, PathLongerThanPathMaxIsUpdated) {
    // 24 levels of 200-byte names: more than 4800 bytes, beyond PATH_MAX.
    const std::string name(200, 'n');
    m_tree.MakeDir("src");
    int fd = ::open(Source().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 24; ++level) {
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    const int file = ::openat(fd, "bottom", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "abc", 3), 3);
    ::close(file);
    ::close(fd);

    // Two descriptors per level are more than a soft limit of 32: the program raises it.
    const ProgramResult result = UpdateUnderSoftLimit(32, {Source(), Target()});
    EXPECT_EQ(result.out, "1 file(s) updated.\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    fd = ::open(Target().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 24 && fd >= 0; ++level) {
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    struct stat st {};
    EXPECT_EQ(::fstatat(fd, "bottom", &st, 0), 0);
    EXPECT_EQ(st.st_size, 3);
    ::close(fd);
}

TEST_F(UpdateCommandTest, TargetInsideTheSourceIsNotWalkedAgain) {
    m_tree.WriteFile("src/a", 3);
    m_tree.WriteFile("src/d/b", 4);
    const ProgramResult result = Update({Source(), m_tree.Path("src/backup")});
    EXPECT_EQ(result.out, "2 file(s) updated.\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(m_tree.Size("src/backup/d/b"), 4);
    EXPECT_FALSE(m_tree.Exists("src/backup/backup"));
}

TEST_F(UpdateCommandTest, HelpFitsEightyColumnsAndVersionHasTheGnuForm) {
    const ProgramResult help = Update({"--help"});
    EXPECT_THAT(help.out, StartsWith("Usage: tolvane-update [OPTION]... SOURCE TARGET\n"));
    for (const std::string& line : Lines(help.out)) {
        EXPECT_LT(line.size(), 80u) << line;
    }
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.status, 0);

    const ProgramResult version = Update({"-V"});
    EXPECT_THAT(version.out,
                StartsWith(std::string("tolvane-update (Tolvane) ") + version::kVersion + "\n"));
    EXPECT_EQ(version.status, 0);
}

TEST_F(UpdateCommandTest, ProgressIsDrawnAtTheFirstEntry) {
    m_tree.WriteFile("src/a", 3);
    const ProgramResult result = Update({"--progress", Source(), Target()});
    EXPECT_THAT(result.err, StartsWith("\r1 entries, 0 copied, ")) << "not after a delay";
    EXPECT_EQ(result.out, "1 file(s) updated.\n");
}

TEST_F(UpdateCommandTest, AReportThatCannotBeWrittenIsAFailure) {
    m_tree.WriteFile("src/a", 3);
    ProgramOptions options;
    options.stdoutPath = "/dev/full";
    const ProgramResult result = Update({Source(), Target()}, options);
    EXPECT_EQ(result.err, std::string("tolvane-update: cannot write the report: ") +
                              std::strerror(ENOSPC) + "\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(m_tree.Size("dst/a"), 3);
}

class StopSignalTest : public UpdateCommandTest, public testing::WithParamInterface<int> {};

TEST_P(StopSignalTest, FirstSignalEndsTheRunAfterTheEntryInHand) {
    constexpr int kFiles = 300;
    const std::string padding(200, 'p');  // long lines fill the pipe after a few files
    for (int i = 0; i < kFiles; ++i) {
        m_tree.WriteFile("src/f" + std::to_string(i) + padding, 1 + i % 7);
    }
    // A small pipe that the test stops reading holds the program back, so the signal
    // arrives while most of the tree is still to be walked.
    ProgramOptions options;
    options.stdoutPipeSize = 4096;
    ChildProcess child(kBinary, {"-v", Source(), Target()}, options);
    ASSERT_TRUE(child.WaitForOutput("copy ", std::chrono::seconds(10)));
    child.Signal(GetParam());
    const ProgramResult result = child.Finish();

    EXPECT_EQ(result.status, 130);
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_FALSE(lines.empty());
    const size_t copies = CountStartingWith(lines, "copy ");
    EXPECT_EQ(lines.back(), std::to_string(copies) + " file(s) updated.");
    EXPECT_THAT(lines.end()[-2], testing::EndsWith(", then stopped."));
    EXPECT_GT(copies, 0u);
    EXPECT_LT(copies, static_cast<size_t>(kFiles));
    size_t copied = 0;
    for (const auto& entry : fs::directory_iterator(Target())) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(m_tree.Size("dst/" + name), m_tree.Size("src/" + name)) << name;
        ++copied;
    }
    EXPECT_EQ(copied, copies);
}

// A signal that the parent set to be ignored (nohup, a shell's background job) stays ignored.
TEST_F(UpdateCommandTest, AnIgnoredSignalDoesNotStopTheRun) {
    constexpr int kFiles = 100;
    const std::string padding(200, 'p');
    for (int i = 0; i < kFiles; ++i) {
        m_tree.WriteFile("src/f" + std::to_string(i) + padding, 1);
    }
    ProgramOptions options;
    options.stdoutPipeSize = 4096;
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGINT, &ignore, &previous);
    ChildProcess child(kBinary, {"-v", Source(), Target()}, options);
    ::sigaction(SIGINT, &previous, nullptr);
    ASSERT_TRUE(child.WaitForOutput("copy ", std::chrono::seconds(10)));
    child.Signal(SIGINT);
    const ProgramResult result = child.Finish();
    EXPECT_EQ(result.status, 0);
    EXPECT_THAT(result.out,
                testing::EndsWith("\n" + std::to_string(kFiles) + " file(s) updated.\n"));
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const testing::TestParamInfo<int>& info) {
                             return sigabbrev_np(info.param);
                         });

// True while the process holds path open.
bool HoldsOpen(pid_t pid, const std::string& path) {
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        if (fs::read_symlink(fd.path(), error) == path) {
            return true;
        }
    }
    return false;
}

// Catches the program in the middle of copying path and stops it there (SIGSTOP); false when
// the program never opened path or finished it before it could be stopped.
bool StopDuringCopy(const ChildProcess& child, const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!HoldsOpen(child.Pid(), path)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    child.Signal(SIGSTOP);
    return HoldsOpen(child.Pid(), path);
}

// The abandoned copy is kept and the next run finishes it from where it stopped, leaving
// nothing but the file.
TEST_F(UpdateCommandTest, SecondSignalAbandonsTheCopyInHandAndTheNextRunResumesIt) {
    // Dense data, so that the copy cannot skip holes and takes a while.
    m_tree.WriteFile("src/big", off_t{128} << 20);
    ProgramResult result;
    for (int attempt = 0; attempt < 5 && result.status == -1; ++attempt) {
        fs::remove_all(Target());
        ChildProcess child(kBinary, {Source(), Target()});
        // Stopped once some data is written, so that there is a part to keep.
        const std::string partial = Target() + "/.big.tolvane-partial";
        std::error_code error;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (fs::file_size(partial, error) == 0 || error) {
            if (std::chrono::steady_clock::now() > deadline) {
                break;
            }
        }
        if (!StopDuringCopy(child, Source() + "/big")) {
            continue;
        }
        // Two different signals, so that both are pending when the program runs again.
        child.Signal(SIGINT);
        child.Signal(SIGTERM);
        child.Signal(SIGCONT);
        result = child.Finish();
    }

    EXPECT_EQ(result.status, 130);
    EXPECT_EQ(result.out, "0 file(s) updated.\n");
    EXPECT_THAT(result.err, testing::EndsWith("the update was stopped during the copy; the part "
                                              "copied is kept for the next run to resume\n"));
    EXPECT_FALSE(m_tree.Exists("dst/big")) << "no name shows the unfinished copy";

    const ProgramResult rerun = Update({"-v", Source(), Target()});
    EXPECT_EQ(rerun.status, 0);
    EXPECT_THAT(rerun.out, StartsWith("resume " + Source() + "/big -> " + Target() + "/big at "));
    EXPECT_THAT(rerun.out, testing::HasSubstr(" of 128.0 MiB\nCopied "));
    EXPECT_THAT(rerun.out, testing::HasSubstr(" resumed).\n"));
    EXPECT_EQ(m_tree.Read("dst/big"), m_tree.Read("src/big"));
    EXPECT_EQ(std::distance(fs::directory_iterator(Target()), {}), 1) << "no leftover";
}

}  // namespace
}  // namespace tolvane::test
