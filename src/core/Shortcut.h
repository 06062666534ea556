// A global shortcut the user chooses: its modifiers and one key, how it is written in the
// preferences and on screen, and which combinations may be one.
#pragma once

#include <QString>
#include <optional>

#include "platform/GlobalHotkey.h"

namespace quillet {

struct Shortcut {
    /// HotkeyModifier bits.
    unsigned modifiers = 0;
    /// The key as it is written: "G", "7", "F9", "Space", "Page Up", ","...
    QString key;

    /// Super+Shift+G, the shortcut until the user picks another.
    static Shortcut defaultShortcut();

    /// "Ctrl+Alt+K": the modifiers in the order Ctrl, Alt, Super, Shift, then the key. This is both
    /// the stored form and the one shown.
    QString text() const;
    /// Reads text() back; empty for a key it does not know, an unknown or repeated modifier, or no key.
    static std::optional<Shortcut> fromText(const QString& text);
    /// The shortcut in force for the stored text: none when it is empty (turned off), the default
    /// when it names no combination.
    static std::optional<Shortcut> inEffect(const QString& stored);

    /// The combination a key press makes. The key is found by the symbol the active layout gave it,
    /// else by its position (evdev keycode), so a press under a Cyrillic layout records the physical
    /// key. Empty for modifier keys and keys that cannot be part of a shortcut.
    static std::optional<Shortcut> fromKeyPress(unsigned modifiers, quint32 keysym, quint32 keycode);
    /// Whether `keysym` is one of the modifier keys (a recorder waits for the real key).
    static bool isModifierKey(quint32 keysym);

    /// A key that types (a letter, a digit, punctuation, Space) or moves the cursor would be taken from
    /// every application: it must come with Ctrl, Alt or Super. Function keys, Print and Pause may
    /// stand alone.
    bool needsModifier() const;

    KeyCombination combination() const;

    bool operator==(const Shortcut&) const = default;
};

}  // namespace quillet
