// The tray icon's menu, drawn from the tray's commands each time it is about to open.
#pragma once

#include "core/L10n.h"
#include "core/TrayCommands.h"

class QMenu;

namespace quillet::TrayMenu {

/// Empties `menu` and fills it from `commands` for the state and the language `l` of this moment.
void fill(QMenu& menu, const TrayCommands& commands, const L10n& l);

}  // namespace quillet::TrayMenu
