// Writing into fields: the order of roads, the read-back that decides whether a write counts, the
// secure-input refusals, the clipboard's timing, the copy that was no selection, and taking back a
// paste in a field that cannot be read, all on virtual time.
#include "CoreTestSupport.h"
#include "core/PasteWatch.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::ElementsAre;
using Strategy = TextIO::Strategy;

namespace {

// Several paragraphs with an emoji outside the basic plane and a decomposed é.
const QString document =
    QString::fromUtf8("Their is a mistak here. 👋\n\nSecond paragraph, cafe\xcc\x81 and more.\nThird line.");
const QString corrected =
    QString::fromUtf8("There is a mistake here. 👋\n\nSecond paragraph, cafe\xcc\x81 and more.\nThird line.");

class TextIOTest : public test::EditorTest {
protected:
    /// Starts a replacement; its outcome lands in `outcome`.
    void replace(const FocusedField& field, const QString& text, bool selectionOnly) {
        io.replace(field, text, selectionOnly, record());
    }
    /// Pastes `text` into `pid`, or takes a paste back; whether the keys went out lands in `sent`.
    void paste(const QString& text, qint32 pid = editorPid) {
        sent.reset();
        io.pasteReplacement(text, PasteTarget{pid}, [this](bool s) { sent = s; });
    }
    void undo(const QString& pasted, const QString& original) {
        sent.reset();
        io.undoPaste(PasteTarget{editorPid}, pasted, original, [this](bool s) { sent = s; });
    }
    std::optional<bool> sent;
    QList<Property> attributesWritten() {
        QList<Property> names;
        for (const auto& call : ax.setCalls)
            names << call.attribute;
        return names;
    }
};

}  // namespace

TEST_F(TextIOTest, WholeValueWrittenAndReadBackCountsAtOnce) {
    FakeEditor& e = editor(document);
    replace(fieldOf(e.element), corrected, false);
    ASSERT_EQ(road(), Strategy::axValue) << "a write that reads back at once is reported at once";
    EXPECT_TRUE(outcome->confirmed);
    EXPECT_EQ(e.text(), corrected);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(TextIOTest, ValueThatReadsBackUnchangedIsWrittenBySelectingAll) {
    FakeEditor& e = editor(QString::fromUtf8("👋"));
    FakeAccessibility::data(e.element).ignoredWrites << Property::value;

    replace(fieldOf(e.element), "hello", false);
    EXPECT_FALSE(outcome) << "a write may take a moment to show";
    scheduler.advance(TextIO::writeCheckTimeout);
    ASSERT_EQ(road(), Strategy::axSelectedText);
    EXPECT_THAT(attributesWritten(),
                ElementsAre(Property::value, Property::selectedTextRange, Property::selectedText));
    // One emoji outside the basic plane is two UTF-16 code units.
    EXPECT_EQ(std::get<TextRange>(ax.setCalls[1].value), (TextRange{0, 2}));
    EXPECT_EQ(e.text(), "hello");
    EXPECT_TRUE(keys.presses.isEmpty());
}

// A browser's text area: both accessibility writes succeed and change nothing.
TEST_F(TextIOTest, FieldThatIgnoresAccessibilityWritesGetsThePasteAndItIsReadBack) {
    FakeEditor& e = pasteOnlyEditor(document);

    replace(fieldOf(e.element), corrected, false);
    scheduler.advance(2 * TextIO::writeCheckTimeout);
    EXPECT_FALSE(outcome) << "no success before the paste";
    EXPECT_EQ(board.plainText(), corrected);
    scheduler.advance(TextIO::pasteDelay);
    EXPECT_THAT(keys.presses, ElementsAre("selectAll", "paste"));
    EXPECT_THAT(workspace.activations, ElementsAre(editorPid));
    ASSERT_EQ(road(), Strategy::clipboard);
    EXPECT_TRUE(outcome->confirmed);
    EXPECT_EQ(e.text(), corrected);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem}) << "given back once the field took the paste";

    // The same through the selection: the paste goes over the selection, without select-all.
    FakeEditor& f = editor("one two three");
    FakeAccessibility::data(f.element).ignoredWrites << Property::selectedText;
    f.select(4, 3);
    keys.presses.clear();
    replace(fieldOf(f.element), "2", true);
    scheduler.advance(1s);
    ASSERT_EQ(road(), Strategy::clipboard);
    EXPECT_THAT(keys.presses, ElementsAre("paste"));
    EXPECT_EQ(f.text(), "one 2 three");
}

