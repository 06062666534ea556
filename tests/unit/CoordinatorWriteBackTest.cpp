// Writing the chosen text back, on the platform doubles and virtual time: the field read again first,
// Undo only over what was written, line breaks as the application gave them, and requests that
// waited or lost their field sending nothing.
#include <gmock/gmock.h>

#include "core/SuggestionViewModel.h"
#include "core/WriteRefusal.h"
#include "platform/fake/FakeEditor.h"
#include "support/CoordinatorFixture.h"
#include "support/FakeSurfaces.h"

using namespace quillet;
using namespace std::chrono_literals;

namespace {

using CoordinatorWriteBackTest = test::CoordinatorFixture<test::FakeWindows>;
using test::kEditorPid;

// The user types into the field while the panel is open. Typing clear of every corrected word is kept
// and the correction made around it; typing into a corrected word stops the write, and the panel
// offers to check the new text. Undo gives back the field as it was just before the write.
TEST_F(CoordinatorWriteBackTest, TypingWhileThePanelIsOpenIsNeverWrittenOver) {
    const QString original = QStringLiteral("Their is a mistak here. Second sentence.");
    const QString fixed = QStringLiteral("There is a mistake here. Second sentence.");
    FakeEditor editor(desktop.ax, desktop.keys, desktop.clipboard, kEditorPid, original);
    focus(editor.element);
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    desktop.ax.set(editor.element, Property::value, original + " Typed meanwhile.");
    openViewModel()->replace(fixed);
    desktop.scheduler.advance(2s);
    EXPECT_EQ(editor.text(), fixed + " Typed meanwhile.");
    ASSERT_TRUE(windows->toast.shown);
    windows->toast.pressUndo();
    desktop.scheduler.advance(2s);
    EXPECT_EQ(editor.text(), original + " Typed meanwhile.") << "the typing stays through Undo";

    const QString typedInto = QStringLiteral("Their is a mistakes here. Second sentence. Typed meanwhile.");
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    desktop.ax.set(editor.element, Property::value, typedInto);
    const qsizetype entries = coordinator->history().size();
    openViewModel()->replace(fixed + " Typed meanwhile.");
    desktop.scheduler.advance(2s);
    EXPECT_EQ(editor.text(), typedInto);
    ASSERT_NE(openViewModel(), nullptr) << "the panel stays and says why";
    EXPECT_EQ(openViewModel()->writeRefusal(), WriteRefusal::textChanged);
    EXPECT_EQ(coordinator->history().size(), entries);
    EXPECT_EQ(desktop.beep.count, 0);
    openViewModel()->checkAgain();
    ASSERT_NE(openViewModel(), nullptr);
    EXPECT_EQ(openViewModel()->originalText(), typedInto) << "Check again sends the new text";
    EXPECT_EQ(openViewModel()->writeRefusal(), std::nullopt);
}

// A text that no road could carry whole (a NUL would end it there) is refused, the field untouched,
// on the field road and on the clipboard road alike.
TEST_F(CoordinatorWriteBackTest, ATextThatWouldLandCutIsRefusedOnEveryRoad) {
    const QString original = QStringLiteral("This is a sentense. Second sentence.");
    const QString cut =
        QStringLiteral("This is a sen") + QChar(u'\0') + QStringLiteral("tence. Second sentence.");
    FakeEditor editor(desktop.ax, desktop.keys, desktop.clipboard, kEditorPid, original);
    focus(editor.element);
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    openViewModel()->replace(cut);
    desktop.scheduler.advance(2s);
    EXPECT_EQ(editor.text(), original);
    ASSERT_NE(openViewModel(), nullptr) << "the panel stays and says why";
    EXPECT_EQ(openViewModel()->writeRefusal(), WriteRefusal::unwritable);
    EXPECT_TRUE(coordinator->history().isEmpty());
    coordinator->closeSuggestions();

    // The shortcut where no field can be read: the copied selection is not pasted over either.
    desktop.ax.setFocused(Accessible());
    editor.select(0, static_cast<int>(original.size()));
    coordinator->monitor().suspendFocusTracking = false;
    coordinator->hotkeyTriggered();
    desktop.scheduler.advance(1s);
    if (openViewModel()) {
        desktop.keys.presses.clear();
        openViewModel()->replace(cut);
        desktop.scheduler.advance(2s);
        EXPECT_EQ(openViewModel()->writeRefusal(), WriteRefusal::unwritable);
        EXPECT_FALSE(desktop.keys.presses.contains("paste"));
    }
    EXPECT_EQ(editor.text(), original);
}

// A selection is written where it was checked, even when the user has clicked elsewhere since.
TEST_F(CoordinatorWriteBackTest, ASelectionGoesBackWhereItWasNotWhereTheCaretIsNow) {
    FakeEditor editor(desktop.ax, desktop.keys, desktop.clipboard, kEditorPid, "Keep this. Their is wrong.");
    editor.select(11, 15);
    focus(editor.element);
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    editor.placeCaret(0);
    openViewModel()->replace(QStringLiteral("There is right."));
    desktop.scheduler.advance(2s);
    EXPECT_EQ(editor.text(), "Keep this. There is right.");
}

// The application whose field was checked quits while the panel is open, another editor behind it:
// nothing is written or pasted anywhere, and the panel says the field is gone.
TEST_F(CoordinatorWriteBackTest, NothingIsWrittenAnywhereOnceTheFieldsApplicationIsGone) {
    const Accessible field = focusField("Their is a mistak here, in the first editor.");
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    const RunningApplication other{777, QStringLiteral("org.example.Other"), QStringLiteral("Other")};
    desktop.workspace.addApp(other);
    FakeEditor behind(desktop.ax, desktop.keys, desktop.clipboard, other.pid, "The other editor's document.");
    desktop.ax.destroy(field);
    desktop.workspace.apps.remove(kEditorPid);
    desktop.workspace.activateApp(other);
    openViewModel()->replace(QStringLiteral("There is a mistake here, in the first editor."));
    desktop.scheduler.advance(5s);
    EXPECT_EQ(behind.text(), "The other editor's document.");
    EXPECT_TRUE(desktop.keys.presses.isEmpty());
    ASSERT_NE(openViewModel(), nullptr);
    EXPECT_EQ(openViewModel()->writeRefusal(), WriteRefusal::fieldGone);
    EXPECT_FALSE(windows->toast.shown);
    EXPECT_TRUE(coordinator->history().isEmpty());
}

// Undo after the user changed the corrected text: the beep, a notice saying so, and nothing written,
// also where the correction went in as edits.
TEST_F(CoordinatorWriteBackTest, UndoWritesNothingOnceTheFieldNoLongerHoldsWhatWasWritten) {
    FakeEditor editor(desktop.ax, desktop.keys, desktop.clipboard, kEditorPid, "Their is a mistak here.");
    FakeAccessibility::data(editor.element).takesEdits = true;
    focus(editor.element);
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    openViewModel()->replace(QStringLiteral("There is a mistake here."));
    desktop.scheduler.advance(2s);
    ASSERT_TRUE(windows->toast.shown);
    ASSERT_EQ(desktop.ax.editCalls.size(), 2) << "the correction went in as edits";
    desktop.ax.set(editor.element, Property::value, QStringLiteral("There is a mistake here. And more."));
    windows->toast.pressUndo();
    desktop.scheduler.advance(2s);
    EXPECT_EQ(editor.text(), "There is a mistake here. And more.");
    EXPECT_EQ(desktop.ax.editCalls.size(), 2) << "no edit sent for Undo";
    EXPECT_EQ(desktop.beep.count, 1);
    ASSERT_TRUE(windows->toast.shown);
    EXPECT_EQ(windows->toast.text, WriteRefusals::undoRefused(L10n::current()));
    EXPECT_FALSE(windows->toast.undo);
}

// CR LF comes back as CR LF on every road, byte for byte, and Undo gives the original back as it
// was; the model reads line feeds.
TEST_F(CoordinatorWriteBackTest, CrLfLineBreaksComeBackAsTheApplicationGaveThem) {
    const QString original = QStringLiteral("Their is a mistak here.\r\nSecond line.\r\n");
    const QString fixedLf = QStringLiteral("There is a mistake here.\nSecond line.\n");
    const QString fixed = QStringLiteral("There is a mistake here.\r\nSecond line.\r\n");
    for (const bool visible : {true, false}) {
        SCOPED_TRACE(visible ? "accessibility" : "the shortcut's clipboard road");
        const RunningApplication app{visible ? kEditorPid : 777, QStringLiteral("org.example.Crlf"),
                                     QStringLiteral("Crlf")};
        desktop.workspace.addApp(app);
        FakeEditor editor(desktop.ax, desktop.keys, desktop.clipboard, app.pid, original);
        if (visible) {
            focus(editor.element);
        } else {
            coordinator->closeSuggestions();
            desktop.ax.setFocused(Accessible());
            desktop.workspace.activateApp(app);
            desktop.scheduler.advance(1s);
            editor.select(0, original.size());
        }
        coordinator->hotkeyTriggered();
        desktop.scheduler.advance(TextIO::copyDelay);
        ASSERT_NE(openViewModel(), nullptr);
        EXPECT_EQ(openViewModel()->originalText(), QString(original).replace("\r\n", "\n"));
        openViewModel()->replace(fixedLf);
        desktop.scheduler.advance(2s);
        EXPECT_EQ(editor.text().toUtf8(), fixed.toUtf8());
        ASSERT_TRUE(windows->toast.shown);
        windows->toast.pressUndo();
        desktop.scheduler.advance(3s);
        EXPECT_EQ(editor.text().toUtf8(), original.toUtf8());
    }
    EXPECT_EQ(desktop.beep.count, 0);
}

// A request that waited (the program was stopped) sends nothing, nor does one whose field no longer
// has the keyboard, nor one made while another application is in front.
TEST_F(CoordinatorWriteBackTest, StaleOrMisplacedRequestsSendNothing) {
    const Accessible field = focusField("a sentence with enough words");
    const std::chrono::milliseconds now = desktop.scheduler.now();
    coordinator->hotkeyTriggered(Trigger{now - 5s, {}});
    coordinator->presentSuggestions(Trigger{now - 2s, field});
    // Dropped for their age, never without a word: a beep and a notice each.
    EXPECT_EQ(desktop.beep.count, 2);
    ASSERT_TRUE(windows->toast.shown);
    EXPECT_EQ(windows->toast.text, QString::fromUtf8("Quillet was too busy to take that — press again."));

    // The keyboard moved to another field, not yet reported.
    desktop.ax.setFocused(desktop.ax.makeTextField(kEditorPid, "another field with private words"));
    coordinator->presentSuggestions(Trigger{now, field});
    coordinator->hotkeyTriggered();
    // The field has it again, but another application is in front.
    desktop.ax.setFocused(field);
    const RunningApplication other{777, QStringLiteral("org.example.Other"), QStringLiteral("Other")};
    desktop.workspace.addApp(other);
    desktop.workspace.activateApp(other);
    coordinator->hotkeyTriggered();
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);
    desktop.scheduler.runPending();
    EXPECT_TRUE(desktop.http.requests.isEmpty());
    EXPECT_TRUE(desktop.keys.presses.isEmpty()) << "nothing copied either";

