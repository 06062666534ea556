// The global shortcut: which field it works on, and what it reads there.
#include <gmock/gmock.h>

#include <QCoreApplication>

#include "core/SuggestionViewModel.h"
#include "core/TextIO.h"
#include "support/CoordinatorFixture.h"
#include "support/FakeSurfaces.h"

using namespace quillet;

namespace {

using CoordinatorShortcutTest = test::CoordinatorFixture<test::FakeWindows>;
using test::kEditorId;
using test::kEditorPid;

TEST_F(CoordinatorShortcutTest, HotkeyWithNothingSelectedBeepsAndWithoutKeyAsksForSettings) {
    coordinator->hotkeyTriggered();
    desktop.scheduler.advance(TextIO::copyDelay);
    EXPECT_EQ(desktop.beep.count, 1);
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);

    desktop.settings.setApiKey("");
    desktop.keys.presses.clear();
    coordinator->hotkeyTriggered();
    EXPECT_EQ(needsSettings, 1);
    EXPECT_TRUE(desktop.keys.presses.isEmpty()) << "nothing is copied without a key";
}

// Settings in front, one of its items selected: the shortcut and `quillet --trigger` read, copy and
// send nothing of it, whatever the desktop reports as focused there.
TEST_F(CoordinatorShortcutTest, NothingOfOurOwnWindowsIsReadOrSent) {
    focusField("a sentence with enough words in the user's editor");
    const RunningApplication own{desktop.workspace.ownPid(), QStringLiteral("com.lumenfold.quillet"),
                                 QStringLiteral("Quillet")};
    desktop.workspace.addApp(own);
    desktop.workspace.activateApp(own);
    desktop.ax.setFocused(desktop.ax.makeTextField(own.pid, "General settings of the program"));
    desktop.scheduler.runPending();
    coordinator->hotkeyTriggered();
    coordinator->presentSuggestions();
    desktop.scheduler.advance(std::chrono::seconds(2));
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);
    EXPECT_TRUE(desktop.http.requests.isEmpty());
    EXPECT_TRUE(desktop.keys.presses.isEmpty()) << "no copy in our own window";
}

// `quillet --trigger`, or any program on the session bus, asks with no press of the user's seen:
// while paused, or with an application on the block list in front, nothing of it is read, copied
// or sent, and a beep says the request was heard. (The shortcut's own press goes ahead: see
// ClickOpensOnePanelAnchoredToTheIconTheHotkeyToTheFieldOrScreen.)
TEST_F(CoordinatorShortcutTest, ARequestOfAnotherProcessObeysThePauseAndTheBlockList) {
    Trigger request;
    request.byRequest = true;
    const Accessible field = focusField("Their is a mistake here.");
    coordinator->pause(std::nullopt);
    coordinator->hotkeyTriggered(request);
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr) << "paused";
    EXPECT_EQ(desktop.beep.count, 1);
    coordinator->resume();

    desktop.settings.setBlocklist({kEditorId});
    coordinator->reconsiderField();
    coordinator->hotkeyTriggered(request);
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr) << "blocked";
    EXPECT_EQ(desktop.beep.count, 2);
    desktop.scheduler.advance(std::chrono::seconds(2));
    EXPECT_TRUE(desktop.http.requests.isEmpty());

    // Where no field can be read, the application in front decides: nothing of it is copied.
    desktop.ax.setFocused(Accessible());
    desktop.ax.notify(kEditorPid, field, AccessEvent::focusChanged);
    const RunningApplication notes{kEditorPid + 1, QStringLiteral("org.example.Notes"),
                                   QStringLiteral("Notes")};
    desktop.workspace.addApp(notes);
    desktop.workspace.activateApp(notes);
    desktop.settings.setBlocklist({QStringLiteral("org.example.Notes")});
    desktop.scheduler.runPending();
    coordinator->hotkeyTriggered(request);
    desktop.scheduler.advance(TextIO::copyDelay);
    EXPECT_TRUE(desktop.keys.presses.isEmpty()) << "no copy in a blocked application";
    desktop.settings.setBlocklist({});
    coordinator->hotkeyTriggered(request);
    EXPECT_FALSE(desktop.keys.presses.isEmpty()) << "once unblocked, the clipboard road is taken";
    EXPECT_TRUE(desktop.http.requests.isEmpty());
}

