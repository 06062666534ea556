// Keycodes and modifier masks looked up on the running X server, so that any keyboard layout works.
#pragma once

#include <X11/Xlib.h>

namespace quillet::x11keys {

/// Keycodes of the letter keys in the US layout under evdev: what GTK and Qt match Control
/// shortcuts against when the active layout has no Latin letters (Serbian Cyrillic, Russian...).
inline constexpr KeyCode usA = 38;
inline constexpr KeyCode usC = 54;
inline constexpr KeyCode usG = 42;
inline constexpr KeyCode usV = 55;

/// The key that produces `keysym` in the current layout, else the physical key `usFallback`.
KeyCode keycodeFor(Display* display, KeySym keysym, KeyCode usFallback);
/// The modifier mask a key with `keysym` is bound to, else `fallback`.
unsigned int modifierMaskFor(Display* display, KeySym keysym, unsigned int fallback);

/// Binds `keysym` (and its capital) to a keycode that has no symbols; 0 when there is none.
KeyCode bindToSpareKeycode(Display* display, KeySym keysym);
/// Takes a binding made by bindToSpareKeycode away again.
void unbindKeycode(Display* display, KeyCode keycode);

}  // namespace quillet::x11keys
