// The floating surfaces on a real X11 desktop (Xvfb + openbox) over a focused mousepad: focus stays
// with mousepad, a real click reaches the icon once, the panel takes Escape, and AT-SPI reads and
// presses the panel's widgets.
#include <gmock/gmock.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"
#include "platform/linux/x11/X11WindowHints.h"
#include "support/DesktopApps.h"
#include "support/TestEnv.h"
#include "ui/KeyboardPanel.h"
#include "ui/OverlayController.h"
#include "ui/SuggestionPanelController.h"
#include "ui/SuggestionView.h"
#include "ui/SurfaceTestSupport.h"
#include "ui/ToastController.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>

using namespace quillet;
using namespace quillet::test;

namespace {

QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    return runServing(program, args, 20000, exitCode);
}
QString focusedWindow() {
    return xdotool({QStringLiteral("getwindowfocus")});
}

/// Where the X server has the window's top-left corner now (one round trip).
QPoint serverPosition(WId window) {
    Display* display = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display, static_cast<::Window>(window), DefaultRootWindow(display), 0, 0, &x, &y,
                          &child);
    return {x, y};
}

class FloatingSurfacesTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        mousepad = new QProcess;
        mousepad->start(QStringLiteral("mousepad"), {QStringLiteral("--disable-server")});
        ASSERT_TRUE(mousepad->waitForStarted(10000));
        mousepadWindow = windowOf(mousepad->processId(), 15000);
        ASSERT_FALSE(mousepadWindow.isEmpty());
    }
    static void TearDownTestSuite() {
        stopProcess(*mousepad);
        delete mousepad;
    }
    void SetUp() override {
        xdotool({"windowactivate", "--sync", mousepadWindow});
        ASSERT_TRUE(waitUntil([] { return focusedWindow() == mousepadWindow; }, 5000));
    }
    static QString windowId(QWidget* w) { return QString::number(w->winId()); }

    static inline QProcess* mousepad = nullptr;
    static inline QString mousepadWindow;
    FakeScreens screens;  // the session's one 1440x900 screen
    X11WindowHints hints{true};
};

}  // namespace

TEST_F(FloatingSurfacesTest, IconStaysAboveOnEveryWorkspaceAndAClickLeavesMousepadActive) {
    OverlayController overlay(hints);
    int clicks = 0;
    QObject::connect(&overlay, &OverlayController::clicked, [&] { ++clicks; });
    overlay.show(Rect(100, 440, 300, 80));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay.panel()));
    EXPECT_EQ(focusedWindow(), mousepadWindow) << "showing the icon takes no focus";

    const QString props =
        run("xprop", {"-id", windowId(overlay.panel()), "_NET_WM_DESKTOP", "_NET_WM_STATE"});
    EXPECT_THAT(props.toStdString(), testing::HasSubstr("_NET_WM_DESKTOP(CARDINAL) = 4294967295"));
    EXPECT_THAT(props.toStdString(), testing::HasSubstr("_NET_WM_STATE_ABOVE"));
    // Where X11 has the window: the field's bottom-right corner, 440 + 80 - 8 - 24 = 488 from the top.
    const QString geometry = xdotool({"getwindowgeometry", windowId(overlay.panel())});
    EXPECT_THAT(geometry.toStdString(), testing::HasSubstr("Position: 368,488"));

    xdotool({"mousemove", "--sync", "380", "500", "click", "1"});
    ASSERT_TRUE(waitUntil([&] { return clicks > 0; }, 5000));
    EXPECT_TRUE(holdsFor([&] { return clicks == 1; }, 200)) << "one click, one call";
    EXPECT_EQ(focusedWindow(), mousepadWindow) << "the click leaves mousepad active";
    EXPECT_EQ(xdotool({"getactivewindow"}), mousepadWindow);

    // Moving the icon that is already on screen, back and forth quickly: no move may be lost,
    // however the window manager's notices interleave.
    for (int i = 0; i < 50; ++i) {
        const Rect field(100 + (i % 2) * 200, 440, 300, 80);
        const QPoint expected = SurfacePlacement::overlayIconFrame(field).toRect().topLeft();
        QElapsedTimer t;
        t.start();
        overlay.show(field);
        while (serverPosition(overlay.panel()->winId()) != expected && t.elapsed() < 2000)
            QCoreApplication::processEvents();
        EXPECT_EQ(serverPosition(overlay.panel()->winId()), expected) << "move " << i << " was lost";
    }
}

TEST_F(FloatingSurfacesTest, ToastDoesNotTakeFocus) {
    FakeScheduler scheduler;
    ToastController toasts(scheduler, screens, hints);
    toasts.show(Rect(100, 440, 300, 40), [] {});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(toasts.panel()));
    EXPECT_TRUE(holdsFor([] { return focusedWindow() == mousepadWindow; }, 300));
    EXPECT_THAT(xdotool({"getwindowgeometry", windowId(toasts.panel())}).toStdString(),
                testing::HasSubstr("Position: 180,392"));  // 440 - 8 - 40
}

