// The loan of keys and the clipboard around a write: renewed at the choice, ended only once the
// paste is taken and the user's clipboard is back, and at once when the panel goes unused.
#include "CoreTestSupport.h"
#include "core/WriteGrant.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::ElementsAre;

namespace {

class WriteGrantTest : public test::EditorTest {
protected:
    WriteGrant grant{keys, io};
};

}  // namespace

TEST_F(WriteGrantTest, APasteKeepsTheLoanUntilTheUsersClipboardIsBack) {
    // A field that cannot be read, where nothing tells when the paste is taken: the write counts
    // once sent, and the user's clipboard comes back a moment later.
    FakeEditor& e = editor("old");
    FakeAccessibility::data(e.element).copyFailures[Property::value] = AccessError::cannotComplete;
    board.watchesPastes = false;
    std::optional<QList<ClipboardItem>> clipboardAtEnd;
    keys.onEndGrant = [&] { clipboardAtEnd = board.contents; };

    grant.chosen();
    EXPECT_THAT(keys.grantCalls, ElementsAre("renew")) << "renewed before anything is written";
    bool written = false;
    io.replace(fieldOf(e.element), "new", false, [&](const TextIO::Outcome&) {
        written = true;
        grant.settled();
    });
    grant.dismissed();  // the panel closes as the write starts
    scheduler.advance(TextIO::pasteDelay);
    ASSERT_TRUE(written);
    EXPECT_THAT(keys.presses, ElementsAre("selectAll", "paste"));
    EXPECT_THAT(keys.grantCalls, ElementsAre("renew")) << "kept until the clipboard is back";
    scheduler.advance(TextIO::restoreDelay + TextIO::readBackInterval);
    EXPECT_THAT(keys.grantCalls, ElementsAre("renew", "end"));
    EXPECT_EQ(clipboardAtEnd, QList<ClipboardItem>{userItem}) << "ended after the restore, not before";
}

TEST_F(WriteGrantTest, APanelDismissedOrRefusedEndsTheLoanAndAnUndoOfOursRenewsIt) {
    grant.dismissed();
    EXPECT_THAT(keys.grantCalls, ElementsAre("end")) << "nothing chosen: no write is coming";

    // A choice the write refused (the field changed): the panel stays, and its dismissal ends it.
    keys.grantCalls.clear();
    grant.chosen();
    grant.refused();
    grant.dismissed();
    EXPECT_THAT(keys.grantCalls, ElementsAre("renew", "end"));

    // An accessibility write settles at once; the Undo in a notice of ours renews first.
    keys.grantCalls.clear();
    grant.settled();
    scheduler.runPending();
    bool undone = false;
    grant.chosenFirst([&] {
        EXPECT_THAT(keys.grantCalls, ElementsAre("end", "renew"));
        undone = true;
    })();
    EXPECT_TRUE(undone);
}
