// The global shortcut grabbed on the X server: pressed and held with xdotool over mousepad, with
// the locks on, changed to another combination, and taken by another program first.
#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "core/HotkeyManager.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/x11/X11GlobalHotkey.h"
#include "support/DesktopApps.h"
#include "support/TestEnv.h"

using namespace quillet;

namespace {

void press(const QString& keys) {
    ASSERT_EQ(test::runProgram("xdotool", {"key", keys}), 0);
}

// Another program holding a combination (Super+Shift+G unless told) until told to stop.
struct ShortcutHolder {
    explicit ShortcutHolder(const QString& shortcut = QStringLiteral("Super+Shift+G"))
        : process(test::startHelper("HotkeyHelper.DISABLED_Hold", dir.path(),
                                    {"QUILLET_HELPER_SHORTCUT=" + shortcut})) {}
    QTemporaryDir dir;
    std::unique_ptr<QProcess> process;
    /// Whether the other program got the combination (it ends at once when it did not).
    bool ready() {
        return test::waitUntil([&] { return QFile::exists(dir.filePath("grabbed")); }, 10000);
    }
    ~ShortcutHolder() {
        EXPECT_TRUE(QFile(dir.filePath("stop")).open(QIODevice::WriteOnly));
        process->waitForFinished(5000);
    }
};

class GlobalHotkeyTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_file = new QTemporaryDir;
        QFile text(s_file->filePath("notes.txt"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("some words to check\n");
        text.close();
        s_editor = new QProcess;
        s_editor->start("mousepad", {text.fileName()});
        test::runProgram("xdotool", {"search", "--sync", "--class", "mousepad", "windowactivate", "--sync"},
                         nullptr, nullptr, 15000);
    }
    static void TearDownTestSuite() {
        test::stopProcess(*s_editor);
        delete s_editor;
        delete s_file;
    }

    GlobalHotkeyTest() {
        QObject::connect(&manager, &HotkeyManager::triggered, [this] { ++calls; });
    }

    QtScheduler scheduler;
    X11GlobalHotkey hotkey{scheduler};
    QStringList errors;
    HotkeyManager manager{hotkey, [this](const QString& line) { errors << line; }};
    int calls = 0;  // times the manager reported the shortcut

    static inline QTemporaryDir* s_file = nullptr;
    static inline QProcess* s_editor = nullptr;
};

}  // namespace

