// How to bind a key to `quillet --trigger` in GNOME's own keyboard settings: GNOME lets no program
// hold a global shortcut under Wayland, but runs any command for a shortcut the user adds there.
#pragma once

#include <QString>
#include <QStringList>

#include "core/L10n.h"

namespace quillet {

namespace CustomShortcutSteps {

/// The command the desktop runs: the program's file name when the search path finds this very
/// program under it, else its full path, quoted as a shell would need; then "--trigger".
QString triggerCommand(const QString& programPath, const QStringList& searchPath);

/// The introduction and the numbered steps through GNOME Settings, naming its pages and buttons
/// as GNOME shows them in that language; `combination` is the shortcut suggested ("Super+Shift+G").
QStringList gnomeSteps(const L10n& l10n, const QString& command, const QString& combination);

}  // namespace CustomShortcutSteps
}  // namespace quillet
