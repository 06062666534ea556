// The running copy's name on the session bus, com.lumenfold.quillet, with one method per request:
#include "platform/linux/DBusInstanceChannel.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QObject>
#include <QThread>
#include <chrono>

namespace quillet {

namespace {

QString service() {
    return QString::fromLatin1(DBusInstanceChannel::serviceName);
}

bool nameIsHeld(QDBusConnection& bus) {
    QDBusConnectionInterface* iface = bus.interface();
    if (!iface)
        return false;
    const QDBusReply<bool> held = iface->isServiceRegistered(service());
    return held.isValid() && held.value();
}

// The system's monotonic clock, which every process of the machine reads alike.
qint64 monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

/// The object later starts call, each method with the moment (monotonic clock, milliseconds) the
/// start made its request; the forms without it, of earlier versions, count as made now. Each
/// request is handled after its answer has gone out, so a request to quit is answered before the
/// program ends.
class DBusInstanceReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.lumenfold.quillet")
public:
    explicit DBusInstanceReceiver(InstanceChannel::RequestHandler onRequest)
        : m_onRequest(std::move(onRequest)) {}

public Q_SLOTS:
    Q_SCRIPTABLE void ShowSettings() { handleLater(InstanceRequest::settings, 0); }
    Q_SCRIPTABLE void ShowSettings(qlonglong madeAt) { handleLater(InstanceRequest::settings, madeAt); }
    Q_SCRIPTABLE void Trigger() { handleLater(InstanceRequest::trigger, 0); }
    Q_SCRIPTABLE void Trigger(qlonglong madeAt) { handleLater(InstanceRequest::trigger, madeAt); }
    Q_SCRIPTABLE void Quit() { handleLater(InstanceRequest::quit, 0); }
    Q_SCRIPTABLE void Quit(qlonglong madeAt) { handleLater(InstanceRequest::quit, madeAt); }

private:
    void handleLater(InstanceRequest request, qlonglong madeAt) {
        QMetaObject::invokeMethod(
            this,
            [this, request, madeAt] {
                // Its age when it is carried out: a copy stopped after the call took it may run it
                // much later. A moment from the future is no moment of this clock.
                const qint64 age = madeAt > 0 ? monotonicMs() - madeAt : 0;
                if (m_onRequest)
                    m_onRequest(request, std::chrono::milliseconds(age >= 0 ? age : 0));
            },
            Qt::QueuedConnection);
    }
    InstanceChannel::RequestHandler m_onRequest;
};

DBusInstanceChannel::DBusInstanceChannel() = default;

DBusInstanceChannel::~DBusInstanceChannel() {
    release();
}

InstanceChannel::Claim DBusInstanceChannel::claim(RequestHandler onRequest) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Claim::unavailable;
    if (m_owned)
        return Claim::owned;
    // The object is there before the name, so no call can find the name without it.
    m_receiver = std::make_unique<DBusInstanceReceiver>(std::move(onRequest));
    bus.unregisterObject(QString::fromLatin1(objectPath));
    bus.registerObject(QString::fromLatin1(objectPath), m_receiver.get(),
                       QDBusConnection::ExportScriptableSlots);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(service(), QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_owned = true;
        return Claim::owned;
    }
    bus.unregisterObject(QString::fromLatin1(objectPath));
    m_receiver.reset();
    return reply.isValid() ? Claim::heldElsewhere : Claim::unavailable;
}

InstanceChannel::Delivery DBusInstanceChannel::send(InstanceRequest request,
                                                    std::chrono::milliseconds timeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Delivery::noCopy;
    const char* method = request == InstanceRequest::trigger ? "Trigger"
                         : request == InstanceRequest::quit  ? "Quit"
                                                             : "ShowSettings";
    QDBusMessage call =
        QDBusMessage::createMethodCall(service(), QString::fromLatin1(objectPath),
                                       QString::fromLatin1(interfaceName), QString::fromLatin1(method));
    call << qlonglong(monotonicMs());
    const QDBusMessage reply = bus.call(call, QDBus::Block, int(timeout.count()));
    if (reply.type() == QDBusMessage::ReplyMessage)
        return Delivery::delivered;
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return Delivery::noCopy;
    // A copy asked to quit may be gone before its answer reached us: it did what was asked.
    if (!nameIsHeld(bus))
        return request == InstanceRequest::quit ? Delivery::delivered : Delivery::noCopy;
    return Delivery::noAnswer;
}

bool DBusInstanceChannel::waitUntilReleased(std::chrono::milliseconds timeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return true;
    QDeadlineTimer deadline(timeout);
    while (nameIsHeld(bus)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(25);
    }
    return true;
}

void DBusInstanceChannel::release() {
    if (!m_owned)
        return;
    m_owned = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        bus.unregisterObject(QString::fromLatin1(objectPath));
        // A blocking call: answers queued before it (to a request to quit) go out first.
        if (QDBusConnectionInterface* iface = bus.interface())
            iface->unregisterService(service());
    }
    m_receiver.reset();
}

}  // namespace quillet

#include "DBusInstanceChannel.moc"
