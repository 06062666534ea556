// The global shortcut in a Wayland session, where no program may grab keys itself: on KDE Plasma
// it is registered with KDE's shortcut service; elsewhere the desktop's own keyboard settings run
// `quillet --trigger`, and the program holds nothing.
#pragma once

#include <QKeyCombination>
#include <memory>

#include "platform/GlobalHotkey.h"
#include "platform/KeySynth.h"

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

/// Synthetic keys reach only programs with an X11 window (through XWayland); for a native Wayland
/// program nothing is sent, and the caller learns so, instead of keys going nowhere.
class X11OnlyKeySynth final : public KeySynth {
public:
    X11OnlyKeySynth(std::unique_ptr<KeySynth> x11, std::function<bool()> frontIsX11)
        : m_x11(std::move(x11)), m_frontIsX11(std::move(frontIsX11)) {}
    bool selectAll() override { return m_frontIsX11() && m_x11->selectAll(); }
    bool copy() override { return m_frontIsX11() && m_x11->copy(); }
    bool paste() override { return m_frontIsX11() && m_x11->paste(); }
    bool selectBackward(int count) override { return m_frontIsX11() && m_x11->selectBackward(count); }
    bool selectForward(int count) override { return m_frontIsX11() && m_x11->selectForward(count); }
    bool selectFromStart(int skip, int count) override {
        return m_frontIsX11() && m_x11->selectFromStart(skip, count);
    }

private:
    std::unique_ptr<KeySynth> m_x11;
    std::function<bool()> m_frontIsX11;
};

}  // namespace quillet
