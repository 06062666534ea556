// Which session bus the process's D-Bus libraries are to use: the one the desktop gave, the user's
// bus at its usual place, or none, never one launched for the occasion.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace quillet::SessionBus {

/// A D-Bus address no library can connect to or launch a bus for: connections to it fail at once.
inline constexpr char noBus[] = "unix:path=/nonexistent/quillet-no-session-bus";

struct Choice {
    /// The value DBUS_SESSION_BUS_ADDRESS must take before any D-Bus library starts; empty: leave it.
    std::optional<QByteArray> address;
    /// No session bus is to be had: another start cannot find this copy, and the desktop's services
    /// may be out of reach.
    bool missing = false;
};

/// With DBUS_SESSION_BUS_ADDRESS unset, libdbus and GDBus would each launch a session bus of their
/// own (dbus-launch), which outlives the program and holds none of the desktop's services. Instead
/// the user's bus at $XDG_RUNTIME_DIR/bus is taken when `userBusExists`, and otherwise none at all.
Choice choose(const QByteArray& address, const QString& runtimeDir, bool userBusExists);

}  // namespace quillet::SessionBus
