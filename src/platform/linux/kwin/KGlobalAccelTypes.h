// What KDE's shortcut service carries beyond the bus's own types; the generated proxy for it
// (resources/dbus/org.kde.KGlobalAccel.xml) includes this.
#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

namespace quillet {

/// One action holding a key, as the service describes it: the names of the action, its program and
/// its context (each the unique one, then the title), then its keys and default keys.
struct KdeShortcutHolder {
    QString action;
    QString actionTitle;
    QString component;
    QString componentTitle;
    QString context;
    QString contextTitle;
    QList<int> keys;
    QList<int> defaultKeys;
};

QDBusArgument& operator<<(QDBusArgument& out, const KdeShortcutHolder& holder);
const QDBusArgument& operator>>(const QDBusArgument& in, KdeShortcutHolder& holder);

/// Registers the types above with Qt D-Bus; once is enough, more is harmless.
void registerKGlobalAccelTypes();

}  // namespace quillet

Q_DECLARE_METATYPE(quillet::KdeShortcutHolder)
