// The API key in the desktop's secret store, with the move from the old service name.
#pragma once

#include <QString>
#include <optional>

namespace quillet {

class SecretStore;

class KeychainManager {
public:
    static inline const QString service = QStringLiteral("com.lumenfold.quillet");
    static inline const QString legacyService = QStringLiteral("com.lumenfold.scrivet");
    static inline const QString account = QStringLiteral("openai-api-key");

    /// While set, every read of the key gives this value and the secret store is not consulted.
    static std::optional<QString> previewKey;

    explicit KeychainManager(SecretStore& store) : m_store(store) {}

    /// Saves the key under the current service, replacing the stored one. Reports nothing.
    void saveAPIKey(const QString& key);
    /// The preview key, else the current item, else a migrated legacy item; empty when there is none.
    std::optional<QString> loadAPIKey();
    /// Deletes the item under the current service. Reports nothing.
    void deleteAPIKey();

private:
    std::optional<QString> load(const QString& service);
    void remove(const QString& service);

    SecretStore& m_store;
};

}  // namespace quillet
