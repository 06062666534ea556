// Window-manager hints Qt has no flag for, set on the native window before it is first shown.
#pragma once

#include <QWidget>

namespace quillet::NativeWindowHints {

/// Asks the window manager to show the window on every workspace. True when the hint was set (an X11
/// display); false elsewhere (the off-screen platform), where there is nothing to ask.
bool showOnAllWorkspaces(WId window);

/// Asks the window manager to give the keyboard to a window the user asked for (the suggestion
/// panel opened by a click or the hotkey) although the program is in the background. Window
/// managers refuse an ordinary application's request to steal focus; this one comes as the
/// user's own, as from a task bar. False where there is no X11 display.
bool requestKeyboardFocus(WId window);
/// Asks the X server to put the window at `deviceRect` (device pixels), whatever Qt believes about
/// where it is. False where there is no X11 display.
bool moveResize(WId window, const QRect& deviceRect);

}  // namespace quillet::NativeWindowHints
