// The global shortcut grabbed on the X11 root window; its presses arrive through Qt's native event
// filter, and the release that ends a press through the X input extension's raw events.
#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>
#include <memory>

#include "platform/GlobalHotkey.h"
#include "platform/Scheduler.h"

namespace quillet {

class X11GlobalHotkey final : public GlobalHotkey, private QAbstractNativeEventFilter {
public:
    explicit X11GlobalHotkey(Scheduler& scheduler);
    ~X11GlobalHotkey() override;

    std::optional<GrabError> registerHotkey(const KeyCombination& combination,
                                            std::function<void(HotkeyEdge)> onKey) override;
    void unregisterHotkey() override;
    void setSuspended(bool suspended) override;
    quint64 lastPressTime() const override { return m_pressTime; }

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
    /// From the press on: learn when the key comes up, which no core event tells once the keyboard
    /// has been handed back.
    void watchRelease();
    void stopWatchingRelease();
    void released();

    Scheduler& m_scheduler;
    std::function<void(HotkeyEdge)> m_onKey;
    std::optional<Grab> m_grab;
    unsigned int m_ignoredMasks = 0;  // Caps Lock and Num Lock
    bool m_filterInstalled = false;
    bool m_suspended = false;
    bool m_down = false;
    quint64 m_pressTime = 0;  // the X server's time of the latest press
    int m_xiOpcode = -1;      // the X input extension, when it has raw events; -1 without
    bool m_rawSelected = false;
    // Calls posted to the event loop hold this weakly.
    std::shared_ptr<X11GlobalHotkey*> m_self;
};

}  // namespace quillet
