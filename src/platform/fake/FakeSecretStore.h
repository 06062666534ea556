// An in-memory secret store that counts its calls and can be told to fail.
#pragma once

#include <QMap>
#include <QPair>

#include "platform/SecretStore.h"

namespace quillet {

class FakeSecretStore final : public SecretStore {
public:
    std::optional<QByteArray> read(const QString& service, const QString& account) override;
    bool write(const QString& service, const QString& account, const QByteArray& secret) override;
    bool remove(const QString& service, const QString& account) override;

    QMap<QPair<QString, QString>, QByteArray> items;
    bool failReads = false;
    bool failWrites = false;
    bool failRemoves = false;
    int reads = 0;
    int writes = 0;
    int removes = 0;
};

}  // namespace quillet
