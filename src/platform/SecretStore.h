// The desktop's secret store, addressed by service and account.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace quillet {

class SecretStore {
public:
    SecretStore() = default;
    SecretStore(const SecretStore&) = delete;
    SecretStore& operator=(const SecretStore&) = delete;
    virtual ~SecretStore() = default;

    /// The secret stored for (service, account); empty when there is none or the store is unreachable.
    virtual std::optional<QByteArray> read(const QString& service, const QString& account) = 0;
    /// Stores the secret, replacing an existing item in place. False when it could not be stored.
    virtual bool write(const QString& service, const QString& account, const QByteArray& secret) = 0;
    /// Removes the item; removing a missing item succeeds. False when the store could not be reached.
    virtual bool remove(const QString& service, const QString& account) = 0;
};

}  // namespace quillet
