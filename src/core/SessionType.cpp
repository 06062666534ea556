// Whether the desktop session is X11 or Wayland, from the environment the session gives its programs.
#include "core/SessionType.h"

#include <QStringList>
#include <QtGlobal>

namespace quillet {

SessionType SessionTypes::detect(const Environment& environment) {
    // Compared without case and surrounding space: login managers differ in how they write it.
    if (environment("XDG_SESSION_TYPE").trimmed().compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0)
        return SessionType::wayland;
    if (!environment("WAYLAND_DISPLAY").trimmed().isEmpty())
        return SessionType::wayland;
    return SessionType::x11;
}

SessionType SessionTypes::current() {
    return detect([](const char* name) { return qEnvironmentVariable(name); });
}

QString SessionTypes::name(SessionType type) {
    return type == SessionType::wayland ? QStringLiteral("Wayland") : QStringLiteral("X11");
}

Desktop SessionTypes::desktop(const Environment& environment) {
    const QStringList names = environment("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& raw : names) {
        const QString name = raw.trimmed();
        if (name.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0)
            return Desktop::gnome;
        if (name.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0)
            return Desktop::kde;
    }
    return Desktop::other;
}

}  // namespace quillet
