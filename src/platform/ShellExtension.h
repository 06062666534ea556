// Where the desktop's own extension for Quillet stands (GNOME Shell's), as the platform finds it.
#pragma once

#include <QString>

namespace quillet {

/// How far the desktop's extension for Quillet is from working.
enum class ShellExtensionState {
    active,             ///< it answers Quillet
    notInstalled,       ///< no copy of it anywhere the shell looks
    notLoaded,          ///< installed while the shell was running: the shell reads it at the next login
    disabled,           ///< the shell has it, switched off
    userExtensionsOff,  ///< every extension is switched off in the shell's settings
    unsupported,        ///< the shell's version is one it was not made for
    failed,             ///< the shell could not start it
    refused,            ///< it answers another copy of Quillet (installed elsewhere, or since upgraded)
    unsafeInstall,      ///< installed where any program of the user could replace Quillet: it serves none
    outdated,           ///< it speaks an older or newer language than this Quillet (upgraded while logged in)
    noShell,            ///< GNOME Shell itself is not running (another compositor, such as bare mutter)
};

struct ShellExtensionStatus {
    ShellExtensionState state = ShellExtensionState::notInstalled;
    /// The shell's version ("43.9"); empty when unknown.
    QString shellVersion;
    /// The shell's error (failed), the program it answers (refused), or the path the user could
    /// change (unsafeInstall).
    QString detail;
};

}  // namespace quillet
