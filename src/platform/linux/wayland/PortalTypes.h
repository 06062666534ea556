// What the desktop portal's shortcuts interface carries beyond the bus's own types; the generated
// proxy for it (resources/dbus/org.freedesktop.portal.GlobalShortcuts.xml) includes this.
#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace quillet {

/// One shortcut as BindShortcuts takes it and its answer lists it: its id and its details.
struct PortalShortcutEntry {
    QString id;
    QVariantMap details;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcutEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcutEntry& entry);

/// Registers the types above with Qt D-Bus; once is enough, more is harmless.
void registerPortalTypes();

}  // namespace quillet

Q_DECLARE_METATYPE(quillet::PortalShortcutEntry)
