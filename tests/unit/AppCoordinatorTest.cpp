// The road from a focused field to a corrected one, on the platform and surface doubles and virtual
// time.
#include <gmock/gmock.h>

#include "core/AXMonitor.h"
#include "core/SuggestionViewModel.h"
#include "platform/Accessibility.h"
#include "platform/fake/FakeEditor.h"
#include "support/CoordinatorFixture.h"
#include "support/FakeSurfaces.h"

using namespace quillet;
using namespace std::chrono_literals;

namespace {

class AppCoordinatorTest : public test::CoordinatorFixture<test::FakeWindows> {
protected:
    test::FakeSuggestionPanel* openPanel() {
        return static_cast<test::FakeSuggestionPanel*>(coordinator->suggestionPanel());
    }
    /// The panel open now went up beside `anchor`.
    void expectPanelAt(const Rect& anchor) {
        ASSERT_NE(openPanel(), nullptr);
        EXPECT_EQ(openPanel()->anchor, anchor);
    }
};
using test::kEditorId;
using test::kEditorPid;

TEST_F(AppCoordinatorTest, IconFollowsTheFocusDecision) {
    const Accessible field = focusField("one two three");
    ASSERT_TRUE(iconShown()) << "exactly minWordCount words show the icon";
    EXPECT_EQ(windows->overlay.state(), IconState::ready);

    desktop.ax.set(field, Property::value, QStringLiteral("one\u00a0two"));
    desktop.ax.notify(kEditorPid, field, AccessEvent::textChanged);
    desktop.scheduler.advance(AXMonitor::trackInterval);
    EXPECT_FALSE(iconShown()) << "one word fewer hides it";

    Accessible frameless = desktop.ax.makeTextField(kEditorPid, "a sentence with words");
    desktop.ax.remove(frameless, Property::size);
    focus(frameless);
    EXPECT_TRUE(coordinator->currentField());
    EXPECT_FALSE(iconShown()) << "no frame";

    // The application busy for a moment just after its field was found, then answering as before.
    const Accessible busy = desktop.ax.makeTextField(kEditorPid, "a sentence with words");
    int positionReads = 0;
    desktop.ax.onCopy = [&](const Accessible& element, Property attribute) {
        if (element == busy && attribute == Property::position && ++positionReads == 2)
            FakeAccessibility::data(busy).copyFailures[Property::position] = AccessError::cannotComplete;
        else
            FakeAccessibility::data(busy).copyFailures.remove(Property::position);
    };
    focus(busy);
    desktop.scheduler.advance(AXMonitor::quietAfter + AXMonitor::quietTrackInterval);
    EXPECT_TRUE(iconShown()) << "a frame that failed to read once";
    desktop.ax.onCopy = nullptr;
}

TEST_F(AppCoordinatorTest, MissingKeyShowsTheErrorStateAndClickAsksForSettingsButNotForOwnServer) {
    desktop.settings.setApiKey("");
    focusField("a sentence with words");
    ASSERT_TRUE(iconShown());
    EXPECT_EQ(windows->overlay.state(), IconState::error);
    coordinator->presentSuggestions();
    EXPECT_EQ(needsSettings, 1);
    EXPECT_EQ(desktop.beep.count, 0);
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);

    // A server of the user's own needs no key, and never gets the one kept for the default service.
    desktop.storeKey(QStringLiteral("sk-for-the-service"));
    desktop.settings.setApiBaseURL("http://127.0.0.1:11434");
    focusField("another sentence with words");
    EXPECT_EQ(windows->overlay.state(), IconState::ready);
    coordinator->presentSuggestions();
    desktop.scheduler.runPending();
    EXPECT_EQ(needsSettings, 1);
    ASSERT_NE(coordinator->suggestionPanel(), nullptr);
    ASSERT_FALSE(desktop.http.requests.isEmpty());
    EXPECT_EQ(desktop.http.requests[0].url, QUrl("http://127.0.0.1:11434/v1/chat/completions"));
    EXPECT_TRUE(desktop.http.requests[0].header("Authorization").isEmpty());
}

TEST_F(AppCoordinatorTest, PauseHidesUntilItsDatePasses) {
    focusField("a sentence with words");
    coordinator->pause(900);
    EXPECT_FALSE(iconShown());
    EXPECT_TRUE(coordinator->isPaused());
    clock = clock.addSecs(901);
    EXPECT_FALSE(coordinator->isPaused()) << "a past date means active, though it is still stored";
    EXPECT_TRUE(coordinator->pausedUntil().has_value());
    desktop.scheduler.advance(AXMonitor::trackInterval);
    focusField("another sentence with words");
    EXPECT_TRUE(iconShown());
}

