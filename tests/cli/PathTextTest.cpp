#include "PathText.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

struct EscapeRow {
    const char* name;
    std::string path;
    std::string escaped;
    std::string quoted;
};

void PrintTo(const EscapeRow& row, std::ostream* out) {
    *out << row.name;
}

class PathTextTest : public testing::TestWithParam<EscapeRow> {};

TEST_P(PathTextTest, EscapesAndQuotes) {
    EXPECT_EQ(EscapePath(GetParam().path), GetParam().escaped);
    EXPECT_EQ(QuotePath(GetParam().path), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PathTextTest,
    testing::Values(
        EscapeRow{"Plain", "/tmp/a b/c.txt", "/tmp/a b/c.txt", "'/tmp/a b/c.txt'"},
        EscapeRow{"Empty", "", "", "''"},
        // Valid UTF-8 passes unchanged, Chinese and 4-byte sequences alike.
        EscapeRow{"Utf8", "說明/\xF0\x9F\x93\x81", "說明/\xF0\x9F\x93\x81",
                  "'說明/\xF0\x9F\x93\x81'"},
        // Bytes that are no UTF-8: stray continuation, 0xFF, a cut-off sequence.
        EscapeRow{"NoUtf8", "bad\x80\xff", "bad\\x80\\xff", "'bad\\x80\\xff'"},
        EscapeRow{"CutSequence", "cut\xE8\xAA", "cut\\xe8\\xaa", "'cut\\xe8\\xaa'"},
        // Overlong "/" and an encoded surrogate are refused byte by byte.
        EscapeRow{"Overlong", "\xC0\xAF", "\\xc0\\xaf", "'\\xc0\\xaf'"},
        EscapeRow{"Surrogate", "\xED\xA0\x80", "\\xed\\xa0\\x80", "'\\xed\\xa0\\x80'"},
        // Controls cannot break the line or drive the terminal.
        EscapeRow{"CEscapes", "new\nline\ttab\r", "new\\nline\\ttab\\r", "'new\\nline\\ttab\\r'"},
        EscapeRow{"Controls", "esc\x1b[2J\x7f", "esc\\x1b[2J\\x7f", "'esc\\x1b[2J\\x7f'"},
        EscapeRow{"C1Control", "c1\xC2\x9B", "c1\\xc2\\x9b", "'c1\\xc2\\x9b'"},
        // Backslash and, inside quotes, the quote are escaped so the bytes can be recovered.
        EscapeRow{"Backslash", "a\\x80", "a\\\\x80", "'a\\\\x80'"},
        EscapeRow{"Quote", "it's", "it's", "'it\\'s'"}),
    [](const testing::TestParamInfo<EscapeRow>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvane
