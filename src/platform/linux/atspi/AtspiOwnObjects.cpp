// This program's own objects in libatspi's cache, and what is noted per application on the bus.
#include <unistd.h>

#include <QAccessible>

#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

namespace quillet {

using namespace atspi;

namespace {

// Says on the accessibility bus that the object at `path` of the application `bus` is gone, as its
// toolkit would: libatspi, here and in any other listener, drops it from its cache.
void announceRemoval(DBusConnection* connection, const char* bus, const QByteArray& path) {
    DBusMessage* message =
        dbus_message_new_signal("/org/a11y/atspi/cache", "org.a11y.atspi.Cache", "RemoveAccessible");
    if (!message)
        return;
    DBusMessageIter args, reference;
    const char* object = path.constData();
    dbus_message_iter_init_append(message, &args);
    dbus_message_iter_open_container(&args, DBUS_TYPE_STRUCT, nullptr, &reference);
    dbus_message_iter_append_basic(&reference, DBUS_TYPE_STRING, &bus);
    dbus_message_iter_append_basic(&reference, DBUS_TYPE_OBJECT_PATH, &object);
    dbus_message_iter_close_container(&args, &reference);
    dbus_connection_send(connection, message, nullptr);
    dbus_message_unref(message);
}

}  // namespace

void AtspiAccessibility::Impl::forgetGoneOwnObjects(AtspiApplication* own) {
    if (!own || !own->hash || !own->bus_name)
        return;
    const int held = int(g_hash_table_size(own->hash));
    if (!ownSweep.isDue(held))
        return;
    QList<QByteArray> paths;
    GHashTableIter it;
    gpointer key = nullptr;
    g_hash_table_iter_init(&it, own->hash);
    while (g_hash_table_iter_next(&it, &key, nullptr))
        paths << QByteArray(static_cast<const char*>(key));
    const QList<QByteArray> gone = ownSweep.sweep(paths, held, [](quint32 id) {
        return QAccessible::accessibleInterface(QAccessible::Id(id)) != nullptr;
    });
    DBusConnection* connection = atspi_get_a11y_bus();
    if (!connection)
        return;
    for (const QByteArray& path : gone)
        announceRemoval(connection, own->bus_name, path);
}

void AtspiAccessibility::Impl::forgetApplication(const QByteArray& bus) {
    if (bus.isEmpty())
        return;
    pidByBus.remove(bus);
    hostByBus.remove(bus);
    toolkitByBus.remove(bus);
    windowAnswersByBus.remove(bus);
}

int AtspiAccessibility::ownObjectsHeld() {
    if (!d->ensureInit())
        return 0;
    GRef<AtspiAccessible> app(d->appElement(qint32(::getpid())));
    AtspiApplication* own = app ? app->parent.app : nullptr;
    return own && own->hash ? int(g_hash_table_size(own->hash)) : 0;
}

}  // namespace quillet