// The top-level window a click at `point` would reach.
QString windowAt(const QPoint& point) {
    xdotool({"mousemove", "--sync", QString::number(point.x()), QString::number(point.y())});
    for (const QString& line : xdotool({"getmouselocation", "--shell"}).split('\n')) {
        if (line.startsWith("WINDOW="))
            return line.mid(7);
    }
    return {};
}

// A writing program in full-screen mode sits above every window the window manager stacks, "above"
// ones included, for as long as it has the focus.
TEST_F(FloatingSurfacesTest, SurfacesShowOverAFocusedFullScreenWindow) {
    const auto fullScreen = [] {
        return run("xprop", {"-id", mousepadWindow, "_NET_WM_STATE"}).contains("_NET_WM_STATE_FULLSCREEN");
    };
    xdotool({"key", "F11"});
    ASSERT_TRUE(waitUntil(fullScreen, 5000));
    struct Restore {
        ~Restore() {
            xdotool({"windowactivate", "--sync", mousepadWindow});
            xdotool({"key", "F11"});
            waitUntil(
                [] {
                    return !run("xprop", {"-id", mousepadWindow, "_NET_WM_STATE"}).contains("FULLSCREEN");
                },
                5000);
        }
    } restore;

    OverlayController overlay(hints);
    int clicks = 0;
    QObject::connect(&overlay, &OverlayController::clicked, [&] { ++clicks; });
    overlay.show(Rect(100, 440, 300, 80));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay.panel()));
    const QPoint icon = overlay.panel()->geometry().center();
    EXPECT_EQ(windowAt(icon), windowId(overlay.panel()));
    // A click into the full-screen window raises it; the icon stays in front and takes its click.
    xdotool({"mousemove", "--sync", "700", "300", "click", "1"});
    ASSERT_TRUE(waitUntil([] { return focusedWindow() == mousepadWindow; }, 5000));
    EXPECT_EQ(windowAt(icon), windowId(overlay.panel()));
    xdotool({"click", "1"});
    ASSERT_TRUE(waitUntil([&] { return clicks == 1; }, 5000));
    EXPECT_EQ(focusedWindow(), mousepadWindow);

    FakeScheduler scheduler;
    ToastController toasts(scheduler, screens, hints);
    toasts.show(Rect(100, 440, 300, 40), [] {});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(toasts.panel()));
    EXPECT_EQ(windowAt(toasts.panel()->geometry().center()), windowId(toasts.panel()));
    EXPECT_TRUE(fullScreen()) << "the notice leaves the writing program as it was";
}

TEST_F(FloatingSurfacesTest, PanelIsReadByAtSpiAndTakesEscape) {
    FakeScheduler scheduler;
    FakeHttpTransport transport(scheduler);
    FakeLanguageRecognizer recognizer;
    MemoryClipboard clipboard;
    const QString original = QStringLiteral("I has went to the store yesterday.");
    const QString corrected = QStringLiteral("I went to the store yesterday.");
    auto vm = std::make_shared<SuggestionViewModel>(
        original, OpenAIClient(SettingsStore::defaultApiBaseURL, "sk-test", "gpt-4o-mini", transport,
                               scheduler, recognizer));
    vm->setCorrection(Load<CorrectionResult>::loaded({corrected, {{"has went", "went", {}}}}));
    vm->setRephrase(Load<RephraseResult>::loaded({{{"concise", "I went shopping yesterday."}}}));
    SuggestionPanelController controller(vm, clipboard, screens, hints);
    int closes = 0;
    QObject::connect(&controller, &SuggestionPanelController::closed, [&] { ++closes; });
    controller.show(Rect(368, 428, 24, 24));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller.panel()));
    ASSERT_TRUE(waitUntil([&] { return controller.panel()->isActiveWindow(); }, 5000))
        << "the panel takes the keyboard";

    int status = -1;
    const QString tree = run("/usr/bin/python3",
                             {sourcePath("tests/support/atspi_query.py"),
                              QString::number(QCoreApplication::applicationPid()), "--press", "Copy"},
                             &status);
    ASSERT_EQ(status, 0) << tree.toStdString();
    for (const char* line :
         {"push button\tReplace", "push button\tCopy", "push button\tClose (Esc)", "pressed Copy"})
        EXPECT_THAT(tree.toStdString(), testing::HasSubstr(line));
    EXPECT_THAT(tree.toStdString(), testing::HasSubstr(corrected.toStdString()));
    EXPECT_THAT(tree.toStdString(), testing::ContainsRegex("Correction"));
    ASSERT_TRUE(waitUntil([&] { return clipboard.writes == 1; }, 3000)) << "Copy pressed through AT-SPI";
    EXPECT_EQ(clipboard.plainText(), corrected);

    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return closes == 1; }, 5000));
    EXPECT_FALSE(controller.panel()->isVisible());
}
