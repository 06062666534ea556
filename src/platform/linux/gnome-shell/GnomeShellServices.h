// The platform services GNOME Shell's extension for Quillet gives a Wayland session beside the icon
// and the panel's place (CompositorBridge): keys, the clipboard and the shortcut. Each falls
// back to what the session offers without it (the service it is given) whenever the extension does
// not answer, so a user who switches it off mid-run keeps today's behaviour.
#pragma once

#include <QHash>
#include <QObject>
#include <memory>

#include "platform/Clipboard.h"
#include "platform/GlobalHotkey.h"
#include "platform/KeySynth.h"
#include "platform/linux/gnome-shell/GnomeShellBridge.h"

namespace quillet {

/// The accelerator GNOME's key bindings read ("<Super><Shift>g"); empty for a key with no name.
QString shellAccelerator(const KeyCombination& combination);

class GnomeShellKeySynth final : public KeySynth {
public:
    GnomeShellKeySynth(GnomeShellBridge& bridge, std::unique_ptr<KeySynth> fallback)
        : m_bridge(bridge), m_fallback(std::move(fallback)) {}
    bool selectAll() override { return press(QStringLiteral("select-all"), 1, &KeySynth::selectAll); }
    bool copy() override { return press(QStringLiteral("copy"), 1, &KeySynth::copy); }
    bool paste() override { return press(QStringLiteral("paste"), 1, &KeySynth::paste); }
    bool selectBackward(int count) override;
    bool selectForward(int count) override;
    // The extension posts no caret moves: only an X11 application is reached, through the fallback.
    bool selectFromStart(int skip, int count) override {
        return !m_bridge.isActive() && m_fallback->selectFromStart(skip, count);
    }
    void renewGrant() override { m_bridge.renewGrant(); }
    void endGrant() override { m_bridge.endGrant(); }

private:
    bool press(const QString& keys, int count, bool (KeySynth::*fallback)());

    GnomeShellBridge& m_bridge;
    std::unique_ptr<KeySynth> m_fallback;
};

/// The clipboard through the shell, which owns it whatever window has the keyboard. The shell holds
/// one format of what is put back (plain text where there is): see SetClipboard in the extension.
class GnomeShellClipboard final : public Clipboard {
public:
    GnomeShellClipboard(GnomeShellBridge& bridge, std::unique_ptr<Clipboard> fallback)
        : m_bridge(bridge), m_fallback(std::move(fallback)) {}
    QList<ClipboardItem> items() override;
    void clear() override;
    void write(const QList<ClipboardItem>& items) override;
    std::optional<QString> plainText() override;
    qint64 serial() override;
    bool lastReadTimedOut() const override;
    std::optional<qint64> servedCount() override;
    std::optional<qint64> servedCountTo(qint32 pid) override;
    std::optional<qint32> ownerPid() override;
    bool supportsSelection() override;
    std::optional<QString> selectionText() override;

private:
    GnomeShellBridge& m_bridge;
    std::unique_ptr<Clipboard> m_fallback;
    bool m_lastReadTimedOut = false;
    bool m_lastReadHere = false;
};

/// The shortcut as a key binding of the shell, which reports each press. Taken again whenever the
/// extension starts answering; while it does not, the fallback (the desktop's own keyboard settings
/// running `quillet --trigger`) holds nothing and accepts every combination.
class GnomeShellHotkey final : public QObject, public GlobalHotkey {
    Q_OBJECT
public:
    GnomeShellHotkey(GnomeShellBridge& bridge, std::unique_ptr<GlobalHotkey> fallback);
    std::optional<GrabError> registerHotkey(const KeyCombination& combination,
                                            std::function<void(HotkeyEdge)> onKey) override;
    void unregisterHotkey() override;
    void setSuspended(bool suspended) override;

private:
    GnomeShellBridge& m_bridge;
    std::unique_ptr<GlobalHotkey> m_fallback;
    std::optional<KeyCombination> m_combination;
    std::shared_ptr<std::function<void(HotkeyEdge)>> m_onKey;
    bool m_suspended = false;
};

}  // namespace quillet
