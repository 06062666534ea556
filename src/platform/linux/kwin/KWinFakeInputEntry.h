// Whether a desktop entry gets a program KWin's fake input: KWin offers it to a program whose
// installed entry names it by its full path and lists the interface. Pure: reads only the text.
#pragma once

#include <QString>

namespace quillet::KWinFakeInputEntry {

inline const QString interfaceName = QStringLiteral("org_kde_kwin_fake_input");

/// Whether `entryText`, a desktop entry, names `program` (a full path) as its command and asks for
/// the interface (X-KDE-Wayland-Interfaces) in its main group.
bool asksForKeys(const QString& entryText, const QString& program);

}  // namespace quillet::KWinFakeInputEntry
