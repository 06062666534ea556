// What changes in the program's behaviour with the kind of session it runs in.
#pragma once

namespace quillet {

class AppDelegate;
struct Platform;

/// In a Wayland session: no icon at the field (the desktop tells no program where a field lies),
/// a text that cannot be written and no key can paste is left on the clipboard, and where the
/// desktop holds the shortcut, the settings show how to bind it there. On GNOME, Quillet's shell
/// extension brings the icon, the paste and the shortcut back while it answers; while it does not,
/// the settings and the setup window say how to turn it on. Nothing changes on X11.
void applySessionMode(AppDelegate& delegate, const Platform& platform);

}  // namespace quillet
