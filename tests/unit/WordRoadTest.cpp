// Writing a correction as in-place edits of the changed words: from the end of the text to its
// start, read back, taken back whole where the field takes only part of them, the next road after
// that, and Undo the same way, all on the fake layer and virtual time.
#include "CoreTestSupport.h"
#include "core/PartialReplacement.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::ElementsAre;
using Strategy = TextIO::Strategy;

namespace {

const QString original = QString::fromUtf8("Their is a mistak here, 👋 and teh end.\nSecond lne.");
const QString corrected = QString::fromUtf8("There is a mistake here, 👋 and the end.\nSecond line.");

class WordRoadTest : public test::EditorTest {
protected:
    /// An editor holding `text` that takes in-place edits.
    FakeEditor& editingEditor(const QString& text) {
        FakeEditor& e = editor(text);
        data(e).takesEdits = true;
        return e;
    }
    static FakeElementData& data(const FakeEditor& e) { return FakeAccessibility::data(e.element); }
    void replace(const FakeEditor& e, const QString& text, bool selectionOnly = false) {
        io.replace(fieldOf(e.element), text, selectionOnly, record());
        scheduler.advance(3s);
    }
    void restore(const FakeEditor& e, const TextIO::Outcome& written) {
        io.restore(fieldOf(e.element), written, record());
        scheduler.advance(3s);
    }
    /// Where each edit went, and the field's text right after it.
    QList<qint64> editLocations() const {
        QList<qint64> out;
        for (const auto& call : ax.editCalls)
            out << call.range.location;
        return out;
    }
};

}  // namespace

// Each edit's offsets are those of the text as it stood before any edit: they hold only because
// the edits go from the end. The field's text after each one shows it.
TEST_F(WordRoadTest, EditsGoInFromTheEndOneAtATimeAndAreReadBack) {
    FakeEditor& e = editingEditor(original);
    replace(e, corrected);
    ASSERT_EQ(road(), Strategy::axEdits);
    EXPECT_TRUE(outcome->confirmed);
    EXPECT_EQ(e.text(), corrected);
    EXPECT_THAT(editLocations(), ElementsAre(47, 31, 11, 0));
    ASSERT_EQ(ax.editCalls.size(), 4);
    EXPECT_EQ(ax.editCalls[0].after,
              QString::fromUtf8("Their is a mistak here, 👋 and teh end.\nSecond line."));
    EXPECT_EQ(ax.editCalls[1].after,
              QString::fromUtf8("Their is a mistak here, 👋 and the end.\nSecond line."));
    EXPECT_EQ(ax.editCalls[2].after,
              QString::fromUtf8("Their is a mistake here, 👋 and the end.\nSecond line."));
    EXPECT_TRUE(ax.setCalls.isEmpty()) << "no whole-value write";
    EXPECT_TRUE(keys.presses.isEmpty());
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
    EXPECT_EQ(outcome->before, original);
    EXPECT_EQ(outcome->edits.size(), 4);

    // Over a selection: the edits fall in the selection, in offsets of the whole text.
    FakeEditor& s = editingEditor("Keep this. Their is a wrng word. Keep that.");
    s.select(11, 21);
    ax.editCalls.clear();
    replace(s, "There is a wrong word.", true);
    ASSERT_EQ(road(), Strategy::axEdits);
    EXPECT_EQ(s.text(), "Keep this. There is a wrong word. Keep that.");
    EXPECT_THAT(editLocations(), ElementsAre(22, 11));

    // Over the part of a long text that was checked, after an intro the user typed meanwhile.
    FakeEditor& p = editingEditor("New intro. Teh part that was sent. The rest.");
    ax.editCalls.clear();
    io.replaceRange(fieldOf(p.element), PartialReplacement{"Teh part that was sent.", " The rest."}, 0,
                    "The part that was sent.", record());
    scheduler.advance(3s);
    ASSERT_EQ(road(), Strategy::axEdits);
    EXPECT_EQ(p.text(), "New intro. The part that was sent. The rest.");
    EXPECT_THAT(editLocations(), ElementsAre(11));

    // A rephrasing goes in whole, as before.
    FakeEditor& r = editingEditor("Can you send me the report by Friday?");
    ax.editCalls.clear();
    replace(r, "Please share the report before the end of the week.");
    EXPECT_EQ(road(), Strategy::axValue);
    EXPECT_TRUE(ax.editCalls.isEmpty());
}

