// How a shortcut is written and read back, which key a press under any layout records, and which
// combinations may not be a shortcut.
#include <gmock/gmock.h>

#include "core/Shortcut.h"

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
    EXPECT_TRUE((Shortcut{kShift, "G"}.needsModifier()));
    EXPECT_TRUE((Shortcut{0, "Space"}.needsModifier()));
    EXPECT_TRUE((Shortcut{kShift, "Home"}.needsModifier()));
    EXPECT_FALSE((Shortcut{kAlt, "G"}.needsModifier()));
    EXPECT_FALSE((Shortcut{kSuper, "Space"}.needsModifier()));
    EXPECT_FALSE((Shortcut{0, "F9"}.needsModifier()));
    EXPECT_FALSE((Shortcut{kShift, "Pause"}.needsModifier()));
}

TEST(ShortcutTest, TheGrabNamesTheUsKeyOfEachSymbol) {
    EXPECT_EQ(Shortcut::defaultShortcut().combination(), (KeyCombination{kSuper | kShift, 'g', 42}));
    EXPECT_EQ((Shortcut{kCtrl, "F11"}.combination()), (KeyCombination{kCtrl, 0xffc8, 95}));
    EXPECT_EQ((Shortcut{kCtrl, "F13"}.combination()), (KeyCombination{kCtrl, 0xffca, 191}));
    EXPECT_EQ((Shortcut{kCtrl, "0"}.combination()), (KeyCombination{kCtrl, '0', 19}));
    EXPECT_EQ((Shortcut{kCtrl, "/"}.combination()), (KeyCombination{kCtrl, '/', 61}));
    EXPECT_EQ((Shortcut{kCtrl, "Page Up"}.combination()), (KeyCombination{kCtrl, 0xff55, 112}));
}
