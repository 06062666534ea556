// Whether the desktop session is X11 or Wayland, from the environment the session gives its programs.
#pragma once

#include <QString>
#include <functional>

namespace quillet {

enum class SessionType { x11, wayland };

/// The desktops whose own shortcut settings the program knows how to use.
enum class Desktop { gnome, kde, other };

namespace SessionTypes {

/// Reads one environment variable; an unset variable reads as empty.
using Environment = std::function<QString(const char* name)>;

/// Wayland when the session says so (XDG_SESSION_TYPE=wayland) or a Wayland display is there
/// (WAYLAND_DISPLAY set): a program started from a terminal or an autostart entry may have only one
/// of the two. Everything else, an unset environment included, is X11.
SessionType detect(const Environment& environment);
/// The same, from this process's environment.
SessionType current();
/// "X11" or "Wayland", as the self-check reports the mode.
QString name(SessionType type);

/// From XDG_CURRENT_DESKTOP, a colon-separated list ("ubuntu:GNOME", "KDE"): the first entry
/// naming GNOME or KDE decides; anything else is another desktop.
Desktop desktop(const Environment& environment);

}  // namespace SessionTypes
}  // namespace quillet
