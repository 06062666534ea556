// The text of an INI file as QSettings reads it, changed one key at a time: every line that does not
// hold the key stays as it was, byte for byte (comments, blank lines, unknown keys, their order).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

namespace quillet::IniFile {

/// `value` as QSettings writes a string, so that QSettings reads the same string back (quoted where
/// it holds commas, semicolons, equal signs or spaces at either end; escaped where it holds quotes,
/// backslashes or control characters).
QByteArray encoded(const QString& value);

/// A value as it is written after "key=", already encoded (a number, true, false, encoded()).
using Plain = QByteArray;
/// A list in QSettings' array form: a section named after the key, "1\value=..." and "size=N".
using Array = QStringList;

/// `file` with `key` holding `value`: the lines of the key's old value (a "key=" line among the keys
/// of no section, or in [General]; a section named after the key) are left out, and the new ones go
/// where the first of them stood, or else at the end of the general keys or of the file.
/// `key` is a plain name (letters, digits, '-', '_', '.').
QByteArray withValue(const QByteArray& file, const QString& key, const std::variant<Plain, Array>& value);

}  // namespace quillet::IniFile
