// An in-memory preferences database; values keep their type, so tests can plant wrong ones.
#include "platform/fake/FakeDefaults.h"

namespace quillet {

namespace {
// A key written here hides the fallback's, even when the value written has another type.
template <typename T>
std::optional<T> typed(const QMap<QString, QVariant>& values, const QString& key, const Defaults* fallback,
                       std::optional<T> (Defaults::*read)(const QString&) const) {
    const auto it = values.constFind(key);
    if (it == values.constEnd())
        return fallback ? (fallback->*read)(key) : std::nullopt;
    if (it->metaType() != QMetaType::fromType<T>())
        return std::nullopt;
    return it->value<T>();
}
}  // namespace

bool FakeDefaults::write(const QString& key, const QVariant& value) {
    ++writes;
    if (failWrites)
        return false;
    values[key] = value;
    return true;
}

std::optional<QString> FakeDefaults::string(const QString& key) const {
    return typed<QString>(values, key, fallback, &Defaults::string);
}
std::optional<qint64> FakeDefaults::integer(const QString& key) const {
    return typed<qint64>(values, key, fallback, &Defaults::integer);
}
std::optional<bool> FakeDefaults::boolean(const QString& key) const {
    return typed<bool>(values, key, fallback, &Defaults::boolean);
}
std::optional<QStringList> FakeDefaults::stringList(const QString& key) const {
    return typed<QStringList>(values, key, fallback, &Defaults::stringList);
}

bool FakeDefaults::setString(const QString& key, const QString& value) {
    return write(key, value);
}
bool FakeDefaults::setInteger(const QString& key, qint64 value) {
    return write(key, QVariant::fromValue<qint64>(value));
}
bool FakeDefaults::setBoolean(const QString& key, bool value) {
    return write(key, value);
}
bool FakeDefaults::setStringList(const QString& key, const QStringList& value) {
    return write(key, value);
}

}  // namespace quillet
