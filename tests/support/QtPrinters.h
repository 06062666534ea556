// Readable GoogleTest output for Qt values. Included into every test file by the build.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << "bytes \"" << b.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral("\", \"")).prepend('"').append('"').toStdString() << ']';
}
