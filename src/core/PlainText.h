// What the model writes goes into a field as plain text: no NUL (the accessibility bus carries C
// strings, and the field would end there), no control characters, no terminal escape sequences.
#pragma once

#include <QString>

namespace quillet::PlainText {

/// `modelText` without NUL, without the C0 and C1 control characters other than tab, line feed and
/// carriage return, and without ANSI escape sequences: CSI (ESC [ or U+009B, parameters, a final
/// byte), the strings that ESC ] (OSC), ESC P, ESC X, ESC ^ and ESC _ open, up to BEL or ST, and the
/// other ESC sequences. A sequence still open at the end runs to the end. Everything else (emoji,
/// combining marks, right-to-left text, CR LF, U+2028) is kept as it is.
QString of(const QString& modelText);

}  // namespace quillet::PlainText
