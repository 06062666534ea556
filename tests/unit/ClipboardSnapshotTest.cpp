// Saving and restoring the user's clipboard around Quillet's own use of it.
#include <gmock/gmock.h>

#include "core/ClipboardSnapshot.h"
#include "platform/fake/FakeClipboard.h"

using namespace quillet;

namespace {

const ClipboardItem styled{{"text/plain;charset=utf-8", "Hello"}, {"text/html", "<b>Hello</b>"}};
const ClipboardItem fileA{{"text/uri-list", "file:///tmp/a"}};
const ClipboardItem fileB{{"text/uri-list", "file:///tmp/b"}, {"x-special/gnome-copied-files", "copy\n"}};

/// The user's clipboard holds `styled`.
class ClipboardSnapshotTest : public testing::Test {
protected:
    ClipboardSnapshotTest() { board.write({styled}); }
    FakeClipboard board;
};

}  // namespace

TEST_F(ClipboardSnapshotTest, RestoresEveryItemAndTypeInOrderAndCanRestoreTwice) {
    const ClipboardSnapshot one = ClipboardSnapshot::capture(board);
    board.write({fileA, fileB});
    const ClipboardSnapshot two = ClipboardSnapshot::capture(board);

    board.copyText("something else");
    EXPECT_TRUE(one.restore(board));
    EXPECT_EQ(board.contents, QList<ClipboardItem>{styled});

    EXPECT_TRUE(two.restore(board));
    EXPECT_EQ(board.contents, (QList<ClipboardItem>{fileA, fileB}));
    board.copyText("again");
    EXPECT_TRUE(two.restore(board));
    EXPECT_EQ(board.contents, (QList<ClipboardItem>{fileA, fileB}));
}

TEST_F(ClipboardSnapshotTest, AnEmptyClipboardComesBackEmpty) {
    board.clear();
    ClipboardSnapshot snapshot = ClipboardSnapshot::capture(board);
    EXPECT_TRUE(snapshot.items.isEmpty());
    snapshot.lendText(board, "borrowed");
    EXPECT_TRUE(snapshot.restore(board));
    EXPECT_TRUE(board.contents.isEmpty());
}

TEST_F(ClipboardSnapshotTest, TheAnswerToACopyIsNotMistakenForTheUsers) {
    ClipboardSnapshot snapshot = ClipboardSnapshot::capture(board);
    snapshot.lendForCopy(board);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{styled}) << "left as it is until the copy comes";

    board.copyText("the selection");  // the active application answers Control+C
    EXPECT_TRUE(snapshot.holdsBorrowedContents(board));
    snapshot.settle(board);
    EXPECT_TRUE(snapshot.restore(board));
    EXPECT_EQ(board.contents, QList<ClipboardItem>{styled});
}
