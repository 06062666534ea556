// Super+Shift+G grabbed on the X11 root window; presses arrive through Qt's native event filter.
#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>

#include "platform/GlobalHotkey.h"

namespace quillet {

class Scheduler;

class X11GlobalHotkey final : public GlobalHotkey, private QAbstractNativeEventFilter {
public:
    explicit X11GlobalHotkey(Scheduler& scheduler);
    ~X11GlobalHotkey() override;

    std::optional<QString> registerHotkey(std::function<void()> onPress) override;
    void unregisterHotkey() override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void ungrabAll();

    Scheduler& m_scheduler;
    std::function<void()> m_onPress;
    bool m_grabbed = false;
    bool m_filterInstalled = false;
    unsigned char m_keycode = 0;
    unsigned int m_modifiers = 0;     // Shift plus whichever modifier Super is bound to
    unsigned int m_ignoredMasks = 0;  // Caps Lock and Num Lock
};

}  // namespace quillet
