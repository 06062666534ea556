// What an application's copy holds that no document does: a string terminator and other control
// characters left at the end by programs that hand their clipboard over as C strings.
#pragma once

#include <QString>

namespace quillet {
class Clipboard;
}

namespace quillet::CopiedText {

/// `copied` without the control characters at its end (a NUL, and the rest of C0 but for tab,
/// line feed and carriage return, which are text). Nothing inside the text is touched.
QString withoutTrailingControls(const QString& copied);
/// A copy, or the desktop's selection buffer, as the document holds it: without those controls,
/// and with line feeds for line breaks.
QString plain(const QString& copied);

/// Editors that copy the caret's line when nothing is selected hand over that one line with its
/// line break, and leave the caret at the line's start: pasting over such a copy would add the line
/// again. A real selection is offered to the desktop's selection buffer as it is made, so a copy the
/// buffer does not vouch for, shaped like one whole line, is taken for nothing selected. Other copies
/// stand: some toolkits offer no buffer for a select-all.
bool looksLikeCopiedLine(Clipboard& clipboard, const QString& copied);

}  // namespace quillet::CopiedText
