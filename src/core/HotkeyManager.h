// The global shortcut (Super+Shift+G unless the user picks another): grabbed at start, changed from
// the settings, and one `triggered` for each press, however long the keys are held.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/L10n.h"
#include "core/Shortcut.h"
#include "platform/GlobalHotkey.h"

namespace quillet {

class HotkeyManager : public QObject {
    Q_OBJECT
public:
    /// `writeErrorLine` receives the one line written when the shortcut cannot be had at start;
    /// by default it goes to standard error.
    explicit HotkeyManager(GlobalHotkey& hotkey, std::function<void(const QString&)> writeErrorLine = {});
    ~HotkeyManager() override;

    /// The shortcut registerHotkey() grabs; empty when the user turned it off. Set before it.
    void setShortcut(std::optional<Shortcut> shortcut);
    const std::optional<Shortcut>& shortcut() const { return m_shortcut; }

    /// Grabs the shortcut. A failure is remembered (see registrationError) and reported in one line.
    void registerHotkey();
    /// Grabs `shortcut` in place of the current one (empty: releases it). On failure the current one
    /// stays grabbed and in use, and the reason comes back.
    std::optional<GrabError> changeShortcut(const std::optional<Shortcut>& shortcut);
    /// While suspended, presses of the shortcut go to this program's focused window and start nothing.
    void setSuspended(bool suspended);

    /// Why the shortcut is not held, after a failed registration at start.
    const std::optional<GrabError>& registrationError() const { return m_error; }

    /// The reason in a sentence of the interface language, naming the combination.
    static QString describe(const GrabError& error, const Shortcut& shortcut, const L10n& l);

Q_SIGNALS:
    /// On the main thread once per press, when the keys go down: holding them (and the keyboard's
    /// repeat) sends no second one until they have come back up.
    void triggered();

private:
    std::optional<GrabError> grab(const Shortcut& shortcut);
    void keyEdge(HotkeyEdge edge);

    GlobalHotkey& m_hotkey;
    std::function<void(const QString&)> m_writeErrorLine;
    std::shared_ptr<HotkeyManager*> m_self;  // held weakly by the key callback
    std::optional<Shortcut> m_shortcut = Shortcut::defaultShortcut();
    bool m_registered = false;
    bool m_held = false;
    std::optional<GrabError> m_error;
};

}  // namespace quillet
