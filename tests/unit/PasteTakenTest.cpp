// When a paste counts as taken, so that the user's clipboard may come back: applications that ask for
// the text more than once or late (browser engines), a clipboard manager asking first, a field that
// shows the text only a while after asking; and one paste key for each write, Undo included. Then a
// paste under way when something else happens: another program copies before the application read
// Quillet's text, or the program is told to end. Nothing of another program's copy stays in the
// field, and the user's clipboard comes back. Last, the loan of keys and the clipboard around a
// write: renewed at the choice, ended only once the paste is taken and the user's clipboard is back,
// and at once when the panel goes unused.
#include "CoreTestSupport.h"
#include "core/PartialReplacement.h"
#include "core/PasteWatch.h"
#include "core/WriteGrant.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::ElementsAre;
using Strategy = TextIO::Strategy;

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

namespace {

class PasteRaceTest : public test::EditorTest {
protected:
    void replace(const FocusedField& field, const QString& text, bool selectionOnly) {
        io.replace(field, text, selectionOnly, record());
    }
    void paste(const QString& text) { io.pasteReplacement(text, PasteTarget{editorPid}, {}); }
    // Another program copies while our paste waits for the frozen editor, which then pastes that
    // copy as `taken`; ours must end up over it, as `mended`, and that copy on the clipboard.
    void anotherCopyComesIn(FakeEditor& e, const QString& taken, const QString& mended) {
        scheduler.advance(TextIO::pasteDelay + TextIO::writeCheckTimeout * 2 + 10ms);
        board.copyText("s3cret copied meanwhile");
        e.wake();
        EXPECT_EQ(e.text(), taken);
        scheduler.advance(TextIO::lostPasteSettle + 3s);
        EXPECT_EQ(e.text(), mended);
        ASSERT_EQ(road(), Strategy::clipboard);
        EXPECT_TRUE(outcome->anotherCopyKept);
        EXPECT_EQ(board.plainText(), "s3cret copied meanwhile");
        outcome.reset();
    }
};

}  // namespace

// Another program copies (a password manager, say) after the keys went out but before the
// application read the clipboard: the application pastes that copy. It never stays in the field:
// once it is in, the whole text is selected and ours pasted over it, and that program's copy is what
// the clipboard holds afterwards.
TEST_F(PasteRaceTest, AnotherProgramsCopyPastedInOurPlaceIsPastedOver) {
    for (const bool readable : {false, true}) {
        SCOPED_TRACE(readable ? "a field that reads back" : "a field that cannot be read");
        FakeEditor& e = pasteOnlyEditor("Their is a mistak.");
        if (!readable)
            FakeAccessibility::data(e.element).copyFailures[Property::value] = AccessError::cannotComplete;
        e.frozen = true;
        replace(fieldOf(e.element), "There is a mistake.", false);
        anotherCopyComesIn(e, "s3cret copied meanwhile", "There is a mistake.");
    }
}

// The same on the shortcut's road, a paste over the selection of a field that cannot be read: what
// the application pasted is selected back and ours goes over it. Where that copy cannot be found
// selected, nothing more is pasted.
TEST_F(PasteRaceTest, AnotherProgramsCopyPastedOverASelectionIsSelectedBackAndPastedOver) {
    FakeEditor& e = editor("Keep this. Their is a mistak. Keep that.");
    e.select(11, 18);
    e.frozen = true;
    std::optional<bool> sent;
    io.pasteReplacement("There is a mistake.", PasteTarget{editorPid}, [&](bool s) { sent = s; });
    scheduler.advance(TextIO::pasteDelay + 10ms);
    board.copyText("s3cret copied meanwhile");
    e.wake();
    EXPECT_EQ(e.text(), "Keep this. s3cret copied meanwhile Keep that.");
    scheduler.advance(TextIO::lostPasteSettle + 3s);
    EXPECT_EQ(e.text(), "Keep this. There is a mistake. Keep that.");
    EXPECT_EQ(sent, true);
    EXPECT_EQ(board.plainText(), "s3cret copied meanwhile");
}

// The same over a part of a field that reads back, the checked part of a long text or the
// selection: the other copy is found by the text around it, selected, and ours pasted over it.
TEST_F(PasteRaceTest, AnotherProgramsCopyPastedOverAPartIsPastedOver) {
    for (const bool checkedPart : {true, false}) {
        SCOPED_TRACE(checkedPart ? "the checked part of a text" : "the selection");
        FakeEditor& e = pasteOnlyEditor("Keep this. Their is a mistak. Keep that.");
        e.frozen = true;
        if (checkedPart) {
            io.replaceRange(fieldOf(e.element), PartialReplacement{"Their is a mistak.", " Keep that."}, 11,
                            "There is a mistake.", record());
        } else {
            e.select(11, 18);
            replace(fieldOf(e.element), "There is a mistake.", true);
        }
        anotherCopyComesIn(e, "Keep this. s3cret copied meanwhile Keep that.",
                           "Keep this. There is a mistake. Keep that.");
    }
}

// The program ends (Quit, or a SIGTERM) while a paste is under way: the end waits for the
// application to take it, then the user's clipboard is back; one that never takes it gets the
// user's clipboard back at the limit, not the text Quillet lent.
TEST_F(PasteRaceTest, TheEndWaitsForAPasteUnderWayThenGivesTheClipboardBack) {
    FakeEditor& e = editor("old");
    e.select(0, 3);
    e.frozen = true;
    paste("new");
    scheduler.advance(TextIO::pasteDelay + 10ms);
    bool ended = false;
    io.settle(TextIO::settleLimit, [&] { ended = true; });
    EXPECT_FALSE(ended);
    EXPECT_EQ(board.plainText(), "new");
    e.wake();
    scheduler.advance(PasteWatch::quietTime + 2 * TextIO::readBackInterval);
    EXPECT_TRUE(ended);
    EXPECT_EQ(e.text(), "new");
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    e.frozen = true;
    e.select(0, 3);
    paste("newer");
    scheduler.advance(TextIO::pasteDelay + 10ms);
    ended = false;
    io.settle(TextIO::settleLimit, [&] { ended = true; });
    scheduler.advance(TextIO::settleLimit + TextIO::readBackInterval);
    EXPECT_TRUE(ended);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    ended = false;
    io.settle(TextIO::settleLimit, [&] { ended = true; });
    EXPECT_TRUE(ended) << "nothing under way: at once";
}

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
