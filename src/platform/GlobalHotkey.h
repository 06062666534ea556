// One system-wide key combination, grabbed by its key's symbol or, failing that, by its place.
#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace quillet {

namespace HotkeyModifier {
inline constexpr unsigned ctrl = 1;
inline constexpr unsigned alt = 2;
inline constexpr unsigned shift = 4;
inline constexpr unsigned super = 8;
}  // namespace HotkeyModifier

/// A combination as the platform grabs it.
struct KeyCombination {
    /// HotkeyModifier bits.
    unsigned modifiers = 0;
    /// The key's X keysym in the US layout (lower case for letters).
    quint32 keysym = 0;
    /// The key's position on a US keyboard (evdev keycode): grabbed when the active layout has no key
    /// with that symbol, so a Cyrillic layout still has the physical key.
    quint8 usKeycode = 0;

    bool operator==(const KeyCombination&) const = default;
};

/// Why a combination could not be grabbed.
struct GrabError {
    enum class Kind {
        taken,      ///< another program holds it
        refused,    ///< the X server said no for another reason; `code` is its error code
        noDisplay,  ///< there is no X11 display to grab it on
    };
    Kind kind = Kind::taken;
    int code = 0;

    bool operator==(const GrabError&) const = default;
};

/// The grabbed key went down (again while held, when the keyboard repeats it) or came back up.
enum class HotkeyEdge { down, up };

class GlobalHotkey {
public:
    GlobalHotkey() = default;
    GlobalHotkey(const GlobalHotkey&) = delete;
    GlobalHotkey& operator=(const GlobalHotkey&) = delete;
    virtual ~GlobalHotkey() = default;

    /// Grabs `combination` in place of the one held so far, which is released only once the new one
    /// is held: on failure the previous combination and its handler stay as they were. `onKey` runs
    /// on the main thread, after the platform's own handler has returned, for each edge of the key.
    virtual std::optional<GrabError> registerHotkey(const KeyCombination& combination,
                                                    std::function<void(HotkeyEdge)> onKey) = 0;
    /// The desktop's timestamp of the latest press of the combination; 0 where it does not tell.
    virtual quint64 lastPressTime() const { return 0; }
    /// Releases the combination; harmless when none is held.
    virtual void unregisterHotkey() = 0;
    /// While suspended the combination stays grabbed, but its presses are left to the focused
    /// window of this program (a shortcut recorder) and reported to nobody.
    virtual void setSuspended(bool suspended) = 0;
};

}  // namespace quillet
