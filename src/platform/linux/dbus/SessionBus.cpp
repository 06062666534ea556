// Chooses the session bus address before any D-Bus library can launch a bus of its own.
#include "platform/linux/dbus/SessionBus.h"

namespace quillet::SessionBus {

namespace {

// A D-Bus address value: bytes outside the few that may stand as they are go as %XX.
QByteArray escaped(const QByteArray& value) {
    QByteArray out;
    for (const char c : value) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           c == '-' || c == '_' || c == '/' || c == '.' || c == '\\' || c == '*';
        if (plain)
            out += c;
        else
            out += '%' + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
    }
    return out;
}

}  // namespace

Choice choose(const QByteArray& address, const QString& runtimeDir, bool userBusExists) {
    if (!address.trimmed().isEmpty())
        return {};
    if (!runtimeDir.isEmpty() && userBusExists)
        return {QByteArray("unix:path=") + escaped(runtimeDir.toUtf8() + "/bus"), false};
    return {QByteArray(noBus), true};
}

}  // namespace quillet::SessionBus
