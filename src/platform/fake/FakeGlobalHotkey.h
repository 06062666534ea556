// A global shortcut the test presses, holds and releases by hand; other programs can hold combinations.
#pragma once

#include <QList>

#include "platform/GlobalHotkey.h"

namespace quillet {

class FakeGlobalHotkey final : public GlobalHotkey {
public:
    std::optional<GrabError> registerHotkey(const KeyCombination& combination,
                                            std::function<void(HotkeyEdge)> onKey) override {
        ++registrations;
        if (failure)
            return failure;
        if (heldElsewhere.contains(combination))
            return GrabError{GrabError::Kind::taken};
        m_grabbed = combination;
        m_onKey = std::move(onKey);
        return std::nullopt;
    }
    void unregisterHotkey() override {
        m_grabbed.reset();
        m_onKey = nullptr;
    }
    void setSuspended(bool value) override { suspended = value; }

    bool isGrabbed() const { return m_grabbed.has_value(); }
    const std::optional<KeyCombination>& grabbed() const { return m_grabbed; }

    /// The key goes down; nothing happens unless it is grabbed and reported.
    void down() { edge(HotkeyEdge::down); }
    void up() { edge(HotkeyEdge::up); }
    /// A press as a person makes it: down, then up.
    void press() {
        down();
        up();
    }
    /// The keys held down while the keyboard repeats the press `repeats` times, then let go.
    void hold(int repeats) {
        down();
        for (int i = 0; i < repeats; ++i)
            down();
        up();
    }

    std::optional<GrabError> failure;     // while set, every registration fails with it
    QList<KeyCombination> heldElsewhere;  // combinations another program holds
    bool suspended = false;
    int registrations = 0;

private:
    void edge(HotkeyEdge e) {
        if (m_onKey && !suspended)
            m_onKey(e);
    }

    std::optional<KeyCombination> m_grabbed;
    std::function<void(HotkeyEdge)> m_onKey;
};

}  // namespace quillet
