// A stand-in for the desktop's notification service in the Wayland sessions.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace quillet::test {

/// The desktop's notification service as GNOME Shell and Plasma offer it: keeps each notice, and
/// presses a notice's button as a person would.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice {
        uint id = 0;
        QString summary;
        QStringList actions;
    };
    QList<Notice> shown;

    bool start() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        return bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
               bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~NotificationService() override {
        QDBusConnection::sessionBus().unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::sessionBus().unregisterObject(kPath);
    }
    bool showing(const QString& summary) const { return !shown.isEmpty() && shown.last().summary == summary; }
    void invoke(const QString& action) {
        QDBusMessage signal = QDBusMessage::createSignal(
            kPath, QStringLiteral("org.freedesktop.Notifications"), "ActionInvoked");
        signal << shown.last().id << action;
        QDBusConnection::sessionBus().send(signal);
    }

public Q_SLOTS:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString&,
                const QStringList& actions, const QVariantMap&, int) {
        shown << Notice{replaces ? replaces : uint(shown.size() + 1), summary, actions};
        return shown.last().id;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions")}; }
    void CloseNotification(uint) {}

private:
    static inline const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
};

}  // namespace quillet::test
