// Offsets into another application's text: its characters (code points, as GTK and Gecko count over
// AT-SPI) against the program's UTF-16 code units, with Gecko's padding after wide characters.
#pragma once

#include <QString>

namespace quillet::TextOffsets {

/// Whether the character at `i` is padding: Firefox follows every character outside the Basic
/// Multilingual Plane with a U+FEFF of its own, so that its character offsets count like UTF-16
/// units. That padding is no part of the text: it is never handed on and takes no room in the
/// program's offsets. A U+FEFF anywhere else is the user's own.
bool isPadding(const QString& text, qint64 i);

/// `text` as the user has it: without padding.
QString withoutPadding(const QString& text);

/// The UTF-16 offset, in `text` without its padding, of character offset `characters` in `text`
/// as the application reads it. Past the end gives the end.
qint64 utf16Offset(const QString& text, qint64 characters);

/// The character offset in `text` (as the application reads it) of UTF-16 offset `units` in `text`
/// without its padding; the inverse of `utf16Offset`. A position inside a surrogate pair lands after
/// the pair, one just after a padded character lands past its padding, and past the end gives the
/// end.
qint64 characterOffset(const QString& text, qint64 units);

}  // namespace quillet::TextOffsets
