#include "platform/linux/kwin/KGlobalAccelTypes.h"

#include <QDBusMetaType>

namespace quillet {

QDBusArgument& operator<<(QDBusArgument& out, const KdeShortcutHolder& holder) {
    out.beginStructure();
    out << holder.action << holder.actionTitle << holder.component << holder.componentTitle << holder.context
        << holder.contextTitle << holder.keys << holder.defaultKeys;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, KdeShortcutHolder& holder) {
    in.beginStructure();
    in >> holder.action >> holder.actionTitle >> holder.component >> holder.componentTitle >>
        holder.context >> holder.contextTitle >> holder.keys >> holder.defaultKeys;
    in.endStructure();
    return in;
}

void registerKGlobalAccelTypes() {
    qDBusRegisterMetaType<QList<int>>();
    qDBusRegisterMetaType<KdeShortcutHolder>();
    qDBusRegisterMetaType<QList<KdeShortcutHolder>>();
}

}  // namespace quillet
