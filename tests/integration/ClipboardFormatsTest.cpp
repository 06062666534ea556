// The user's clipboard as X11 programs hold it: every target back byte for byte with its own type
// (STRING and TEXT included), nothing added, large data in parts, and a bounded wait for an owner
// that never answers. Another program's view is read with xclip.
#include <gmock/gmock.h>

#include <poll.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <map>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "core/ClipboardSnapshot.h"
#include "platform/linux/x11/X11Clipboard.h"
#include "support/DesktopApps.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

// What the owner role offers, target by target: type, format 8, bytes.
struct Offer {
    QByteArray type;
    QByteArray bytes;
};

QByteArray bigImage() {
    // Larger than one X request, so that it travels in parts both ways.
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    for (int i = 0; png.size() < 3 * 1024 * 1024; ++i)
        png += char(i * 7 + (i >> 8));
    return png;
}

std::map<QByteArray, Offer> offers(const QString& mode) {
    if (mode == "utf8")
        return {{"UTF8_STRING", {"UTF8_STRING", QString::fromUtf8("only UTF-8 — nothing else").toUtf8()}}};
    // A program that offers its text in the old forms itself: Latin-1 where it can, and a TEXT
    // answered as STRING, each with bytes no conversion of the UTF-8 form would give.
    return {
        {"UTF8_STRING", {"UTF8_STRING", QString::fromUtf8("café — “quoted” Ђурђевдан 👋").toUtf8()}},
        {"STRING", {"STRING", QByteArray("caf\xe9 - \"quoted\" (Latin-1 of its own)")}},
        {"TEXT", {"STRING", QByteArray("caf\xe9 as TEXT")}},
        {"text/html", {"text/html", QByteArray("<b>caf\xc3\xa9</b>")}},
        {"image/png", {"image/png", bigImage()}},
    };
}

// Another X client that owns the clipboard with `offers(mode)`, as a program would.
struct RawOwner {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> process;
    explicit RawOwner(const QString& mode) {
        process = startHelper("ClipboardHelper.DISABLED_OwnRaw", dir.path(), {"QUILLET_HELPER_MODE=" + mode});
        waitUntil([&] { return QFile::exists(dir.filePath("ready")); }, 10000);
    }
    qint64 pid() const { return process->processId(); }
    void freeze() { ::kill(pid_t(pid()), SIGSTOP); }
    void thaw() { ::kill(pid_t(pid()), SIGCONT); }
    ~RawOwner() {
        thaw();
        stopProcess(*process);
    }
};

class ClipboardFormatsTest : public testing::Test {
protected:
    X11Clipboard board;
};

TEST_F(ClipboardFormatsTest, EveryTargetComesBackAsItWasWithNothingAdded) {
    RawOwner owner("full");
    const auto offered = offers("full");
    QStringList names;
    for (const auto& [target, offer] : offered)
        names << QString::fromLatin1(target);
    names.sort();
    ASSERT_EQ(clipboardTargets(), names) << "the owner is in place";

    QElapsedTimer clock;
    clock.start();
    ClipboardSnapshot snapshot = ClipboardSnapshot::capture(board);
    EXPECT_FALSE(board.lastReadTimedOut());
    snapshot.lendText(board, QString::fromUtf8("the correction — borrowed"));
    EXPECT_EQ(clipboardBytes("UTF8_STRING"), QString::fromUtf8("the correction — borrowed").toUtf8());
    ASSERT_TRUE(snapshot.restore(board));

    EXPECT_EQ(clipboardTargets(), names) << "nothing added, nothing lost";
    for (const auto& [target, offer] : offered)
        EXPECT_EQ(clipboardBytes(QString::fromLatin1(target)), offer.bytes) << target.constData();
}

