// The per-user preferences database: strings, 64-bit integers, booleans and lists of strings.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quillet {

class Defaults {
public:
    Defaults() = default;
    Defaults(const Defaults&) = delete;
    Defaults& operator=(const Defaults&) = delete;
    virtual ~Defaults() = default;

    // Reads: empty when the key is absent or holds a value of another type.
    virtual std::optional<QString> string(const QString& key) const = 0;
    virtual std::optional<qint64> integer(const QString& key) const = 0;
    virtual std::optional<bool> boolean(const QString& key) const = 0;
    virtual std::optional<QStringList> stringList(const QString& key) const = 0;
    /// A text value as the user wrote it, also where the store's syntax would read it as something
    /// else (a list, in an INI file, for an unquoted value holding commas). Empty when absent.
    virtual std::optional<QString> text(const QString& key) const { return string(key); }

    /// Where the values are kept, as a person would look for them (a file's path); empty when they
    /// are kept nowhere a person could look.
    virtual QString location() const { return QString(); }

    // Writes are stored at once. Each returns whether the value was stored; when it was not, the
    // stored value is what it was before.
    virtual bool setString(const QString& key, const QString& value) = 0;
    virtual bool setInteger(const QString& key, qint64 value) = 0;
    virtual bool setBoolean(const QString& key, bool value) = 0;
    virtual bool setStringList(const QString& key, const QStringList& value) = 0;
};

}  // namespace quillet
