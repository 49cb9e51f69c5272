#include "ProgressLine.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

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

class FormatProgressTest : public testing::TestWithParam<ProgressRow> {};

TEST_P(FormatProgressTest, FitsTheWidth) {
    const ProgressRow& row = GetParam();
    EXPECT_EQ(FormatProgress(row.counts, row.seconds, row.path, row.width), row.line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatProgressTest,
    testing::Values(
        ProgressRow{
            "Whole", {10, 2, 512}, 1.0, "src/a", 80, "10 entries, 2 copied, 512 B, 512 B/s, src/a"},
        ProgressRow{"UnitsAndRate",
                    {7, 1, 3 << 20},
                    2.0,
                    "p",
                    80,
                    "7 entries, 1 copied, 3.0 MiB, 1.5 MiB/s, p"},
        ProgressRow{"NoTimeYet", {1, 0, 0}, 0.0, "", 80, "1 entries, 0 copied, 0 B, 0 B/s"},
        // 31 columns of counters, ", ", then the path's tail in the 9 columns left.
        ProgressRow{"PathCutAtItsFront",
                    {1, 0, 0},
                    1.0,
                    "src/long/folder/name.txt",
                    42,
                    "1 entries, 0 copied, 0 B, 0 B/s, \u2026name.txt"},
        // Wide characters take two columns each and are never split.
        ProgressRow{"WideCharacters",
                    {1, 0, 0},
                    1.0,
                    "目錄/說明.txt",
                    42,
                    "1 entries, 0 copied, 0 B, 0 B/s, \u2026說明.txt"},
        ProgressRow{
            "NoRoomForAPath", {1, 0, 0}, 1.0, "src/a", 32, "1 entries, 0 copied, 0 B, 0 B/s"},
        ProgressRow{"CountersCutToo", {1, 0, 0}, 1.0, "src/a", 12, "\u2026 0 B, 0 B/s"}),
    [](const testing::TestParamInfo<ProgressRow>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvane
