#include "core/KeychainManager.h"

#include <QStringDecoder>

#include "platform/SecretStore.h"

namespace quillet {

std::optional<QString> KeychainManager::previewKey;

namespace {
std::optional<QString> decodeUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
}  // namespace

std::optional<QString> KeychainManager::load(const QString& serviceName) {
    const std::optional<QByteArray> bytes = m_store.read(serviceName, account);
    if (!bytes)
        return std::nullopt;
    return decodeUtf8(*bytes);
}

void KeychainManager::remove(const QString& serviceName) {
    m_store.remove(serviceName, account);
}

void KeychainManager::saveAPIKey(const QString& key) {
    m_store.write(service, account, key.toUtf8());
}

void KeychainManager::deleteAPIKey() {
    remove(service);
}

std::optional<QString> KeychainManager::loadAPIKey() {
    if (previewKey)
        return previewKey;
    if (std::optional<QString> current = load(service))
        return current;
    std::optional<QString> legacy = load(legacyService);
    if (!legacy)
        return std::nullopt;
    saveAPIKey(*legacy);
    // The old item goes only once the key reads back under the new name, so a failed write loses nothing.
    if (load(service) == legacy)
        remove(legacyService);
    return legacy;
}

}  // namespace quillet
