// The tray menu, the launch and the windows it opens, and the setup's sample field, on the doubles.
#include <gmock/gmock.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>

#include "app/AppDelegate.h"
#include "core/SuggestionViewModel.h"
#include "core/SurfacePlacement.h"
#include "platform/Accessibility.h"
#include "support/FakeDesktop.h"
#include "ui/AppDelegateFixture.h"
#include "ui/FloatingPanel.h"
#include "ui/OnboardingWindowController.h"
#include "ui/SettingsWindowController.h"
#include "ui/ShortcutRecorder.h"
#include "ui/StatusSection.h"
#include "ui/SuggestionPanelController.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::ElementsAre;

namespace {

using test::kEditorPid;
using test::kSeparator;
using AppDelegateTest = test::AppDelegateFixture;

TEST_F(AppDelegateTest, MenuFollowsThePauseStateAtEachOpening) {
    desktop.storeKey();
    launch();
    const QStringList active{"Quillet — active", kSeparator,         "Pause",    "History",     kSeparator,
                             "Settings…",        "Run setup again…", kSeparator, "Quit Quillet"};
    EXPECT_EQ(openMenu(), active);
    EXPECT_FALSE(item("Quillet — active")->isEnabled());
    QMenu* pause = submenu("Pause");
    ASSERT_NE(pause, nullptr);
    pause->actions()[0]->trigger();
    EXPECT_EQ(delegate->coordinator().pausedUntil(), clock.addSecs(900));
    EXPECT_THAT(openMenu(), ElementsAre("Quillet — paused", kSeparator, "Resume", "History", kSeparator,
                                        "Settings…", "Run setup again…", kSeparator, "Quit Quillet"));
    clock = clock.addSecs(901);
    EXPECT_EQ(openMenu(), active) << "an expired pause reads as active with nothing else done";

    submenu("Pause")->actions()[1]->trigger();
    EXPECT_EQ(delegate->coordinator().pausedUntil(), clock.addSecs(3600));
    openMenu();
    item("Resume")->trigger();
    EXPECT_FALSE(delegate->coordinator().pausedUntil().has_value());
    EXPECT_EQ(openMenu(), active);

    submenu("Pause")->actions()[2]->trigger();
    clock = clock.addYears(50);
    EXPECT_EQ(openMenu()[0], "Quillet — paused") << "until restart";

    item("Quit Quillet")->trigger();
    EXPECT_EQ(quits, 1);
}

TEST_F(AppDelegateTest, LanguageSwitchChangesTheTitlesAtTheNextOpening) {
    desktop.storeKey();
    launch();
    // Every title of the menu and of its submenus, depth first.
    const std::function<QStringList(const QMenu&)> all = [&all](const QMenu& menu) {
        QStringList out;
        for (QAction* a : menu.actions())
            out << (a->isSeparator() ? kSeparator : a->text())
                << (a->menu() ? all(*a->menu()) : QStringList());
        return out;
    };
    openMenu();
    const QStringList english = all(*delegate->menu());
    desktop.settings.setLanguage(AppLanguage::sr);
    openMenu();
    const QStringList serbian = all(*delegate->menu());
    ASSERT_EQ(serbian.size(), english.size());
    for (qsizetype i = 0; i < english.size(); ++i)
        EXPECT_TRUE(english[i] == kSeparator || serbian[i] != english[i]) << qPrintable(english[i]);
    EXPECT_FALSE(submenu("Istorija")->actions()[0]->isEnabled()) << "no corrections yet: nothing to copy";
}

// Where an entry's title is cut is the entry's own rule; the menu shows it as text.
TEST_F(AppDelegateTest, HistoryListsReplacementsNewestFirstAndCopiesTheWholeReplacement) {
    desktop.storeKey();
    launch();
    const QString longer = QString(41, QLatin1Char('a'));
    replaceInEditor(QStringLiteral("the first original text"), longer);
    replaceInEditor(QStringLiteral("a second one here"),
                    QStringLiteral("Tom & Jerry\tagain\nand\u2029again"));
    ASSERT_EQ(delegate->coordinator().history().size(), 2);

    openMenu();
    QMenu* history = submenu("History");
    ASSERT_NE(history, nullptr);
    EXPECT_THAT(titles(*history), ElementsAre("Mousepad: Tom && Jerry again and again",
                                              HistoryEntry{{}, {}, longer, "Mousepad", {}}.menuTitle()))
        << "newest first; a mnemonic, a tab or a line or paragraph break is shown as text";

    desktop.clipboard.copyText(QStringLiteral("something else"));
    history->actions()[1]->trigger();
    EXPECT_EQ(desktop.clipboard.plainText(), longer) << "the replacement, whole, not the original";
    delegate->trayCommands().copyHistoryEntry(2);
    delegate->trayCommands().copyHistoryEntry(-1);
    EXPECT_EQ(desktop.clipboard.plainText(), longer) << "out of range does nothing";
}

TEST_F(AppDelegateTest, LaunchOpensTheSetupUnlessPermissionAndKeyAreBothThere) {
    desktop.ax.trusted = false;
    desktop.storeKey();
    launch();
    ASSERT_NE(delegate->onboardingWindow(), nullptr) << "no permission, even with a key";
    EXPECT_TRUE(delegate->onboardingWindow()->window()->isVisible());
    EXPECT_EQ(delegate->settingsWindow(), nullptr);
    EXPECT_TRUE(delegate->coordinator().isWaitingForPermission()) << "the coordinator was started";
    ASSERT_NE(delegate->trayIcon(), nullptr);
    EXPECT_TRUE(desktop.hotkey.isGrabbed()) << "the hotkey is registered before the wait";
    // Fields are followed within two seconds of the grant.
    desktop.scheduler.advance(5s);
    desktop.ax.trusted = true;
    desktop.scheduler.advance(2s);
    EXPECT_FALSE(delegate->coordinator().isWaitingForPermission());
    focusEditorField(QStringLiteral("words enough for an icon"));
    EXPECT_TRUE(delegate->windows().overlay.isVisible());

    desktop.settings.setApiKey(QString());
    launch();
    EXPECT_NE(delegate->onboardingWindow(), nullptr) << "permission without a key";

    desktop.storeKey();
    launch();
    EXPECT_EQ(delegate->onboardingWindow(), nullptr) << "both there: nothing opens";
    EXPECT_EQ(delegate->settingsWindow(), nullptr);
    EXPECT_FALSE(delegate->coordinator().isWaitingForPermission());
}

TEST_F(AppDelegateTest, AKeyringThatAnswersLateDecidesTheSetupAndTheIconWhenItAnswers) {
    desktop.secrets.items[KeychainManager::itemFor({})] = "sk-late";
    desktop.secrets.deferred = true;
    {
        SettingsStore late(desktop.defaults, desktop.secrets, desktop.autostart, desktop.log,
                           desktop.scheduler);
        SettingsStore::install(&late);
        AppDelegate app(late, desktop.services());
        app.trayAvailable = [] { return true; };
        app.start();
        EXPECT_EQ(app.onboardingWindow(), nullptr) << "nothing is decided before the keyring answers";
        focusEditorField(QStringLiteral("Some words to check here"));
        ASSERT_TRUE(app.windows().overlay.isVisible()) << "fields are followed meanwhile";
        EXPECT_EQ(app.windows().overlay.state(), IconState::ready) << "not known to be missing";

        desktop.secrets.answerPending();
        EXPECT_EQ(app.onboardingWindow(), nullptr) << "a key is stored: no setup";
        EXPECT_EQ(app.windows().overlay.state(), IconState::ready) << "the icon already shown follows";
    }
    // A keyring that never answers is given up on, and is no missing key: no setup, and the icon and
    // the panel still work and say what is wrong.
    desktop.secrets.deferred = false;
    desktop.secrets.hang = true;
    SettingsStore silent(desktop.defaults, desktop.secrets, desktop.autostart, desktop.log,
                         desktop.scheduler);
    SettingsStore::install(&silent);
    AppDelegate app(silent, desktop.services());
    app.trayAvailable = [] { return true; };
    app.start();
    desktop.scheduler.advance(SettingsStore::keyPresenceTimeout);
    EXPECT_EQ(app.onboardingWindow(), nullptr) << "the key may well be there";
    focusEditorField(QStringLiteral("Some other words to check"));
    EXPECT_EQ(app.windows().overlay.state(), IconState::ready);
    app.coordinator().presentSuggestions();
    EXPECT_EQ(app.settingsWindow(), nullptr) << "nothing to set: the keyring is silent";
    ASSERT_NE(panelController(app.coordinator()), nullptr);
    desktop.scheduler.advance(KeychainManager::answerTimeout);
    EXPECT_EQ(panelController(app.coordinator())->viewModel()->correction().message(),
              "The keyring is not answering. Try again in a moment.");
    EXPECT_TRUE(desktop.http.requests.isEmpty()) << "no request goes out without its key";
    app.coordinator().closeSuggestions();
    SettingsStore::install(&desktop.settings);
}

TEST_F(AppDelegateTest, SettingsIsOneWindowShowsWhyTheShortcutIsMissingAndChecksTheTypedKey) {
    desktop.storeKey();
    desktop.hotkey.failure = GrabError{GrabError::Kind::taken};
    launch();
    openMenu();
    item("Settings…")->trigger();
    SettingsWindowController* first = delegate->settingsWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->window()->isVisible());
    EXPECT_FALSE(first->window()->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(first->window()->windowTitle(), "Quillet — Settings");
    first->window()->close();
    item("Settings…")->trigger();
    EXPECT_EQ(delegate->settingsWindow(), first);
    EXPECT_TRUE(first->window()->isVisible());
    EXPECT_EQ(QApplication::topLevelWidgets().count(first->window()), 1);
    auto* unavailable = first->window()->findChild<QWidget*>(QStringLiteral("shortcutUnavailable"));
    ASSERT_NE(unavailable, nullptr);
    EXPECT_FALSE(unavailable->isHidden());
    EXPECT_EQ(unavailable->toolTip(), "Another program already uses Super+Shift+G.");

    // The coordinator asks for it when there is no key: the same window again.
    desktop.settings.setApiKey(QString());
    first->window()->close();
    delegate->coordinator().hotkeyTriggered();
    EXPECT_EQ(delegate->settingsWindow(), first);
    EXPECT_TRUE(first->window()->isVisible());

    // Its key check asks the server with the typed key; closed meanwhile, the window keeps what was
    // typed and the answer, and is titled anew at the next opening.
    auto* field = first->window()->findChild<QLineEdit*>(QStringLiteral("apiKeyField"));
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, QStringLiteral("sk-new"));
    desktop.http.enqueue(FakeHttpTransport::Script::reply(200, "{\"data\":[]}"));
    first->view()->saveAndValidate();
    EXPECT_EQ(first->view()->keyStatus(), KeyStatus::checking);
    first->window()->findChild<QLineEdit*>(QStringLiteral("newBlockedAppField"))->setText("half typed");
    desktop.settings.setLanguage(AppLanguage::sr);
    EXPECT_EQ(first->window()->windowTitle(), "Quillet — Settings") << "an open window keeps its title";
    first->window()->close();
    desktop.scheduler.runPending();
    ASSERT_EQ(desktop.http.requests.size(), 1);
    EXPECT_EQ(desktop.http.requests[0].url.path(), "/v1/models");
    EXPECT_EQ(desktop.http.requests[0].header("Authorization"), "Bearer sk-new");
    delegate->openSettings();
    EXPECT_EQ(first->window()->windowTitle(), "Quillet — Podešavanja");
    EXPECT_EQ(first->view()->keyStatus(), KeyStatus::valid);
    EXPECT_EQ(first->view()->newBlockedApp(), "half typed");
    EXPECT_EQ(first->view()->apiKeyInput(), "") << "a key typed is never kept in a window";
}

