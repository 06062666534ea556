// The global shortcut where the desktop's own keyboard settings run `quillet --trigger` (GNOME on
// Wayland, where no program may grab keys itself): the program holds nothing.
#pragma once

#include "platform/GlobalHotkey.h"

namespace quillet {

/// Where the desktop holds the shortcut and runs `quillet --trigger` for it (GNOME): nothing to
/// grab here, and every combination is accepted as the one the settings suggest.
class DesktopCommandHotkey final : public GlobalHotkey {
public:
    std::optional<GrabError> registerHotkey(const KeyCombination&, std::function<void(HotkeyEdge)>) override {
        return std::nullopt;
    }
    void unregisterHotkey() override {}
    void setSuspended(bool) override {}
};

}  // namespace quillet
