// Window-manager hints Qt has no flag for, set on the native window before it is first shown.
#pragma once

#include <QWidget>

namespace quillet::NativeWindowHints {

/// Asks the window manager to show the window on every workspace. True when the hint was set (an X11
/// display); false elsewhere (the off-screen platform), where there is nothing to ask.
bool showOnAllWorkspaces(WId window);

/// Asks the X server to put the window at `deviceRect` (device pixels), whatever Qt believes about
/// where it is. False where there is no X11 display.
bool moveResize(WId window, const QRect& deviceRect);

}  // namespace quillet::NativeWindowHints
