// The global shortcut's registration, its failure report and the press callback.
#include <gmock/gmock.h>

#include "core/HotkeyManager.h"
#include "platform/fake/FakeGlobalHotkey.h"

using namespace quillet;

namespace {

struct Lines {
    QStringList lines;
    std::function<void(const QString&)> sink() {
        return [this](const QString& line) { lines << line; };
    }
};

}  // namespace

TEST(HotkeyManagerTest, EachPressCallsTheCallbackReadAtThatMoment) {
    FakeGlobalHotkey hotkey;
    Lines errors;
    HotkeyManager manager(hotkey, errors.sink());
    EXPECT_FALSE(manager.isRegistered());

    manager.registerHotkey();
    EXPECT_TRUE(manager.isRegistered());
    EXPECT_EQ(manager.registrationError(), std::nullopt);
    hotkey.press();  // no callback yet: ignored

    int first = 0, second = 0;
    manager.onHotkey = [&] { ++first; };
    hotkey.press();
    hotkey.press();
    manager.onHotkey = [&] { ++second; };
    hotkey.press();
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 1);
    EXPECT_TRUE(errors.lines.isEmpty());
}

TEST(HotkeyManagerTest, AnUnavailableShortcutIsRecordedAndReportedInOneLine) {
    FakeGlobalHotkey hotkey;
    hotkey.failure = QStringLiteral("another program already uses it");
    Lines errors;
    HotkeyManager manager(hotkey, errors.sink());
    manager.onHotkey = [] { FAIL() << "no press can arrive"; };
    manager.registerHotkey();

    EXPECT_FALSE(manager.isRegistered());
    EXPECT_EQ(manager.registrationError(), "another program already uses it");
    ASSERT_EQ(errors.lines.size(), 1);
    EXPECT_EQ(errors.lines[0],
              "quillet: the global shortcut Super+Shift+G is unavailable: another program already uses it");
    hotkey.press();
}

TEST(HotkeyManagerTest, ReleasesTheShortcutAndIgnoresPressesOnceGone) {
    FakeGlobalHotkey hotkey;
    int calls = 0;
    {
        HotkeyManager manager(hotkey);
        manager.onHotkey = [&] { ++calls; };
        manager.registerHotkey();
        EXPECT_TRUE(hotkey.isGrabbed());
    }
    EXPECT_FALSE(hotkey.isGrabbed());
    hotkey.press();
    EXPECT_EQ(calls, 0);
}
