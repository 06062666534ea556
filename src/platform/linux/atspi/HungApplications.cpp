// The applications that stopped answering over AT-SPI, and the ping that tells when they answer again.
#include "platform/linux/atspi/HungApplications.h"

#include <atspi/atspi.h>
#include <dbus/dbus.h>

namespace quillet {

namespace {

struct PingWait {
    std::weak_ptr<QSet<QByteArray>> hung;
    QByteArray bus;
};

void pingAnswered(DBusPendingCall* pending, void* data) {
    const auto* wait = static_cast<PingWait*>(data);
    if (const auto hung = wait->hung.lock())
        hung->remove(wait->bus);
    dbus_pending_call_unref(pending);
}

}  // namespace

void HungApplications::markHung(const QByteArray& bus) {
    DBusConnection* connection = atspi_get_a11y_bus();
    if (bus.isEmpty() || m_hung->contains(bus) || !connection)
        return;
    // Any message the application answers tells it is back; a peer's ping asks nothing of its data.
    DBusMessage* ping =
        dbus_message_new_method_call(bus.constData(), "/", "org.freedesktop.DBus.Peer", "Ping");
    if (!ping)
        return;
    DBusPendingCall* pending = nullptr;
    if (dbus_connection_send_with_reply(connection, ping, &pending, DBUS_TIMEOUT_INFINITE) && pending) {
        m_hung->insert(bus);
        dbus_pending_call_set_notify(pending, pingAnswered, new PingWait{m_hung, bus},
                                     [](void* p) { delete static_cast<PingWait*>(p); });
    }
    dbus_message_unref(ping);
}

}  // namespace quillet