// A refused first edit changes nothing: the roads of a field without edits follow, as they were.
// A field that accepts the edits and changes nothing (as some browsers do) is read back and gets the
// next road too.
TEST_F(WordRoadTest, FieldThatRefusesOrIgnoresTheFirstEditGetsTheNextRoad) {
    FakeEditor& e = editingEditor(original);
    data(e).refusedEdits = {1};
    replace(e, corrected);
    ASSERT_EQ(road(), Strategy::axValue);
    EXPECT_EQ(e.text(), corrected);
    ASSERT_EQ(ax.editCalls.size(), 1);
    EXPECT_FALSE(ax.editCalls[0].accepted);

    FakeEditor& deaf = editingEditor(original);
    data(deaf).ignoresEdits = true;
    data(deaf).ignoredWrites << Property::value << Property::selectedText;
    ax.editCalls.clear();
    replace(deaf, corrected);
    ASSERT_EQ(road(), Strategy::clipboard);
    EXPECT_EQ(deaf.text(), corrected);
    EXPECT_EQ(ax.editCalls.size(), 4) << "the edits were sent once, never taken back over nothing";
    EXPECT_THAT(keys.presses, ElementsAre("selectAll", "paste"));
}

// The third edit refused: the two already in are taken back, from the end again, the field reads as
// it was, and the next road writes it corrected, exactly. Undo of that write gives it back exactly.
TEST_F(WordRoadTest, APartlyRefusedCorrectionIsTakenBackBeforeTheNextRoad) {
    FakeEditor& e = editingEditor(original);
    data(e).refusedEdits = {3};
    replace(e, corrected);
    ASSERT_EQ(road(), Strategy::axValue);
    EXPECT_EQ(e.text().toUtf8(), corrected.toUtf8());
    ASSERT_EQ(ax.editCalls.size(), 5);
    EXPECT_FALSE(ax.editCalls[2].accepted);
    EXPECT_EQ(ax.editCalls[4].after.toUtf8(), original.toUtf8()) << "taken back before the whole write";
    EXPECT_TRUE(outcome->edits.isEmpty());

    // Undo: its own edits, the second of them refused and the first taken back; the whole text.
    const TextIO::Outcome written = *outcome;
    data(e).refusedEdits = {data(e).editsAsked + 2};
    ax.editCalls.clear();
    restore(e, written);
    EXPECT_EQ(road(), Strategy::axValue);
    EXPECT_EQ(e.text().toUtf8(), original.toUtf8());
    ASSERT_EQ(ax.editCalls.size(), 3);
    EXPECT_EQ(ax.editCalls[2].after.toUtf8(), corrected.toUtf8());

    // Taking back refused too: the field holds part of the correction, and the whole corrected text
    // goes over it.
    FakeEditor& stuck = editingEditor(original);
    data(stuck).refusesEditsFrom = 2;
    replace(stuck, corrected);
    ASSERT_EQ(road(), Strategy::axValue);
    EXPECT_EQ(stuck.text(), corrected);
}

// Undo of edits: the inverse edits, from the end, read back; refused, the whole text as it was.
TEST_F(WordRoadTest, UndoTakesTheEditsBackTheSameWay) {
    const QString crlf = QStringLiteral("Teh first line.\r\nSecond lne.\r\n");
    for (const bool refuse : {false, true}) {
        SCOPED_TRACE(refuse ? "inverse edits refused" : "inverse edits");
        FakeEditor& e = editingEditor(crlf);
        replace(e, QStringLiteral("The first line.\nSecond line.\n"));
        ASSERT_EQ(road(), Strategy::axEdits);
        EXPECT_EQ(e.text(), "The first line.\r\nSecond line.\r\n")
            << "line breaks kept as the field had them";
        const TextIO::Outcome written = *outcome;
        if (refuse)
            data(e).refusesEditsFrom = data(e).editsAsked + 1;
        ax.editCalls.clear();
        restore(e, written);
        EXPECT_EQ(road(), refuse ? Strategy::axValue : Strategy::axEdits);
        EXPECT_EQ(e.text().toUtf8(), crlf.toUtf8());
        EXPECT_EQ(ax.editCalls.size(), refuse ? 1 : 2);
        if (!refuse) {
            EXPECT_EQ(ax.editCalls[0].range, (TextRange{24, 4}));
        }
    }
}

