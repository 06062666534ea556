// A paste under way when something else happens: another program copies before the application
// read Quillet's text, or the program is told to end. Nothing of another program's copy stays in
// the field, and the user's clipboard comes back.
#include "CoreTestSupport.h"
#include "core/PartialReplacement.h"
#include "core/PasteWatch.h"

using namespace quillet;
using namespace std::chrono_literals;
using Strategy = TextIO::Strategy;

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
