// Text into other programs through the X11 clipboard and XTest: every format of the user's
// clipboard back byte for byte, the hint for clipboard managers, the Serbian Cyrillic layout.
#include <gmock/gmock.h>

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "core/ClipboardSnapshot.h"
#include "core/PasteTarget.h"
#include "core/TextIO.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/x11/X11Clipboard.h"
#include "platform/linux/x11/X11Workspace.h"
#include "platform/linux/x11/XTestKeySynth.h"
#include "support/DesktopApps.h"
#include "support/TestEnv.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace quillet;
using Formats = QMap<QString, QByteArray>;

namespace {

const QString userText = QString::fromUtf8("the user's own copy — ćirilica: Ђурђевдан");

QByteArray userImage() {
    QImage image(16, 8, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 16, y * 32, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Starts this test program as another X client in one of the helper roles below.
std::unique_ptr<QProcess> startHelper(const QString& name, const QString& dir) {
    return test::startHelper("ClipboardHelper.DISABLED_" + name, dir);
}

// Waits for a process while this program keeps serving its own clipboard.
bool finish(QProcess& process, int timeoutMs = 10000) {
    return test::waitUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
}

// Same formats with the same bytes; the formats are named on failure.
void expectSameFormats(const Formats& actual, const Formats& expected) {
    EXPECT_EQ(actual.keys(), expected.keys());
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it)
        EXPECT_EQ(actual.value(it.key()), it.value()) << "format " << it.key().toStdString();
}

// The clipboard as another program sees it: every target and its bytes. Qt's private image alias
// is not kept (see X11Clipboard).
Formats clipboardSeenByAnotherProgram() {
    Formats formats;
    for (const QString& target : test::clipboardTargets())
        if (target != "application/x-qt-image")
            formats.insert(target, test::clipboardBytes(target));
    return formats;
}

struct ClipboardOwner {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> process;
    ClipboardOwner() {
        process = startHelper("Own", dir.path());
        test::waitUntil([&] { return QFile::exists(dir.filePath("ready")); }, 10000);
        // Until this program has seen the new owner, Qt may still describe the previous one.
        test::waitUntil([] { return QGuiApplication::clipboard()->text() == userText; }, 5000);
    }
    ~ClipboardOwner() {
        EXPECT_TRUE(QFile(dir.filePath("stop")).open(QIODevice::WriteOnly));
        finish(*process);
    }
};

// A GTK entry invisible to AT-SPI, so only the clipboard path can reach it.
struct ZenityEntry {
    QProcess process;
    explicit ZenityEntry(const QString& text) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NO_AT_BRIDGE", "1");
        process.setProcessEnvironment(env);
        process.start("zenity", {"--entry", "--title", "Quillet target", "--entry-text", text});
    }
    bool shown() {
        return test::runProgram("xdotool", {"search", "--sync", "--name", "Quillet target"}, nullptr, nullptr,
                                10000) == 0;
    }
    bool activate() {
        return test::runProgram("xdotool",
                                {"search", "--sync", "--name", "Quillet target", "windowactivate", "--sync"},
                                nullptr, nullptr, 10000) == 0;
    }
    QString submit() {
        test::runProgram("xdotool", {"key", "Return"});
        finish(process);
        return QString::fromUtf8(process.readAllStandardOutput()).chopped(1);
    }
    ~ZenityEntry() { test::stopProcess(process); }
};

class TextTransferTest : public testing::Test {
protected:
    void TearDown() override { test::runProgram("setxkbmap", {"us"}); }

    void replaceThroughTheClipboard(const QString& layout, const QString& replacement) {
        ClipboardOwner owner;
        const Formats before = clipboardSeenByAnotherProgram();
        ASSERT_EQ(before.value("image/png"), userImage());
        ASSERT_EQ(before.value("text/plain"), userText.toUtf8());

        ASSERT_EQ(test::runProgram("setxkbmap", {layout}), 0);
        ZenityEntry target(QStringLiteral("teh old txt"));
        ASSERT_TRUE(target.shown());

        // TextIO brings the entry's window to the front itself. The entry is no accessible field: every
        // accessibility write fails and the clipboard is used.
        FocusedField field{Accessible(), static_cast<qint32>(target.process.processId()), std::nullopt};
        std::optional<TextIO::Outcome> outcome;
        io.replace(field, replacement, false, [&](const TextIO::Outcome& o) { outcome = o; });
        ASSERT_TRUE(test::waitUntil([&] { return outcome.has_value(); }, 3000));
        EXPECT_EQ(outcome->strategy, TextIO::Strategy::clipboard);
        EXPECT_FALSE(outcome->confirmed) << "a field that cannot be read cannot confirm the paste";
        // The entry asked for the text as it pasted: the clipboard is back with the notice.
        ASSERT_TRUE(test::waitUntil([&] { return board.plainText() == userText; }, 3000)) << "never restored";

        EXPECT_EQ(target.submit(), replacement);
        expectSameFormats(clipboardSeenByAnotherProgram(), before);
    }

