// What stands between Quillet and its GNOME Shell extension, and how the user turns it on: the
// texts the settings, the setup window and the self-check show when it does not work.
#pragma once

#include <QString>
#include <QStringList>

#include "core/L10n.h"

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
    refused,            ///< it answers another copy of Quillet (installed elsewhere), not this one
    outdated,           ///< it speaks an older or newer language than this Quillet (upgraded while logged in)
};

struct ShellExtensionStatus {
    ShellExtensionState state = ShellExtensionState::notInstalled;
    /// The shell's version ("43.9"); empty when unknown.
    QString shellVersion;
    /// The shell's error (failed), or the program it answers (refused).
    QString detail;
};

namespace ShellExtensionHint {

inline const QString uuid = QStringLiteral("quillet@lumenfold.com");

/// The one command that switches the extension on.
QString enableCommand();

/// What is missing and what to do, one paragraph each, in `l10n`'s language; empty when it works.
/// The first paragraph says what does not work without it.
QStringList steps(const ShellExtensionStatus& status, const L10n& l10n);

/// The self-check's line (English): ✓ when it works, else ✗ with the reason and the remedy.
QString doctorLine(const ShellExtensionStatus& status);

}  // namespace ShellExtensionHint
}  // namespace quillet