TEST_F(AppDelegateTest, SetupIsKeptAfterACloseAndMadeAfreshAfterFinish) {
    desktop.ax.trusted = false;
    launch();
    OnboardingWindowController* first = delegate->onboardingWindow();
    ASSERT_NE(first, nullptr);
    QWidget* window = first->window();
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    const QString title = window->windowTitle();
    desktop.ax.trusted = true;
    desktop.scheduler.advance(OnboardingView::permissionPollInterval);
    first->view()->goForward();
    QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("apiKeyField")), QStringLiteral("sk-half"));
    window->close();
    EXPECT_FALSE(window->isVisible());
    openMenu();
    item("Run setup again…")->trigger();
    EXPECT_EQ(delegate->onboardingWindow(), first);
    EXPECT_EQ(first->view()->step(), OnboardingView::apiKey) << "the same window, where it was left";
    EXPECT_EQ(first->view()->apiKeyInput(), "sk-half");
    window->close();
    desktop.settings.setLanguage(AppLanguage::sr);
    delegate->openOnboarding();
    EXPECT_NE(window->windowTitle(), title) << "titled at each opening";

    desktop.storeKey();
    first->view()->goForward();
    QPointer<QWidget> finished(window);
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("forwardButton")), Qt::LeftButton);
    EXPECT_EQ(delegate->onboardingWindow(), nullptr);
    ASSERT_TRUE(finished) << "deleted only once the click has been handled";
    EXPECT_FALSE(finished->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(finished);
    delegate->openOnboarding();
    ASSERT_NE(delegate->onboardingWindow(), nullptr);
    EXPECT_EQ(delegate->onboardingWindow()->view()->step(), OnboardingView::permission);
    EXPECT_EQ(delegate->onboardingWindow()->view()->apiKeyInput(), "");
}