TEST_F(AppCoordinatorTest, ClickOpensOnePanelAnchoredToTheIconTheHotkeyToTheFieldOrScreen) {
    focusField("a sentence with words");
    const Rect icon = *windows->overlay.iconFrame();
    coordinator->presentSuggestions();
    auto* controller = coordinator->suggestionPanel();
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(windows->overlay.state(), IconState::loading);
    EXPECT_TRUE(coordinator->monitor().suspendFocusTracking);
    EXPECT_EQ(desktop.http.requests.size(), 2) << "both requests start at once";
    expectPanelAt(icon);

    coordinator->presentSuggestions();
    EXPECT_EQ(coordinator->suggestionPanel(), controller) << "a second click does nothing";
    EXPECT_EQ(desktop.http.requests.size(), 2);

    focusField("focus moved elsewhere meanwhile");
    EXPECT_EQ(windows->overlay.state(), IconState::loading) << "the icon is left alone while open";
    coordinator->closeSuggestions();
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);
    EXPECT_FALSE(coordinator->monitor().suspendFocusTracking);
    EXPECT_EQ(windows->overlay.state(), IconState::ready);

    // The hotkey ignores pause, block list and word minimum; with the icon hidden, the field is the
    // anchor, then the screen's centre.
    coordinator->pause(std::nullopt);
    desktop.settings.setMinWordCount(10);
    desktop.settings.setBlocklist({kEditorId});
    const Accessible field = focusField("two words");
    ASSERT_FALSE(iconShown());
    coordinator->hotkeyTriggered();
    ASSERT_NE(openViewModel(), nullptr);
    EXPECT_EQ(openViewModel()->originalText(), "two words");
    const Rect fieldFrame = *desktop.ax.frame(field);
    expectPanelAt(fieldFrame);
    coordinator->closeSuggestions();

    desktop.ax.remove(field, Property::position);
    coordinator->presentSuggestions();
    expectPanelAt(Rect(720, 450, 0, 0));
}

TEST_F(AppCoordinatorTest, SecureFieldIsNeverSentAndBlankTextBeeps) {
    const Accessible field = focusField("hunter2 is my password");
    desktop.ax.set(field, Property::role, QStringLiteral("AXSecureTextField"));
    coordinator->hotkeyTriggered();
    coordinator->presentSuggestions();
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);
    EXPECT_EQ(desktop.beep.count, 2);
    EXPECT_TRUE(desktop.http.requests.isEmpty());

    focusField("   \n\t ");
    coordinator->hotkeyTriggered();
    EXPECT_EQ(desktop.beep.count, 3);
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);
}

// Newest first, ten at most; named after the application, which a field's process may not be.
TEST_F(AppCoordinatorTest, HistoryKeepsTheTenNewestAndNamesUnknownApplications) {
    desktop.workspace.addApp({kEditorPid + 1, std::nullopt, std::nullopt});
    desktop.ax.setFocused(desktop.ax.makeTextField(kEditorPid + 1, "a sentence with words"));
    for (int i = 1; i <= 11; ++i) {
        coordinator->hotkeyTriggered();  // a field of a process the workspace knows no name for
        ASSERT_NE(openViewModel(), nullptr) << i;
        openViewModel()->replace(QStringLiteral("replacement %1").arg(i));
    }
    ASSERT_EQ(coordinator->history().size(), 10);
    EXPECT_EQ(coordinator->history().first().replacement, "replacement 11");
    EXPECT_EQ(coordinator->history().last().replacement, "replacement 2");
    EXPECT_EQ(coordinator->history().first().appName, "Nepoznata aplikacija");
}

TEST_F(AppCoordinatorTest, HistoryNamesTheApplicationNotTheFieldsProcess) {
    // A second, nameless process of the editor (as a browser's content process) holds the field.
    desktop.workspace.addApp({kEditorPid + 1, kEditorId, std::nullopt});
    desktop.ax.setFocused(desktop.ax.makeTextField(kEditorPid + 1, "a sentence with words"));
    coordinator->hotkeyTriggered();
    ASSERT_NE(openViewModel(), nullptr);
    openViewModel()->replace(QStringLiteral("A sentence with words."));
    ASSERT_EQ(coordinator->history().size(), 1);
    EXPECT_EQ(coordinator->history().first().appName, "Mousepad");
}

TEST_F(AppCoordinatorTest, FailedWriteBeepsAndLeavesNoTrace) {
    const Accessible field = focusField("a sentence with words");
    desktop.ax.setSettable(field, Property::value, false);
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    desktop.ax.secureInput = true;  // no clipboard fallback either
    openViewModel()->replace(QStringLiteral("a better sentence"));
    EXPECT_EQ(windows->overlay.state(), IconState::error);
    EXPECT_EQ(desktop.beep.count, 1);
    EXPECT_TRUE(coordinator->history().isEmpty());
    EXPECT_FALSE(windows->toast.shown);
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);
}