TEST_F(ClipboardFormatsTest, AClipboardOfUtf8AloneStaysSo) {
    RawOwner owner("utf8");
    ClipboardSnapshot snapshot = ClipboardSnapshot::capture(board);
    snapshot.lendText(board, "borrowed");
    ASSERT_TRUE(snapshot.restore(board));
    EXPECT_EQ(clipboardTargets(), QStringList{"UTF8_STRING"});
    EXPECT_EQ(clipboardBytes("UTF8_STRING"), QString::fromUtf8("only UTF-8 — nothing else").toUtf8());
    EXPECT_EQ(board.plainText(), QString::fromUtf8("only UTF-8 — nothing else"));
}

TEST_F(ClipboardFormatsTest, AnOwnerThatNeverAnswersCostsAtMostASecond) {
    RawOwner owner("full");
    // The owner answers before it stops: on a busy machine its first answer may come late.
    ASSERT_TRUE(waitUntil([&] { return !board.items().isEmpty(); }, 10000));
    owner.freeze();

    QElapsedTimer clock;
    clock.start();
    const QList<ClipboardItem> items = board.items();
    const qint64 itemsMs = clock.elapsed();
    EXPECT_TRUE(board.lastReadTimedOut());
    EXPECT_TRUE(items.isEmpty());
    clock.restart();
    EXPECT_EQ(board.plainText(), std::nullopt);
    const qint64 textMs = clock.elapsed();
    EXPECT_TRUE(board.lastReadTimedOut());
    EXPECT_LT(itemsMs, 1300);
    EXPECT_LT(textMs, 1300);

    // Its answers may still come after the wait was given up on; they change nothing later. It
    // answers in order, so once it has answered another program, it has answered Quillet too.
    owner.thaw();
    EXPECT_EQ(clipboardBytes("TEXT"), "caf\xe9 as TEXT");
    board.write({ClipboardItem{{ClipboardType::plainText, "after the thaw"}}});
    EXPECT_EQ(board.plainText(), "after the thaw");
    EXPECT_EQ(clipboardBytes("UTF8_STRING"), "after the thaw");
}

// The user's clipboard belongs to a program that has stopped: what little could be read of it is not
// put back in its place, so the clipboard is never left empty by a borrowing. Who owns the clipboard,
// and when a program took Quillet's text, can both be told.
TEST_F(ClipboardFormatsTest, ABorrowingFromAFrozenOwnerNeverLeavesTheClipboardEmpty) {
    RawOwner owner("full");
    EXPECT_EQ(board.ownerPid(), qint32(owner.pid()));
    owner.freeze();
    ClipboardSnapshot snapshot = ClipboardSnapshot::capture(board);
    EXPECT_FALSE(snapshot.complete);
    snapshot.lendText(board, "lent text");
    EXPECT_EQ(board.ownerPid(), qint32(QCoreApplication::applicationPid()));
    const std::optional<qint64> served = board.servedCount();
    ASSERT_TRUE(served.has_value());
    EXPECT_EQ(clipboardBytes("UTF8_STRING"), "lent text");
    EXPECT_GT(board.servedCount().value_or(0), *served) << "a paste of it is seen";
    EXPECT_FALSE(snapshot.restore(board));
    EXPECT_EQ(clipboardBytes("UTF8_STRING"), "lent text") << "not emptied";
}

TEST_F(ClipboardFormatsTest, ACopyMadeInOneOfQuilletsOwnWindowsComesBackToo) {
    const QString copied = QString::fromUtf8("copied in the settings — ćao");
    QGuiApplication::clipboard()->setText(copied);  // as a line edit of this process does
    const QStringList before = clipboardTargets();
    ASSERT_TRUE(before.contains("UTF8_STRING"));
    QElapsedTimer clock;
    clock.start();
    ClipboardSnapshot snapshot = ClipboardSnapshot::capture(board);
    EXPECT_LT(clock.elapsed(), 200) << "this process's own clipboard is never waited for";
    snapshot.lendText(board, "borrowed");
    ASSERT_TRUE(snapshot.restore(board));
    EXPECT_EQ(clipboardTargets(), before);
    EXPECT_EQ(clipboardBytes("UTF8_STRING"), copied.toUtf8());
    EXPECT_EQ(clipboardBytes("STRING"), copied.toLatin1()) << "offered as Qt offered it";
}