TEST_F(AppDelegateTest, SampleFieldGetsTheIconAndTheCorrectionButOtherWindowsStayUntracked) {
    desktop.storeKey();
    launch();
    delegate->openOnboarding();
    OnboardingWindowController* setup = delegate->onboardingWindow();
    setup->view()->goForward();
    setup->view()->goForward();
    ASSERT_EQ(setup->view()->step(), OnboardingView::test);
    QWidget* window = setup->window();
    activate(window);
    QPlainTextEdit* sample = setup->view()->sampleField();
    sample->setFocus();
    ASSERT_TRUE(sample->hasFocus());

    AppCoordinator& c = delegate->coordinator();
    ASSERT_TRUE(c.currentField());
    EXPECT_EQ(c.currentField()->pid, desktop.workspace.myPid);
    ASSERT_TRUE(delegate->windows().overlay.isVisible());
    const Accessible element = c.currentField()->element;
    const Rect fieldFrame = *delegate->accessibility().frame(element);
    const Rect iconFrame = delegate->windows().overlay.panel()->screenFrame();
    const Rect expected =
        SurfacePlacement::overlayIconFrame(fieldFrame, std::nullopt, desktop.screens.screens());
    EXPECT_NEAR(iconFrame.x(), expected.x(), 1);
    EXPECT_NEAR(iconFrame.y(), expected.y(), 1);
    EXPECT_EQ(delegate->accessibility().focusedElement(), element) << "the hotkey finds the sample field too";

    // Typing is followed: the words fall under the minimum, then come back.
    sample->setPlainText(QStringLiteral("two words"));
    desktop.scheduler.advance(AXMonitor::trackInterval);
    EXPECT_FALSE(delegate->windows().overlay.isVisible());
    sample->setPlainText(OnboardingView::sampleText());
    desktop.scheduler.advance(AXMonitor::trackInterval);
    ASSERT_TRUE(delegate->windows().overlay.isVisible());

    emit delegate->windows().overlay.clicked();
    ASSERT_NE(panelController(c), nullptr);
    EXPECT_EQ(panelController(c)->viewModel()->originalText(), OnboardingView::sampleText());
    const QString fixed = QStringLiteral("This is a sentence with a couple of mistakes that need fixing.");
    panelController(c)->viewModel()->replace(fixed);
    EXPECT_EQ(sample->toPlainText(), fixed) << "written into the widget itself";
    ASSERT_EQ(c.history().size(), 1);
    EXPECT_EQ(c.history().first().appName, "Quillet");
    EXPECT_EQ(c.history().first().original, OnboardingView::sampleText());
    sample->undo();
    EXPECT_EQ(sample->toPlainText(), OnboardingView::sampleText()) << "the field's own Undo takes it back";

    // The settings window's fields are never reported, and the icon leaves with the focus.
    delegate->openSettings();
    QWidget* settings = delegate->settingsWindow()->window();
    activate(settings);
    settings->findChild<QLineEdit*>(QStringLiteral("apiKeyField"))->setFocus();
    EXPECT_FALSE(c.currentField());
    EXPECT_FALSE(delegate->windows().overlay.isVisible());
    EXPECT_EQ(delegate->accessibility().focusedElement(), std::nullopt);

    // Finishing the setup takes the field away for good.
    activate(window);
    sample->setFocus();
    EXPECT_TRUE(c.currentField());
    setup->view()->goForward();
    EXPECT_FALSE(c.currentField());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(delegate->accessibility().text(element).error(), AccessError::invalidElement);

    // Every other application's field is the desktop's, in-place edits included: a rich-text
    // editor keeps its formatting only through them.
    const Accessible editor = desktop.ax.makeTextField(101, QStringLiteral("Their is"));
    FakeAccessibility::data(editor).takesEdits = true;
    EXPECT_EQ(delegate->accessibility().replaceText(editor, TextRange{0, 5}, QStringLiteral("There")),
              AccessError::success);
    EXPECT_EQ(desktop.ax.text(editor), QStringLiteral("There is"));
}

