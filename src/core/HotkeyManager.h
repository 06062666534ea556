// The one global shortcut, Super+Shift+G: registered once, each press handed to `onHotkey`.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace quillet {

class GlobalHotkey;

class HotkeyManager {
public:
    /// How the combination is written in texts and messages.
    static inline const QString shortcutText = QStringLiteral("Super+Shift+G");

    /// `writeErrorLine` receives the one line written when the combination cannot be had;
    /// by default it goes to standard error.
    explicit HotkeyManager(GlobalHotkey& hotkey, std::function<void(const QString&)> writeErrorLine = {});
    ~HotkeyManager();
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    /// Called on the main thread for each press; read at the moment of the press.
    std::function<void()> onHotkey;

    /// Grabs the combination. A failure is remembered (see registrationError) and reported once.
    void registerHotkey();
    /// Whether the combination is held by this program.
    bool isRegistered() const { return m_registered; }
    /// Why the combination is unavailable, after a failed registration.
    const std::optional<QString>& registrationError() const { return m_error; }

private:
    GlobalHotkey& m_hotkey;
    std::function<void(const QString&)> m_writeErrorLine;
    std::shared_ptr<HotkeyManager*> m_self;  // held weakly by the press callback
    bool m_registered = false;
    std::optional<QString> m_error;
};

}  // namespace quillet