TEST_F(ClipboardFormatsTest, ChangesByOthersAreCountedAndQuilletsOwnOnlyOnce) {
    const qint64 start = board.serial();
    board.write({ClipboardItem{{ClipboardType::plainText, "mine"}}});
    EXPECT_TRUE(waitUntil([&] { return board.serial() == start + 1; }, 3000));
    board.clear();
    EXPECT_TRUE(waitUntil([&] { return board.serial() >= start + 2; }, 3000));
    EXPECT_EQ(board.items(), QList<ClipboardItem>());

    RawOwner owner("utf8");
    // Changes are seen in order: the other program's copy comes last.
    EXPECT_TRUE(waitUntil(
        [&] { return board.ownerPid() == qint32(owner.pid()) && board.serial() >= start + 3; }, 3000))
        << "another program's copy";
    EXPECT_EQ(board.serial(), start + 3) << "Quillet's own write is one change, not two";
}

}  // namespace

// Helper role, run in a separate process by the tests above: owns the clipboard with raw Xlib and
// serves each target with exactly the type and bytes given, large ones in parts.
TEST(ClipboardHelper, DISABLED_OwnRaw) {
    const QString dir = qEnvironmentVariable("QUILLET_HELPER_DIR");
    const auto served = offers(qEnvironmentVariable("QUILLET_HELPER_MODE"));
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Atom targets = XInternAtom(display, "TARGETS", False);
    const Atom timestamp = XInternAtom(display, "TIMESTAMP", False);
    const Atom incr = XInternAtom(display, "INCR", False);
    const long chunk = 64 * 1024;
    XSetSelectionOwner(display, clipboard, window, CurrentTime);
    XFlush(display);
    ASSERT_TRUE(QFile(dir + "/ready").open(QIODevice::WriteOnly));

    struct Part {
        Window requestor;
        Atom property, type;
        QByteArray data;
        long sent;
    };
    std::vector<Part> parts;
    while (true) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == PropertyNotify && event.xproperty.state == PropertyDelete) {
                for (auto it = parts.begin(); it != parts.end(); ++it) {
                    if (it->requestor != event.xproperty.window || it->property != event.xproperty.atom)
                        continue;
                    const long n = std::min<long>(chunk, it->data.size() - it->sent);
                    XChangeProperty(display, it->requestor, it->property, it->type, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(it->data.constData() + it->sent),
                                    int(n));
                    it->sent += n;
                    if (n == 0)
                        parts.erase(it);
                    break;
                }
            }
            if (event.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent& request = event.xselectionrequest;
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = request.requestor;
            reply.xselection.selection = request.selection;
            reply.xselection.target = request.target;
            reply.xselection.time = request.time;
            reply.xselection.property = request.property;
            char* name = XGetAtomName(display, request.target);
            const QByteArray target(name);
            XFree(name);
            if (request.target == targets) {
                std::vector<long> list{long(targets), long(timestamp)};
                for (const auto& [t, offer] : served)
                    list.push_back(long(XInternAtom(display, t.constData(), False)));
                XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(list.data()), int(list.size()));
            } else if (served.count(target)) {
                const Offer& offer = served.at(target);
                const Atom type = XInternAtom(display, offer.type.constData(), False);
                if (offer.bytes.size() > chunk) {
                    XSelectInput(display, request.requestor, PropertyChangeMask);
                    const long size = long(offer.bytes.size());
                    XChangeProperty(display, request.requestor, request.property, incr, 32, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(&size), 1);
                    parts.push_back({request.requestor, request.property, type, offer.bytes, 0});
                } else {
                    XChangeProperty(display, request.requestor, request.property, type, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(offer.bytes.constData()),
                                    int(offer.bytes.size()));
                }
            } else {
                reply.xselection.property = None;
            }
            XSendEvent(display, request.requestor, False, NoEventMask, &reply);
            XFlush(display);
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, 100);
    }
}