// The keys go out only into the field's application and window: one that quit leaves another
// application in front, whose text a select-all and paste would replace.
TEST_F(TextIOTest, ThePasteGoesOnlyToTheFieldsApplicationAndWindow) {
    FakeEditor& e = pasteOnlyEditor(document);
    const RunningApplication editorApp = workspace.apps.value(editorPid);
    const RunningApplication other{800, QStringLiteral("org.example.Other"), QStringLiteral("Other")};
    workspace.addApp(other);
    workspace.activateApp(other);
    workspace.apps.remove(editorPid);
    replace(fieldOf(e.element), corrected, false);
    scheduler.advance(5s);
    EXPECT_EQ(road(), noRoad);
    EXPECT_FALSE(keys.presses.contains("paste") || keys.presses.contains("selectAll"));
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    // Back, with two windows: the one the field was in, and only it, gets the paste.
    workspace.addApp(editorApp);
    workspace.windows[editorPid] = 11;
    FocusedField field = fieldOf(e.element);
    field.window = 12;
    replace(field, corrected, false);
    scheduler.advance(5s);
    EXPECT_EQ(road(), noRoad) << "another window of the application is not the field's";
    field.window = 11;
    replace(field, corrected, false);
    scheduler.advance(2s);
    EXPECT_EQ(road(), Strategy::clipboard);
    EXPECT_EQ(e.text(), corrected);
    EXPECT_THAT(workspace.windowActivations, ElementsAre(12, 11));

    // The window in front changing as the application in front is read (the panel coming up):
    // the paste may go to any of the application's windows, not wait for the panel's.
    workspace.activateApp(editorApp);
    workspace.windows[workspace.myPid] = 99;
    workspace.afterActiveRead = [&] {
        workspace.activeApp = RunningApplication{workspace.myPid, QStringLiteral("quillet"), QString()};
    };
    const PasteTarget target = PasteTarget::front(workspace);
    EXPECT_EQ(target.pid, editorPid);
    EXPECT_EQ(target.window, 0u);
}

TEST_F(TextIOTest, PasteThatNeverShowsIsAFailureAndTheClipboardComesBack) {
    FakeEditor& e = pasteOnlyEditor(document);
    e.ignoresPaste = true;
    replace(fieldOf(e.element), corrected, false);
    scheduler.advance(2 * TextIO::writeCheckTimeout + TextIO::pasteDelay + TextIO::pasteCheckTimeout - 1ms);
    EXPECT_FALSE(outcome);
    EXPECT_EQ(board.plainText(), corrected) << "still lent while the paste may yet arrive";
    scheduler.advance(1ms);
    ASSERT_EQ(road(), noRoad);
    EXPECT_EQ(e.text(), document);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
}

// A write that changed the field into something else must not be followed by a paste on top of it.
TEST_F(TextIOTest, FieldChangedOtherwiseIsNotWrittenAgain) {
    FakeEditor& e = editor("keep this. Their is. keep that");
    e.select(11, 9);
    // The selection write deletes the selection and drops the insertion.
    ax.onSet = [&](const Accessible& element, Property attribute, const PropertyValue&) {
        if (attribute == Property::selectedText)
            ax.set(element, Property::value, QStringLiteral("keep this.  keep that"));
    };
    replace(fieldOf(e.element), "There is.", true);
    scheduler.advance(1s);
    ASSERT_EQ(road(), noRoad);
    EXPECT_TRUE(keys.presses.isEmpty()) << "no paste that would land beside the text";
}

