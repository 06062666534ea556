// Focus tracking against real applications over AT-SPI in the private session.
#include <gmock/gmock.h>

#include <unistd.h>
#include <QElapsedTimer>
#include <QWidget>
#include <csignal>

#include "core/AX.h"
#include "core/AXMonitor.h"
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/QtScheduler.h"
#include "platform/linux/QtScreens.h"
#include "platform/linux/X11Workspace.h"
#include "support/DesktopApps.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

class FocusTrackingTest : public testing::Test {
protected:
    FocusTrackingTest() {
        monitor.onFocusChanged = [this](const std::optional<FocusedField>& f) {
            ++focusChanges;
            field = f;
        };
        monitor.onFieldUpdated = [this](const FocusedField&) { ++updates; };
    }

    // Starts the monitor once `app`'s window is active and its field is known to AT-SPI.
    bool startOn(DesktopApp& app, const QString& bundle) {
        if (app.window().isEmpty())
            return false;
        const bool ready = waitUntil(
            [&] {
                std::optional<RunningApplication> front = workspace.frontmostApplication();
                if (!front || front->bundleIdentifier != bundle)
                    return false;
                return AX::elementAttribute(ax, ax.systemWide(), AXAttr::focusedUIElement).has_value();
            },
            10000);
        if (!ready)
            return false;
        monitor.start();
        return true;
    }

    X11Workspace workspace;
    AtspiAccessibility ax{[this] { return workspace.activePid(); }};
    QtScreens screens;
    QtScheduler scheduler;
    AXMonitor monitor{ax, workspace, screens, scheduler};
    std::optional<FocusedField> field;
    int focusChanges = 0;
    int updates = 0;
};

TEST_F(FocusTrackingTest, MousepadFieldTypingAndMoving) {
    ASSERT_TRUE(ax.isProcessTrusted());
    DesktopApp mousepad(QStringLiteral("mousepad"), {});
    ASSERT_TRUE(startOn(mousepad, QStringLiteral("org.xfce.mousepad")));
    ASSERT_EQ(focusChanges, 1);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->pid, mousepad.pid());
    EXPECT_EQ(field->bundleID, QStringLiteral("org.xfce.mousepad"));
    EXPECT_FALSE(field->isSecure(ax));

    // The text view lies inside the window X11 reports, and the screen frame is its flip.
    const QRect window = mousepad.windowGeometry();
    std::optional<Rect> axFrame = AX::axFrame(ax, field->element);
    ASSERT_TRUE(axFrame);
    EXPECT_TRUE(QRectF(window).adjusted(-1, -1, 1, 1).contains(*axFrame)) << window.x() << "," << window.y();
    EXPECT_GT(axFrame->width(), window.width() / 2);
    EXPECT_EQ(
        AX::screenFrame(ax, screens, field->element),
        Rect(axFrame->x(), 900 - axFrame->y() - axFrame->height(), axFrame->width(), axFrame->height()));

    // Three typed characters: edits that fall within one tick are one update, and ticks that change
    // nothing add none, however many pass.
    xdotool({"type", "--delay", "200", "abc"});
    waitUntil([&] { return AX::attribute(ax, field->element, AXAttr::value) == QStringLiteral("abc"); },
              3000);
    waitUntil([] { return false; }, 500);
    EXPECT_GE(updates, 1);
    EXPECT_LE(updates, 3);
    const int typed = updates;
    waitUntil([] { return false; }, 2500);
    EXPECT_EQ(updates, typed) << "nothing changed, safety-net reads included";
    EXPECT_EQ(field->wordCount(ax), 1);
    EXPECT_EQ(AX::attribute(ax, field->element, AXAttr::value), QStringLiteral("abc"));

    // Moving the window: reported within a tick (plus the window manager's own time).
    updates = 0;
    const QPoint before = mousepad.windowGeometry().topLeft();
    xdotool({"windowmove", "--sync", mousepad.window(),
             QString::number(before.x() - 300 < 0 ? before.x() + 50 : 10), "40"});
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(waitUntil([&] { return updates > 0; }, 2000));
    EXPECT_LT(timer.elapsed(), 400);
    const std::optional<Rect> moved = AX::axFrame(ax, field->element);
    ASSERT_TRUE(moved);
    const QPoint after = mousepad.windowGeometry().topLeft();
    EXPECT_EQ(moved->x() - axFrame->x(), after.x() - window.x());
    EXPECT_EQ(moved->y() - axFrame->y(), after.y() - window.y());
}

TEST_F(FocusTrackingTest, PasswordDialogIsSecureAndAButtonIsNoField) {
    DesktopApp zenity(QStringLiteral("zenity"), {QStringLiteral("--password")});
    ASSERT_FALSE(zenity.window().isEmpty());
    ASSERT_TRUE(waitUntil(
        [&] {
            std::optional<AXElement> e = AX::elementAttribute(ax, ax.systemWide(), AXAttr::focusedUIElement);
            return e && AX::attribute(ax, *e, AXAttr::role) == QStringLiteral("AXSecureTextField");
        },
        10000));
    monitor.start();
    ASSERT_TRUE(field);
    EXPECT_TRUE(field->isSecure(ax));
    EXPECT_TRUE(ax.isSecureEventInputEnabled());

    // Tab to the dialog's buttons: a focus change with no field, and the timer stops.
    const int before = focusChanges;
    xdotool({"key", "Tab"});
    ASSERT_TRUE(waitUntil([&] { return focusChanges > before; }, 3000));
    EXPECT_EQ(field, std::nullopt);
    EXPECT_FALSE(ax.isSecureEventInputEnabled());
}

// Our own windows answer AT-SPI on the thread that would be asking: a question to them stalls
// everything until it times out. A window of ours coming to the front is named without one.
TEST_F(FocusTrackingTest, TheProgramNamesItsOwnWindowsWithoutAskingThem) {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Own window"));
    window.show();
    ASSERT_TRUE(waitUntil([&] { return !visibleWindow(QStringLiteral("Own window"), 0).isEmpty(); }, 5000));
    waitUntil([] { return false; }, 300);
    QElapsedTimer timer;
    timer.start();
    const std::optional<QString> own = ax.applicationName(qint32(::getpid()));
    EXPECT_LT(timer.elapsed(), 100);
    EXPECT_EQ(own, QCoreApplication::applicationName());
}

TEST_F(FocusTrackingTest, AHungApplicationCostsLessThanASecondPerCall) {
    DesktopApp mousepad(QStringLiteral("mousepad"), {});
    ASSERT_TRUE(startOn(mousepad, QStringLiteral("org.xfce.mousepad")));
    ASSERT_TRUE(field);
    ::kill(pid_t(mousepad.pid()), SIGSTOP);
    qint64 longest = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer one;
        one.start();
        monitor.notifyUpdateIfNeeded();
        longest = std::max(longest, one.elapsed());
    }
    ::kill(pid_t(mousepad.pid()), SIGCONT);
    EXPECT_LT(longest, 1000);
    EXPECT_LT(total.elapsed(), 1500) << "after the first time-out the application is skipped";
    // Once it answers again, it is read again.
    EXPECT_TRUE(
        waitUntil([&] { return AX::attribute(ax, field->element, AXAttr::value).has_value(); }, 3000));
}

}  // namespace
