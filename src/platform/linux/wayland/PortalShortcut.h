// The global shortcut through the desktop portal (org.freedesktop.portal.GlobalShortcuts), where the
// desktop offers it and nothing of Quillet's own runs inside the compositor: the portal asks the
// user to confirm the combination, keeps it in the desktop's settings and reports each press.
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

#include "platform/GlobalHotkey.h"

class GlobalShortcutsProxy;
class PortalRequestProxy;
class PropertiesProxy;

namespace quillet {

class PortalShortcut : public QObject {
    Q_OBJECT
public:
    static inline const QString serviceName = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString objectPath = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString interfaceName = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
    /// The one shortcut's id, as the desktop's settings keep it.
    static inline const QString shortcutId = QStringLiteral("trigger");

    /// `description` is what the desktop shows for the shortcut.
    explicit PortalShortcut(const QString& description,
                            const QDBusConnection& bus = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr);
    ~PortalShortcut() override;

    /// The combination as the portal's preferred trigger ("CTRL+LOGO+g"); empty for a key with
    /// no name.
    static QString preferredTrigger(const KeyCombination& combination);

    /// Asks the portal to bind the shortcut, preferring `trigger`, in place of the one bound so far;
    /// the answer arrives through bound(). Without the portal, bound(false) follows at once.
    void bind(const QString& trigger);
    /// Closes the session: the desktop no longer reports presses. Harmless when nothing is bound.
    void release();
    bool isBound() const { return m_bound; }

Q_SIGNALS:
    /// The portal's answer to bind(): whether the shortcut is bound, and how the desktop says its
    /// keys (empty where it does not say).
    void bound(bool ok, const QString& triggerDescription);
    void pressed();
    void released();

private:
    void onResponse(uint response, const QVariantMap& results);
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);
    void onDeactivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                       const QVariantMap& options);

    enum class Step { none, creating, binding };

    void createSession();
    void bindShortcut();
    /// Sends a call (`call` sends it) whose answer comes as the Response of the request named by
    /// `token`, listened for from before the call; a failed call ends the binding.
    void request(const QString& token, const std::function<QDBusPendingCall()>& call);
    void listenFor(const QString& requestPath);
    void stopListening();
    void fail();
    QString nextToken();

    QDBusConnection m_bus;
    QString m_description;
    // The portal's shortcuts, and its properties; calls bounded by callTimeoutMs.
    std::unique_ptr<GlobalShortcutsProxy> m_portal;
    std::unique_ptr<PropertiesProxy> m_properties;
    // The request listened to (at m_requestPath), a child of this object.
    PortalRequestProxy* m_request = nullptr;
    QString m_trigger;
    Step m_step = Step::none;
    QString m_requestPath;
    QString m_session;
    bool m_bound = false;
    // Answers to calls made before a release() or a later bind() are not this binding's.
    quint64 m_generation = 0;
    quint64 m_tokens = 0;
};

/// The shortcut through the portal, and the fallback's (the desktop's own settings running
/// `quillet --trigger`) where the desktop has no such portal or the user declined it.
class PortalHotkey final : public QObject, public GlobalHotkey {
    Q_OBJECT
public:
    PortalHotkey(std::unique_ptr<PortalShortcut> shortcut, std::unique_ptr<GlobalHotkey> fallback);
    std::optional<GrabError> registerHotkey(const KeyCombination& combination,
                                            std::function<void(HotkeyEdge)> onKey) override;
    void unregisterHotkey() override;
    void setSuspended(bool suspended) override;

private:
    void report(HotkeyEdge edge);

    std::unique_ptr<PortalShortcut> m_shortcut;
    std::unique_ptr<GlobalHotkey> m_fallback;
    std::shared_ptr<std::function<void(HotkeyEdge)>> m_onKey;
    bool m_suspended = false;
    bool m_down = false;
};

}  // namespace quillet