    desktop.workspace.activateApp(desktop.workspace.apps.value(kEditorPid));
    coordinator->hotkeyTriggered(Trigger{desktop.scheduler.now() - 1s, {}});
    ASSERT_NE(openViewModel(), nullptr) << "fresh, and where it was made";
    EXPECT_EQ(openViewModel()->originalText(), "a sentence with enough words");
}

}  // namespace

// Where the desktop lends keys and the clipboard for one correction (GNOME Shell's extension), the
// choice in the panel and the Undo in the notice renew the loan before anything is written, the
// write's end gives it back, and a panel closed unused gives it back at once.
TEST_F(CoordinatorWriteBackTest, TheLoanOfKeysIsRenewedByEachChoiceAndEndedByEachWrite) {
    FakeEditor editor(desktop.ax, desktop.keys, desktop.clipboard, kEditorPid, "Their is a mistak here.");
    focus(editor.element);
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    openViewModel()->requestClose();
    EXPECT_EQ(desktop.keys.grantCalls, QStringList{"end"}) << "closed unused";

    desktop.keys.grantCalls.clear();
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    openViewModel()->replace(QStringLiteral("There is a mistake here."));
    EXPECT_EQ(desktop.keys.grantCalls.value(0), "renew");
    desktop.scheduler.advance(2s);
    EXPECT_EQ(editor.text(), "There is a mistake here.");
    EXPECT_EQ(desktop.keys.grantCalls, QStringList({"renew", "end"})) << "once, after the write";

    desktop.keys.grantCalls.clear();
    ASSERT_TRUE(windows->toast.shown);
    windows->toast.pressUndo();
    desktop.scheduler.advance(2s);
    EXPECT_EQ(editor.text(), "Their is a mistak here.");
    EXPECT_EQ(desktop.keys.grantCalls, QStringList({"renew", "end"}));
}
