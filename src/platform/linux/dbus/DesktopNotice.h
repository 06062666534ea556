// A notice through the desktop's own notifications (org.freedesktop.Notifications): in a Wayland
// session a window of ours would take the keyboard from the field the notice is about, while the
// desktop shows its notifications without taking it.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class NotificationsProxy;

namespace quillet {

class DesktopNotice : public QObject {
    Q_OBJECT
public:
    static inline const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
    /// How long the desktop shows a notice, as long as the program's own notice stays.
    static constexpr int lifetimeMs = 10000;

    explicit DesktopNotice(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                           QObject* parent = nullptr);
    ~DesktopNotice() override;

    /// Shows `text` in place of the notice shown before, with one button labelled `actionLabel`
    /// (none when empty) that runs `onAction` once. False when the desktop shows no notifications;
    /// nothing is shown then.
    bool show(const QString& text, const QString& actionLabel, std::function<void()> onAction);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    std::unique_ptr<NotificationsProxy> m_service;
    uint m_shownId = 0;
    // The action of the latest notice, shared with the reply that tells its id.
    std::shared_ptr<std::function<void()>> m_action;
};

}  // namespace quillet