TEST_F(AppDelegateTest, WithoutATrayEveryStartShowsSettingsWithTheMenusCommands) {
    trayShown = false;
    desktop.storeKey();
    launch();
    ASSERT_NE(delegate->settingsWindow(), nullptr) << "the only way in";
    QWidget* window = delegate->settingsWindow()->window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(delegate->onboardingWindow(), nullptr) << "permission and key are there";
    StatusSection* status = delegate->settingsWindow()->view()->statusSection();
    ASSERT_NE(status, nullptr);
    EXPECT_FALSE(status->isHidden());
    auto* line = window->findChild<QLabel*>(QStringLiteral("statusLine"));
    EXPECT_EQ(line->text(), "Quillet — active");
    EXPECT_TRUE(labelIn(window, "No corrections this session"));

    // Pause, with the menu's three choices, and Resume.
    auto* pause = window->findChild<QPushButton*>(QStringLiteral("pauseButton"));
    ASSERT_NE(pause, nullptr);
    Q_EMIT pause->menu()->aboutToShow();
    pause->menu()->actions()[1]->trigger();
    EXPECT_EQ(delegate->coordinator().pausedUntil(), clock.addSecs(3600));
    EXPECT_EQ(line->text(), "Quillet — paused");
    EXPECT_TRUE(pause->isHidden());
    auto* resume = window->findChild<QPushButton*>(QStringLiteral("resumeButton"));
    QTest::mouseClick(resume, Qt::LeftButton);
    EXPECT_FALSE(delegate->coordinator().isPaused());
    EXPECT_EQ(line->text(), "Quillet — active");

    // The replacements of the run, each copied by its own button, as they come.
    replaceInEditor(QStringLiteral("first original text"), QStringLiteral("First & replacement"));
    replaceInEditor(QStringLiteral("second original text"), QStringLiteral("Second\treplacement"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(labelIn(window, "Mousepad: Second replacement"));
    EXPECT_TRUE(labelIn(window, "Mousepad: First & replacement"));
    const QList<QPushButton*> copies = window->findChildren<QPushButton*>(QStringLiteral("copyHistoryEntry"));
    ASSERT_EQ(copies.size(), 2);
    QTest::mouseClick(copies[1], Qt::LeftButton);
    EXPECT_EQ(desktop.clipboard.plainText(), "First & replacement");

    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("quitButton")), Qt::LeftButton);
    EXPECT_EQ(quits, 1);

    // With a tray the section stays out of the way, and a start opens nothing.
    trayShown = true;
    launch();
    EXPECT_EQ(delegate->settingsWindow(), nullptr);
    delegate->openSettings();
    EXPECT_TRUE(delegate->settingsWindow()->view()->statusSection()->isHidden());
}

}  // namespace
