// Starts made for a request, and what the program does with the application in front and the shortcut.
#include <QPushButton>
#include <QTest>

#include "core/SuggestionViewModel.h"
#include "platform/Accessibility.h"
#include "ui/AppDelegateFixture.h"
#include "ui/SettingsWindowController.h"
#include "ui/ShortcutRecorder.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::ElementsAre;

namespace {

using test::kEditorPid;
using AppDelegateStartTest = test::AppDelegateFixture;

TEST_F(AppDelegateStartTest, LaterStartsRequestsAndAStartMadeForOne) {
    desktop.storeKey();
    launch();
    delegate->handleRequest(InstanceRequest::settings);
    ASSERT_NE(delegate->settingsWindow(), nullptr);
    EXPECT_TRUE(delegate->settingsWindow()->window()->isVisible());

    Accessible field = desktop.ax.makeTextField(kEditorPid, QStringLiteral("Some words to check here"));
    desktop.ax.setFocused(field);
    delegate->handleRequest(InstanceRequest::trigger);
    ASSERT_NE(panelController(delegate->coordinator()), nullptr) << "as the shortcut does";
    delegate->coordinator().closeSuggestions();
    delegate->handleRequest(InstanceRequest::quit);
    EXPECT_EQ(quits, 1);

    // Started by `--trigger` on a desktop without a tray: no window takes the field's focus, and
    // the panel opens once the program is running.
    trayShown = false;
    launch(InstanceRequest::trigger);
    EXPECT_EQ(delegate->settingsWindow(), nullptr);
    EXPECT_EQ(panelController(delegate->coordinator()), nullptr);
    desktop.scheduler.runPending();
    EXPECT_NE(panelController(delegate->coordinator()), nullptr);
    EXPECT_EQ(delegate->settingsWindow(), nullptr);

    trayShown = true;
    launch(InstanceRequest::settings);
    ASSERT_NE(delegate->settingsWindow(), nullptr);
    EXPECT_TRUE(delegate->settingsWindow()->window()->isVisible());
}

TEST_F(AppDelegateStartTest, BlockingTheApplicationInFrontHidesItsIconAtOnce) {
    desktop.storeKey();
    launch();
    AppCoordinator& c = delegate->coordinator();
    const Accessible field = focusEditorField(QStringLiteral("Some words to check here"));
    ASSERT_TRUE(delegate->windows().overlay.isVisible());

    EXPECT_EQ(openMenu().indexOf("Block Mousepad"), 4) << "below History";
    item("Block Mousepad")->trigger();
    EXPECT_EQ(desktop.settings.blocklist().last(), "org.xfce.mousepad");
    EXPECT_FALSE(delegate->windows().overlay.isVisible()) << "at once, not at the field's next change";
    EXPECT_FALSE(openMenu().contains("Block Mousepad")) << "blocked already";

    // Unblocked from the settings, the icon is back; then the settings window offers the block
    // for the application that was in front before it.
    desktop.settings.setBlocklist({});
    EXPECT_TRUE(delegate->windows().overlay.isVisible());
    trayShown = false;
    delegate->openSettings();
    desktop.ax.setFocused(Accessible());
    desktop.ax.notify(kEditorPid, field, AccessEvent::focusChanged);
    desktop.scheduler.runPending();
    ASSERT_FALSE(c.currentField());
    QWidget* window = delegate->settingsWindow()->window();
    delegate->settingsWindow()->view()->refreshStatus();
    auto* block = window->findChild<QPushButton*>(QStringLiteral("blockApplicationButton"));
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(block->isVisibleTo(window));
    EXPECT_EQ(block->text(), "Block Mousepad");
    QTest::mouseClick(block, Qt::LeftButton);
    EXPECT_THAT(desktop.settings.blocklist(), ElementsAre("org.xfce.mousepad"));
    EXPECT_FALSE(block->isVisibleTo(window));

    // Quillet itself (the setup's sample field) is never offered.
    desktop.settings.setBlocklist({});
    Accessible own =
        desktop.ax.makeTextField(desktop.workspace.myPid, QStringLiteral("our own sample field"));
    desktop.ax.setFocused(own);
    desktop.workspace.activateApp(desktop.workspace.apps.value(desktop.workspace.myPid));
    desktop.scheduler.runPending();
    EXPECT_EQ(delegate->trayCommands().blockCandidate(), "Mousepad");
}

TEST_F(AppDelegateStartTest, TheShortcutIsTheStoredOneAndAChangeIsKeptOnlyOnceItIsHeld) {
    desktop.defaults.setString(QStringLiteral("globalShortcut"), QStringLiteral("Ctrl+Alt+K"));
    SettingsStore settings(desktop.defaults, desktop.secrets, desktop.autostart, desktop.log,
                           desktop.scheduler);
    EXPECT_EQ(settings.globalShortcut(), "Ctrl+Alt+K");
    desktop.settings.setGlobalShortcut(QStringLiteral("Ctrl+Alt+K"));
    desktop.storeKey();
    launch();
    EXPECT_EQ(desktop.hotkey.grabbed(), Shortcut::fromText("Ctrl+Alt+K")->combination());

    delegate->openSettings();
    QWidget* window = delegate->settingsWindow()->window();
    auto* recorder = window->findChild<ShortcutRecorder*>(QStringLiteral("shortcutRecorder"));
    ASSERT_NE(recorder, nullptr);
    EXPECT_EQ(recorder->text(), "Ctrl+Alt+K");
    QTest::mouseClick(recorder, Qt::LeftButton);
    EXPECT_TRUE(desktop.hotkey.suspended) << "the recorder gets the keys";
    QKeyEvent press(QEvent::KeyPress, Qt::Key_H, Qt::MetaModifier | Qt::ShiftModifier, 43, 'H', 0);
    QApplication::sendEvent(recorder, &press);
    EXPECT_FALSE(desktop.hotkey.suspended);
    EXPECT_EQ(desktop.hotkey.grabbed(), Shortcut::fromText("Super+Shift+H")->combination());
    EXPECT_EQ(desktop.defaults.values.value(QStringLiteral("globalShortcut")).toString(), "Super+Shift+H");

    int triggered = 0;
    QObject::connect(&delegate->coordinator(), &AppCoordinator::needsSettings,
                     [&] { ++triggered; });  // no field: asks for the settings
    desktop.settings.setApiKey(QString());
    desktop.hotkey.press();
    EXPECT_EQ(triggered, 1) << "the new combination works at once";

    // Refused: the previous one stays held and stored, and the reason is shown.
    desktop.hotkey.heldElsewhere << Shortcut::fromText("Super+J")->combination();
    EXPECT_EQ(delegate->changeShortcut(Shortcut::fromText("Super+J")), GrabError{GrabError::Kind::taken});
    EXPECT_EQ(desktop.settings.globalShortcut(), "Super+Shift+H");
    EXPECT_EQ(desktop.hotkey.grabbed(), Shortcut::fromText("Super+Shift+H")->combination());

    // Clear turns it off, and a later start grabs nothing.
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("shortcutClearButton")), Qt::LeftButton);
    EXPECT_FALSE(desktop.hotkey.isGrabbed());
    EXPECT_EQ(desktop.settings.globalShortcut(), "");
    launch();
    EXPECT_FALSE(desktop.hotkey.isGrabbed());

    // A stored text that names no combination leaves the default in force.
    desktop.settings.setGlobalShortcut(QStringLiteral("Hyper+Nothing"));
    launch();
    EXPECT_EQ(desktop.hotkey.grabbed(), Shortcut::defaultShortcut().combination());
}

}  // namespace