TEST_F(AppCoordinatorTest, ClipboardPathCopiesPastesAndReplacesAnOpenPanel) {
    // No readable field: the application is invisible to accessibility.
    const RunningApplication hidden{777, QStringLiteral("org.example.Hidden"), QStringLiteral("Hidden")};
    desktop.workspace.addApp(hidden);
    desktop.workspace.activeApp = hidden;
    FakeEditor editor(desktop.ax, desktop.keys, desktop.clipboard, hidden.pid,
                      "Before. selected words in a hidden app. After.");
    editor.select(8, 31);
    desktop.clipboard.copyText("the user's own clipboard");
    coordinator->hotkeyTriggered();
    desktop.scheduler.advance(TextIO::copyDelay);
    ASSERT_NE(openViewModel(), nullptr);
    EXPECT_EQ(openViewModel()->originalText(), "selected words in a hidden app.");
    EXPECT_FALSE(coordinator->monitor().suspendFocusTracking);
    const ScreenInfo main = *desktop.screens.mainScreen();
    const Rect anchor(midX(main.visibleFrame) + 190, midY(main.visibleFrame) - 150, 0, 0);
    expectPanelAt(anchor);

    const auto* first = openPanel();
    coordinator->hotkeyTriggered();
    desktop.scheduler.advance(TextIO::copyDelay);
    EXPECT_FALSE(first->anchor) << "the replaced panel leaves the screen";

    openViewModel()->replace(QStringLiteral("better words."));
    EXPECT_FALSE(windows->toast.shown) << "no notice before the paste is sent";
    desktop.scheduler.advance(1s);
    EXPECT_EQ(editor.text(), "Before. better words. After.");
    EXPECT_TRUE(desktop.workspace.activations.contains(777)) << "the paste goes back to its source";
    EXPECT_EQ(desktop.clipboard.plainText(), "the user's own clipboard") << "restored after the paste";
    EXPECT_TRUE(coordinator->history().isEmpty()) << "the clipboard path records nothing";
    ASSERT_TRUE(windows->toast.shown);

    windows->toast.pressUndo();
    desktop.scheduler.advance(2s);
    EXPECT_EQ(editor.text(), "Before. selected words in a hidden app. After.") << "nothing doubled";
    EXPECT_EQ(desktop.beep.count, 0);
}

// Return, then Undo, on each road a field can be written by: the document is the correction once,
// then the original byte for byte.
TEST_F(AppCoordinatorTest, UndoRestoresTheFieldExactlyWhicheverRoadTheReplacementTook) {
    const QString original = QString::fromUtf8(
        "Their is a mistak here. 👋\n\nSecond paragraph, cafe\xcc\x81 and more.\n\tThird line.\n");
    const QString sentence = QStringLiteral("Their is a mistak here.");
    const QString fixedSentence = QStringLiteral("There is a mistake here.");
    struct Road {
        const char* name;
        bool selectionOnly;
        QSet<Property> ignoredWrites;
        bool takesEdits = false;
    };
    for (const Road& road :
         {Road{"accessibility value", false, {}}, Road{"accessibility selection", true, {}},
          Road{"select-all and paste", false, {Property::value, Property::selectedText}},
          Road{"paste over the selection", true, {Property::value, Property::selectedText}},
          Road{"edits of the whole text", false, {}, true}, Road{"edits of the selection", true, {}, true}}) {
        SCOPED_TRACE(road.name);
        FakeEditor editor(desktop.ax, desktop.keys, desktop.clipboard, kEditorPid, original);
        FakeAccessibility::data(editor.element).ignoredWrites = road.ignoredWrites;
        FakeAccessibility::data(editor.element).takesEdits = road.takesEdits;
        desktop.ax.editCalls.clear();
        if (road.selectionOnly)
            editor.select(0, sentence.size());
        focus(editor.element);
        desktop.scheduler.advance(1s);
        const qsizetype entries = coordinator->history().size();

        coordinator->hotkeyTriggered();
        ASSERT_NE(openViewModel(), nullptr);
        const QString sent = openViewModel()->originalText();
        EXPECT_EQ(sent, road.selectionOnly ? sentence : original);
        QString chosen = sent;
        chosen.replace(sentence, fixedSentence);
        openViewModel()->replace(chosen);
        desktop.scheduler.advance(2s);
        QString expected = original;
        expected.replace(sentence, fixedSentence);
        EXPECT_EQ(editor.text(), expected);
        ASSERT_EQ(coordinator->history().size(), entries + 1);
        EXPECT_EQ(coordinator->history().first().original, sent);
        EXPECT_EQ(coordinator->history().first().replacement, chosen);
        ASSERT_TRUE(windows->toast.shown);

        auto editsTaken = [&] {
            return std::count_if(desktop.ax.editCalls.begin(), desktop.ax.editCalls.end(),
                                 [](const FakeAccessibility::EditCall& call) { return call.accepted; });
        };
        EXPECT_EQ(editsTaken(), road.takesEdits ? 2 : 0);

        windows->toast.pressUndo();
        desktop.scheduler.advance(2s);
        EXPECT_EQ(editor.text().toUtf8(), original.toUtf8());
        EXPECT_EQ(editsTaken(), road.takesEdits ? 4 : 0) << "Undo by edits too";
        EXPECT_EQ(desktop.beep.count, 0);
        EXPECT_EQ(windows->overlay.state(), IconState::ready);
    }
}

