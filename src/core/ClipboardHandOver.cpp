// The road of last resort for a chosen text: where it cannot be written into the field and no key
#include "core/ClipboardHandOver.h"

#include "platform/Clipboard.h"

namespace quillet {

ClipboardHandOver::Road ClipboardHandOver::road(bool secureInput, bool canPressKeys) {
    if (secureInput)
        return Road::none;
    return canPressKeys ? Road::paste : Road::copy;
}

void ClipboardHandOver::copy(Clipboard& clipboard, const QString& text) {
    // Without the password managers' hint: a clipboard manager may keep it, like anything the
    // user copies, so it can still be pasted after something else was copied.
    clipboard.write({ClipboardItem{{ClipboardType::plainText, text.toUtf8()}}});
}

QString ClipboardHandOver::notice(const L10n& l10n) {
    return l10n.text(QT_TRANSLATE_NOOP("Quillet", "Copied — press Ctrl+V"));
}

}  // namespace quillet
