// The global shortcut on KDE Plasma's Wayland session, where no program may grab keys itself: it is
// registered with KDE's shortcut service.
#pragma once

#include <QKeyCombination>
#include <memory>

#include "platform/GlobalHotkey.h"

namespace quillet {

class KGlobalAccelShortcut;

/// The Qt key combination for `combination`; empty for a key Qt has no name for.
std::optional<QKeyCombination> qtKeyCombination(const KeyCombination& combination);

/// The shortcut through KDE's shortcut service (KGlobalAccel). Each press arrives as one key going
/// down and back up: the service reports presses, not releases.
class KGlobalAccelHotkey final : public GlobalHotkey {
public:
    KGlobalAccelHotkey();
    ~KGlobalAccelHotkey() override;

    std::optional<GrabError> registerHotkey(const KeyCombination& combination,
                                            std::function<void(HotkeyEdge)> onKey) override;
    void unregisterHotkey() override;
    void setSuspended(bool suspended) override;

private:
    std::unique_ptr<KGlobalAccelShortcut> m_shortcut;
    std::shared_ptr<std::function<void(HotkeyEdge)>> m_onKey;
    bool m_suspended = false;
};

}  // namespace quillet
