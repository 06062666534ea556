// Focus tracking against real applications over AT-SPI in the private session.
#include <gmock/gmock.h>

#include <unistd.h>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

#include "core/AXMonitor.h"
#include "platform/Accessibility.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/atspi/OwnObjectSweep.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/x11/X11Workspace.h"
#include "support/DesktopApps.h"
#include "support/TestEnv.h"

// Last: Xlib's macros clash with the names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// The Qt scheduler, counting the ticks of its repeating timers, so that a test can wait for the
// monitor's next re-checks instead of for a time.
class CountingScheduler final : public Scheduler {
public:
    TimerId after(std::chrono::milliseconds delay, std::function<void()> fn) override {
        return m_qt.after(delay, std::move(fn));
    }
    TimerId every(std::chrono::milliseconds interval, std::function<void()> fn) override {
        return m_qt.every(interval, [this, fn = std::move(fn)] {
            ++m_ticks;
            fn();
        });
    }
    void post(std::function<void()> fn) override { m_qt.post(std::move(fn)); }
    void cancel(TimerId id) override { m_qt.cancel(id); }
    std::chrono::milliseconds now() const override { return m_qt.now(); }
    /// Runs the event loop until `n` more ticks have run.
    bool waitTicks(int n) {
        const int until = m_ticks + n;
        return waitUntil([&] { return m_ticks >= until; }, 10000);
    }

private:
    QtScheduler m_qt;
    int m_ticks = 0;
};

class FocusTrackingTest : public testing::Test {
protected:
    FocusTrackingTest() {
        QObject::connect(&monitor, &AXMonitor::focusChanged, [this](const std::optional<FocusedField>& f) {
            ++focusChanges;
            field = f;
        });
        QObject::connect(&monitor, &AXMonitor::fieldUpdated, [this] { ++updates; });
    }

    // Starts the monitor once `app`'s window is active and its field is known to AT-SPI.
    bool startOn(DesktopApp& app, const QString& bundle) {
        if (app.window().isEmpty())
            return false;
        const bool ready = waitUntil(
            [&] {
                std::optional<RunningApplication> front = workspace.activeApplication();
                if (!front || front->appId != bundle)
                    return false;
                return ax.focusedElement().has_value();
            },
            10000);
        if (!ready)
            return false;
        monitor.start();
        return true;
    }

    X11Workspace workspace;
    AtspiAccessibility ax{[this] { return workspace.activePid(); }};
    CountingScheduler scheduler;
    AXMonitor monitor{ax, workspace, scheduler};
    std::optional<FocusedField> field;
    int focusChanges = 0;
    int updates = 0;
};

TEST_F(FocusTrackingTest, MousepadFieldTypingAndMoving) {
    ASSERT_TRUE(ax.accessibilityEnabled());
    DesktopApp mousepad(QStringLiteral("mousepad"), {});
    ASSERT_TRUE(startOn(mousepad, QStringLiteral("org.xfce.mousepad")));
    ASSERT_EQ(focusChanges, 1);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->pid, mousepad.pid());
    EXPECT_EQ(field->appId, QStringLiteral("org.xfce.mousepad"));
    EXPECT_FALSE(field->isSecure(ax));
    // The monitor may replace `field` from its callback while the waits below run the event loop.
    const FocusedField tracked = *field;

    // The text view lies inside the window X11 reports.
    const QRect window = mousepad.windowGeometry();
    std::optional<Rect> axFrame = ax.frame(tracked.element);
    ASSERT_TRUE(axFrame);
    EXPECT_TRUE(QRectF(window).adjusted(-1, -1, 1, 1).contains(*axFrame)) << window.x() << "," << window.y();
    EXPECT_GT(axFrame->width(), window.width() / 2);

    // Three typed characters: edits that fall within one tick are one update, and ticks that change
    // nothing add none, however many pass.
    xdotool({"type", "--delay", "200", "abc"});
    ASSERT_TRUE(waitUntil([&] { return ax.text(tracked.element) == QStringLiteral("abc"); }, 3000));
    QElapsedTimer sinceLastEdit;
    sinceLastEdit.start();
    // A busy machine may hold the monitor's tick back: the update is waited for, not a number of ticks.
    ASSERT_TRUE(waitUntil([&] { return updates >= 1; }, 5000)) << "the edits are reported";
    // A read the machine made slow puts the next one off, though never for longer than this.
    while (sinceLastEdit.elapsed() < AXMonitor::longestEditReadWait.count())
        ASSERT_TRUE(scheduler.waitTicks(1));
    ASSERT_TRUE(scheduler.waitTicks(2)) << "the last edit's tick has run";
    EXPECT_LE(updates, 3);
    const int typed = updates;
    ASSERT_TRUE(scheduler.waitTicks(20));
    EXPECT_EQ(updates, typed) << "nothing changed, safety-net reads included";
    EXPECT_EQ(tracked.wordCount(ax), 1);
    EXPECT_EQ(ax.text(tracked.element), QStringLiteral("abc"));

    // Moving the window is reported by a re-check, though no text changed.
    updates = 0;
    const QPoint before = mousepad.windowGeometry().topLeft();
    xdotool({"windowmove", "--sync", mousepad.window(),
             QString::number(before.x() - 300 < 0 ? before.x() + 50 : 10), "40"});
    ASSERT_TRUE(waitUntil([&] { return updates > 0; }, 2000));
    const std::optional<Rect> moved = ax.frame(tracked.element);
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
            std::optional<Accessible> e = ax.focusedElement();
            return e && ax.role(*e) == QStringLiteral("AXSecureTextField");
        },
        10000));
    monitor.start();
    ASSERT_TRUE(field);
    EXPECT_TRUE(field->isSecure(ax));
    EXPECT_TRUE(ax.passwordFieldFocused());

    // Tab to the dialog's buttons: a focus change with no field, and the timer stops.
    const int before = focusChanges;
    xdotool({"key", "Tab"});
    ASSERT_TRUE(waitUntil([&] { return focusChanges > before; }, 3000));
    EXPECT_EQ(field, std::nullopt);
    EXPECT_FALSE(ax.passwordFieldFocused());
}

