// Quillet's side of its GNOME Shell extension (resources/gnome-shell): the calls that place the icon,
// the panel and the keys, read the focused window and the clipboard, and the signals that bring
// clicks and the shortcut back. Every call is a short round trip to the shell, bounded in time.
#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QMap>
#include <QObject>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>

#include "platform/ShellExtension.h"
#include "platform/linux/shared/CompositorBridge.h"

class ShellProxy;

namespace quillet {

class GnomeShellBridge final : public CompositorBridge {
    Q_OBJECT
public:
    /// The extension, as GNOME Shell knows it.
    static inline const QString uuid = QStringLiteral("quillet@lumenfold.com");
    static inline const QString service = QStringLiteral("org.gnome.Shell");
    static inline const QString path = QStringLiteral("/com/lumenfold/quillet/Shell");
    /// The language this program speaks with the extension; it answers the same number.
    static constexpr uint protocolVersion = 2;
    /// The longest wait for the shell's answer: a shell busy for longer is taken as not answering.
    static constexpr int callTimeoutMs = 1000;

    /// The clipboard as the extension reads it: each format with its bytes, and whether every
    /// format could be read (an owner that did not answer in time ends the read).
    struct ClipboardContents {
        QMap<QString, QByteArray> formats;
        bool complete = true;
    };

    explicit GnomeShellBridge(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                              QObject* parent = nullptr);
    ~GnomeShellBridge() override;

    /// Introduces this program to the extension. As its `client` (the running assistant; one at a
    /// time) it is sent the signals, and what it showed or bound goes when it leaves the bus; a
    /// passing look (the self-check) changes nothing there. False when the extension does not
    /// answer or refuses. Tried again whenever the extension says it has started.
    bool connectToShell(bool client);
    /// Whether the extension answers this program now.
    bool isActive() const override { return m_active; }
    /// How far the extension is from working, asked afresh from the shell.
    ShellExtensionStatus status();

    /// The focused window is told to the client alone.
    bool knowsWindows() override { return m_active && m_client; }
    std::optional<ScreenPosition::WindowRects> focusedWindow(qint32 pid) override;

    bool showIcon(const QRect& rect, const QString& state, const QString& tooltip) override;
    void hideIcon() override;
    bool placeWindow(const QString& title, const QRect& rect, bool focus) override;
    /// False also when the process has no window.
    bool activateProcess(qint32 pid) override;

    std::optional<ClipboardContents> clipboard();
    /// Puts `formats` on the clipboard (the shell keeps one of them: plain text where there is).
    bool setClipboard(const QMap<QString, QByteArray>& formats);
    /// How many times anyone changed the clipboard since the extension started.
    std::optional<quint64> clipboardChanges();
    /// The text selected right now in whichever program (the primary selection).
    std::optional<QString> selectionText();

    /// Presses `keys` ("select-all", "copy", "paste", "select-backward", "select-forward"; the moves
    /// `count` times) in whatever window has the keyboard, once the user's own modifiers are up.
    bool pressKeys(const QString& keys, uint count = 1);

    /// Binds the shortcut to `accelerator` ("<Super><Shift>g"; empty: none). Empty on success, else
    /// the extension's reason ("taken ...", "refused"), or "unanswered".
    QString setShortcut(const QString& accelerator);
    void suspendShortcut(bool suspended);

    /// The clipboard, the selection, the keys and the activation are served only within a grant,
    /// which the extension opens at the user's gesture (the shortcut, a press on the icon, the Undo
    /// of a notification) for the window that had the keyboard then. Renewed for that window after a
    /// press in one of this program's windows (the choice in the panel); false when the extension
    /// saw none. Ended once the write and the clipboard's restore are over.
    bool renewGrant();
    void endGrant();

Q_SIGNALS:
    void shortcutPressed();

private:
    /// Waits for the extension's answer to a call `method` made through the proxy, at most
    /// `timeoutMs`; empty on any failure. A reply saying the extension is gone or refuses this
    /// program makes the bridge inactive.
    template <typename Call>
    auto answer(const char* method, int timeoutMs, Call&& call) -> std::optional<decltype(call())>;
    void setActive(bool active);
    void takeWindow(uint pid, const QRect& frame, const QRect& buffer);

    QDBusConnection m_bus;
    std::unique_ptr<ShellProxy> m_shell;
    bool m_active = false;
    bool m_client = false;
    qint32 m_windowPid = 0;
    ScreenPosition::WindowRects m_window;
    bool m_windowKnown = false;
};

}  // namespace quillet