TEST_F(GlobalHotkeyTest, EachPressOverMousepadTriggersOnceOnTheMainThread) {
    QString active;
    test::runProgram("xdotool", {"getactivewindow", "getwindowname"}, &active);
    EXPECT_THAT(active.toStdString(), testing::HasSubstr("notes.txt"));

    bool onMainThread = true;
    QObject::connect(&manager, &HotkeyManager::triggered, [&] {
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    manager.registerHotkey();
    ASSERT_EQ(manager.registrationError(), std::nullopt);

    press("super+shift+g");
    press("super+shift+g");
    ASSERT_TRUE(test::waitUntil([&] { return calls == 2; }, 3000));
    press("super+g");
    press("shift+g");
    press("ctrl+shift+g");
    press("g");
    // Keys arrive in order: once a later press is seen, the others before it were too.
    press("super+shift+g");
    ASSERT_TRUE(test::waitUntil([&] { return calls >= 3; }, 3000));
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(onMainThread);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(GlobalHotkeyTest, WorksWithCapsLockAndNumLockOn) {
    manager.registerHotkey();
    press("Caps_Lock");
    press("super+shift+g");
    press("Num_Lock");
    press("super+shift+g");
    press("Caps_Lock");
    press("super+shift+g");
    press("Num_Lock");
    EXPECT_TRUE(test::waitUntil([&] { return calls == 3; }, 3000)) << calls;
}

TEST_F(GlobalHotkeyTest, AShortcutHeldByAnotherProgramIsReportedAndReleasedAfterwards) {
    {
        ShortcutHolder holder;
        ASSERT_TRUE(holder.ready());
        manager.registerHotkey();
        EXPECT_EQ(manager.registrationError(), GrabError{GrabError::Kind::taken});
        EXPECT_THAT(errors, testing::ElementsAre("quillet: the global shortcut Super+Shift+G is unavailable: "
                                                 "another program already uses it"));
    }
    // Nothing of the failed attempt stays grabbed: once the other program is gone it works.
    manager.registerHotkey();
    ASSERT_EQ(manager.registrationError(), std::nullopt);
    press("super+shift+g");
    EXPECT_TRUE(test::waitUntil([&] { return calls == 1; }, 3000));
}

TEST_F(GlobalHotkeyTest, TheUnavailableShortcutIsOneLineOnStandardError) {
    ShortcutHolder holder;
    ASSERT_TRUE(holder.ready());
    QTemporaryDir dir;
    auto second = test::startHelper("HotkeyHelper.DISABLED_RegisterWithDefaultReport", dir.path());
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(second->readAllStandardError()),
              "quillet: the global shortcut Super+Shift+G is unavailable: another program already uses it\n");
}

TEST_F(GlobalHotkeyTest, HeldDownWhileTheKeyboardRepeatsItIsOnePress) {
    auto hold = [](int ms) {
        test::runProgram("xdotool", {"keydown", "super+shift+g", "sleep", QString::number(ms / 1000.0),
                                     "keyup", "super+shift+g"});
    };
    // The X server's own repeat, as a person holding the keys gets it: seen raw, many presses and
    // one release...
    QList<HotkeyEdge> edges;
    ASSERT_EQ(hotkey.registerHotkey(Shortcut::defaultShortcut().combination(),
                                    [&](HotkeyEdge edge) { edges << edge; }),
              std::nullopt);
    QString keyboard;
    test::runProgram("xset", {"q"}, &keyboard);
    ASSERT_THAT(keyboard.toStdString(), testing::ContainsRegex("auto repeat delay: +[1-9][0-9]{2} "))
        << "the keyboard repeats a held key within the hold below";
    hold(1200);
    ASSERT_TRUE(test::waitUntil([&] { return edges.contains(HotkeyEdge::up); }, 3000));
    EXPECT_EQ(edges, (QList<HotkeyEdge>{HotkeyEdge::down, HotkeyEdge::up}))
        << "repeated presses are taken from the application but not reported";
    hotkey.unregisterHotkey();

    // ...and through the manager: one call for the hold, one for each later press.
    manager.registerHotkey();
    hold(1200);
    press("super+shift+g");
    ASSERT_TRUE(test::waitUntil([&] { return calls >= 2; }, 3000));
    EXPECT_EQ(calls, 2) << "one call for the hold, one for the press after it";
}

TEST_F(GlobalHotkeyTest, ANewShortcutWorksAtOnceAndTheOldOneIsFreeForOthers) {
    manager.registerHotkey();
    const Shortcut ctrlAltK = *Shortcut::fromText("Ctrl+Alt+K");
    ASSERT_EQ(manager.changeShortcut(ctrlAltK), std::nullopt);
    press("ctrl+alt+k");
    ASSERT_TRUE(test::waitUntil([&] { return calls == 1; }, 3000));
    press("super+shift+g");
    press("ctrl+alt+k");
    ASSERT_TRUE(test::waitUntil([&] { return calls >= 2; }, 3000));
    EXPECT_EQ(calls, 2) << "the old combination starts nothing";
    {
        ShortcutHolder other;  // an XGrabKey of its own
        EXPECT_TRUE(other.ready()) << "the old combination was released";
    }

    // Held by another program: refused with the reason, and Ctrl+Alt+K still works.
    ShortcutHolder holder(QStringLiteral("Super+J"));
    ASSERT_TRUE(holder.ready());
    EXPECT_EQ(manager.changeShortcut(*Shortcut::fromText("Super+J")), GrabError{GrabError::Kind::taken});
    EXPECT_EQ(manager.shortcut(), ctrlAltK);
    press("ctrl+alt+k");
    EXPECT_TRUE(test::waitUntil([&] { return calls == 3; }, 3000));
    EXPECT_TRUE(errors.isEmpty());

    // Turned off: nothing of ours is grabbed any more.
    ASSERT_EQ(manager.changeShortcut(std::nullopt), std::nullopt);
    ShortcutHolder after(QStringLiteral("Ctrl+Alt+K"));
    EXPECT_TRUE(after.ready());
}

// Helper roles, run in a separate process by the tests above.
TEST(HotkeyHelper, DISABLED_Hold) {
    test::holdShortcutUntilStopped();
}

TEST(HotkeyHelper, DISABLED_RegisterWithDefaultReport) {
    QtScheduler scheduler;
    X11GlobalHotkey hotkey(scheduler);
    HotkeyManager manager(hotkey);
    manager.registerHotkey();
}
