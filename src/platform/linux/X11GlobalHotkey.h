// The global shortcut grabbed on the X11 root window; its key's presses and releases arrive through
// Qt's native event filter.
#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>
#include <memory>

#include "platform/GlobalHotkey.h"

namespace quillet {

class Scheduler;

class X11GlobalHotkey final : public GlobalHotkey, private QAbstractNativeEventFilter {
public:
    explicit X11GlobalHotkey(Scheduler& scheduler);
    ~X11GlobalHotkey() override;

    std::optional<GrabError> registerHotkey(const KeyCombination& combination,
                                            std::function<void(HotkeyEdge)> onKey) override;
    void unregisterHotkey() override;
    void setSuspended(bool suspended) override;

private:
    /// A combination as the X server knows it.
    struct Grab {
        unsigned char keycode = 0;
        unsigned int modifiers = 0;  // Shift, Control, and whichever masks Alt and Super are bound to
        bool operator==(const Grab&) const = default;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void report(HotkeyEdge edge);
    void ungrab(const Grab& grab);

    Scheduler& m_scheduler;
    std::function<void(HotkeyEdge)> m_onKey;
    std::optional<Grab> m_grab;
    unsigned int m_ignoredMasks = 0;  // Caps Lock and Num Lock
    bool m_filterInstalled = false;
    bool m_suspended = false;
    bool m_down = false;
    // A release whose report waits to see whether the keyboard's repeat sends a press right behind it.
    bool m_releasePending = false;
    unsigned int m_releaseTime = 0;
    // Calls posted to the event loop hold this weakly.
    std::shared_ptr<X11GlobalHotkey*> m_self;
};

}  // namespace quillet
