// An in-memory preferences database; values keep their type, so tests can plant wrong ones.
#include "platform/fake/FakeDefaults.h"

namespace quillet {

namespace {
template <typename T>
std::optional<T> typed(const QMap<QString, QVariant>& values, const QString& key) {
    const auto it = values.constFind(key);
    if (it == values.constEnd() || it->metaType() != QMetaType::fromType<T>())
        return std::nullopt;
    return it->value<T>();
}
}  // namespace

std::optional<QString> FakeDefaults::string(const QString& key) const {
    return typed<QString>(values, key);
}
std::optional<qint64> FakeDefaults::integer(const QString& key) const {
    return typed<qint64>(values, key);
}
std::optional<bool> FakeDefaults::boolean(const QString& key) const {
    return typed<bool>(values, key);
}
std::optional<QStringList> FakeDefaults::stringList(const QString& key) const {
    return typed<QStringList>(values, key);
}

void FakeDefaults::setString(const QString& key, const QString& value) {
    ++writes;
    values[key] = value;
}
void FakeDefaults::setInteger(const QString& key, qint64 value) {
    ++writes;
    values[key] = QVariant::fromValue<qint64>(value);
}
void FakeDefaults::setBoolean(const QString& key, bool value) {
    ++writes;
    values[key] = value;
}
void FakeDefaults::setStringList(const QString& key, const QStringList& value) {
    ++writes;
    values[key] = value;
}

}  // namespace quillet