TEST_F(AppCoordinatorTest, FocusChangesNeverAskTheKeyringAndAStoppedOneHoldsNothingUp) {
    const int reads = desktop.secrets.reads;
    for (int i = 0; i < 20; ++i)
        focusField(QStringLiteral("sentence number %1 with words").arg(i));
    EXPECT_EQ(desktop.secrets.reads, reads) << "the stored answer decides the icon";
    EXPECT_EQ(windows->overlay.state(), IconState::ready);

    // The keyring daemon stops: fields are still followed, and a click still opens the panel, whose
    // requests say so once the keyring has had its second; none goes out without its key.
    desktop.secrets.hang = true;
    focusField("another field with enough words");
    EXPECT_TRUE(iconShown());
    coordinator->presentSuggestions();
    ASSERT_NE(openViewModel(), nullptr);
    desktop.scheduler.advance(999ms);
    EXPECT_TRUE(openViewModel()->correction().isLoading());
    desktop.scheduler.advance(1ms);
    EXPECT_EQ(openViewModel()->correction().message(), OpenAIError::keyringUnavailable().message());
    EXPECT_EQ(openViewModel()->rephrase().message(), OpenAIError::keyringUnavailable().message());
    EXPECT_TRUE(desktop.http.requests.isEmpty());
    EXPECT_EQ(desktop.secrets.reads, reads + 1) << "one keyring read for both requests";
}

TEST_F(AppCoordinatorTest, ALockedKeyringPromptsOnlyForAClick) {
    desktop.secrets.locked = true;
    desktop.secrets.promptAnswer = FakeSecretStore::PromptAnswer::dismiss;
    desktop.settings.refreshKeyPresence();
    for (int i = 0; i < 5; ++i)
        focusField(QStringLiteral("field %1 with a few words").arg(i));
    EXPECT_EQ(windows->overlay.state(), IconState::ready) << "a locked key is a stored key";
    EXPECT_EQ(desktop.secrets.prompts, 0);

    coordinator->presentSuggestions();
    desktop.scheduler.runPending();
    EXPECT_EQ(desktop.secrets.prompts, 1) << "one prompt for the two requests of one click";
    EXPECT_EQ(openViewModel()->correction().message(), "The keyring stayed locked.");
    openViewModel()->loadAll();  // "Try again" is asking again
    desktop.scheduler.runPending();
    EXPECT_EQ(desktop.secrets.prompts, 2);
    coordinator->closeSuggestions();
    focusField("and a field after that one");
    EXPECT_EQ(desktop.secrets.prompts, 2);

    desktop.secrets.promptAnswer = FakeSecretStore::PromptAnswer::unlock;
    coordinator->presentSuggestions();
    desktop.scheduler.runPending();
    EXPECT_EQ(desktop.secrets.prompts, 3);
    EXPECT_EQ(desktop.http.requests.size(), 2);
    EXPECT_EQ(desktop.http.requests[0].header("Authorization"), "Bearer sk-test");
}

TEST_F(AppCoordinatorTest, EscapeStopsEveryRequestRetriesIncluded) {
    desktop.http.responder = [](const HttpRequest&) { return FakeHttpTransport::Script::reply(503); };
    focusField("a sentence with words");
    coordinator->presentSuggestions();
    desktop.scheduler.advance(1s);  // both failed once; their retries wait for their turn
    ASSERT_EQ(desktop.http.requests.size(), 2);
    emit coordinator->suggestionPanel()->closed();
    EXPECT_EQ(coordinator->suggestionPanel(), nullptr);
    desktop.scheduler.advance(2min);
    EXPECT_EQ(desktop.http.requests.size(), 2) << "no retry after Escape";

    // Closing the panel otherwise does the same, an answer still on its way included.
    desktop.http.responder = [](const HttpRequest&) { return FakeHttpTransport::Script::stall(); };
    coordinator->presentSuggestions();
    desktop.scheduler.runPending();
    EXPECT_EQ(desktop.http.inFlight(), 2u);
    coordinator->closeSuggestions();
    EXPECT_EQ(desktop.http.inFlight(), 0u);
}

}  // namespace
