// The road of last resort for a chosen text: where it cannot be written into the field and no key
// can be pressed for the user (a Wayland application that ignores accessibility writes), the text
// is left on the clipboard and a notice asks the user to paste it.
#pragma once

#include <QString>

#include "core/L10n.h"

namespace quillet {

class Clipboard;

namespace ClipboardHandOver {

/// How a text that accessibility could not write reaches the field.
enum class Road {
    paste,  ///< clipboard and a synthetic paste, the user's clipboard put back afterwards
    copy,   ///< left on the clipboard for the user to paste, with a notice saying so
    none,   ///< a password field has the focus: the text goes nowhere, not even the clipboard
};

/// `canPressKeys`: a paste key can be pressed in the field's application: an X11 program (through
/// XWayland), or any program once the user has switched the synthetic paste on.
Road road(bool secureInput, bool canPressKeys);

/// Leaves `text` on the clipboard as one plain-text item. The user's earlier clipboard is not put
/// back afterwards, as after a synthetic paste: this text is what the user is about to paste.
void copy(Clipboard& clipboard, const QString& text);

/// "Copied — press Ctrl+V", in the interface language.
QString notice(const L10n& l10n);

}  // namespace ClipboardHandOver
}  // namespace quillet
