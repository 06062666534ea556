// The window-manager requests for the program's floating windows, sent to the X server (EWMH).
#pragma once

#include "platform/WindowHints.h"

namespace quillet {

/// Asks the X server of Qt's own connection; answers false wherever Qt has none (the off-screen
/// platform, a native Wayland window).
class X11WindowHints final : public WindowHints {
public:
    bool showOnAllWorkspaces(NativeWindowId window) override;
    bool requestKeyboardFocus(NativeWindowId window) override;
    bool moveResize(NativeWindowId window, const QRect& deviceRect) override;
    bool keepsKeyboardOnShow() const override { return true; }
};

}  // namespace quillet
