// Window hints with no window manager to take them, as on the off-screen platform: every request
// answers that nobody was asked.
#pragma once

#include "platform/WindowHints.h"

namespace quillet {

class FakeWindowHints final : public WindowHints {
public:
    bool showOnAllWorkspaces(NativeWindowId) override { return false; }
    bool requestKeyboardFocus(NativeWindowId) override {
        ++keyboardRequests;
        return false;
    }
    bool moveResize(NativeWindowId, const QRect&) override { return false; }
    bool keepsKeyboardOnShow() const override { return true; }
    int keyboardRequests = 0;
};

}  // namespace quillet
