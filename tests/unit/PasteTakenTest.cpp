// When a paste counts as taken, so that the user's clipboard may come back: applications that ask for
// the text more than once or late (browser engines), a clipboard manager asking first, a field that
// shows the text only a while after asking; and one paste key for each write, Undo included.
#include "CoreTestSupport.h"
#include "core/PasteWatch.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::Each;
using testing::ElementsAre;

namespace {

constexpr qint32 managerPid = 900;

class PasteTakenTest : public test::EditorTest {
protected:
    /// What each read of the clipboard by the application got.
    QStringList fetched;
    /// Reads the clipboard as process `by` does, now, keeping what it got.
    void fetch(qint32 by = editorPid) { fetched << board.paste(by).value_or("<nothing>"); }
};

}  // namespace

// A browser engine reads the clipboard for the paste, and again a little later (its own checks, a
// second format): both reads get Quillet's text, and the clipboard comes back only once it is quiet.
TEST_F(PasteTakenTest, AnEngineAskingTwiceOrLateGetsTheTextEachTime) {
    keys.onPress = [&](const QString& key) {
        if (key != "paste")
            return;
        scheduler.after(40ms, [&] { fetch(); });
        scheduler.after(40ms + PasteWatch::quietTime - 10ms, [&] { fetch(); });
    };
    std::optional<bool> sent;
    io.pasteReplacement("chosen", PasteTarget{editorPid}, [&](bool s) { sent = s; });
    scheduler.advance(TextIO::pasteDelay + 40ms + PasteWatch::quietTime);
    EXPECT_THAT(fetched, ElementsAre("chosen", "chosen"));
    EXPECT_EQ(board.plainText(), "chosen") << "the last read is not a quiet moment ago yet";
    scheduler.advance(PasteWatch::quietTime + TextIO::readBackInterval);
    EXPECT_EQ(sent, true);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
    EXPECT_EQ(keys.presses.count("paste"), 1);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

// A clipboard manager copies whatever goes on the clipboard at once; the application, busy, reads it
// a second later. The manager's read is no paste: the application still gets Quillet's text.
TEST_F(PasteTakenTest, AClipboardManagersReadIsNotThePaste) {
    FakeEditor& e = editor("old");
    e.select(0, 3);
    e.frozen = true;
    keys.onPress = [&, editorKeys = keys.onPress](const QString& key) {
        if (key == "paste")
            fetch(managerPid);
        editorKeys(key);
    };
    std::optional<bool> sent;
    io.pasteReplacement("new", PasteTarget{editorPid}, [&](bool s) { sent = s; });
    scheduler.advance(TextIO::pasteDelay + 1s);
    EXPECT_THAT(fetched, ElementsAre("new"));
    EXPECT_EQ(board.plainText(), "new") << "still lent: the application has not read it";
    e.wake();
    EXPECT_EQ(e.text(), "new");
    scheduler.advance(PasteWatch::quietTime + TextIO::readBackInterval);
    EXPECT_EQ(sent, true);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    // Where the backend cannot tell who asked, every read counts, as before.
    fetched.clear();
    e.select(0, 3);
    e.frozen = false;
    keys.onPress = [&, editorKeys = keys.onPress](const QString& key) {
        if (key == "paste")
            fetch(0);
        editorKeys(key);
    };
    io.pasteReplacement("newer", PasteTarget{editorPid});
    scheduler.advance(TextIO::pasteDelay + PasteWatch::quietTime);
    EXPECT_EQ(e.text(), "newer");
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
}

// A field that can be read: its application asks for the text at once (checking what is offered)
// but pastes it only a while later. The clipboard stays lent until the field shows the text.
TEST_F(PasteTakenTest, AReadableFieldCountsOnceItShowsTheTextNotWhenItAsks) {
    FakeEditor& e = pasteOnlyEditor("Their is a mistak.");
    keys.onPress = [&, editorKeys = keys.onPress](const QString& key) {
        if (key != "paste") {
            editorKeys(key);
            return;
        }
        fetch();
        scheduler.after(400ms, [editorKeys, key] { editorKeys(key); });
    };
    io.replace(fieldOf(e.element), "There is a mistake.", false, record());
    scheduler.advance(2s);
    ASSERT_EQ(road(), TextIO::Strategy::clipboard);
    EXPECT_TRUE(outcome->confirmed);
    EXPECT_EQ(e.text(), "There is a mistake.") << "not the user's copy pasted over the text";
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
    EXPECT_EQ(keys.presses.count("selectAll"), 1);
    EXPECT_EQ(keys.presses.count("paste"), 1);
}

// Firefox answers nothing else while it fetches the text of a paste, and waits a second for it;
// Quillet, blocked on a read of the field meanwhile, could not hand the text over, and Firefox would
// paste nothing over the selected words. The field is read only once the text was fetched; where it
// never is, the write still ends when it did.
TEST_F(PasteTakenTest, TheFieldIsNotReadWhileTheApplicationFetchesThePaste) {
    FakeEditor& e = pasteOnlyEditor("Their is a mistak.");
    bool fetching = false, lentWhileFetching = false;
    int readsWhileFetching = 0;
    ax.onCopy = [&](const Accessible& element, Property) {
        readsWhileFetching += fetching && element == e.element;
    };
    keys.onPress = [&, editorKeys = keys.onPress](const QString& key) {
        if (key != "paste") {
            editorKeys(key);
            return;
        }
        fetching = true;
        lentWhileFetching = io.lendsClipboard();
        scheduler.after(300ms, [&, editorKeys, key] {
            fetching = false;
            editorKeys(key);
        });
    };
    io.replace(fieldOf(e.element), "There is a mistake.", false, record());
    scheduler.advance(2s);
    EXPECT_EQ(readsWhileFetching, 0);
    EXPECT_TRUE(lentWhileFetching) << "what the focus monitor holds its ticks for";
    EXPECT_FALSE(io.lendsClipboard());
    ASSERT_EQ(road(), TextIO::Strategy::clipboard);
    EXPECT_TRUE(outcome->confirmed);
    EXPECT_EQ(e.text(), "There is a mistake.");
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    FakeEditor& deaf = pasteOnlyEditor("Their is a mistak.");
    deaf.ignoresPaste = true;
    ax.onCopy = nullptr;
    io.replace(fieldOf(deaf.element), "There is a mistake.", false, record());
    scheduler.advance(TextIO::writeCheckTimeout * 2 + TextIO::pasteDelay + TextIO::pasteCheckTimeout + 200ms);
    EXPECT_EQ(road(), noRoad) << "no longer than the longest wait for a paste to show";
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
}

// Undo in a field that cannot be read pastes the original back over the selected text, with the
// clipboard lent again: it comes back after each Undo, as after each write.
TEST_F(PasteTakenTest, EveryWriteAndUndoPastesOnceAndGivesTheClipboardBack) {
    FakeEditor& e = editor("Their is a mistak.");
    e.select(0, e.text().size());
    std::optional<bool> sent;
    for (int round = 0; round < 3; ++round) {
        io.pasteReplacement("There is a mistake.", PasteTarget{editorPid}, [&](bool s) { sent = s; });
        scheduler.advance(2s);
        ASSERT_EQ(sent, true);
        EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
        io.undoPaste(PasteTarget{editorPid}, "There is a mistake.", "Their is a mistak.",
                     [&](bool s) { sent = s; });
        scheduler.advance(2s);
        ASSERT_EQ(sent, true);
        EXPECT_EQ(e.text(), "Their is a mistak.");
        EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem}) << "round " << round;
        e.select(0, e.text().size());
    }
    EXPECT_EQ(keys.presses.count("paste"), 6);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}