// The same letter elsewhere in the field does not make a misplaced paste count.
TEST_F(TextIOTest, PasteThatLandsBesideTheSelectionIsNoSuccess) {
    FakeEditor& e = editor("a b a b");
    e.select(4, 1);
    FakeAccessibility::data(e.element).ignoredWrites << Property::selectedText;
    replace(fieldOf(e.element), "A", true);
    scheduler.advance(TextIO::writeCheckTimeout);
    e.placeCaret(0);  // the selection is gone before the paste arrives
    scheduler.advance(2s);
    ASSERT_EQ(road(), noRoad);
    EXPECT_EQ(e.text(), "Aa b a b");
}

TEST_F(TextIOTest, UnreadableFieldGetsOnlyThePasteReportedOnceTaken) {
    FakeEditor& e = editor("old");
    FakeAccessibility::data(e.element).copyFailures[Property::value] = AccessError::cannotComplete;
    replace(fieldOf(e.element), "new text", false);
    EXPECT_TRUE(ax.setCalls.isEmpty()) << "an accessibility write that cannot be read back never counts";
    ASSERT_EQ(board.contents.size(), 1);
    EXPECT_EQ(board.plainText(), "new text");
    EXPECT_EQ(board.contents[0].value(ClipboardType::passwordManagerHint), "secret");
    scheduler.advance(TextIO::pasteDelay + PasteWatch::quietTime - 1ms);
    EXPECT_FALSE(outcome);
    scheduler.advance(1ms);
    ASSERT_EQ(road(), Strategy::clipboard)
        << "the editor asked for the text as the keys arrived, then nothing more";
    EXPECT_FALSE(outcome->confirmed);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    // Where nothing can watch the clipboard, the paste counts once sent, and the clipboard comes back
    // a moment later.
    board.watchesPastes = false;
    replace(fieldOf(e.element), "newer", false);
    scheduler.advance(TextIO::pasteDelay);
    ASSERT_EQ(road(), Strategy::clipboard);
    scheduler.advance(TextIO::restoreDelay - 1ms);
    EXPECT_EQ(board.plainText(), "newer");
    scheduler.advance(1ms);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
}

TEST_F(TextIOTest, SecureInputRefusesTheClipboardButNotAnAccessibilityWrite) {
    FakeEditor& e = editor("one two three");
    e.select(4, 3);
    ax.secureInput = true;
    replace(fieldOf(e.element), "2", true);
    ASSERT_EQ(road(), Strategy::axSelectedText);

    FakeAccessibility::data(e.element).setFailures[Property::value] = AccessError::cannotComplete;
    FakeAccessibility::data(e.element).setFailures[Property::selectedTextRange] = AccessError::failure;
    replace(fieldOf(e.element), "new", false);
    scheduler.advance(1s);
    ASSERT_EQ(road(), noRoad);
    paste("typed", 0);
    EXPECT_EQ(sent, false);
    EXPECT_TRUE(keys.presses.isEmpty());
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
    EXPECT_TRUE(workspace.activations.isEmpty());
}

TEST_F(TextIOTest, OverlappingPastesEachPasteTheirOwnTextAndTheUsersItemsComeBackLast) {
    QStringList pasted;
    bool answering = false;
    keys.onPress = [&](const QString& key) {
        if (key == "paste" && answering)
            pasted << board.paste().value_or("<nothing>");
    };
    io.pasteReplacement("first", PasteTarget{0});
    scheduler.advance(350ms);  // the first paste is not taken yet: the clipboard stays lent
    EXPECT_EQ(board.plainText(), "first");
    answering = true;
    io.pasteReplacement("second", PasteTarget{0});
    scheduler.advance(99ms);
    // The first borrowing must not put the user's items back under the second paste.
    EXPECT_EQ(board.plainText(), "second");
    scheduler.advance(1ms);
    EXPECT_THAT(pasted, ElementsAre("second"));
    scheduler.advance(PasteWatch::quietTime);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem}) << "back once the second paste was taken";
    scheduler.advance(PasteWatch::takeLimit);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(TextIOTest, CopyHandsOverOnlyARealSelectionAndRestoresTheClipboard) {
    std::vector<std::optional<QString>> results;
    auto copy = [&] {
        io.copyFocusedSelection([&](std::optional<QString> text) { results.push_back(text); });
        scheduler.advance(TextIO::copyDelay);
    };
    FakeEditor& e = editor("first line\nsecond line\nthird");

    e.select(11, 12);  // "second line\n", vouched for by the desktop's selection buffer
    copy();
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    // Nothing selected: the application leaves the clipboard alone, and so does Quillet.
    e.placeCaret(14);
    copy();

    // An editor that copies the caret's line instead, while the buffer still holds an old selection.
    e.copiesLineWithoutSelection = true;
    e.select(0, 5);
    e.placeCaret(14);
    copy();
    EXPECT_EQ(e.selection(), (TextRange{11, 0})) << "that editor moved its caret to the line's start";
    board.hasSelectionBuffer = false;
    copy();
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    // A select-all some toolkits never offer to the buffer: several lines are no copied line. The
    // line breaks come as the application hands them over (CR LF here), for the paste to bring back.
    board.hasSelectionBuffer = true;
    e.select(0, 17);
    board.selection = "stale";
    e.copiesCrLf = true;
    e.copiesTerminator = true;
    copy();

    ax.secureInput = true;
    io.copyFocusedSelection([&](std::optional<QString> text) { results.push_back(text); });
    EXPECT_THAT(results, ElementsAre(QString("second line\n"), std::nullopt, std::nullopt, std::nullopt,
                                     QString("first line\r\nsecond"), std::nullopt));
    EXPECT_EQ(keys.presses.count("copy"), 5);
}

