// The tray icon's image: the brand emblem at the sizes trays ask for.
#pragma once

#include <QIcon>

namespace quillet::TrayIcon {

/// The emblem kept to its proportions in square pixmaps; a teal "Q" disc when the emblem is absent.
QIcon emblem();

}  // namespace quillet::TrayIcon