// Our own windows answer AT-SPI on the thread that would be asking: a question to them stalls
// everything until it times out. A window of ours coming to the front is named without one.
TEST_F(FocusTrackingTest, TheProgramNamesItsOwnWindowsWithoutAskingThem) {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Own window"));
    window.show();
    const QString id = visibleWindow(QStringLiteral("Own window"), 5000);
    ASSERT_FALSE(id.isEmpty());
    xdotool({"windowactivate", "--sync", id});
    ASSERT_TRUE(waitUntil([&] { return workspace.activePid() == ::getpid(); }, 5000));
    QElapsedTimer timer;
    timer.start();
    const std::optional<QString> own = ax.applicationName(qint32(::getpid()));
    EXPECT_LT(timer.elapsed(), AtspiAccessibility::callTimeoutMs) << "answered without a question";
    EXPECT_EQ(own, QCoreApplication::applicationName());
}

// Qt's bridge never tells the bus that an object of ours is gone, and libatspi keeps every object it
// has heard of until it is told: windows of ours made and dropped again and again (a panel for each
// request) must not pile up in its cache.
TEST_F(FocusTrackingTest, OwnWindowsDroppedLeaveNoObjectsBehind) {
    ax.startListening();
    constexpr int rounds = 12, fields = 8;
    for (int round = 0; round < rounds; ++round) {
        auto window = std::make_unique<QWidget>();
        const QString title = QStringLiteral("Own panel %1").arg(round);
        window->setWindowTitle(title);
        auto* layout = new QVBoxLayout(window.get());
        std::vector<QLineEdit*> edits;
        for (int i = 0; i < fields; ++i) {
            edits.push_back(new QLineEdit(window.get()));
            layout->addWidget(edits.back());
        }
        window->show();
        const QString id = visibleWindow(title, 5000);
        ASSERT_FALSE(id.isEmpty());
        xdotool({"windowactivate", "--sync", id});
        // Each field taking the focus is an event about it, and libatspi learns of it.
        for (QLineEdit* edit : edits) {
            edit->setFocus();
            ASSERT_TRUE(waitUntil([&] { return edit->hasFocus(); }, 3000));
        }
        waitUntil([] { return false; }, 100);
    }
    // Of a hundred objects heard of, those of the last window or two at most are still held.
    EXPECT_TRUE(waitUntil([&] { return ax.ownObjectsHeld() < 3 * fields + OwnObjectSweep::slack; }, 5000))
        << ax.ownObjectsHeld() << " objects held";
}

// A Qt program on a GNOME desktop also loads GTK, which registers a second, empty application for
// the same process, before Qt's. A layer that heard no focus event yet (it just started) asks the
// process's windows: those of the application that has them.
TEST_F(FocusTrackingTest, AQtProgramOnGnomeIsAskedThroughItsWindows) {
    DesktopApp editor(QStringLiteral("env"),
                      {QStringLiteral("XDG_CURRENT_DESKTOP=GNOME"), testEditorBinary()});
    const QString window = editor.window();
    ASSERT_FALSE(window.isEmpty());
    xdotool({"windowactivate", "--sync", window});
    ASSERT_TRUE(waitUntil([&] { return workspace.activePid() == editor.pid(); }, 5000));
    AtspiAccessibility fresh{[this] { return workspace.activePid(); }};
    std::optional<Accessible> focused;
    ASSERT_TRUE(waitUntil(
        [&] {
            focused = fresh.focusedElement();
            return focused.has_value();
        },
        10000));
    qint32 owner = 0;
    EXPECT_EQ(fresh.pid(*focused, owner), AccessError::success);
    EXPECT_EQ(owner, editor.pid());
}