TEST_F(TextIOTest, UndoOfAPasteSelectsItBackChecksAndPastesTheOriginalOverIt) {
    // An application the accessibility layer cannot see: only keys and the clipboard reach it.
    const QString before = QString::fromUtf8("Intro. ") + document + " Outro.";
    FakeEditor& e = editor(before);
    e.copiesTerminator = true;  // its selection buffer too: the check goes by the text
    e.select(7, document.size());
    paste(corrected);
    scheduler.advance(1s);
    ASSERT_EQ(sent, true);
    ASSERT_EQ(e.text(), QString::fromUtf8("Intro. ") + corrected + " Outro.");

    undo(corrected, document);
    scheduler.advance(2s);
    EXPECT_EQ(sent, true);
    EXPECT_EQ(e.text(), before) << "exactly the original, nothing doubled";
    EXPECT_EQ(keys.presses.count("selectBackward"), TextIO::caretStops(corrected));
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
}

TEST_F(TextIOTest, UndoMakesUpForCaretStopsCountedDifferently) {
    FakeEditor& e = editor("x");
    e.movesByCodePoint = true;
    e.select(0, 1);
    const QString pasted = QString::fromUtf8("e\xcc\x81t\xc3\xa9");  // a decomposed é first
    io.pasteReplacement(pasted, PasteTarget{editorPid});
    scheduler.advance(1s);
    undo(pasted, "x");
    scheduler.advance(5s);
    EXPECT_EQ(sent, true);
    EXPECT_EQ(e.text(), "x");
}

TEST_F(TextIOTest, UndoPastesNothingWhenThePastedTextCannotBeSelectedBack) {
    FakeEditor& e = editor("abc");
    e.select(0, 3);
    io.pasteReplacement("ABC", PasteTarget{editorPid});
    scheduler.advance(1s);
    e.placeCaret(0);  // the user clicked elsewhere: the keys now select nothing of it
    undo("ABC", "abc");
    scheduler.advance(5s);
    EXPECT_EQ(sent, false);
    EXPECT_EQ(e.text(), "ABC");

    board.hasSelectionBuffer = false;
    e.placeCaret(3);
    undo("ABC", "abc");
    EXPECT_EQ(sent, false) << "without the selection buffer there is no checking what the keys selected";
    EXPECT_EQ(e.text(), "ABC");
}

TEST_F(TextIOTest, PendingStepsFinishAfterTheirOwnerIsGone) {
    QStringList pasted;
    keys.onPress = [&](const QString& key) {
        if (key == "paste")
            pasted << board.paste().value_or("<nothing>");
    };
    auto owner = std::make_unique<TextIO>(ax, board, keys, workspace, scheduler);
    owner->pasteReplacement("late", PasteTarget{0});
    owner.reset();
    scheduler.advance(1s);
    EXPECT_THAT(pasted, ElementsAre("late"));
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
}

