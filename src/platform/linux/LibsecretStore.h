// The secret store on the desktop's Secret Service, through libsecret.
#pragma once

#include "platform/SecretStore.h"

namespace quillet {

class LibsecretStore final : public SecretStore {
public:
    std::optional<QByteArray> read(const QString& service, const QString& account) override;
    bool write(const QString& service, const QString& account, const QByteArray& secret) override;
    bool remove(const QString& service, const QString& account) override;
};

}  // namespace quillet
