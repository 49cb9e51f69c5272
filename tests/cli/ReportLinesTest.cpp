#include "ReportLines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace tolvane {
namespace {

struct ActionRow {
    WalkEvent event;
    std::string line;
};

void PrintTo(const ActionRow& row, std::ostream* out) {
    *out << row.line;
}

class FormatActionTest : public testing::TestWithParam<ActionRow> {};

TEST_P(FormatActionTest, OneLinePerAction) {
    EXPECT_EQ(FormatAction(GetParam().event), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatActionTest,
    testing::Values(ActionRow{{WalkAction::MakeDir, "", "t/sub", ""}, "mkdir t/sub"},
                    ActionRow{{WalkAction::Copy, "s/a", "t/a", ""}, "copy s/a -> t/a"},
                    ActionRow{{WalkAction::Link, "s/l", "t/l", ""}, "link s/l -> t/l"},
                    ActionRow{{WalkAction::Delete, "s/a", "", ""}, "delete s/a"},
                    ActionRow{{WalkAction::Skip, "s/p", "", "not a regular file"},
                              "skip s/p: not a regular file"},
                    ActionRow{{WalkAction::Copy, "s/\xff\n", "t/\xff\n", ""},
                              "copy s/\\xff\\n -> t/\\xff\\n"}));

struct FailureRow {
    WalkFailure failure;
    std::string line;
};

void PrintTo(const FailureRow& row, std::ostream* out) {
    *out << row.line;
}

class FormatFailureTest : public testing::TestWithParam<FailureRow> {};

TEST_P(FormatFailureTest, OneLinePerFailure) {
    EXPECT_EQ(FormatFailure(GetParam().failure), GetParam().line);
}

const std::string kNoSpace = std::strerror(ENOSPC);

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatFailureTest,
    testing::Values(FailureRow{{FailedOperation::Copy, "s/a", "t/a", ENOSPC, ""},
                               "tolvane-update: cannot copy 's/a' to 't/a': " + kNoSpace},
                    FailureRow{{FailedOperation::Create, "", "t/d", 0, "an entry is in the way"},
                               "tolvane-update: cannot create 't/d': an entry is in the way"},
                    FailureRow{
                        {FailedOperation::Delete, "s/a", "", ENOSPC, "after the sync"},
                        "tolvane-update: cannot delete 's/a': after the sync (" + kNoSpace + ")"},
                    FailureRow{{FailedOperation::Read, "s/\x80'", "", ENOSPC, ""},
                               "tolvane-update: cannot read 's/\\x80\\'': " + kNoSpace}));

TEST(FormatSummaryTest, DeletionLineOnlyWhenAskedFor) {
    EXPECT_EQ(FormatSummary(3, 0, false), "3 file(s) updated.\n");
    EXPECT_EQ(FormatSummary(0, 0, true), "0 source file(s) deleted.\n0 file(s) updated.\n");
    EXPECT_EQ(FormatSummary(12, 5, true), "5 source file(s) deleted.\n12 file(s) updated.\n");
}

}  // namespace
}  // namespace tolvane