    QtScheduler scheduler;
    X11Clipboard board;
    XTestKeySynth keys{scheduler};
    X11Workspace workspace;
    AtspiAccessibility ax{[this] { return workspace.activePid(); }};
    TextIO io{ax, board, keys, workspace, scheduler};
};

}  // namespace

TEST_F(TextTransferTest, ClipboardPathIntoAnInvisibleGtkEntryRestoresImageAndTextByteForByte) {
    replaceThroughTheClipboard("us", QString::fromUtf8("the new text, with ž and 👋"));
}

TEST_F(TextTransferTest, ClipboardPathUnderTheSerbianCyrillicLayout) {
    replaceThroughTheClipboard("rs", QString::fromUtf8("нови текст"));
}

TEST_F(TextTransferTest, TextLentToTheClipboardIsMarkedSecretForClipboardManagers) {
    ClipboardOwner owner;
    ClipboardSnapshot snapshot = ClipboardSnapshot::capture(board);
    snapshot.lendText(board, "borrowed");
    const Formats lent = clipboardSeenByAnotherProgram();
    EXPECT_EQ(lent.value("x-kde-passwordManagerHint"), "secret");
    EXPECT_EQ(lent.value("text/plain"), "borrowed");
    EXPECT_TRUE(snapshot.restore(board));
    EXPECT_EQ(clipboardSeenByAnotherProgram().value("image/png"), userImage());
}

TEST_F(TextTransferTest, ACopyByAnotherProgramDuringTheBorrowIsKept) {
    std::optional<bool> sent;
    io.pasteReplacement("borrowed for a moment", PasteTarget{0}, [&](bool s) { sent = s; });
    {
        ClipboardOwner owner;  // another program copies while the paste is pending
        // Told once the borrowing is over, given back or not.
        ASSERT_TRUE(test::waitUntil([&] { return sent.has_value(); }, 10000));
        EXPECT_EQ(clipboardSeenByAnotherProgram().value("image/png"), userImage());
    }
}

TEST_F(TextTransferTest, CopyReadsTheSelectionOfTheActiveProgram) {
    ClipboardOwner owner;
    const Formats before = clipboardSeenByAnotherProgram();
    ZenityEntry target(QStringLiteral("selected words"));
    ASSERT_TRUE(target.activate());
    keys.selectAll();
    std::optional<std::optional<QString>> copied;
    io.copyFocusedSelection([&](std::optional<QString> text) { copied = text; });
    ASSERT_TRUE(test::waitUntil([&] { return copied.has_value(); }, 3000));
    EXPECT_EQ(*copied, QString("selected words"));
    expectSameFormats(clipboardSeenByAnotherProgram(), before);
}

