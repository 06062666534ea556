#include "platform/linux/wayland/PortalTypes.h"

#include <QDBusMetaType>

namespace quillet {

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcutEntry& entry) {
    out.beginStructure();
    out << entry.id << entry.details;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcutEntry& entry) {
    in.beginStructure();
    in >> entry.id >> entry.details;
    in.endStructure();
    return in;
}

void registerPortalTypes() {
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
}

}  // namespace quillet
