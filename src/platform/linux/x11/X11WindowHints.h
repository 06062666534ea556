// The window-manager requests for the program's floating windows, sent to the X server (EWMH).
#pragma once

#include "platform/WindowHints.h"

namespace quillet {

/// Asks the X server of Qt's own connection; answers false wherever Qt has none (the off-screen
/// platform, a native Wayland window).
class X11WindowHints final : public WindowHints {
public:
    /// `ownWindowManager`: an X11 session, whose window manager leaves the keyboard where it is for
    /// a window mapped with a zero user time. Under XWayland the compositor decides instead.
    explicit X11WindowHints(bool ownWindowManager) : m_ownWindowManager(ownWindowManager) {}

    bool showOnAllWorkspaces(NativeWindowId window) override;
    bool requestKeyboardFocus(NativeWindowId window) override;
    bool moveResize(NativeWindowId window, const QRect& deviceRect) override;
    bool keepsKeyboardOnShow() const override { return m_ownWindowManager; }

private:
    bool m_ownWindowManager;
};

}  // namespace quillet