TEST_F(FocusTrackingTest, AHungApplicationCostsLessThanASecondPerCall) {
    DesktopApp mousepad(QStringLiteral("mousepad"), {});
    ASSERT_TRUE(startOn(mousepad, QStringLiteral("org.xfce.mousepad")));
    ASSERT_TRUE(field);
    // The monitor may drop `field` from its callback while the waits below run the event loop.
    const Accessible element = field->element;
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
    EXPECT_TRUE(waitUntil([&] { return ax.text(element).has_value(); }, 3000));
}

// An activation whose event Xlib read along with the reply to another request of ours is still
// reported, without waiting for the next one.
TEST(X11WorkspaceTest, AnActivationReadWithAnotherReplyIsReported) {
    X11Workspace workspace;
    std::optional<qint32> activated;
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);
    const Window window = XCreateSimpleWindow(display, root, 0, 0, 10, 10, 0, 0, 0);
    const unsigned long pid = ::getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    XChangeProperty(display, root, XInternAtom(display, "_NET_ACTIVE_WINDOW", False), XA_WINDOW, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&window), 1);
    XSync(display, False);
    // The change is on the workspace's socket; a request of its own reads it from there.
    EXPECT_EQ(workspace.activePid(), qint32(pid));
    // The program's own loop, which sleeps when it has nothing to do (the tests' waits never do).
    QEventLoop loop;
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    workspace.setActivationHandler([&](const RunningApplication& app) {
        activated = app.pid;
        loop.quit();
    });
    loop.exec();
    // The window manager may have named another window meanwhile (focus coming back from a
    // program that quit); then there was no activation of this one to report.
    if (activated != qint32(pid)) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, root, XInternAtom(display, "_NET_ACTIVE_WINDOW", False), 0, 1, False,
                           XA_WINDOW, &type, &format, &count, &after, &data);
        const bool stillOurs = data && count == 1 && *reinterpret_cast<unsigned long*>(data) == window;
        if (data)
            XFree(data);
        if (!stillOurs) {
            XDestroyWindow(display, window);
            XCloseDisplay(display);
            GTEST_SKIP() << "the window manager named another active window meanwhile";
        }
    }
    EXPECT_EQ(activated, qint32(pid));
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

// A window manager holds every other client's request up while it maps a window (ours, shown as the
// field is read): the window and application in front are known without asking the server then.
TEST(X11WorkspaceTest, TheFrontIsKnownWhileAnotherClientHoldsTheServer) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);
    const Atom activeAtom = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    const auto makeActive = [&](Window window) {
        XChangeProperty(display, root, activeAtom, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&window), 1);
        XSync(display, False);
    };
    const unsigned long pid = ::getpid();
    std::vector<Window> windows;
    for (int i = 0; i < 2; ++i) {
        windows.push_back(XCreateSimpleWindow(display, root, 0, 0, 10, 10, 0, 0, 0));
        XChangeProperty(display, windows.back(), XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    }
    makeActive(windows[0]);
    X11Workspace workspace;
    ASSERT_EQ(workspace.activeWindow(), windows[0]);
    ASSERT_TRUE(workspace.activeApplication().has_value());
    // The switch is read when it comes, as the program's loop does while the user works.
    QEventLoop loop;
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    workspace.setActivationHandler([&](const RunningApplication&) { loop.quit(); });
    makeActive(windows[1]);
    loop.exec();
    XGrabServer(display);
    XSync(display, False);
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    bool doneWhileHeld = false;
    // The hold ends when the workspace has answered, or after five seconds if it waits on the server.
    std::thread holder([&] {
        std::unique_lock<std::mutex> lock(mutex);
        answered.wait_for(lock, std::chrono::seconds(5), [&] { return done; });
        doneWhileHeld = done;
        XUngrabServer(display);
        XSync(display, False);
    });
    const quint64 front = workspace.activeWindow();
    const std::optional<RunningApplication> app = workspace.activeApplication();
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    answered.notify_one();
    holder.join();
    EXPECT_TRUE(doneWhileHeld);
    EXPECT_EQ(front, windows[1]);
    ASSERT_TRUE(app.has_value());
    EXPECT_EQ(app->pid, qint32(pid));
    for (Window window : windows)
        XDestroyWindow(display, window);
    XCloseDisplay(display);
}

}  // namespace