// A slow or stopped application handles the paste keys late, and then reads the clipboard: until it
// has, the clipboard keeps the text, so the field gets the text and never the user's own contents.
TEST_F(TextIOTest, ClipboardStaysLentUntilAFrozenApplicationTakesThePaste) {
    // Stopped before Return: its field does not answer, the keys wait in its queue.
    FakeEditor& e = editor(document);
    e.frozen = true;
    FakeAccessibility::data(e.element).copyFailures[Property::value] = AccessError::cannotComplete;
    replace(fieldOf(e.element), corrected, false);
    scheduler.advance(10s);
    EXPECT_FALSE(outcome) << "no notice while nothing has taken the paste";
    EXPECT_EQ(board.plainText(), corrected);

    FakeAccessibility::data(e.element).copyFailures.remove(Property::value);
    e.wake();
    EXPECT_EQ(e.text(), corrected);
    scheduler.advance(TextIO::readBackInterval + PasteWatch::quietTime);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
    ASSERT_EQ(road(), Strategy::clipboard);
}

TEST_F(TextIOTest, AnApplicationThatNeverWakesGetsTheClipboardBackAfterTheLongestWait) {
    FakeEditor& e = editor("old");
    e.select(0, 3);
    e.frozen = true;
    paste("new");
    scheduler.advance(TextIO::pasteDelay + PasteWatch::takeLimit - 1ms);
    EXPECT_FALSE(sent);
    EXPECT_EQ(board.plainText(), "new");
    scheduler.advance(TextIO::readBackInterval);
    EXPECT_EQ(sent, false);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});
}

// Another program copies just after Return, before the paste keys: its copy is not pasted, and is
// never overwritten. (One that comes after the keys is in PasteRaceTest.)
TEST_F(TextIOTest, ACopyByAnotherProgramBeforeThePasteIsNeitherPastedNorLost) {
    FakeEditor& e = editor("old");
    e.select(0, 3);
    paste("new");
    scheduler.advance(TextIO::pasteDelay / 2);
    board.copyText("password");
    scheduler.advance(1s);
    EXPECT_EQ(sent, false);
    EXPECT_TRUE(keys.presses.isEmpty()) << "no paste of the other program's copy";
    EXPECT_EQ(e.text(), "old");
    EXPECT_EQ(board.plainText(), "password");
}

TEST_F(TextIOTest, TheCopyTakesOnlyTheFocusedApplicationsAnswer) {
    FakeEditor& e = editor("first line\nsecond line");
    workspace.activeApp = RunningApplication{editorPid, QStringLiteral("org.xfce.mousepad"), std::nullopt};
    e.select(0, 10);
    std::vector<std::optional<QString>> results;
    auto copyWith = [&](std::function<void()> meanwhile) {
        keys.onPress = [&, meanwhile](const QString&) { meanwhile(); };
        io.copyFocusedSelection([&](std::optional<QString> text) { results.push_back(text); });
        scheduler.advance(TextIO::copyDelay);
    };
    // Another program's copy comes first: it is not sent, and it stays.
    copyWith([&] { board.copyText("a password", FakeClipboard::otherProgramPid); });
    EXPECT_EQ(board.plainText(), "a password");
    // The application answers, then another program copies before the clipboard comes back.
    board.write({userItem});
    copyWith([&] {
        board.copyText("first line", editorPid);
        scheduler.after(TextIO::readBackInterval + 10ms,
                        [&] { board.copyText("another copy", FakeClipboard::otherProgramPid); });
    });
    scheduler.advance(1s);
    EXPECT_EQ(board.plainText(), "another copy") << "not overwritten by the restore";
    // A clipboard owner that does not answer: the copy still works, and the clipboard is not left
    // empty.
    board.write({userItem});
    board.frozenOwner = true;
    copyWith([&] {
        board.frozenOwner = false;
        board.copyText("first line", editorPid);
    });
    EXPECT_EQ(board.plainText(), "first line");
    EXPECT_THAT(results, ElementsAre(std::nullopt, QString("first line"), QString("first line")));
}
