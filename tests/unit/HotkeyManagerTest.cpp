// The global shortcut: one action per press however long it is held, the choice of combination
// with its refusals, and the one line written when it cannot be had at start.
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

const Shortcut kCtrlAltK{HotkeyModifier::ctrl | HotkeyModifier::alt, QStringLiteral("K")};

/// A manager on a fake grab, counting its calls and the lines it writes.
class HotkeyManagerTest : public testing::Test {
protected:
    /// Registers the shortcut, with `failure` as the grab's answer.
    void registerWith(std::optional<GrabError> failure = std::nullopt) {
        hotkey.failure = failure;
        manager.onHotkey = [this] { ++calls; };
        manager.registerHotkey();
    }
    FakeGlobalHotkey hotkey;
    Lines errors;
    HotkeyManager manager{hotkey, errors.sink()};
    int calls = 0;
};

}  // namespace

TEST_F(HotkeyManagerTest, OnePressIsOneCallHowEverLongTheKeysAreHeld) {
    EXPECT_FALSE(hotkey.isGrabbed());
    manager.registerHotkey();
    EXPECT_EQ(hotkey.grabbed(), Shortcut::defaultShortcut().combination());
    hotkey.press();  // no callback yet: ignored

    int first = 0, second = 0;
    manager.onHotkey = [&] { ++first; };
    hotkey.down();
    EXPECT_EQ(first, 1) << "at once, as the keys go down";
    hotkey.down();
    hotkey.down();
    hotkey.up();
    EXPECT_EQ(first, 1) << "the keyboard's repeat is the same press";
    hotkey.hold(25);  // about a second of repeat
    EXPECT_EQ(first, 2);
    hotkey.up();
    hotkey.up();
    EXPECT_EQ(first, 2) << "releases alone do nothing";

    manager.onHotkey = [&] { ++second; };
    hotkey.press();
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 1) << "the callback in place at the press";
    EXPECT_TRUE(errors.lines.isEmpty());
}

// A taken default is reported on the X server; here the user's own combination is the one named,
// and other reasons are told apart.
TEST_F(HotkeyManagerTest, AnUnavailableShortcutIsReportedInOneLineThatNamesIt) {
    manager.setShortcut(kCtrlAltK);
    registerWith(GrabError{GrabError::Kind::refused, 10});
    EXPECT_FALSE(hotkey.isGrabbed());
    EXPECT_THAT(errors.lines,
                testing::ElementsAre("quillet: the global shortcut Ctrl+Alt+K is unavailable: the X "
                                     "server refused the key grab (error 10)"));
}

TEST_F(HotkeyManagerTest, AShortcutUnavailableAtStartCanBeTakenLaterOrTurnedOff) {
    registerWith(GrabError{GrabError::Kind::taken});
    ASSERT_TRUE(manager.registrationError());

    hotkey.failure.reset();  // the other program has gone
    EXPECT_EQ(manager.changeShortcut(Shortcut::defaultShortcut()), std::nullopt);
    EXPECT_TRUE(hotkey.isGrabbed());
    EXPECT_EQ(manager.registrationError(), std::nullopt) << "no longer unavailable";
    // Cleared, it is no longer registered (the grab itself is checked on the X server).
    EXPECT_EQ(manager.changeShortcut(std::nullopt), std::nullopt);
    EXPECT_FALSE(hotkey.isGrabbed());

    // Turned off in the preferences: nothing is grabbed at start and nothing is said.
    FakeGlobalHotkey other;
    Lines quiet;
    HotkeyManager off(other, quiet.sink());
    off.setShortcut(std::nullopt);
    off.registerHotkey();
    EXPECT_FALSE(other.isGrabbed());
    EXPECT_EQ(off.registrationError(), std::nullopt);
    EXPECT_TRUE(quiet.lines.isEmpty());
}

TEST_F(HotkeyManagerTest, WhileSuspendedPressesStartNothingAndAHeldPressIsForgotten) {
    registerWith();

    manager.setSuspended(true);
    EXPECT_TRUE(hotkey.suspended);
    hotkey.press();
    EXPECT_EQ(calls, 0) << "the recorder has the keys";
    manager.setSuspended(false);
    hotkey.press();
    EXPECT_EQ(calls, 1);

    // Keys still held when a recording starts: their release is never seen, and must not stop
    // the next press from counting.
    hotkey.down();
    manager.setSuspended(true);
    manager.setSuspended(false);
    hotkey.down();
    EXPECT_EQ(calls, 3);
}

TEST_F(HotkeyManagerTest, ReleasesTheShortcutAndIgnoresPressesOnceGone) {
    FakeGlobalHotkey other;
    {
        HotkeyManager owned(other);
        owned.onHotkey = [&] { ++calls; };
        owned.registerHotkey();
        EXPECT_TRUE(other.isGrabbed());
        other.press();
    }
    EXPECT_FALSE(other.isGrabbed());
    other.press();
    EXPECT_EQ(calls, 1);
}
