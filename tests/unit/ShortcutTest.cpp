// How a shortcut is written and read back, which key a press under any layout records, and which
// combinations may not be a shortcut; and the global shortcut: one action per press however long it
// is held, the choice of combination with its refusals, and the one line written when it cannot be
// had at start.
#include <gmock/gmock.h>

#include "core/HotkeyManager.h"
#include "core/Shortcut.h"
#include "platform/fake/FakeGlobalHotkey.h"

using namespace quillet;

namespace {
constexpr unsigned kCtrl = HotkeyModifier::ctrl, kAlt = HotkeyModifier::alt, kShift = HotkeyModifier::shift,
                   kSuper = HotkeyModifier::super;
}

TEST(ShortcutTest, TextIsStoredAndShownTheSameWayAndReadsBack) {
    EXPECT_EQ(Shortcut::defaultShortcut().text(), "Super+Shift+G");
    EXPECT_EQ((Shortcut{kShift | kSuper | kAlt | kCtrl, "F9"}.text()), "Ctrl+Alt+Super+Shift+F9")
        << "one order whatever the order of the bits";
    for (const QString& text : QStringList{"Super+Shift+G", "Ctrl+Alt+Page Down", "Ctrl+,", "Alt+\\", "F12",
                                           "Super+Space", "Ctrl+Alt+-", "Shift+Print", "Ctrl+0"}) {
        const std::optional<Shortcut> read = Shortcut::fromText(text);
        ASSERT_TRUE(read) << qPrintable(text);
        EXPECT_EQ(read->text(), text);
    }
    // Written by hand, in another case or order, or with another desktop's names.
    EXPECT_EQ(Shortcut::fromText(" shift+super+g "), Shortcut::defaultShortcut());
    EXPECT_EQ(Shortcut::fromText("Control+Meta+k")->text(), "Ctrl+Super+K");

    for (const QString& bad :
         QStringList{"", "Super+Shift+", "Super+Shift+Shift+G", "Hyper+G", "Ctrl+Alt+Ж", "Ctrl++", "G+Ctrl"})
        EXPECT_EQ(Shortcut::fromText(bad), std::nullopt) << qPrintable(bad);
}

TEST(ShortcutTest, APressRecordsTheKeyByItsSymbolOrElseByItsPlace) {
    // Shift makes a capital, and Shift+1 an "!" on a US keyboard: the key is still G, or 1.
    EXPECT_EQ(Shortcut::fromKeyPress(kSuper | kShift, 'G', 42), Shortcut::defaultShortcut());
    EXPECT_EQ(Shortcut::fromKeyPress(kCtrl | kShift, '!', 10)->text(), "Ctrl+Shift+1");
    // Serbian Cyrillic: the G key gives "г" (Cyrillic_ghe); the physical key is recorded.
    EXPECT_EQ(Shortcut::fromKeyPress(kSuper | kShift, 0x6c7, 42), Shortcut::defaultShortcut());
    // A French keyboard's A sits where a US Q does: the letter wins over the place.
    EXPECT_EQ(Shortcut::fromKeyPress(kCtrl, 'a', 24)->key, "A");
    EXPECT_EQ(Shortcut::fromKeyPress(0, 0xffc6, 73)->text(), "F9");

    EXPECT_EQ(Shortcut::fromKeyPress(kCtrl, 0xffe1, 50), std::nullopt) << "Shift itself";
    EXPECT_TRUE(Shortcut::isModifierKey(0xffeb)) << "Super";
    EXPECT_TRUE(Shortcut::isModifierKey(0xfe03)) << "AltGr";
    EXPECT_FALSE(Shortcut::isModifierKey('g'));
    EXPECT_EQ(Shortcut::fromKeyPress(kCtrl, 0xffb1, 87), std::nullopt) << "keypad 1: no key of ours";
}

TEST(ShortcutTest, KeysThatTypeOrMoveNeedCtrlAltOrSuper) {
    for (const Shortcut& s : {Shortcut{kShift, "G"}, Shortcut{0, "Space"}, Shortcut{kShift, "Home"}})
        EXPECT_TRUE(s.needsModifier()) << qPrintable(s.text());
    for (const Shortcut& s :
         {Shortcut{kAlt, "G"}, Shortcut{kSuper, "Space"}, Shortcut{0, "F9"}, Shortcut{kShift, "Pause"}})
        EXPECT_FALSE(s.needsModifier()) << qPrintable(s.text());
}

TEST(ShortcutTest, TheGrabNamesTheUsKeyOfEachSymbol) {
    EXPECT_EQ(Shortcut::defaultShortcut().combination(), (KeyCombination{kSuper | kShift, 'g', 42}));
    EXPECT_EQ((Shortcut{kCtrl, "F11"}.combination()), (KeyCombination{kCtrl, 0xffc8, 95}));
    EXPECT_EQ((Shortcut{kCtrl, "F13"}.combination()), (KeyCombination{kCtrl, 0xffca, 191}));
    EXPECT_EQ((Shortcut{kCtrl, "0"}.combination()), (KeyCombination{kCtrl, '0', 19}));
    EXPECT_EQ((Shortcut{kCtrl, "/"}.combination()), (KeyCombination{kCtrl, '/', 61}));
    EXPECT_EQ((Shortcut{kCtrl, "Page Up"}.combination()), (KeyCombination{kCtrl, 0xff55, 112}));
}

namespace {

struct Lines {
    QStringList lines;
    std::function<void(const QString&)> sink() {
        return [this](const QString& line) { lines << line; };
    }
};

const Shortcut kCtrlAltK{kCtrl | kAlt, QStringLiteral("K")};

/// A manager on a fake grab, counting its calls and the lines it writes.
class HotkeyManagerTest : public testing::Test {
protected:
    /// Registers the shortcut, with `failure` as the grab's answer.
    void registerWith(std::optional<GrabError> failure = std::nullopt) {
        hotkey.failure = failure;
        QObject::connect(&manager, &HotkeyManager::triggered, [this] { ++calls; });
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
    hotkey.press();  // nobody listens yet: ignored

    int first = 0, second = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&manager, &HotkeyManager::triggered, [&] { ++first; });
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

    QObject::disconnect(counting);
    QObject::connect(&manager, &HotkeyManager::triggered, [&] { ++second; });
    hotkey.press();
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 1) << "the listener in place at the press";
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
        QObject::connect(&owned, &HotkeyManager::triggered, [&] { ++calls; });
        owned.registerHotkey();
        EXPECT_TRUE(other.isGrabbed());
        other.press();
    }
    EXPECT_FALSE(other.isGrabbed());
    other.press();
    EXPECT_EQ(calls, 1);
}
