// The offline platform: services that reach nothing outside the process.
#include "platform/offline/OfflineServices.h"

namespace quillet::offline {

SecretStore::Ticket MemorySecretStore::read(const Item& item, std::function<void(Reply)> done) {
    const auto it = items.constFind(item);
    done(it == items.constEnd() ? Reply{Status::absent, {}} : Reply{Status::ok, *it});
    return ++m_next;
}

SecretStore::Ticket MemorySecretStore::write(const Item& item, const QByteArray& secret,
                                             std::function<void(Status)> done) {
    items[item] = secret;
    done(Status::ok);
    return ++m_next;
}

SecretStore::Ticket MemorySecretStore::remove(const Item& item, std::function<void(Status)> done) {
    items.remove(item);
    done(Status::ok);
    return ++m_next;
}

SecretStore::Ticket MemorySecretStore::unlock(const Item&, std::function<void(bool)> done) {
    done(true);
    return ++m_next;
}

template <typename T>
std::optional<T> OverlayDefaults::read(const QString& key,
                                       std::optional<T> (Defaults::*shownRead)(const QString&) const) const {
    const auto it = m_written.constFind(key);
    if (it == m_written.constEnd())
        return m_shown ? (m_shown->*shownRead)(key) : std::nullopt;
    // A key written here hides the shown one, even when the value written has another type.
    if (it->metaType() != QMetaType::fromType<T>())
        return std::nullopt;
    return it->value<T>();
}

std::optional<QString> OverlayDefaults::string(const QString& key) const {
    return read<QString>(key, &Defaults::string);
}

std::optional<qint64> OverlayDefaults::integer(const QString& key) const {
    return read<qint64>(key, &Defaults::integer);
}

std::optional<bool> OverlayDefaults::boolean(const QString& key) const {
    return read<bool>(key, &Defaults::boolean);
}

std::optional<QStringList> OverlayDefaults::stringList(const QString& key) const {
    return read<QStringList>(key, &Defaults::stringList);
}

void MemoryClipboard::clear() {
    m_items.clear();
    ++m_changes;
}

void MemoryClipboard::write(const QList<ClipboardItem>& items) {
    m_items = items;
    ++m_changes;
}

std::optional<QString> MemoryClipboard::plainText() {
    for (const ClipboardItem& item : std::as_const(m_items)) {
        if (item.contains(ClipboardType::plainText))
            return QString::fromUtf8(item.value(ClipboardType::plainText));
    }
    return std::nullopt;
}

}  // namespace quillet::offline