// A web page's rich-text editor takes no edit in place and ignores whole-text writes, yet lets
// words be selected: each edit is then pasted over its words, from the end, and Undo pastes them
// back the same way. The user's clipboard is back after each paste; only where the words cannot be
// selected does the whole text go over everything. A plain field gets the whole paste, as before.
TEST_F(WordRoadTest, WhereNoEditIsTakenEachIsPastedOverItsWords) {
    FakeEditor& e = pasteOnlyEditor(original);
    ax.set(e.element, Property::richText, true);
    replace(e, corrected);
    ASSERT_EQ(road(), Strategy::clipboard);
    EXPECT_TRUE(outcome->confirmed);
    EXPECT_EQ(e.text(), corrected);
    EXPECT_THAT(keys.presses, ElementsAre("paste", "paste", "paste", "paste")) << "no select-all";
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
    ASSERT_EQ(outcome->edits.size(), 4);

    const TextIO::Outcome written = *outcome;
    keys.presses.clear();
    restore(e, written);
    ASSERT_EQ(road(), Strategy::clipboard);
    EXPECT_EQ(e.text(), original);
    EXPECT_THAT(keys.presses, ElementsAre("paste", "paste", "paste", "paste"));
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    // The words cannot be selected: the whole text goes over everything, once.
    FakeEditor& f = editor(original);
    data(f).ignoredWrites << Property::value << Property::selectedText << Property::selectedTextRange;
    ax.set(f.element, Property::richText, true);
    keys.presses.clear();
    replace(f, corrected);
    ASSERT_EQ(road(), Strategy::clipboard);
    EXPECT_EQ(f.text(), corrected);
    EXPECT_THAT(keys.presses, ElementsAre("selectAll", "paste"));
    EXPECT_TRUE(outcome->edits.isEmpty());

    FakeEditor& plain = pasteOnlyEditor(original);
    keys.presses.clear();
    replace(plain, corrected);
    EXPECT_EQ(plain.text(), corrected);
    EXPECT_THAT(keys.presses, ElementsAre("selectAll", "paste"));
}

// Another program copies while an edit's paste is on its way, and the editor pastes that copy over
// the words: it is found there by the text around it, the edit pasted over it, and the next edits
// go on. That program's copy is what the clipboard holds afterwards.
TEST_F(WordRoadTest, AnotherProgramsCopyPastedOverTheWordsIsPastedOver) {
    FakeEditor& e = pasteOnlyEditor(original);
    ax.set(e.element, Property::richText, true);
    e.frozen = true;
    io.replace(fieldOf(e.element), corrected, false, record());
    scheduler.advance(TextIO::pasteDelay + TextIO::writeCheckTimeout * 2 + 10ms);
    ASSERT_THAT(keys.presses, ElementsAre("paste")) << "one edit on its way, not taken yet";
    board.copyText("s3cret copied meanwhile");
    e.wake();
    EXPECT_TRUE(e.text().endsWith("Second s3cret copied meanwhile.")) << e.text().toStdString();
    scheduler.advance(TextIO::lostPasteSettle + 5s);
    EXPECT_EQ(e.text(), corrected);
    ASSERT_EQ(road(), Strategy::clipboard);
    EXPECT_TRUE(outcome->anotherCopyKept);
    EXPECT_EQ(board.plainText(), "s3cret copied meanwhile");
}

