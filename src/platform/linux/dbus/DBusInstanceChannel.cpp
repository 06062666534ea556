// The running copy's name on the session bus, com.lumenfold.quillet, with one method per request:
#include "platform/linux/dbus/DBusInstanceChannel.h"

#include "instanceadaptor.h"
#include "instanceproxy.h"
#include "platform/linux/dbus/DBusInstanceReceiver.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <chrono>

#include <unistd.h>

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

QString DBusInstanceChannel::programOf(qint64 pid) {
    const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
    char target[4096];
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    if (length <= 0 || size_t(length) >= sizeof target)
        return {};
    return QFile::decodeName(QByteArray(target, int(length)));
}

DBusInstanceReceiver::DBusInstanceReceiver(InstanceChannel::RequestHandler onRequest,
                                           InstanceChannel::RequestGate admit)
    : m_onRequest(std::move(onRequest)), m_admit(std::move(admit)) {
    new InstanceAdaptor(this);
}

void DBusInstanceReceiver::arrive(InstanceRequest request, qlonglong madeAt) {
    const std::optional<std::chrono::milliseconds> age =
        madeAt > 0 ? std::optional(std::chrono::milliseconds(monotonicMs() - madeAt)) : std::nullopt;
    const InstanceChannel::Admission admission =
        m_admit ? m_admit(request, age) : InstanceChannel::Admission::accepted;
    if (admission == InstanceChannel::Admission::accepted) {
        handleLater(request, madeAt);
        return;
    }
    if (!calledFromDBus())
        return;
    if (admission == InstanceChannel::Admission::busy)
        sendErrorReply(QString::fromLatin1(DBusInstanceChannel::busyError),
                       QStringLiteral("Quillet took such a request a moment ago; try again shortly"));
    else
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("madeAt lies in the future"));
}

void DBusInstanceReceiver::handleLater(InstanceRequest request, qlonglong madeAt) {
    QMetaObject::invokeMethod(
        this,
        [this, request, madeAt] {
            // Its age when it is carried out: a copy stopped after the call took it may run it much
            // later. A moment from the future is no moment of this clock.
            const qint64 age = madeAt > 0 ? monotonicMs() - madeAt : 0;
            if (m_onRequest)
                m_onRequest(request, std::chrono::milliseconds(age >= 0 ? age : 0));
        },
        Qt::QueuedConnection);
}

DBusInstanceChannel::DBusInstanceChannel() = default;

DBusInstanceChannel::~DBusInstanceChannel() {
    release();
}

InstanceChannel::Claim DBusInstanceChannel::claim(RequestHandler onRequest, RequestGate admit) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Claim::unavailable;
    if (m_owned)
        return Claim::owned;
    m_holderName.clear();
    // The object is there before the name, so no call can find the name without it.
    m_receiver = std::make_unique<DBusInstanceReceiver>(std::move(onRequest), std::move(admit));
    bus.unregisterObject(QString::fromLatin1(objectPath));
    bus.registerObject(QString::fromLatin1(objectPath), m_receiver.get(), QDBusConnection::ExportAdaptors);
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

std::optional<InstanceChannel::Holder> DBusInstanceChannel::holder() {
    m_holderName.clear();
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface* iface = bus.isConnected() ? bus.interface() : nullptr;
    if (!iface)
        return std::nullopt;
    const QDBusReply<QString> owner = iface->serviceOwner(service());
    if (!owner.isValid() || owner.value().isEmpty())
        return std::nullopt;
    const QDBusReply<uint> pid = iface->servicePid(owner.value());
    if (!pid.isValid())
        return std::nullopt;
    // The request then goes to this connection only: a name taken over meanwhile hears nothing.
    m_holderName = owner.value();
    return Holder{qint64(pid.value()), programOf(qint64(pid.value()))};
}

InstanceChannel::Delivery DBusInstanceChannel::send(InstanceRequest request,
                                                    std::chrono::milliseconds timeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Delivery::noCopy;
    InstanceProxy proxy(m_holderName.isEmpty() ? service() : m_holderName, QString::fromLatin1(objectPath),
                        bus);
    proxy.setTimeout(int(timeout.count()));
    const qlonglong madeAt = monotonicMs();
    QDBusPendingReply<> reply = request == InstanceRequest::trigger ? proxy.Trigger(madeAt)
                                : request == InstanceRequest::quit  ? proxy.Quit(madeAt)
                                                                    : proxy.ShowSettings(madeAt);
    reply.waitForFinished();
    if (!reply.isError())
        return Delivery::delivered;
    const QString error = reply.error().name();
    if (error == QLatin1String(busyError))
        return Delivery::busy;
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