// Control is down a moment before the key it goes with, as under a person's fingers, and the key
// waits until the target has handled Control (QtWebEngine pastes twice where both reach it
// together). It is the right Control, which other keys seldom let go. The target here is a busy
// application: it answers pings only `busy` after they came.
TEST_F(TextTransferTest, TheKeyWaitsUntilTheTargetHasHandledControl) {
    constexpr long busy = 80;
    std::atomic<bool> focused{false}, done{false};
    std::map<KeySym, Time> pressed, released;
    std::thread target([&] {
        Display* dpy = XOpenDisplay(nullptr);
        const Window root = DefaultRootWindow(dpy);
        const Window window = XCreateSimpleWindow(dpy, root, 0, 0, 120, 80, 0, 0, 0);
        Atom ping = XInternAtom(dpy, "_NET_WM_PING", False);
        XSetWMProtocols(dpy, window, &ping, 1);
        XSelectInput(dpy, window, KeyPressMask | KeyReleaseMask | FocusChangeMask);
        XMapRaised(dpy, window);
        XSync(dpy, False);
        while (!done) {
            if (!focused) {
                XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
                XSync(dpy, False);
            }
            while (XPending(dpy) > 0) {
                XEvent event;
                XNextEvent(dpy, &event);
                if (event.type == FocusIn) {
                    focused = true;
                } else if (event.type == KeyPress || event.type == KeyRelease) {
                    (event.type == KeyPress ? pressed : released)
                        .emplace(XLookupKeysym(&event.xkey, 0), event.xkey.time);
                    done = released.size() >= 2;
                } else if (event.type == ClientMessage &&
                           static_cast<Atom>(event.xclient.data.l[0]) == ping) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(busy));
                    event.xclient.window = root;
                    XSendEvent(dpy, root, False, SubstructureNotifyMask | SubstructureRedirectMask, &event);
                    XFlush(dpy);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        XDestroyWindow(dpy, window);
        XCloseDisplay(dpy);
    });
    const bool ready = test::waitUntil([&] { return focused.load(); }, 5000);
    const bool posted = ready && keys.paste();
    const bool delivered = posted && test::waitUntil([&] { return done.load(); }, 5000);
    done = true;
    target.join();
    ASSERT_TRUE(ready && posted && delivered);
    ASSERT_TRUE(pressed.count(XK_Control_R) && pressed.count(XK_v) && released.count(XK_Control_R) &&
                released.count(XK_v));
    const auto gap = [](Time from, Time to) { return static_cast<long>(to) - static_cast<long>(from); };
    EXPECT_GE(gap(pressed[XK_Control_R], pressed[XK_v]), busy);
    EXPECT_GE(gap(released[XK_v], released[XK_Control_R]), 0);
}

// A GTK 3 text view that accessibility cannot see, holding a document of CR LF lines: the
// correction goes in through the clipboard with its CR LF, byte for byte. (GTK reads text/plain with
// CR LF as LF; a text holding CR is offered as UTF8_STRING, which it takes as it is.)
TEST_F(TextTransferTest, CrLfGoesIntoAGtkTextViewByteForByte) {
    QTemporaryDir dir;
    const QByteArray original(
        "First line is fine.\r\nThis is a sentense with a cuple of errors.\r\nLast line.\r\n");
    const QByteArray corrected(
        "First line is fine.\r\nThis is a sentence with a couple of errors.\r\nLast line.\r\n");
    QFile file(dir.filePath("doc.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(original);
    file.close();
    const QString mirror = dir.filePath("mirror.txt");
    QProcess view;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NO_AT_BRIDGE", "1");
    view.setProcessEnvironment(env);
    view.start(test::sourcePath("tools/testapps/gtk3-text-view.py"), {"CR LF view", file.fileName(), mirror});
    ASSERT_TRUE(view.waitForStarted());
    ASSERT_EQ(
        test::runProgram("xdotool", {"search", "--sync", "--name", "CR LF view", "windowactivate", "--sync"},
                         nullptr, nullptr, 10000),
        0);
    auto mirrored = [&] {
        QFile f(mirror);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    ASSERT_TRUE(test::waitUntil([&] { return mirrored() == original; }, 5000));

    FocusedField field{Accessible(), static_cast<qint32>(view.processId()), std::nullopt};
    std::optional<TextIO::Outcome> outcome;
    io.replace(field, QString::fromUtf8(corrected), false, [&](const TextIO::Outcome& o) { outcome = o; });
    ASSERT_TRUE(test::waitUntil([&] { return outcome.has_value(); }, 5000));
    EXPECT_EQ(outcome->strategy, TextIO::Strategy::clipboard);
    EXPECT_TRUE(test::waitUntil([&] { return mirrored() == corrected; }, 5000)) << mirrored().toStdString();
    test::stopProcess(view);
}

// Helper roles, run in a separate process by the tests above.
TEST(ClipboardHelper, DISABLED_Own) {
    const QString dir = qEnvironmentVariable("QUILLET_HELPER_DIR");
    auto* data = new QMimeData;
    data->setData("image/png", userImage());
    data->setData("text/plain", userText.toUtf8());
    QGuiApplication::clipboard()->setMimeData(data);
    ASSERT_TRUE(QFile(dir + "/ready").open(QIODevice::WriteOnly));
    test::waitUntil([&] { return QFile::exists(dir + "/stop"); }, 60000);
}
