// A notice through the desktop's own notifications.
#include "platform/linux/dbus/DesktopNotice.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "notificationsproxy.h"

namespace quillet {

namespace {
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
const QString actionKey = QStringLiteral("undo");
}  // namespace

DesktopNotice::DesktopNotice(const QDBusConnection& bus, QObject* parent)
    : QObject(parent),
      m_bus(bus),
      m_service(std::make_unique<NotificationsProxy>(serviceName, objectPath, bus)) {
    connect(m_service.get(), &NotificationsProxy::ActionInvoked, this, &DesktopNotice::onActionInvoked);
    connect(m_service.get(), &NotificationsProxy::NotificationClosed, this, &DesktopNotice::onClosed);
}

DesktopNotice::~DesktopNotice() = default;

bool DesktopNotice::show(const QString& text, const QString& actionLabel, std::function<void()> onAction) {
    // Asked each time: the desktop's notification service can come and go (a shell restart).
    if (!m_bus.isConnected() || !m_bus.interface() || !m_bus.interface()->isServiceRegistered(serviceName))
        return false;
    // A button pressed on an older notice does nothing once a newer one is shown.
    if (m_action)
        *m_action = nullptr;
    m_action = std::make_shared<std::function<void()>>(actionLabel.isEmpty() ? nullptr : std::move(onAction));

    const QStringList actions = actionLabel.isEmpty() ? QStringList() : QStringList{actionKey, actionLabel};
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("quillet"));
    // Nothing to keep in the desktop's list of past notifications: the notice is about this moment.
    hints.insert(QStringLiteral("transient"), true);
    auto* watcher = new QDBusPendingCallWatcher(
        m_service->Notify(QStringLiteral("Quillet"), m_shownId, QStringLiteral("com.lumenfold.quillet"), text,
                          QString(), actions, hints, lifetimeMs),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, action = m_action](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isValid() && action == m_action)
                    m_shownId = reply.value();
            });
    return true;
}

void DesktopNotice::onActionInvoked(uint id, const QString& action) {
    if (id == 0 || id != m_shownId || action != actionKey || !m_action || !*m_action)
        return;
    const std::function<void()> run = std::exchange(*m_action, nullptr);
    run();
}

void DesktopNotice::onClosed(uint id, uint) {
    if (id != 0 && id == m_shownId && m_action)
        *m_action = nullptr;
}

}  // namespace quillet
