// Requests to the window manager that Qt has no flag for, made for the program's own floating windows.
#pragma once

#include <QRect>
#include <QtGlobal>

namespace quillet {

/// A native window of this program, as Qt names it (QWidget::winId()).
using NativeWindowId = quintptr;

class WindowHints {
public:
    WindowHints() = default;
    WindowHints(const WindowHints&) = delete;
    WindowHints& operator=(const WindowHints&) = delete;
    virtual ~WindowHints() = default;

    /// Asks the window manager to show `window` on every workspace; asked before the window is first
    /// shown, as the hint is read when it is mapped. False when there was nobody to ask (no X11
    /// display, the off-screen platform): asking again later may succeed.
    virtual bool showOnAllWorkspaces(NativeWindowId window) = 0;
    /// Asks the window manager to give the keyboard to a window the user asked for (the suggestion
    /// panel opened by a click or the hotkey) although the program is in the background. Window
    /// managers refuse an ordinary application's request to steal focus; this one comes as the
    /// user's own, as from a task bar. False when there was nobody to ask.
    virtual bool requestKeyboardFocus(NativeWindowId window) = 0;
    /// Puts `window` at `deviceRect` (device pixels), whatever the toolkit believes about where it
    /// is. False when there was nobody to ask or the rectangle is empty.
    virtual bool moveResize(NativeWindowId window, const QRect& deviceRect) = 0;
    /// Whether a window shown without asking for the keyboard leaves it where it is until
    /// requestKeyboardFocus(): the window manager reads the hint that says so when it maps the window.
    virtual bool keepsKeyboardOnShow() const { return false; }
};

}  // namespace quillet
