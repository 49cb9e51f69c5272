#include "ReportLines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace tolvane {
namespace {

struct ActionRow {
    const char* name;
    WalkEvent event;
    std::string line;
};

void PrintTo(const ActionRow& row, std::ostream* out) {
    *out << row.name;
}

class FormatActionTest : public testing::TestWithParam<ActionRow> {};

TEST_P(FormatActionTest, OneLinePerAction) {
    EXPECT_EQ(FormatAction(GetParam().event), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatActionTest,
    testing::Values(ActionRow{"MakeDir", {WalkAction::MakeDir, "", "t/sub", ""}, "mkdir t/sub"},
                    ActionRow{"Copy", {WalkAction::Copy, "s/a", "t/a", ""}, "copy s/a -> t/a"},
                    ActionRow{"Link", {WalkAction::Link, "s/l", "t/l", ""}, "link s/l -> t/l"},
                    ActionRow{"Delete", {WalkAction::Delete, "s/a", "", ""}, "delete s/a"},
                    ActionRow{"Skip",
                              {WalkAction::Skip, "s/p", "", "not a regular file"},
                              "skip s/p: not a regular file"},
                    ActionRow{"EscapedNames",
                              {WalkAction::Copy, "s/\xff\n", "t/\xff\n", ""},
                              "copy s/\\xff\\n -> t/\\xff\\n"}),
    [](const testing::TestParamInfo<ActionRow>& info) { return info.param.name; });

struct FailureRow {
    const char* name;
    WalkFailure failure;
    std::string line;
};

void PrintTo(const FailureRow& row, std::ostream* out) {
    *out << row.name;
}

class FormatFailureTest : public testing::TestWithParam<FailureRow> {};

TEST_P(FormatFailureTest, OneLinePerFailure) {
    EXPECT_EQ(FormatFailure(GetParam().failure), GetParam().line);
}

const std::string kNoSpace = std::strerror(ENOSPC);

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatFailureTest,
    testing::Values(FailureRow{"CopyWithErrno",
                               {FailedOperation::Copy, "s/a", "t/a", ENOSPC, ""},
                               "tolvane-update: cannot copy 's/a' to 't/a': " + kNoSpace},
                    FailureRow{"CreateWithReason",
                               {FailedOperation::Create, "", "t/d", 0, "an entry is in the way"},
                               "tolvane-update: cannot create 't/d': an entry is in the way"},
                    FailureRow{
                        "DeleteWithBoth",
                        {FailedOperation::Delete, "s/a", "", ENOSPC, "after the sync"},
                        "tolvane-update: cannot delete 's/a': after the sync (" + kNoSpace + ")"},
                    FailureRow{"ReadEscaped",
                               {FailedOperation::Read, "s/\x80'", "", ENOSPC, ""},
                               "tolvane-update: cannot read 's/\\x80\\'': " + kNoSpace}),
    [](const testing::TestParamInfo<FailureRow>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvane
