// Entries that are not plain files or folders: never followed, never opened, never mistaken.
#include <gtest/gtest.h>

#include "FileCopier.h"
#include "PartialIndex.h"
#include "RecordingContext.h"
#include "TempTree.h"
#include "UpdateWalk.h"

namespace tolvane::test {
namespace {

TEST(Links, ALinkIsBroughtOverAsALinkAndNeverFollowed) {
    TempTree source;
    TempTree target;
    source.WriteFile("data/f", 10);
    source.MakeLink("up", "..");      // points back up the tree
    source.MakeLink("loop", "loop");  // points at itself
    source.MakeLink("toData", "data");
    RecordingContext context(source.Root(), target.Root());
    UpdateThreadProc(&context);

    EXPECT_EQ(context.summary.failures, 0U);
    EXPECT_EQ(target.LinkText("up"), "..");
    EXPECT_EQ(target.LinkText("loop"), "loop");
    EXPECT_TRUE(target.IsLink("toData"));
    EXPECT_EQ(context.copyCount.load(), 4U);   // data/f and three links
    EXPECT_EQ(context.summary.deletions, 0U);  // a copy, not a move: every link stays
    EXPECT_EQ(context.statuses.size(), 5U);    // nothing behind a link was visited
}

TEST(Links, ALinkIsDeletedOnlyWhenTheTargetHoldsTheSameLink) {
    TempTree source;
    TempTree target;
    source.MakeLink("same", "somewhere");
    source.MakeLink("other", "here");
    source.MakeLink("new", "x");
    // Longer than the first guess at a link's length: the moved link must keep all of it.
    const std::string longText(300, 'L');
    source.MakeLink("long", longText);
    target.MakeLink("same", "somewhere");
    target.MakeLink("other", "there");
    // Files beside them go to the workers: links met while those are in hand move alike.
    for (const char* file : {"a", "b", "c", "d"}) {
        source.WriteFile(file, 10);
    }
    RecordingContext context(source.Root(), target.Root());
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    EXPECT_FALSE(source.Exists("same"));
    EXPECT_TRUE(source.IsLink("other"));
    EXPECT_EQ(target.LinkText("other"), "there");
    EXPECT_FALSE(source.Exists("new"));
    EXPECT_EQ(target.LinkText("new"), "x");
    EXPECT_FALSE(source.Exists("long"));
    EXPECT_EQ(target.LinkText("long"), longText);
    EXPECT_EQ(context.summary.failures, 0U) << "a link with other text is skipped, not tried";
}

TEST(Links, ALinkInTheTargetWhereTheSourceHasAFolderIsNotEntered) {
    TempTree source;
    TempTree target;
    TempTree elsewhere;
    source.WriteFile("d/f", 10);
    target.MakeLink("d", elsewhere.Root());
    RecordingContext context(source.Root(), target.Root());
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    EXPECT_FALSE(elsewhere.Exists("f"));
    EXPECT_TRUE(source.Exists("d/f"));
    EXPECT_EQ(context.summary.failures, 1U);
}

TEST(OtherEntries, AFifoWithoutWriterIsSkippedNotOpened) {
    TempTree source;
    TempTree target;
    source.MakeFifo("pipe");
    source.WriteFile("f", 1);
    // Named as this program names an unfinished copy, or a replaced file moved aside: left
    // alone too.
    source.WriteFile(".g.tolvane-partial", 1);
    source.WriteFile(".h.tolvane-replaced", 1);
    source.WriteFile(FileCopier::RecordNameOf("i"), 1);
    source.WriteFile(PartialIndex::kListName, 1);
    RecordingContext context(source.Root(), target.Root());
    context.deleteFromSource = true;
    UpdateThreadProc(&context);  // would hang for ever if the FIFO were opened

    EXPECT_FALSE(target.Exists("pipe"));
    EXPECT_TRUE(source.Exists("pipe"));
    EXPECT_FALSE(target.Exists(".g.tolvane-partial"));
    EXPECT_TRUE(source.Exists(".g.tolvane-partial"));
    EXPECT_FALSE(target.Exists(".h.tolvane-replaced"));
    EXPECT_FALSE(target.Exists(FileCopier::RecordNameOf("i")));
    EXPECT_FALSE(target.Exists(PartialIndex::kListName));
    EXPECT_EQ(context.summary.failures, 0U);
    EXPECT_TRUE(context.HasStart("skip pipe:"));
}

TEST(OtherEntries, AnEntryOfAnotherKindNeverHoldsASourceFile) {
    TempTree source;
    TempTree target;
    source.WriteFile("name", 0);
    source.WriteFile("pipe", 0);
    target.MakeDir("name");
    target.MakeFifo("pipe");
    RecordingContext context(source.Root(), target.Root());
    context.deleteFromSource = true;
    UpdateThreadProc(&context);

    EXPECT_TRUE(source.Exists("name"));
    EXPECT_TRUE(source.Exists("pipe"));
    EXPECT_TRUE(target.IsDir("name"));
    EXPECT_EQ(context.summary.failures, 2U);
}

TEST(OtherEntries, AFileWhereTheSourceHasAFolderIsAFailure) {
    TempTree source;
    TempTree target;
    source.WriteFile("d/f", 3);
    target.WriteFile("d", 3);
    RecordingContext context(source.Root(), target.Root());
    UpdateThreadProc(&context);
    EXPECT_EQ(context.summary.failures, 1U);
    EXPECT_EQ(target.Size("d"), 3);
}

}  // namespace
}  // namespace tolvane::test
