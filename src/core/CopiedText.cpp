// What an application's copy holds that no document does: a string terminator and other control
#include "core/CopiedText.h"

#include "core/TextIO.h"
#include "platform/Clipboard.h"

namespace quillet {

QString CopiedText::withoutTrailingControls(const QString& copied) {
    qsizetype end = copied.size();
    while (end > 0) {
        const char16_t c = copied.at(end - 1).unicode();
        if (c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')
            break;
        --end;
    }
    return copied.left(end);
}

QString CopiedText::plain(const QString& copied) {
    return TextIO::comparable(withoutTrailingControls(copied));
}

bool CopiedText::looksLikeCopiedLine(Clipboard& clipboard, const QString& copied) {
    const QString text = TextIO::comparable(copied);
    if (!text.endsWith(QLatin1Char('\n')) || text.indexOf(QLatin1Char('\n')) != text.size() - 1)
        return false;
    if (!clipboard.supportsSelection())
        return true;
    const std::optional<QString> selected = clipboard.selectionText();
    return !selected || plain(*selected) != text;
}

}  // namespace quillet
