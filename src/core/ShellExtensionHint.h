// What stands between Quillet and its GNOME Shell extension, and how the user turns it on: the
// texts the settings, the setup window and the self-check show when it does not work.
#pragma once

#include <QString>
#include <QStringList>

#include "core/L10n.h"
#include "platform/ShellExtension.h"

namespace quillet {

namespace ShellExtensionHint {

inline const QString uuid = QStringLiteral("quillet@lumenfold.com");

/// The one command that switches the extension on.
QString enableCommand();

/// What is missing and what to do, one paragraph each, in `l10n`'s language; empty when it works
/// or there is no GNOME Shell to add it to.
/// The first paragraph says what does not work without it.
QStringList steps(const ShellExtensionStatus& status, const L10n& l10n);

/// The self-check's line (English): ✓ when it works, • without GNOME Shell, else ✗ with the reason
/// and the remedy.
QString doctorLine(const ShellExtensionStatus& status);

}  // namespace ShellExtensionHint
}  // namespace quillet
