#include "ProgressLine.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>
#include <functional>
#include <thread>

#include "ConsoleContext.h"

namespace tolvane {
namespace {

// The progress line measures in the user's locale; these tests take a UTF-8 one.
class Utf8Locale : public testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
    void TearDown() override { std::setlocale(LC_CTYPE, "C"); }
};

struct ProgressRow {
    const char* name;
    ProgressCounts counts;
    double seconds;
    std::string path;
    size_t width;
    std::string line;
};

void PrintTo(const ProgressRow& row, std::ostream* out) {
    *out << row.name;
}

class FormatProgressTest : public Utf8Locale, public testing::WithParamInterface<ProgressRow> {};

TEST_P(FormatProgressTest, FitsTheWidth) {
    const ProgressRow& row = GetParam();
    EXPECT_EQ(FormatProgress(row.counts, row.seconds, row.path, row.width), row.line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatProgressTest,
    testing::Values(ProgressRow{"FileInHand",
                                {7, 1, 3 << 20, 37},
                                2.0,
                                "src/big.iso",
                                79,
                                "7 entries, 1 copied, 3.0 MiB, 1.5 MiB/s, 37% src/big.iso"},
                    // 31 columns of counters and ", " leave 11: five of the start, five of the end.
                    ProgressRow{"PathCutInTheMiddle",
                                {1, 0, 0},
                                1.0,
                                "src/long/folder/name.txt",
                                44,
                                "1 entries, 0 copied, 0 B, 0 B/s, src/l\u2026e.txt"},
                    ProgressRow{"NothingBelowTwentyColumns", {1, 0, 0}, 1.0, "src/a", 19, ""},
                    ProgressRow{"Verifying",
                                {7, 1, 3 << 20, 37, 12, 340},
                                2.0,
                                "src/big.iso",
                                79,
                                "verifying 12/340 files, src/big.iso"},
                    ProgressRow{"VerifyingStarts",
                                {7, 1, 3 << 20, -1, 0, 340},
                                2.0,
                                "src/big.iso",
                                79,
                                "verifying 0/340 files, src/big.iso"}),
    [](const testing::TestParamInfo<ProgressRow>& info) { return info.param.name; });

// Columns as a terminal shows the text, measured apart from the code under test.
int ShownColumns(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const size_t length = std::mbstowcs(wide.data(), text.c_str(), wide.size());
    EXPECT_NE(length, static_cast<size_t>(-1)) << "the line is no longer valid UTF-8";
    return ::wcswidth(wide.c_str(), length);
}

class WidePathTest : public Utf8Locale, public testing::WithParamInterface<const char*> {};

TEST_P(WidePathTest, NeverWiderThanTheTerminalAndKeepsTheFileName) {
    const std::string path = GetParam();
    const ProgressCounts counts{123, 45, 6789012, 12};
    for (size_t width = 20; width <= 80; ++width) {
        const std::string line = FormatProgress(counts, 1.5, path, width);
        EXPECT_LE(ShownColumns(line), static_cast<int>(width)) << line;
        if (width >= 60) {
            EXPECT_TRUE(line.ends_with(".txt")) << line;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, WidePathTest,
                         testing::Values("photos/\U0001F4C1\U0001F4C1\U0001F4C1/holiday/"
                                         "\U0001F305 sunrise over the bay \U0001F305.txt",
                                         "資料/目錄/子目錄/說明書/第二版/說明說明說明說明.txt"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return info.index == 0 ? "Emoji" : "Chinese";
                         });

// What a console context with progress on draws while feed drives it.
std::string Drawn(const std::function<void(ConsoleContext&)>& feed) {
    CommandLine command;
    command.progress = ProgressMode::On;
    std::FILE* err = std::tmpfile();
    const StopSignals stops;
    {
        ConsoleContext context(command, stdout, err, stops);
        feed(context);
    }
    std::string drawn(200, '\0');
    std::rewind(err);
    drawn.resize(std::fread(drawn.data(), 1, drawn.size(), err));
    std::fclose(err);
    return drawn;
}

// Once a batch is read back, the next entry shows the counts again, not the read-back.
TEST(ConsoleProgress, TheEntryAfterAReadBackShowsTheCounts) {
    const std::string drawn = Drawn([](ConsoleContext& context) {
        context.OnVerifyProgress({"s/a", 1, 2});
        std::this_thread::sleep_for(std::chrono::milliseconds(250));  // past the redraw interval
        context.OnEntry("s/b");
    });
    EXPECT_EQ(drawn.substr(drawn.rfind('\r')), "\r1 entries, 0 copied, 0 B, 0 B/s, s/b\x1b[K");
}

// A resumed copy counts only the bytes this run moves, of which the rate is made.
TEST(ConsoleProgress, AResumedCopyCountsOnlyWhatThisRunCopied) {
    const std::string drawn = Drawn([](ConsoleContext& context) {
        context.OnProgress({"s/big", 3 << 20, 4 << 20, 2 << 20});
    });
    EXPECT_NE(drawn.find(" copied, 1.0 MiB, "), std::string::npos) << drawn;
}

}  // namespace
}  // namespace tolvane
