// Choosing between the X11 and the Wayland mode from the session's environment.
#include <gmock/gmock.h>

#include <QMap>

#include "core/SessionType.h"
#include "platform/linux/dbus/SessionBus.h"

using namespace quillet;

namespace {

SessionType detect(const QMap<QString, QString>& variables) {
    return SessionTypes::detect([&](const char* name) { return variables.value(QString::fromLatin1(name)); });
}

}  // namespace

TEST(SessionTypeTest, EitherSignOfWaylandIsEnough) {
    EXPECT_EQ(detect({}), SessionType::x11);
    EXPECT_EQ(detect({{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}), SessionType::x11);
    EXPECT_EQ(detect({{"XDG_SESSION_TYPE", "wayland"}}), SessionType::wayland);
    EXPECT_EQ(detect({{"XDG_SESSION_TYPE", " Wayland\n"}}), SessionType::wayland);
    // Started from a terminal or a service manager, a program may see only the display.
    EXPECT_EQ(detect({{"WAYLAND_DISPLAY", "wayland-0"}}), SessionType::wayland);
    EXPECT_EQ(detect({{"XDG_SESSION_TYPE", "tty"}, {"WAYLAND_DISPLAY", "wayland-0"}}), SessionType::wayland);
    // XWayland gives X11 programs a DISPLAY too: the session is still Wayland.
    EXPECT_EQ(detect({{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}), SessionType::wayland);
    EXPECT_EQ(detect({{"WAYLAND_DISPLAY", "  "}, {"XDG_SESSION_TYPE", "waylandx"}}), SessionType::x11);
}

TEST(SessionTypeTest, DesktopFromTheFirstEntryItKnows) {
    auto desktop = [](const QString& current) {
        return SessionTypes::desktop([&](const char*) { return current; });
    };
    EXPECT_EQ(desktop(""), Desktop::other);
    EXPECT_EQ(desktop("GNOME"), Desktop::gnome);
    EXPECT_EQ(desktop("ubuntu:GNOME"), Desktop::gnome);
    EXPECT_EQ(desktop("KDE"), Desktop::kde);
    EXPECT_EQ(desktop("XFCE"), Desktop::other);
    EXPECT_EQ(desktop("GNOME-Flashback:GNOME"), Desktop::gnome) << "whole entries only";
    EXPECT_EQ(desktop("GNOME-Classic"), Desktop::other);
}

// Never a bus launched for the occasion: the desktop's, the user's at its usual place, or none.
TEST(SessionBusTest, TheDesktopsBusOrTheUsersOrNone) {
    EXPECT_EQ(SessionBus::choose("unix:path=/run/user/1000/bus", "/run/user/1000", true).address,
              std::nullopt);
    EXPECT_FALSE(SessionBus::choose("unix:abstract=/tmp/dbus-x", {}, false).missing);
    const SessionBus::Choice user = SessionBus::choose({}, "/run/user/1000", true);
    EXPECT_EQ(user.address, "unix:path=/run/user/1000/bus");
    EXPECT_FALSE(user.missing);
    EXPECT_EQ(SessionBus::choose(" ", "/tmp/my runtime,dir", true).address,
              "unix:path=/tmp/my%20runtime%2cdir/bus");
    for (const auto& [dir, exists] :
         {std::pair{QString("/run/user/1000"), false}, std::pair{QString(), true}}) {
        const SessionBus::Choice none = SessionBus::choose({}, dir, exists);
        EXPECT_EQ(none.address, QByteArray(SessionBus::noBus));
        EXPECT_TRUE(none.missing);
    }
}
