// The action lines and most failure lines are checked end to end; these are the failure lines
// that a real tree does not readily produce.
#include "ReportLines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace tolvane {
namespace {

const std::string kNoSpace = std::strerror(ENOSPC);

TEST(FormatFailureTest, ReasonAndErrorTogether) {
    EXPECT_EQ(FormatFailure({FailedOperation::Delete, "s/a", "", ENOSPC, "after the sync"}),
              "tolvane-update: cannot delete 's/a': after the sync (" + kNoSpace + ")");
}

TEST(FormatFailureTest, QuoteInsideAQuotedPath) {
    EXPECT_EQ(FormatFailure({FailedOperation::Read, "s/\x80'", "", ENOSPC, ""}),
              "tolvane-update: cannot read 's/\\x80\\'': " + kNoSpace);
}

}  // namespace
}  // namespace tolvane
