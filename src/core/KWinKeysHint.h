// What KWin keeps from Quillet on KDE Plasma under Wayland, and how the user gets it: the texts the
// settings, the setup window and the self-check show when the keys of the paste or the icon at the
// field are missing.
#pragma once

#include <QString>
#include <QStringList>

#include "core/L10n.h"

namespace quillet::KWinKeysHint {

struct Status {
    /// Whether KWin lets this program press keys (its fake input).
    bool keysOffered = false;
    /// Whether a menu entry that asks for them names this program (KWin may not have read it yet).
    bool entryInstalled = false;
    /// Whether Quillet's script runs inside KWin (the icon at the field, the panel's place).
    bool scriptRunning = true;
    /// This program's full path.
    QString program;
};

/// What is missing and what to do, one paragraph each, in `l10n`'s language; empty when nothing is.
QStringList steps(const Status& status, const L10n& l10n);

/// The self-check's line (English) on the keys: ✓ when offered, else ✗ with the reason and remedy.
QString doctorLine(const Status& status);

}  // namespace quillet::KWinKeysHint