// While the shortcut's keys are down the desktop holds the keyboard, and GTK reports the field's
// focus gone until they are released; that report may come before the press.
TEST_F(CoordinatorShortcutTest, TheShortcutKeepsTheFieldWhoseFocusTheKeyGrabTookAway) {
    const Accessible field = focusField("Their is a mistake here.");
    desktop.ax.setFocused(Accessible());
    desktop.ax.notify(kEditorPid, field, AccessEvent::focusChanged);
    desktop.scheduler.runPending();
    ASSERT_FALSE(coordinator->currentField());
    coordinator->hotkeyTriggered();
    ASSERT_NE(openViewModel(), nullptr);
    EXPECT_EQ(openViewModel()->originalText(), "Their is a mistake here.");
    coordinator->closeSuggestions();

    // Not once another application is in front, nor for a field that is no longer one.
    desktop.ax.setFocused(Accessible());
    desktop.ax.notify(kEditorPid, field, AccessEvent::focusChanged);
    desktop.workspace.addApp({kEditorPid + 1, std::nullopt, std::nullopt});
    desktop.workspace.activateApp(desktop.workspace.apps.value(kEditorPid + 1));
    desktop.scheduler.runPending();
    coordinator->hotkeyTriggered();
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr) << "another application in front";
    desktop.workspace.activateApp(desktop.workspace.apps.value(kEditorPid));
    desktop.ax.set(field, Property::role, QStringLiteral("AXStaticText"));
    desktop.ax.setSettable(field, Property::value, false);
    desktop.scheduler.runPending();
    coordinator->hotkeyTriggered();
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);
    EXPECT_EQ(desktop.http.requests.size(), 2) << "only the first press sent the text";
}

// A window of ours going up takes the front from the field's application, and some (Gecko's) then
// say nothing is selected: with a selection, the panel goes up only once it has been read.
TEST_F(CoordinatorShortcutTest, ASelectionIsReadBeforeAnyWindowOfOursGoesUp) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QString text = QStringLiteral("Their is a mistake.\n\nThe second paragraph stays.");
    const Accessible field = focusField(text);
    desktop.scheduler.advance(AppCoordinator::sparePanelDelay);
    const auto panelShown = [this] {
        auto* panel = static_cast<test::FakeSuggestionPanel*>(coordinator->suggestionPanel());
        return windows->panels.aheadShown || (panel && panel->anchor);
    };
    desktop.ax.onCopy = [&](const Accessible& element, Property attribute) {
        if (element != field ||
            (attribute != Property::selectedText && attribute != Property::selectedTextRange))
            return;
        if (panelShown())
            FakeAccessibility::data(field).copyFailures[attribute] = AccessError::noValue;
        else
            FakeAccessibility::data(field).copyFailures.remove(attribute);
    };
    for (const bool byShortcut : {true, false}) {
        SCOPED_TRACE(byShortcut ? "the shortcut" : "a click");
        desktop.ax.set(field, Property::selectedTextRange, TextRange{0, 19});
        desktop.ax.set(field, Property::selectedText, text.left(19));
        if (byShortcut)
            coordinator->hotkeyTriggered();
        else
            coordinator->presentSuggestions();
        ASSERT_NE(openViewModel(), nullptr);
        EXPECT_EQ(openViewModel()->originalText(), "Their is a mistake.");
        coordinator->closeSuggestions();
        for (int i = 0; i < 2; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        desktop.scheduler.advance(AppCoordinator::sparePanelDelay);
    }
    desktop.ax.onCopy = nullptr;
}

// A page's text in Qt's WebEngine reads every selection as none: the shortcut copies first, and
// sends the selection copied, or the whole text where nothing was.
TEST_F(CoordinatorShortcutTest, AFieldThatHidesItsSelectionIsCopiedFirst) {
    const QString text = QStringLiteral("Their is a mistake.\n\nThe second paragraph stays.");
    const Accessible field = focusField(text);
    desktop.ax.set(field, Property::selectionUnreported, true);
    desktop.scheduler.advance(AppCoordinator::sparePanelDelay);
    desktop.clipboard.copyText(QStringLiteral("the user's own clipboard"));
    desktop.keys.onPress = [&](const QString& key) {
        if (key == "copy")
            desktop.clipboard.copyText(text.left(19), kEditorPid);
    };
    coordinator->hotkeyTriggered();
    desktop.scheduler.advance(TextIO::copyDelay);
    ASSERT_NE(openViewModel(), nullptr);
    EXPECT_EQ(openViewModel()->originalText(), "Their is a mistake.");
    EXPECT_EQ(desktop.clipboard.plainText(), "the user's own clipboard") << "the clipboard is given back";
    coordinator->closeSuggestions();
    for (int i = 0; i < 2; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    desktop.scheduler.advance(AppCoordinator::sparePanelDelay);

    desktop.keys.onPress = nullptr;
    desktop.keys.presses.clear();
    coordinator->hotkeyTriggered();
    desktop.scheduler.advance(TextIO::copyDelay);
    EXPECT_EQ(desktop.keys.presses, QStringList{"copy"});
    ASSERT_NE(openViewModel(), nullptr) << "nothing selected: the whole text";
    EXPECT_EQ(openViewModel()->originalText(), text);
    EXPECT_EQ(desktop.beep.count, 0);
}

}  // namespace
