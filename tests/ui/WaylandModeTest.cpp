// The coordinator as a Wayland session runs it, on the platform doubles: no icon, the trigger as
// the way in, notices through the desktop, and a text that no field takes left on the clipboard.
#include <gmock/gmock.h>

#include <QLabel>
#include <QPushButton>

#include "core/SuggestionViewModel.h"
#include "platform/Accessibility.h"
#include "support/FakeDesktop.h"
#include "ui/CoordinatorWindowsSupport.h"
#include "ui/FloatingPanel.h"
#include "ui/SuggestionPanelController.h"
#include "ui/ToastView.h"

using namespace quillet;

namespace {

constexpr qint32 kEditorPid = 601;
const QString kCopied = QStringLiteral("Copied — press Ctrl+V");

class WaylandModeTest : public testing::Test {
protected:
    struct Notice {
        QString text;
        QString actionLabel;
        std::function<void()> action;
    };

    void SetUp() override {
        desktop.workspace.addApp(
            {kEditorPid, QStringLiteral("org.gnome.gedit"), QStringLiteral("Text Editor")});
        desktop.storeKey();
        windows = std::make_unique<CoordinatorWindows>(desktop.services());
        coordinator =
            std::make_unique<AppCoordinator>(desktop.settings, desktop.services(), windows->surfaces());
        coordinator->showsFieldIcon = false;
        // A native Wayland program: no synthetic key reaches it.
        coordinator->canPressKeysIn = [this](qint32) { return keysReach; };
        desktop.keys.fails = !keysReach;
        coordinator->desktopNotice = [this](const QString& text, const QString& label,
                                            std::function<void()> action) {
            if (!desktopHasNotifications)
                return false;
            notices << Notice{text, label, std::move(action)};
            return true;
        };
        coordinator->start();
        desktop.clipboard.write({ClipboardItem{{ClipboardType::plainText, QByteArray("the user's own")}}});
    }

    /// A field of the editor, focused; one that refuses writes sends the text down the clipboard road.
    Accessible focusField(const QString& value, bool writable = true) {
        Accessible field = desktop.ax.makeTextField(kEditorPid, value);
        desktop.ax.setSettable(field, Property::value, writable);
        desktop.ax.setFocused(field);
        desktop.workspace.activateApp(desktop.workspace.apps.value(kEditorPid));
        desktop.scheduler.runPending();
        return field;
    }
    /// The trigger, then the first correction chosen in the panel.
    void triggerAndChoose(const QString& chosen) {
        coordinator->hotkeyTriggered();
        ASSERT_NE(panelController(*coordinator), nullptr) << "the panel opens";
        panelController(*coordinator)->viewModel()->replace(chosen);
        desktop.scheduler.advance(std::chrono::seconds(2));
    }
    QString valueOf(const Accessible& e) { return desktop.ax.text(e).value_or(QStringLiteral("<none>")); }
    QString clipboard() { return desktop.clipboard.plainText().value_or(QString()); }

    test::FakeDesktop desktop;
    bool keysReach = false;
    bool desktopHasNotifications = true;
    QList<Notice> notices;
    std::unique_ptr<CoordinatorWindows> windows;
    std::unique_ptr<AppCoordinator> coordinator;
};

TEST_F(WaylandModeTest, NoIconTheTriggerCorrectsTheFieldAndTheNotificationUndoes) {
    const Accessible field = focusField("Their is a mistake.");
    EXPECT_FALSE(windows->overlay.isVisible()) << "no icon at a field whose place is unknown";
    ASSERT_TRUE(coordinator->currentField()) << "the field is followed all the same";

    triggerAndChoose("There is a mistake.");
    EXPECT_EQ(valueOf(field), "There is a mistake.");
    EXPECT_EQ(panelController(*coordinator), nullptr);
    EXPECT_EQ(coordinator->history().size(), 1);
    EXPECT_EQ(windows->toast.panel(), nullptr) << "no window of ours takes the keyboard";
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].text, "Replaced");
    EXPECT_EQ(notices[0].actionLabel, "Undo");
    EXPECT_EQ(clipboard(), "the user's own") << "an accessibility write leaves the clipboard alone";

    notices[0].action();
    EXPECT_EQ(valueOf(field), "Their is a mistake.");
}

TEST_F(WaylandModeTest, AFieldThatTakesNoWriteLeavesTheTextOnTheClipboard) {
    const Accessible field = focusField("Their is a mistake.");
    // Accepted and ignored, as some programs do: only the read back tells.
    desktop.ax.onSet = [&](const Accessible& e, Property, const PropertyValue&) {
        desktop.ax.set(e, Property::value, QStringLiteral("Their is a mistake."));
    };
    triggerAndChoose("There is a mistake.");
    EXPECT_EQ(valueOf(field), "Their is a mistake.");
    EXPECT_EQ(clipboard(), "There is a mistake.") << "left there for the user, not taken back";
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].text, kCopied);
    EXPECT_TRUE(notices[0].actionLabel.isEmpty()) << "nothing in the field to undo";
    EXPECT_TRUE(coordinator->history().isEmpty());
    EXPECT_EQ(desktop.beep.count, 0);
    EXPECT_EQ(panelController(*coordinator), nullptr);
}

TEST_F(WaylandModeTest, WithoutDesktopNotificationsTheToastSaysItAndPasswordEntryStopsIt) {
    desktopHasNotifications = false;
    focusField("Their is a mistake.", false);
    triggerAndChoose("There is a mistake.");
    EXPECT_EQ(clipboard(), "There is a mistake.");
    ASSERT_NE(windows->toast.view(), nullptr);
    EXPECT_EQ(windows->toast.view()->messageLabel()->text(), kCopied);
    EXPECT_TRUE(windows->toast.view()->undoButton()->isHidden());

    // While password entry is on, nothing reaches the clipboard.
    desktop.clipboard.copyText(QStringLiteral("the user's own"));
    desktopHasNotifications = true;
    coordinator->hotkeyTriggered();
    ASSERT_NE(panelController(*coordinator), nullptr);
    desktop.ax.secureInput = true;  // a password field took the keyboard meanwhile
    panelController(*coordinator)->viewModel()->replace("There is a mistake.");
    desktop.scheduler.advance(std::chrono::seconds(2));
    EXPECT_EQ(clipboard(), "the user's own");
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_EQ(desktop.beep.count, 1);
}

TEST_F(WaylandModeTest, AnXWaylandProgramStillGetsThePaste) {
    keysReach = true;
    desktop.keys.fails = false;
    focusField("Their is a mistake.", false);
    triggerAndChoose("There is a mistake.");
    EXPECT_THAT(desktop.keys.presses, testing::Contains(QStringLiteral("paste")));
    EXPECT_EQ(clipboard(), "the user's own") << "the user's clipboard comes back after a paste";
}

}  // namespace