// A browser reads a selection back only once its page has handled it: each edit still goes in over
// its own words, the rest of the text, formatting and all, untouched.
TEST_F(WordRoadTest, WordsSelectedThatReadBackLateStillGetTheirEditsOneByOne) {
    FakeEditor& e = pasteOnlyEditor(original);
    ax.set(e.element, Property::richText, true);
    ax.onSet = [&](const Accessible&, Property attribute, const PropertyValue&) {
        if (attribute != Property::selectedTextRange)
            return;
        data(e).copyFailures[Property::selectedTextRange] = AccessError::cannotComplete;
        scheduler.after(300ms, [&] { data(e).copyFailures.remove(Property::selectedTextRange); });
    };
    replace(e, corrected);
    scheduler.advance(5s);
    ASSERT_EQ(road(), Strategy::clipboard);
    EXPECT_EQ(e.text(), corrected);
    EXPECT_THAT(keys.presses, ElementsAre("paste", "paste", "paste", "paste")) << "no select-all";
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
}

// A busy browser selects the words of an edit but cannot tell so yet when the selection is read:
// the corrected selection that goes in instead lands over the selection the user made, never over
// those words.
TEST_F(WordRoadTest, WordsSelectedButNotReadBackGetNothingOfTheSelectionsText) {
    FakeEditor& e = pasteOnlyEditor(original);
    ax.set(e.element, Property::richText, true);
    const TextRange sentence{0, 22};
    e.select(sentence.location, sentence.length);
    ax.onSet = [&](const Accessible&, Property attribute, const PropertyValue& value) {
        if (attribute != Property::selectedTextRange)
            return;
        if (value != PropertyValue(sentence))
            data(e).copyFailures[Property::selectedTextRange] = AccessError::cannotComplete;
        else
            data(e).copyFailures.remove(Property::selectedTextRange);
    };
    replace(e, "There is a mistake here", true);
    EXPECT_EQ(road(), Strategy::clipboard) << e.text().toStdString();
    EXPECT_EQ(e.text(), QString::fromUtf8("There is a mistake here, 👋 and teh end.\nSecond lne."));
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
}

// Qt's WebEngine reads every selection of a page as none and takes none asked for: each edit's
// words are selected with the keys from the text's start, told by the desktop's selection buffer,
// and pasted over; Undo goes back the same way.
TEST_F(WordRoadTest, AFieldThatHidesItsSelectionHasEachEditsWordsSelectedWithTheKeys) {
    FakeEditor& e = editor(original);
    data(e).ignoredWrites << Property::value << Property::selectedText << Property::selectedTextRange;
    data(e).copyFailures[Property::selectedTextRange] = AccessError::noValue;
    ax.set(e.element, Property::richText, true);
    ax.set(e.element, Property::selectionUnreported, true);
    replace(e, corrected);
    ASSERT_EQ(road(), Strategy::clipboard);
    EXPECT_EQ(e.text(), corrected);
    EXPECT_EQ(keys.presses.count("paste"), 4);
    EXPECT_EQ(keys.presses.count("caretToStart"), 4);
    EXPECT_FALSE(keys.presses.contains("selectAll"));
    // The last edit, "lne" on the second line, first: 46 stops (the wave one of them) to its start.
    EXPECT_EQ(keys.presses.indexOf("selectForward"), 1 + 46);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    const TextIO::Outcome written = *outcome;
    keys.presses.clear();
    restore(e, written);
    EXPECT_EQ(e.text(), original);
    EXPECT_EQ(keys.presses.count("paste"), 4);
    EXPECT_FALSE(keys.presses.contains("selectAll"));
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    // A selection a copy found at the start: its words alone, the rest untouched.
    keys.presses.clear();
    io.replace(fieldOf(e.element), "There is a mistake here", true, record(), TextRange{0, 22});
    scheduler.advance(3s);
    EXPECT_EQ(e.text(), QString::fromUtf8("There is a mistake here, 👋 and teh end.\nSecond lne."));
    EXPECT_EQ(keys.presses.count("paste"), 2);
    EXPECT_FALSE(keys.presses.contains("selectAll"));
}
