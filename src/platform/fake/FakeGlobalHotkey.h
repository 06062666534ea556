// A global shortcut the test presses by hand, and can make unavailable.
#pragma once

#include "platform/GlobalHotkey.h"

namespace quillet {

class FakeGlobalHotkey final : public GlobalHotkey {
public:
    std::optional<QString> registerHotkey(std::function<void()> onPress) override {
        ++registrations;
        if (failure)
            return failure;
        m_onPress = std::move(onPress);
        return std::nullopt;
    }
    void unregisterHotkey() override { m_onPress = nullptr; }

    bool isGrabbed() const { return static_cast<bool>(m_onPress); }
    /// The user presses the combination; nothing happens unless it is grabbed.
    void press() {
        if (m_onPress)
            m_onPress();
    }

    std::optional<QString> failure;  // while set, registration fails with this reason
    int registrations = 0;

private:
    std::function<void()> m_onPress;
};

}  // namespace quillet
