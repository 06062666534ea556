// Super+Shift+G grabbed on the X server: pressed with xdotool over mousepad, with the locks on,
// and taken by another program first.
#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "core/HotkeyManager.h"
#include "platform/linux/QtScheduler.h"
#include "platform/linux/X11GlobalHotkey.h"
#include "support/TestEnv.h"

using namespace quillet;

namespace {

void press(const QString& keys) {
    ASSERT_EQ(test::runProgram("xdotool", {"key", keys}), 0);
}
using test::settle;

std::unique_ptr<QProcess> startHelper(const QString& name, const QString& dir) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLET_HELPER_DIR", dir);
    process->setProcessEnvironment(env);
    process->start(QCoreApplication::applicationFilePath(),
                   {"--gtest_filter=HotkeyHelper.DISABLED_" + name, "--gtest_also_run_disabled_tests"});
    return process;
}

// Another program holding Super+Shift+G until told to stop.
struct ShortcutHolder {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> process = startHelper("Hold", dir.path());
    bool ready() {
        return test::waitUntil([&] { return QFile::exists(dir.filePath("grabbed")); }, 10000);
    }
    ~ShortcutHolder() {
        QFile(dir.filePath("stop")).open(QIODevice::WriteOnly);
        process->waitForFinished(5000);
    }
};

class GlobalHotkeyTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_file = new QTemporaryDir;
        QFile text(s_file->filePath("notes.txt"));
        text.open(QIODevice::WriteOnly);
        text.write("some words to check\n");
        text.close();
        s_editor = new QProcess;
        s_editor->start("mousepad", {text.fileName()});
        test::runProgram("xdotool", {"search", "--sync", "--class", "mousepad", "windowactivate", "--sync"},
                         nullptr, nullptr, 15000);
    }
    static void TearDownTestSuite() {
        s_editor->kill();
        s_editor->waitForFinished();
        delete s_editor;
        delete s_file;
    }

    QtScheduler scheduler;
    X11GlobalHotkey hotkey{scheduler};
    QStringList errors;
    HotkeyManager manager{hotkey, [this](const QString& line) { errors << line; }};

    static inline QTemporaryDir* s_file = nullptr;
    static inline QProcess* s_editor = nullptr;
};

}  // namespace

TEST_F(GlobalHotkeyTest, EachPressOverMousepadCallsOnHotkeyOnceOnTheMainThread) {
    QString active;
    test::runProgram("xdotool", {"getactivewindow", "getwindowname"}, &active);
    EXPECT_THAT(active.toStdString(), testing::HasSubstr("notes.txt"));

    int calls = 0;
    bool onMainThread = true;
    manager.onHotkey = [&] {
        ++calls;
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    };
    manager.registerHotkey();
    ASSERT_TRUE(manager.isRegistered()) << manager.registrationError().value_or("").toStdString();

    press("super+shift+g");
    press("super+shift+g");
    ASSERT_TRUE(test::waitUntil([&] { return calls == 2; }, 3000));
    press("super+g");
    press("shift+g");
    press("ctrl+shift+g");
    press("g");
    settle(300);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(onMainThread);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(GlobalHotkeyTest, WorksWithCapsLockAndNumLockOn) {
    int calls = 0;
    manager.onHotkey = [&] { ++calls; };
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
        EXPECT_FALSE(manager.isRegistered());
        EXPECT_EQ(manager.registrationError(), "another program already uses it");
        EXPECT_THAT(errors, testing::ElementsAre("quillet: the global shortcut Super+Shift+G is unavailable: "
                                                 "another program already uses it"));
    }
    // Nothing of the failed attempt stays grabbed: once the other program is gone it works.
    int calls = 0;
    manager.onHotkey = [&] { ++calls; };
    manager.registerHotkey();
    ASSERT_TRUE(manager.isRegistered());
    press("super+shift+g");
    EXPECT_TRUE(test::waitUntil([&] { return calls == 1; }, 3000));
}

TEST_F(GlobalHotkeyTest, TheUnavailableShortcutIsOneLineOnStandardError) {
    ShortcutHolder holder;
    ASSERT_TRUE(holder.ready());
    QTemporaryDir dir;
    auto second = startHelper("RegisterWithDefaultReport", dir.path());
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(second->readAllStandardError()),
              "quillet: the global shortcut Super+Shift+G is unavailable: another program already uses it\n");
}

// Helper roles, run in a separate process by the tests above.
TEST(HotkeyHelper, DISABLED_Hold) {
    const QString dir = qEnvironmentVariable("QUILLET_HELPER_DIR");
    QtScheduler scheduler;
    X11GlobalHotkey hotkey(scheduler);
    ASSERT_EQ(hotkey.registerHotkey([] {}), std::nullopt);
    QFile(dir + "/grabbed").open(QIODevice::WriteOnly);
    test::waitUntil([&] { return QFile::exists(dir + "/stop"); }, 60000);
}

TEST(HotkeyHelper, DISABLED_RegisterWithDefaultReport) {
    QtScheduler scheduler;
    X11GlobalHotkey hotkey(scheduler);
    HotkeyManager manager(hotkey);
    manager.registerHotkey();
}
